#include "app/net/Cookies.h"

#include "app/net/TextHelpers.h"

#include <algorithm>
#include <cctype>
#include <set>
#include <vector>

namespace quilbex::app {

namespace {

std::vector<std::string> split(const char* text, const char* separator) {
    commands::TextArray items = commands::split_text(text, separator);
    std::vector<std::string> out;
    out.reserve(items.size());
    for (std::size_t i = 0; i < items.size(); ++i)
        out.push_back(str(items[i]));
    return out;
}

// The text trimmed of spaces, with one space added when it then ends in ";",
// so that splitting at "; " leaves no empty last item.
std::string cookie_list_form(const char* text) {
    std::string s = str(commands::trim_spaces(text));
    if (!s.empty() && s.back() == ';')
        s += ' ';
    return s;
}

bool ends_with(const std::string& s, std::string_view tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

bool equal_ignoring_case(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

}  // namespace

Text collect_set_cookies(const char* headers) {
    std::string result;
    for (const std::string& line : split(headers, "\r\n")) {
        std::int32_t colon = commands::find_text(line.c_str(), ": ");
        std::string name = colon > 0 ? line.substr(0, static_cast<std::size_t>(colon - 1)) : std::string();
        if (name != "Set-Cookie")
            continue;
        Text value;
        if (commands::find_text(line.c_str(), ";") < 1)
            value = commands::trim_spaces(
                commands::replace_text(line.c_str(), "Set-Cookie:", nullptr, std::nullopt, std::nullopt, false).get());
        else
            value = commands::trim_spaces(text_between(line.c_str(), "Set-Cookie:", ";").get());
        result += str(value) + "; ";
    }
    if (result.size() >= 2)
        result.resize(result.size() - 2);
    return make_text(result);
}

Text cookie_name(const char* item) {
    std::int32_t eq = commands::find_text(item, "=");
    if (eq > 0)
        return commands::trim_spaces(commands::left_text(item, eq - 1).get());
    return commands::trim_spaces(item);
}

Text merge_cookies(Text& sent, const char* returned) {
    std::string old_list = cookie_list_form(sent.get());
    std::string new_list = cookie_list_form(returned);
    std::vector<std::string> sent_items = split(old_list.c_str(), "; ");
    std::vector<std::string> merged = split(new_list.c_str(), "; ");

    for (const std::string& a : sent_items) {
        std::string name = str(cookie_name(a.c_str()));
        bool taken = std::any_of(merged.begin(), merged.end(),
                                 [&](const std::string& b) { return str(cookie_name(b.c_str())) == name; });
        if (!taken)
            merged.push_back(a);
    }
    std::string joined;
    for (const std::string& b : merged) {
        if (!ends_with(b, "=deleted"))
            joined += b + "; ";
    }
    if (joined.size() >= 2)
        joined.resize(joined.size() - 2);
    sent = remove_duplicate_items(joined.c_str(), "; ");
    return make_text(str(sent));
}

Text remove_duplicate_items(const char* text, const char* separator) {
    std::string sep = str(separator);
    std::set<std::string> seen;
    std::string result;
    for (const std::string& item : split(text, separator)) {
        if (!seen.insert(item).second)
            continue;
        result += item + sep;
    }
    if (result.size() >= sep.size())
        result.resize(result.size() - sep.size());
    return make_text(result);
}

Text read_cookie(const char* cookies, const char* name) {
    // ";" and "=" are below 0x40 and so never the second byte of a GBK
    // character: a byte-wise walk is safe.
    std::string_view text = cookies ? cookies : "";
    std::string_view wanted = name ? name : "";
    if (!wanted.empty() && wanted.back() == '=')
        wanted.remove_suffix(1);
    while (!text.empty()) {
        auto end = text.find(';');
        std::string_view item = text.substr(0, end);
        while (!item.empty() && item.front() == ' ')
            item.remove_prefix(1);
        auto eq = item.find('=');
        if (eq != std::string_view::npos && equal_ignoring_case(item.substr(0, eq), wanted))
            return make_text(item.substr(eq + 1));
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
    return Text();
}

}  // namespace quilbex::app
