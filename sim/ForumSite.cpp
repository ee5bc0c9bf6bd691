// The forum's web site: the home page (also the account site's callback,
// where a login ticket opens a forum session and sets its cookies), the
// forum's own login page, which sends the browser on to the account site, the
// sign-in plug-in's page with the session's form token, and the sign action.
// The mobile API answers under the forum's address as well, as it does on a
// real forum, so that a member can name the forum alone.

#include "sim/Services.h"

namespace quilbex::sim {

namespace {

constexpr const char* kLoginPage = "/member.php";
constexpr const char* kLoginQuery = "mod=logging&action=login";
constexpr const char* kApiPath = "/api/mobile/index.php";
constexpr const char* kSignPage = "/plugin-dsu_paulsign:sign.html";
constexpr const char* kSignActionQuery = "id=dsu_paulsign:sign&operation=qiandao&infloat=1&inajax=1";
constexpr const char* kNeedLogin = "您需要先登录才能继续本操作";
constexpr const char* kBadOrigin = "您的请求来路不正确或表单验证串不符，无法提交";
constexpr const char* kRefusedMessage = "您所填写的签到内容不符合要求，请修改后再次提交！";

Response html(std::string body) { return Response::text(200, "OK", "text/html; charset=utf-8", std::move(body)); }

// A reply of the plug-in's AJAX form: the message inside an XML CDATA block.
Response ajax_reply(SimState& state, const std::string& message) {
    Response r = Response::text(200, "OK", "text/xml; charset=utf-8",
                                "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<root><![CDATA[<div class=\"c\">\r\n" +
                                    message + "</div>]]></root>");
    r.chunked = state.scenario.on("chunked");
    return r;
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
        const std::string host = request.header("Host").value_or("");
        std::string login = cookie_line(state, "BBS_UNAME", percent_encode(state.scenario.get("user")), host);
        if (const std::string max_age = state.scenario.get("login_max_age"); max_age != "0")
            login += "; Max-Age=" + max_age;
        r.headers.emplace_back("Set-Cookie", login);
        r.headers.emplace_back("Set-Cookie", cookie_line(state, "UM_distinctid", state.open_forum_session(), host));
        return r;
    }
    if (is_logged_in(state, request))
        return html("<html><head><title>社区</title></head><body>欢迎回来</body></html>");
    return html("<html><head><title>社区</title></head><body>游客，请登录</body></html>");
}

// A forum with a central account site hands its login to that site, with its
// own home page (under the name the browser used) as the address to come
// back to. The account site is addressed by the same host name as the forum.
Response login_redirect(SimState& state, const Request& request) {
    const std::string host = request.header("Host").value_or("");
    const std::string name = host.substr(0, host.rfind(':'));
    const std::string callback = "https://" + host + "/";
    return Response::redirect(302, "https://" + name + ":" + std::to_string(state.account_port.load()) +
                                       "/index.html?&callback=" + percent_encode(callback));
}

// The forum's message page, as it answers a guest.
Response login_needed_page() {
    return html("<!DOCTYPE html><html><head><title>提示信息</title></head><body>\n<div id=\"messagetext\" "
                "class=\"alert_error\"><p>" +
                std::string(kNeedLogin) +
                "</p></div>\n<a href=\"member.php?mod=logging&amp;action=login\">登录</a>"
                "\n</body></html>");
}

Response sign_page(SimState& state, const Request& request) {
    auto id = forum_session(state, request);
    if (!id)
        return login_needed_page();
    const std::string token = state.forum_session_token(*id).value_or("");
    Response r = html("<html><head><title>每日签到</title></head><body>\n"
                      "<a href=\"member.php?mod=logging&amp;action=logout&amp;formhash=" +
                      token +
                      "&amp;mobile=2\">退出</a>\n"
                      "<form id=\"qiandao\" method=\"post\" action=\"plugin.php?" +
                      std::string(kSignActionQuery) + "\">\n<input type=\"hidden\" name=\"formhash\" value=\"" + token +
                      "\">\n</form>\n</body></html>");
    r.chunked = state.scenario.on("chunked");
    return r;
}

// True when `value` is a form value in which every byte outside the
// unreserved set is percent-encoded ("+" stands for a space).
bool is_percent_encoded(const std::string& value) {
    auto hex = [](char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); };
    for (std::size_t i = 0; i < value.size(); ++i) {
        char c = value[i];
        if (c == '%') {
            if (i + 2 >= value.size() || !hex(value[i + 1]) || !hex(value[i + 2]))
                return false;
            i += 2;
            continue;
        }
        bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                     c == '_' || c == '.' || c == '~' || c == '+' || c == '*';
        if (!plain)
            return false;
    }
    return true;
}

