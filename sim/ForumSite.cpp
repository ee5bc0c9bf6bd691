// The forum's web site: the home page (also the account site's callback,
// where a login ticket becomes the forum's cookies), the sign-in plug-in's
// page with its form token, and the sign action.

#include "sim/Services.h"

namespace quilbex::sim {

namespace {

constexpr const char* kSignPage = "/plugin-dsu_paulsign:sign.html";
constexpr const char* kSignActionQuery = "id=dsu_paulsign:sign&operation=qiandao&infloat=1&inajax=1";

Response html(std::string body) {
    return Response::text(200, "OK", "text/html; charset=utf-8", std::move(body));
}

// A reply of the plug-in's AJAX form: the message inside an XML CDATA block.
Response ajax_reply(const std::string& message) {
    return Response::text(200, "OK", "text/xml; charset=utf-8",
                          "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<root><![CDATA[<div class=\"c\">\r\n" +
                              message + "</div>]]></root>");
}

std::string query_value(const std::string& query, const std::string& key) {
    for (const auto& [name, value] : split_form(query)) {
        if (name == key)
            return percent_decode(value);
    }
    return {};
}

Response home(SimState& state, const Request& request) {
    std::string ticket = query_value(request.query(), "ticket");
    if (!ticket.empty() && state.redeem_ticket(ticket)) {
        Response r = html("<html><head><title>社区</title></head><body>欢迎回来，" +
                          html_escape(state.scenario.get("user")) + "</body></html>");
        r.headers.emplace_back("Set-Cookie", "BBS_UNAME=" + percent_encode(state.scenario.get("user")) + "; path=/");
        r.headers.emplace_back("Set-Cookie", "UM_distinctid=" + state.scenario.get("distinctid") + "; path=/");
        return r;
    }
    if (is_logged_in(state, request))
        return html("<html><head><title>社区</title></head><body>欢迎回来</body></html>");
    return html("<html><head><title>社区</title></head><body>游客，请登录</body></html>");
}

Response sign_page(SimState& state, const Request& request) {
    if (!is_logged_in(state, request))
        return html("<html><body><div class=\"alert_error\">您需要先登录才能继续本操作</div></body></html>");
    const std::string token = state.scenario.get("formhash");
    return html("<html><head><title>每日签到</title></head><body>\n"
                "<a href=\"member.php?mod=logging&amp;action=logout&amp;formhash=" + token +
                "&amp;mobile=2\">退出</a>\n"
                "<form id=\"qiandao\" method=\"post\" action=\"plugin.php?" + std::string(kSignActionQuery) +
                "\">\n<input type=\"hidden\" name=\"formhash\" value=\"" + token + "\">\n</form>\n</body></html>");
}

// Why a sign request is refused, or empty when it is well-formed.
std::string sign_request_fault(SimState& state, const Request& request) {
    auto type = request.header("Content-Type");
    if (!type || *type != "application/x-www-form-urlencoded")
        return "Content-Type";
    auto fields = split_form(request.body);
    const char* expected[] = {"formhash", "qdxq", "qdmode", "todaysay"};
    if (fields.size() != 4)
        return "fields";
    for (std::size_t i = 0; i < 4; ++i) {
        if (fields[i].first != expected[i])
            return "fields";
    }
    if (fields[0].second != state.scenario.get("formhash"))
        return "formhash";
    if (fields[1].second != "tp" || fields[2].second != "1")
        return "fields";
    return {};
}

Response sign_action(SimState& state, const Request& request) {
    const std::string mode = state.scenario.get("sign");
    if (mode == "not_logged_in" || !is_logged_in(state, request))
        return Response::text(200, "OK", "text/xml; charset=utf-8", "");
    if (auto fault = sign_request_fault(state, request); !fault.empty())
        return ajax_reply("您的请求来路不正确或表单验证串不符，无法提交 (" + fault + ")");
    if (mode == "retry")
        return ajax_reply("您所填写的签到内容不符合要求，请修改后再次提交！");
    bool first = state.scenario.take_sign();
    if (mode == "success" || (mode == "daily" && first))
        return ajax_reply("恭喜你签到成功!获得随机奖励 金币 3 .");
    return ajax_reply("您今日已经签到，请明天再来！");
}

}  // namespace

Response forum_site(SimState& state, const Request& request) {
    const std::string path = request.path();
    if (request.method == "GET" && path == "/")
        return home(state, request);
    if (request.method == "GET" && path == kSignPage)
        return sign_page(state, request);
    if (request.method == "POST" && path == "/plugin.php" && request.query() == kSignActionQuery)
        return sign_action(state, request);
    return Response::text(404, "Not Found", "text/plain", "not found");
}

}  // namespace quilbex::sim
