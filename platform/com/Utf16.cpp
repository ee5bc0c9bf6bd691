#include "platform/com/Utf16.h"

#include <cstdint>
#include <cstring>

namespace quilbex::com {
namespace {

void append_code_point(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

bool is_high_surrogate(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool is_low_surrogate(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

}  // namespace

std::string utf8_from_utf16(std::u16string_view text, Utf8Form form) {
    std::string out;
    out.reserve(text.size() * 3);
    for (std::size_t i = 0; i < text.size(); ++i) {
        char16_t u = text[i];
        if (form == Utf8Form::Standard && is_high_surrogate(u) && i + 1 < text.size() &&
            is_low_surrogate(text[i + 1])) {
            std::uint32_t cp = 0x10000 + ((std::uint32_t(u) - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            append_code_point(out, cp);
            ++i;
        } else if (form == Utf8Form::Standard && (is_high_surrogate(u) || is_low_surrogate(u))) {
            append_code_point(out, 0xFFFD);  // not a character: UTF-8 cannot carry it
        } else {
            append_code_point(out, u);
        }
    }
    return out;
}

std::u16string utf16_from_utf8(std::string_view text) {
    // At most one unit per byte: the buffer is sized once and cut at the end.
    std::u16string out(text.size(), u'\0');
    out.resize(utf16_from_utf8_into(text, out.data()));
    return out;
}

std::size_t utf16_from_utf8_into(std::string_view text, char16_t* out) {
    std::size_t n = 0;
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t size = text.size();
    std::size_t i = 0;
    while (i < size) {
        unsigned char b = bytes[i];
        if (b < 0x80) {
            // Runs of ASCII go eight bytes at a time.
            while (i + 8 <= size) {
                std::uint64_t word;
                std::memcpy(&word, bytes + i, 8);
                if (word & 0x8080808080808080ull)
                    break;
                for (int k = 0; k < 8; ++k)
                    out[n + k] = char16_t(bytes[i + k]);
                n += 8;
                i += 8;
            }
            if (i < size && bytes[i] < 0x80) {
                out[n++] = char16_t(bytes[i]);
                ++i;
            }
            continue;
        }
        std::uint32_t cp = 0;
        std::size_t len = 0;
        std::uint32_t min = 0;
        if ((b & 0xE0) == 0xC0) {
            cp = b & 0x1F, len = 2, min = 0x80;
        } else if ((b & 0xF0) == 0xE0) {
            cp = b & 0x0F, len = 3, min = 0x800;
        } else if ((b & 0xF8) == 0xF0) {
            cp = b & 0x07, len = 4, min = 0x10000;
        }
        bool ok = len != 0 && i + len <= size;
        for (std::size_t k = 1; ok && k < len; ++k) {
            if ((bytes[i + k] & 0xC0) != 0x80)
                ok = false;
            else
                cp = (cp << 6) | (bytes[i + k] & 0x3F);
        }
        if (!ok || cp < min || cp > 0x10FFFF) {
            out[n++] = char16_t(0xFFFD);
            ++i;
            continue;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out[n++] = char16_t(0xD800 + (cp >> 10));
            out[n++] = char16_t(0xDC00 + (cp & 0x3FF));
        } else {
            out[n++] = char16_t(cp);
        }
        i += len;
    }
    return n;
}

}  // namespace quilbex::com
