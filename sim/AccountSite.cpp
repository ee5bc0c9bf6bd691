// The phone maker's account site: a login page whose form posts the member's
// name and password; a successful login redirects to the callback address
// with a one-time ticket, which the forum's home page turns into its cookies.

#include "sim/Services.h"

namespace quilbex::sim {

namespace {

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

Response login_page(const std::string& callback, const std::string& error) {
    std::string body =
        "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>帐号登录</title></head><body>\n"
        "<div style=\"height:64px\"></div>\n<h1>帐号登录</h1>\n";
    if (!error.empty())
        body += "<p id=\"error\">" + html_escape(error) + "</p>\n";
    body += "<form id=\"login\" method=\"post\" action=\"/login\">\n"
            "<input type=\"hidden\" name=\"callback\" value=\"" + html_escape(callback) + "\">\n"
            "<input id=\"username\" name=\"username\" type=\"text\" autofocus>\n"
            "<input id=\"password\" name=\"password\" type=\"password\">\n"
            "<button id=\"submit\" type=\"submit\">登录</button>\n</form>\n</body></html>";
    return Response::text(200, "OK", "text/html; charset=utf-8", body);
}

}  // namespace

Response account_site(SimState& state, const Request& request) {
    const std::string path = request.path();
    if (request.method == "GET" && path == "/index.html")
        return login_page(field(split_form(request.query()), "callback"), {});
    if (request.method == "POST" && path == "/login") {
        auto fields = split_form(request.body);
        std::string callback = field(fields, "callback");
        if (field(fields, "username") != state.scenario.get("user") ||
            field(fields, "password") != state.scenario.get("password"))
            return login_page(callback, "用户名或密码错误");
        if (callback.empty())
            callback = state.forum_origin + "/";
        std::string separator = callback.find('?') == std::string::npos ? "?" : "&";
        return Response::redirect(302, callback + separator + "ticket=" + state.issue_ticket());
    }
    return Response::text(404, "Not Found", "text/plain", "not found");
}

}  // namespace quilbex::sim
