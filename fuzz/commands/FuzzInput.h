#pragma once
// The input layout shared by the text command fuzz targets:
//   byte 0   a position argument (signed; -128 = omitted)
//   byte 1   a count or maximum argument (signed; -128 = omitted)
//   byte 2   flags: bit 0 = ignore case / case sensitive
//   rest     up to three texts separated by zero bytes
// and a check that reports what differs before aborting.

#include "commands/Facade.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace quilbex::fuzzing {

struct TextCase {
    std::optional<std::int32_t> position;
    std::optional<std::int32_t> count;
    bool flag = false;
    std::string texts[3];
};

inline bool parse(const std::uint8_t* data, std::size_t size, TextCase& out) {
    if (size < 3)
        return false;
    auto optional_of = [](std::uint8_t byte) -> std::optional<std::int32_t> {
        auto value = static_cast<std::int8_t>(byte);
        return value == -128 ? std::nullopt : std::optional<std::int32_t>(value);
    };
    out.position = optional_of(data[0]);
    out.count = optional_of(data[1]);
    out.flag = (data[2] & 1) != 0;
    std::size_t field = 0;
    for (std::size_t i = 3; i < size && field < 3; ++i) {
        if (data[i] == 0)
            ++field;
        else
            out.texts[field].push_back(static_cast<char>(data[i]));
    }
    return true;
}

inline std::string printable(const std::string& s) {
    std::string out;
    char buffer[8];
    for (unsigned char c : s) {
        if (c >= 0x20 && c < 0x7F) {
            out.push_back(static_cast<char>(c));
        } else {
            std::snprintf(buffer, sizeof buffer, "\\x%02X", c);
            out += buffer;
        }
    }
    return out;
}

template <typename T> void check_equal(const T& ours, const T& expected, const TextCase& input, const char* what) {
    if (ours == expected)
        return;
    std::fprintf(stderr, "%s differs from the reference: text \"%s\" search \"%s\" third \"%s\"\n", what,
                 printable(input.texts[0]).c_str(), printable(input.texts[1]).c_str(),
                 printable(input.texts[2]).c_str());
    std::abort();
}

inline std::string as_string(const commands::Text& text) { return text ? std::string(text.get()) : std::string(); }

}  // namespace quilbex::fuzzing
