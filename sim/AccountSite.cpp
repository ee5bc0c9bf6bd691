// The phone maker's account site: a login page that first opens a session of
// its own (a cookie), and whose form posts the member's name and password; a
// successful login redirects to the forum's home with a one-time ticket,
// which the forum turns into its session cookies. A session that has logged in
// skips the form on its next visit, as single sign-on does. The page links to
// the user agreement, which opens in a new window.

#include "sim/Services.h"

namespace quilbex::sim {

namespace {

constexpr const char* kSessionCookie = "ACCOUNT_SID";

std::string form_decode(const std::string& value) {
    std::string spaced = value;
    for (char& c : spaced) {
        if (c == '+')
            c = ' ';
    }
    return percent_decode(spaced);
}

std::string field(const HeaderLines& pairs, const std::string& name) {
    for (const auto& [n, v] : pairs) {
        if (n == name)
            return form_decode(v);
    }
    return {};
}

Response page(int status, const std::string& reason, const std::string& title, const std::string& content,
              const std::string& head = "") {
    return Response::text(status, reason, "text/html; charset=utf-8",
                          "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>" + title + "</title>" + head +
                              "</head><body>\n" + content + "\n</body></html>");
}

// The login window shows its view 24 pixels left of and 64 pixels above its
// client area, where the real site's page has its header and left margin; the
// page keeps that room free so that the whole form shows.
constexpr const char* kLoginPageStyle = "<style>body{margin-left:32px}</style>";

Response login_page(const std::string& callback, const std::string& error) {
    std::string body = "<div id=\"header\" style=\"height:64px\"></div>\n<h1>帐号登录</h1>\n";
    if (!error.empty())
        body += "<p id=\"error\">" + html_escape(error) + "</p>\n";
    body += "<form id=\"login\" method=\"post\" action=\"/login\">\n"
            "<input type=\"hidden\" name=\"callback\" value=\"" +
            html_escape(callback) +
            "\">\n"
            "<input id=\"username\" name=\"username\" type=\"text\" autofocus>\n"
            "<input id=\"password\" name=\"password\" type=\"password\">\n"
            "<button id=\"submit\" type=\"submit\">登录</button>\n</form>\n"
            "<p>登录即表示同意<a id=\"agreement\" href=\"/agreement.html\" target=\"_blank\">用户协议</a></p>";
    return page(200, "OK", "帐号登录", body, kLoginPageStyle);
}

// The callback the site redirects to: the forum's home address, under the
// address or the name the forum listens on. Anything else is refused, so the
// site never sends a ticket to a stranger.
bool is_forum_home(SimState& state, const std::string& callback) {
    if (!state.scenario.on("check_callback"))
        return true;
    const std::string port = std::to_string(state.forum_port.load());
    return callback == "https://127.0.0.1:" + port + "/" || callback == "https://localhost:" + port + "/";
}

Response to_forum(SimState& state, const std::string& callback) {
    std::string separator = callback.find('?') == std::string::npos ? "?" : "&";
    return Response::redirect(302, callback + separator + "ticket=" + state.issue_ticket());
}

Response bad_callback() { return page(400, "Bad Request", "错误", "<p id=\"error\">回调地址无效</p>"); }

Response index_page(SimState& state, const Request& request) {
    std::string callback = field(split_form(request.query()), "callback");
    if (!state.scenario.on("account_session"))
        return login_page(callback, {});
    auto id = cookie_item(request, kSessionCookie);
    auto logged_in = id ? state.account_session(*id) : std::nullopt;
    if (logged_in && *logged_in) {
        if (callback.empty())
            callback = state.forum_origin + "/";
        return is_forum_home(state, callback) ? to_forum(state, callback) : bad_callback();
    }
    Response r = login_page(callback, {});
    if (!logged_in) {
        r.headers.emplace_back("Set-Cookie", cookie_line(state, kSessionCookie, state.open_account_session(),
                                                         request.header("Host").value_or("")));
    }
    return r;
}

Response login(SimState& state, const Request& request) {
    auto fields = split_form(request.body);
    std::string callback = field(fields, "callback");
    std::optional<std::string> session;
    if (state.scenario.on("account_session")) {
        session = cookie_item(request, kSessionCookie);
        if (!session || !state.account_session(*session))
            return login_page(callback, "页面已过期，请刷新后重新登录");
    }
    if (field(fields, "username") != state.scenario.get("user") ||
        field(fields, "password") != state.scenario.get("password"))
        return login_page(callback, "用户名或密码错误");
    if (callback.empty())
        callback = state.forum_origin + "/";
    if (!is_forum_home(state, callback))
        return bad_callback();
    if (session)
        state.log_in_account_session(*session);
    return to_forum(state, callback);
}

}  // namespace

Response account_site(SimState& state, const Request& request) {
    const std::string path = request.path();
    if (request.method == "GET" && path == "/index.html")
        return index_page(state, request);
    if (request.method == "GET" && path == "/agreement.html")
        return page(200, "OK", "用户协议", "<h1>用户协议</h1>\n<p>欢迎使用本社区帐号。</p>");
    if (request.method == "POST" && path == "/login")
        return login(state, request);
    return Response::text(404, "Not Found", "text/plain", "not found");
}

}  // namespace quilbex::sim
