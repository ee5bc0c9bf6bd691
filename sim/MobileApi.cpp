// The forum's mobile API: the daily lottery draw. Replies are JSON; the
// winning replies write non-ASCII characters as "\u" escapes, the "used up"
// and "too fast" replies (unless the scenario says otherwise) as raw UTF-8,
// as the forum's API does for its error texts.

#include "sim/Services.h"

#include <chrono>

namespace quilbex::sim {

namespace {

Response json_reply(SimState& state, int ret, const std::string& message, bool escape = true) {
    Response r = Response::text(200, "OK", "application/json; charset=utf-8",
                                "{\"ret\":" + std::to_string(ret) + ",\"msg\":" + json_string(message, escape) + "}");
    r.chunked = state.scenario.on("chunked");
    return r;
}

std::int64_t now_us() {
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

}  // namespace

Response mobile_api(SimState& state, const Request& request) {
    const std::string expected = std::string("version=6&module=choujiang&do=draw&sign=") + kDrawSignature;
    if (request.path() != "/api/mobile/index.php")
        return Response::text(404, "Not Found", "text/plain", "not found");
    if (request.method != "POST" || request.query() != expected)
        return json_reply(state, -3, "签名错误");
    if (state.scenario.on("check_length") && !request.body.empty())
        return json_reply(state, -4, "请求格式错误");
    if (state.scenario.on("check_headers") && request.header("User-Agent").value_or("") != kMobileAgent)
        return json_reply(state, -5, "请使用手机客户端参与抽奖");
    auto id = forum_session(state, request);
    if (!id) {
        if (state.scenario.get("guest_reply") == "empty")
            return Response::text(200, "OK", "application/json; charset=utf-8", "");
        return Response::text(200, "OK", "application/json; charset=utf-8",
                              "{\"errcode\":\"to_login\",\"message\":" + json_string("请先登录后再参与抽奖", true) +
                                  "}");
    }
    if (std::string body = state.scenario.get("draw_reply"); !body.empty()) {
        Response r = Response::text(200, "OK", "application/json; charset=utf-8", body);
        r.chunked = state.scenario.on("chunked");
        return r;
    }
    const bool raw = state.scenario.on("raw_msg");
    const std::int64_t gap_us = std::int64_t{state.scenario.get_int("draw_gap_ms")} * 1000;
    if (state.scenario.get("too_fast") == "1" || !state.take_draw_slot(*id, now_us(), gap_us))
        return json_reply(state, -2, "您抽奖太快了，请稍后再试", !raw);
    int draw = state.scenario.take_draw();
    if (draw > state.scenario.get_int("draws"))
        return json_reply(state, -1, "今日抽奖次数已用完，明天再来吧", !raw);
    return json_reply(state, 0, "恭喜您抽中 金币 x" + std::to_string(draw));
}

}  // namespace quilbex::sim