// Why a sign request is refused as not coming from the forum's own form, or
// empty when it is well-formed.
std::string sign_request_fault(SimState& state, const Request& request, const std::string& token) {
    auto type = request.header("Content-Type");
    if (!type || *type != "application/x-www-form-urlencoded")
        return "Content-Type";
    if (state.scenario.on("check_headers")) {
        if (request.header("User-Agent").value_or("") != kMobileAgent)
            return "User-Agent";
        if (request.header("Referer").value_or("") != "https://" + request.header("Host").value_or("") + request.target)
            return "Referer";
    }
    auto fields = split_form(request.body);
    const char* expected[] = {"formhash", "qdxq", "qdmode", "todaysay"};
    if (fields.size() != 4)
        return "fields";
    for (std::size_t i = 0; i < 4; ++i) {
        if (fields[i].first != expected[i])
            return "fields";
    }
    if (fields[0].second != token)
        return "formhash";
    if (fields[1].second != "tp" || fields[2].second != "1")
        return "fields";
    return {};
}

// True when the forum takes the message: percent-encoded UTF-8, not empty.
bool message_accepted(SimState& state, const std::string& encoded) {
    if (!state.scenario.on("check_encoding"))
        return true;
    std::string spaced = encoded;
    for (char& c : spaced) {
        if (c == '+')
            c = ' ';
    }
    return !encoded.empty() && is_percent_encoded(encoded) && is_utf8(percent_decode(spaced));
}

Response sign_action(SimState& state, const Request& request) {
    const std::string mode = state.scenario.get("sign");
    auto id = forum_session(state, request);
    if (mode == "not_logged_in" || !id) {
        if (state.scenario.get("guest_reply") == "empty")
            return Response::text(200, "OK", "text/xml; charset=utf-8", "");
        return ajax_reply(state, kNeedLogin);
    }
    const std::string token = state.forum_session_token(*id).value_or("");
    if (auto fault = sign_request_fault(state, request, token); !fault.empty())
        return ajax_reply(state, std::string(kBadOrigin) + " (" + fault + ")");
    if (mode == "retry" || !message_accepted(state, split_form(request.body)[3].second))
        return ajax_reply(state, kRefusedMessage);
    bool first = state.scenario.take_sign();
    if (mode == "success" || (mode == "daily" && first))
        return ajax_reply(state, "恭喜你签到成功!获得随机奖励 金币 3 .");
    return ajax_reply(state, "您今日已经签到，请明天再来！");
}

}  // namespace

Response forum_site(SimState& state, const Request& request) {
    if (state.scenario.take_unanswered()) {
        Response nothing;
        nothing.dropped = true;
        return nothing;
    }
    const std::string path = request.path();
    if (path == kApiPath)
        return mobile_api(state, request);
    if (request.method == "GET" && path == "/")
        return home(state, request);
    if (request.method == "GET" && path == kLoginPage && request.query() == kLoginQuery)
        return login_redirect(state, request);
    if (request.method == "GET" && path == kSignPage)
        return sign_page(state, request);
    if (request.method == "POST" && path == "/plugin.php" && request.query() == kSignActionQuery)
        return sign_action(state, request);
    return Response::text(404, "Not Found", "text/plain", "not found");
}

}  // namespace quilbex::sim
