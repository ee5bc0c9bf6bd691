// The forum's mobile API: the daily lottery draw. Replies are JSON whose
// non-ASCII characters are "\u" escapes, as the forum's API writes them.

#include "sim/Services.h"

namespace quilbex::sim {

namespace {

Response json_reply(int ret, const std::string& message) {
    return Response::text(200, "OK", "application/json; charset=utf-8",
                          "{\"ret\":" + std::to_string(ret) + ",\"msg\":" + json_string(message, true) + "}");
}

}  // namespace

Response mobile_api(SimState& state, const Request& request) {
    const std::string expected = std::string("version=6&module=choujiang&do=draw&sign=") + kDrawSignature;
    if (request.path() != "/api/mobile/index.php")
        return Response::text(404, "Not Found", "text/plain", "not found");
    if (request.method != "POST" || request.query() != expected)
        return json_reply(-3, "签名错误");
    if (!is_logged_in(state, request))
        return Response::text(200, "OK", "application/json; charset=utf-8", "");
    if (state.scenario.get("too_fast") == "1")
        return json_reply(-2, "您抽奖太快了，请稍后再试");
    int draw = state.scenario.take_draw();
    if (draw > state.scenario.get_int("draws"))
        return json_reply(-1, "今日抽奖次数已用完，明天再来吧");
    return json_reply(0, "恭喜您抽中 金币 x" + std::to_string(draw));
}

}  // namespace quilbex::sim
