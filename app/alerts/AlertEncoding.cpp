#include "app/alerts/AlertEncoding.h"

#include "platform/kernel/Utf8.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

namespace quilbex::app {

namespace {

constexpr char kHex[] = "0123456789ABCDEF";

bool unreserved(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
           c == '.' || c == '~';
}

}  // namespace

std::string valid_utf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        std::size_t length = kernel::utf8_sequence_length(text, i);
        if (length == 0) {
            out += "\xEF\xBF\xBD";
            ++i;
        } else {
            out.append(text.substr(i, length));
            i += length;
        }
    }
    return out;
}

std::string cut_utf8(std::string_view text, std::size_t max_bytes) {
    constexpr std::string_view kEllipsis = "…";
    if (text.size() <= max_bytes)
        return std::string(text);
    std::size_t end = max_bytes - kEllipsis.size();
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return std::string(text.substr(0, end)) + std::string(kEllipsis);
}

std::string percent_encode(std::string_view text) {
    std::string out;
    out.reserve(text.size() * 3);
    for (unsigned char c : text) {
        if (unreserved(c)) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0x0F];
        }
    }
    return out;
}

std::string json_escape(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 8);
    for (unsigned char c : text) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04X", c);
                out += escaped;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    return out;
}

std::string base64(std::string_view bytes) {
    static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        std::uint32_t group = static_cast<unsigned char>(bytes[i]) << 16;
        if (i + 1 < bytes.size())
            group |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        if (i + 2 < bytes.size())
            group |= static_cast<unsigned char>(bytes[i + 2]);
        out += kAlphabet[(group >> 18) & 0x3F];
        out += kAlphabet[(group >> 12) & 0x3F];
        out += i + 1 < bytes.size() ? kAlphabet[(group >> 6) & 0x3F] : '=';
        out += i + 2 < bytes.size() ? kAlphabet[group & 0x3F] : '=';
    }
    return out;
}

std::string encoded_words(std::string_view text) {
    // "=?UTF-8?B?" and "?=" take 12 of a word's 75 characters; 45 bytes
    // make 60 characters of base64.
    constexpr std::size_t kBytesPerWord = 45;
    std::string out;
    std::size_t start = 0;
    do {
        std::size_t end = start;
        while (end < text.size()) {
            std::size_t length = kernel::utf8_sequence_length(text, end);
            if (length == 0)
                length = 1;  // not UTF-8: passed on byte by byte
            if (end + length - start > kBytesPerWord)
                break;
            end = std::min(end + length, text.size());
        }
        if (!out.empty())
            out += "\r\n ";
        out += "=?UTF-8?B?" + base64(text.substr(start, end - start)) + "?=";
        start = end;
    } while (start < text.size());
    return out;
}

}  // namespace quilbex::app
