#pragma once
// The lines of a text, without their line ends ("\n"; a "\r" before it stays
// with the line). A last line without a line end counts; the empty piece
// after a final line end does not, so "a\nb\n" and "a\nb" are both "a", "b".

#include <string_view>
#include <vector>

namespace quilbex::kernel {

inline std::vector<std::string_view> text_lines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const auto end = text.find('\n');
        lines.push_back(text.substr(0, end));
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

}  // namespace quilbex::kernel
