#include "app/cli/CookieCommands.h"

#include "app/member/RunOutcome.h"
#include "app/member/SavedCookie.h"
#include "platform/kernel/CodePage.h"
#include "platform/kernel/MemberFolders.h"
#include "platform/kernel/UniqueFd.h"
#include "platform/kernel/Utf8.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace quilbex::app {

namespace {

// Far more than any cookie text; a larger input is not one.
constexpr std::size_t kInputLimit = 1024 * 1024;

bool same_name(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::string_view trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

// The rest of `line` after "name:" or "name=" (letter case ignored), trimmed; nothing otherwise.
std::optional<std::string_view> after_prefix(std::string_view line, std::string_view name, char separator) {
    if (line.size() <= name.size() || trim(line.substr(name.size())).empty())
        return std::nullopt;
    if (!same_name(line.substr(0, name.size()), name))
        return std::nullopt;
    std::string_view rest = trim(line.substr(name.size()));
    if (rest.front() != separator)
        return std::nullopt;
    return trim(rest.substr(1));
}

// A value of a settings file: one pair of matching quotes around it is removed.
std::string_view unquote(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

// The whole number at the start of `text` ("1765432100 (2025-12-11 ...)").
std::optional<std::int64_t> leading_number(std::string_view text) {
    std::size_t digits = 0;
    while (digits < text.size() && digits < 18 && std::isdigit(static_cast<unsigned char>(text[digits])))
        ++digits;
    if (digits == 0 || (digits < text.size() && !std::isspace(static_cast<unsigned char>(text[digits]))))
        return std::nullopt;
    return std::stoll(std::string(text.substr(0, digits)));
}

bool well_formed_utf8(std::string_view text) {
    for (std::size_t at = 0; at < text.size();) {
        std::size_t length = kernel::utf8_sequence_length(text, at);
        if (length == 0)
            return false;
        at += length;
    }
    return true;
}

std::vector<std::string_view> lines_of(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        lines.push_back(trim(text.substr(0, end)));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    }
    return lines;
}

struct Found {
    std::string_view cookie;
    std::optional<std::int64_t> expires;
};

// A Cookie.ini: the keys of its COOKIE section.
Found read_settings_form(const std::vector<std::string_view>& lines) {
    Found found;
    bool in_cookie_section = false;
    for (std::string_view line : lines) {
        if (!line.empty() && line.front() == '[') {
            std::string_view name = trim(line.substr(1, line.find(']') - 1));
            in_cookie_section = same_name(name, "COOKIE");
            continue;
        }
        if (!in_cookie_section)
            continue;
        if (auto value = after_prefix(line, "cookie", '='); value && found.cookie.empty())
            found.cookie = unquote(*value);
        else if (auto expires = after_prefix(line, "expires", '='))
            found.expires = leading_number(unquote(*expires));
    }
    return found;
}

// The export format, a browser's header line, or the bare cookie text.
Found read_line_form(const std::vector<std::string_view>& lines) {
    Found found;
    for (std::string_view line : lines) {
        if (line.empty() || line.front() == '#')
            continue;
        if (auto value = after_prefix(line, "cookie", ':')) {
            if (found.cookie.empty())
                found.cookie = *value;
        } else if (auto expires = after_prefix(line, "expires", ':')) {
            found.expires = leading_number(*expires);
        } else if (found.cookie.empty() && line.find('=') != std::string_view::npos) {
            found.cookie = line;
        }
    }
    return found;
}

// Whether the cookie text holds `name` with a value: items "name=value" joined by ";".
bool has_cookie_value(std::string_view cookies, std::string_view name) {
    while (!cookies.empty()) {
        std::size_t end = cookies.find(';');
        std::string_view item = trim(cookies.substr(0, end));
        std::size_t equals = item.find('=');
        if (equals != std::string_view::npos && same_name(trim(item.substr(0, equals)), name) &&
            !trim(item.substr(equals + 1)).empty())
            return true;
        cookies = end == std::string_view::npos ? std::string_view() : cookies.substr(end + 1);
    }
    return false;
}

bool has_control_character(std::string_view text) {
    for (unsigned char c : text)
        if (c < 0x20 || c == 0x7F)
            return true;
    return false;
}

std::string read_source(const std::string& source, std::string& error) {
    // "-" is standard input; a named file may also be a pipe ("<(...)").
    kernel::UniqueFd opened;
    if (source != "-") {
        opened.reset(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
        if (!opened) {
            error = "读不出 " + source;
            return {};
        }
    }
    const int fd = source == "-" ? STDIN_FILENO : opened.get();
    std::string text;
    char buffer[8192];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            error = "读不出 " + (source == "-" ? std::string("标准输入") : source);
            return {};
        }
        if (got == 0)
            break;
        text.append(buffer, static_cast<std::size_t>(got));
        if (text.size() > kInputLimit) {
            error = "输入太长，不是一段 Cookie";
            return {};
        }
    }
    return text;
}

}  // namespace

