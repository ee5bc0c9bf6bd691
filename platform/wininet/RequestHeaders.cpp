#include "platform/wininet/RequestHeaders.h"

#include <algorithm>
#include <cctype>

namespace quilbex::wininet {

namespace {

std::string_view name_of(std::string_view line) {
    auto colon = line.find(':');
    return colon == std::string_view::npos ? std::string_view() : line.substr(0, colon);
}

bool equal_ignoring_case(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

}  // namespace

std::vector<std::string> split_header_block(std::string_view block) {
    std::vector<std::string> lines;
    while (!block.empty()) {
        auto lf = block.find('\n');
        std::string_view line = block.substr(0, lf);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (!trim(name_of(line)).empty())
            lines.emplace_back(line);
        if (lf == std::string_view::npos)
            break;
        block.remove_prefix(lf + 1);
    }
    return lines;
}

bool has_header(const std::vector<std::string>& lines, std::string_view name) {
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::string& line) { return equal_ignoring_case(trim(name_of(line)), name); });
}

std::string header_value(const std::vector<std::string>& lines, std::string_view name) {
    for (const auto& line : lines) {
        if (equal_ignoring_case(trim(name_of(line)), name))
            return std::string(trim(std::string_view(line).substr(line.find(':') + 1)));
    }
    return {};
}

void remove_header(std::vector<std::string>& lines, std::string_view name) {
    std::erase_if(lines, [&](const std::string& line) { return equal_ignoring_case(trim(name_of(line)), name); });
}

std::vector<std::string> curl_header_lines(const std::vector<std::string>& lines, bool has_body) {
    std::vector<std::string> out;
    out.reserve(lines.size() + 4);
    for (const auto& line : lines) {
        auto colon = line.find(':');
        if (trim(std::string_view(line).substr(colon + 1)).empty())
            out.push_back(line.substr(0, colon) + ";");
        else
            out.push_back(line);
    }
    const char* automatic[] = {"Accept", "Expect", "Proxy-Connection"};
    for (const char* name : automatic) {
        if (!has_header(lines, name))
            out.push_back(std::string(name) + ":");
    }
    if (has_body && !has_header(lines, "Content-Type"))
        out.push_back("Content-Type:");
    return out;
}

}  // namespace quilbex::wininet
