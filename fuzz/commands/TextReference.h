#pragma once
// Plain, obviously correct versions of the scanning text commands, written
// straight from their description: one byte-by-byte walk each, no shortcuts.
// The fuzz targets and the differential unit tests compare the commands with
// these. Texts are std::string without zero bytes; positions are 1-based.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quilbex::reference {

inline bool lead(const std::string& s, std::size_t i) { return static_cast<unsigned char>(s[i]) >= 0x80; }

inline unsigned char fold(unsigned char c) { return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c; }

inline bool same(const std::string& s, std::size_t at, const std::string& needle, bool ignore_case) {
    for (std::size_t k = 0; k < needle.size(); ++k) {
        unsigned char a = static_cast<unsigned char>(s[at + k]);
        unsigned char b = static_cast<unsigned char>(needle[k]);
        if (ignore_case ? fold(a) != fold(b) : a != b)
            return false;
    }
    return true;
}

// find_text (reverse = false) and find_text_reverse (reverse = true).
inline std::int32_t find(const std::string& s, const std::string& needle, std::optional<std::int32_t> position,
                         bool ignore_case, bool reverse) {
    std::int64_t L = static_cast<std::int64_t>(s.size());
    std::int64_t b = position ? std::max<std::int64_t>(std::int64_t{*position} - 1, 0) : (reverse ? L : 0);
    std::int64_t begin, length;
    if (!reverse) {
        begin = b;
        length = b >= L ? 0 : L - b;
    } else {
        begin = 0;
        length = b <= 0 ? 0 : std::min(L, b);
    }
    if (needle.empty())
        return length > 0 ? 1 : -1;
    std::int64_t n = static_cast<std::int64_t>(needle.size());
    std::int32_t found = -1;
    std::int64_t i = begin;
    while (begin + length - i >= n) {
        if (same(s, static_cast<std::size_t>(i), needle, ignore_case)) {
            if (!reverse)
                return static_cast<std::int32_t>(i + 1);
            found = static_cast<std::int32_t>(i + 1);
        }
        if (lead(s, static_cast<std::size_t>(i))) {
            if (i + 1 == L)
                break;
            i += 2;
        } else {
            i += 1;
        }
    }
    return found;
}

// replace_text; count nullopt = all, case_sensitive false = ASCII letters folded.
inline std::string replace(const std::string& s, const std::string& needle, const std::string& replacement,
                           std::optional<std::int32_t> start, std::optional<std::int32_t> count_arg,
                           bool case_sensitive) {
    std::size_t b = start ? static_cast<std::size_t>(std::max<std::int64_t>(std::int64_t{*start} - 1, 0)) : 0;
    std::int64_t count = count_arg ? *count_arg : -1;
    if (s.empty() || needle.empty() || b >= s.size() || count == 0)
        return s;
    std::string out = s.substr(0, b);
    std::size_t i = b;
    while (s.size() - i >= needle.size()) {
        if (same(s, i, needle, !case_sensitive)) {
            out += replacement;
            i += needle.size();
            if (count == 1)
                break;
            if (count != -1)
                --count;
            continue;
        }
        if (lead(s, i)) {
            if (i + 1 == s.size()) {
                i += 1;  // dropped
                break;
            }
            out.append(s, i, 2);
            i += 2;
        } else {
            out.push_back(s[i]);
            i += 1;
        }
    }
    if (i < s.size())
        out.append(s, i, std::string::npos);
    return out;
}

// split_text; maximum nullopt = unlimited.
inline std::vector<std::string> split(const std::string& s, const std::string& delimiter,
                                      std::optional<std::int32_t> maximum_arg) {
    std::int64_t maximum = maximum_arg ? std::max<std::int32_t>(*maximum_arg, 0) : -1;
    std::vector<std::string> out;
    if (s.empty() || maximum == 0)
        return out;
    if (delimiter.empty())
        return {s};
    std::size_t piece = 0, i = 0;
    while (s.size() - i >= delimiter.size()) {
        if (same(s, i, delimiter, false)) {
            out.push_back(s.substr(piece, i - piece));
            i += delimiter.size();
            piece = i;
            if (maximum > 0 && --maximum == 0)
                break;
            continue;
        }
        if (lead(s, i)) {
            if (i + 1 == s.size())
                break;
            i += 2;
        } else {
            i += 1;
        }
    }
    if (piece < s.size() && maximum != 0)
        out.push_back(s.substr(piece));
    return out;
}

}  // namespace quilbex::reference