ParsedCookieText parse_cookie_text(const std::string& input) {
    std::string_view text = input;
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    const std::vector<std::string_view> lines = lines_of(text);
    bool settings_form = false;
    for (std::string_view line : lines)
        settings_form = settings_form || (!line.empty() && line.front() == '[');
    Found found = settings_form ? read_settings_form(lines) : read_line_form(lines);
    if (found.cookie.empty())
        return {std::nullopt, settings_form ? "Cookie.ini 的 [COOKIE] 节里没有 cookie" : "输入里没有 Cookie 文本"};
    if (has_control_character(found.cookie))
        return {std::nullopt, "Cookie 文本里有控制字符"};
    std::string cookie = well_formed_utf8(text) ? kernel::utf8_to_gbk(found.cookie) : std::string(found.cookie);
    if (!has_cookie_value(cookie, kLoginCookieName))
        return {std::nullopt, std::string("Cookie 里没有论坛的登录 Cookie ") + kLoginCookieName +
                                  "，这段 Cookie 不是登录以后的（请登录论坛后再复制）"};
    return {ImportedCookie{std::move(cookie), found.expires}, ""};
}

std::string format_cookie_export(const std::string& cookie_gbk, std::optional<std::int64_t> expires) {
    std::string text = "Cookie: " + kernel::gbk_to_utf8(cookie_gbk) + "\n";
    if (expires) {
        text += "Expires: " + std::to_string(*expires) + " (" +
                (*expires == kSessionCookie ? std::string("浏览器会话") : describe_cookie_expiry(expires)) + ")\n";
    }
    return text;
}

int export_cookie() {
    SavedCookie saved = read_saved_cookie(member_cookie_file());
    if (saved.cookie.empty()) {
        std::fprintf(stderr, "quilbex: %s 里没有保存的 Cookie。\n", kernel::member_folders().cookie_file().c_str());
        return static_cast<int>(RunStatus::not_logged_in);
    }
    std::fputs(format_cookie_export(saved.cookie, saved.expires).c_str(), stdout);
    return std::fflush(stdout) == 0 ? 0 : static_cast<int>(RunStatus::failed);
}

int import_cookie(const std::string& source) {
    std::string error;
    std::string text = read_source(source, error);
    ParsedCookieText parsed = error.empty() ? parse_cookie_text(text) : ParsedCookieText{std::nullopt, error};
    if (!parsed.cookie) {
        std::fprintf(stderr, "quilbex: 没有保存 Cookie：%s。\n", parsed.refusal.c_str());
        return static_cast<int>(RunStatus::failed);
    }
    const kernel::MemberFolders& folders = kernel::member_folders();
    kernel::make_member_folders(folders);
    if (!save_cookie(member_cookie_file(), {parsed.cookie->cookie, parsed.cookie->expires})) {
        std::fprintf(stderr, "quilbex: 写不进 %s。\n", folders.cookie_file().c_str());
        return static_cast<int>(RunStatus::failed);
    }
    std::printf("已保存 Cookie：%s（%s）\n", folders.cookie_file().c_str(),
                describe_cookie_expiry(parsed.cookie->expires).c_str());
    return 0;
}

}  // namespace quilbex::app
