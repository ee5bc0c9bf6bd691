#include "platform/com/Iconv.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iconv.h>
#include <memory>

namespace quilbex::com {
namespace {

struct IconvCloser {
    void operator()(void* cd) const { iconv_close(static_cast<iconv_t>(cd)); }
};
using IconvHandle = std::unique_ptr<void, IconvCloser>;

IconvHandle open_converter(const char* from, const char* to) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return nullptr;
    return IconvHandle(cd);
}

// Appends the replacement of one unconvertible input unit in the target set
// by converting a fixed replacement text from UTF-8.
bool append_replacement(std::string& out, const char* to, bool unicode_target) {
    std::string_view repl = unicode_target ? std::string_view("\xEF\xBF\xBD") : std::string_view("?");
    auto converted = iconv_convert(repl, "UTF-8", to, InvalidInput::Fail);
    if (!converted)
        return false;
    out += *converted;
    return true;
}

bool is_unicode_name(std::string_view name) {
    return name.size() >= 3 && (name.substr(0, 3) == "UTF" || name.substr(0, 3) == "UCS");
}

}  // namespace

std::optional<std::string> iconv_convert(std::string_view input, const char* from, const char* to,
                                         InvalidInput invalid) {
    IconvHandle cd = open_converter(from, to);
    if (!cd)
        return std::nullopt;
    auto* handle = static_cast<iconv_t>(cd.get());
    std::string out;
    out.resize(input.size() * 2 + 16);
    char* in_ptr = const_cast<char*>(input.data());
    std::size_t in_left = input.size();
    std::size_t out_used = 0;
    // Input unit size for skipping a bad unit: two bytes for UTF-16 sources.
    std::string_view from_name(from);
    std::size_t unit = (from_name.find("16") != std::string_view::npos) ? 2 : 1;
    while (true) {
        char* out_ptr = out.data() + out_used;
        std::size_t out_left = out.size() - out_used;
        std::size_t rc = iconv(handle, in_left ? &in_ptr : nullptr, &in_left, &out_ptr, &out_left);
        out_used = out.size() - out_left;
        if (rc != static_cast<std::size_t>(-1)) {
            if (in_left == 0)
                break;
            continue;
        }
        if (errno == E2BIG) {
            out.resize(out.size() * 2 + 16);
            continue;
        }
        if (invalid == InvalidInput::Fail)
            return std::nullopt;
        // EILSEQ or EINVAL (truncated input at the end): replace one unit.
        out.resize(out_used);
        if (!append_replacement(out, to, is_unicode_name(to)))
            return std::nullopt;
        std::size_t skip = std::min(unit, in_left);
        in_ptr += skip;
        in_left -= skip;
        out_used = out.size();
        out.resize(out_used + in_left * 2 + 16);
        iconv(handle, nullptr, nullptr, nullptr, nullptr);
        if (in_left == 0)
            break;
    }
    out.resize(out_used);
    return out;
}

namespace {

// GBK tables, built once from iconv: conversion by table is many times faster
// than asking iconv character by character, and the large bodies the program
// converts go through GBK twice.
struct GbkTables {
    // Two-byte characters by (lead - 0x81) * 192 + (trail - 0x40); 0: none.
    std::u16string double_byte;
    // Single bytes 0x80-0xFF (ASCII maps to itself); 0: not a character.
    char16_t single_byte[128] = {};
    // UTF-16 unit to GBK: 0 none, < 0x100 one byte, else lead << 8 | trail.
    std::u16string from_unicode;
};

char16_t decode_one(iconv_t cd, const char* bytes, std::size_t n) {
    char16_t out[4] = {};
    char* in_ptr = const_cast<char*>(bytes);
    std::size_t in_left = n;
    char* out_ptr = reinterpret_cast<char*>(out);
    std::size_t out_left = sizeof out;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    std::size_t rc = iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left);
    if (rc == static_cast<std::size_t>(-1) || in_left != 0 || out_left != sizeof out - 2)
        return 0;
    return out[0];
}

const GbkTables& gbk_tables() {
    static const GbkTables tables = [] {
        GbkTables t;
        t.double_byte.assign(126 * 192, u'\0');
        t.from_unicode.assign(0x10000, u'\0');
        IconvHandle decoder = open_converter("CP936", "UTF-16LE");
        if (!decoder)
            return t;
        auto* cd = static_cast<iconv_t>(decoder.get());
        for (int b = 0x80; b <= 0xFF; ++b) {
            char byte = static_cast<char>(b);
            t.single_byte[b - 0x80] = decode_one(cd, &byte, 1);
        }
        for (int lead = 0x81; lead <= 0xFE; ++lead) {
            for (int trail = 0x40; trail <= 0xFF; ++trail) {
                char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
                t.double_byte[std::size_t((lead - 0x81) * 192 + (trail - 0x40))] = decode_one(cd, pair, 2);
            }
        }
        // The reverse table from the forward one; for a character with two
        // codes the first (lowest) wins, which is also iconv's choice for
        // the ones that matter here.
        for (int c = 1; c < 0x80; ++c)
            t.from_unicode[std::size_t(c)] = char16_t(c);
        for (int b = 0x80; b <= 0xFF; ++b) {
            char16_t u = t.single_byte[b - 0x80];
            if (u && !t.from_unicode[u])
                t.from_unicode[u] = char16_t(b);
        }
        for (int lead = 0x81; lead <= 0xFE; ++lead) {
            for (int trail = 0x40; trail <= 0xFF; ++trail) {
                char16_t u = t.double_byte[std::size_t((lead - 0x81) * 192 + (trail - 0x40))];
                if (u && !t.from_unicode[u])
                    t.from_unicode[u] = char16_t((lead << 8) | trail);
            }
        }
        return t;
    }();
    return tables;
}

}  // namespace

std::size_t utf16_from_gbk_into(std::string_view gbk, char16_t* out) {
    const GbkTables& t = gbk_tables();
    std::size_t n = 0;
    const auto* bytes = reinterpret_cast<const unsigned char*>(gbk.data());
    for (std::size_t i = 0; i < gbk.size();) {
        unsigned char b = bytes[i];
        if (b < 0x80) {
            // Runs of ASCII go eight bytes at a time.
            while (i + 8 <= gbk.size()) {
                std::uint64_t word;
                std::memcpy(&word, bytes + i, 8);
                if (word & 0x8080808080808080ull)
                    break;
                for (int k = 0; k < 8; ++k)
                    out[n + k] = char16_t(bytes[i + k]);
                n += 8;
                i += 8;
            }
            if (i < gbk.size() && bytes[i] < 0x80) {
                out[n++] = char16_t(bytes[i]);
                ++i;
            }
            continue;
        }
        if (b >= 0x81 && b <= 0xFE && i + 1 < gbk.size() && bytes[i + 1] >= 0x40) {
            char16_t u = t.double_byte[std::size_t((b - 0x81) * 192 + (bytes[i + 1] - 0x40))];
            if (u) {
                out[n++] = u;
                i += 2;
                continue;
            }
        }
        char16_t single = t.single_byte[b - 0x80];
        out[n++] = single ? single : char16_t(0xFFFD);
        ++i;
    }
    return n;
}

std::u16string utf16_from_gbk(std::string_view gbk) {
    std::u16string out(gbk.size(), u'\0');
    out.resize(utf16_from_gbk_into(gbk, out.data()));
    return out;
}

std::size_t gbk_from_utf16_into(std::u16string_view text, char* out) {
    const GbkTables& t = gbk_tables();
    std::size_t n = 0;
    const std::size_t size = text.size();
    for (std::size_t i = 0; i < size; ++i) {
        char16_t u = text[i];
        if (u < 0x80) {
            // Runs of ASCII go four units at a time.
            while (i + 4 <= size) {
                std::uint64_t word;
                std::memcpy(&word, text.data() + i, 8);
                if (word & 0xFF80FF80FF80FF80ull)
                    break;
                for (int k = 0; k < 4; ++k)
                    out[n + k] = static_cast<char>(text[i + k]);
                n += 4;
                i += 4;
            }
            if (i < size && text[i] < 0x80) {
                out[n++] = static_cast<char>(text[i]);
                continue;
            }
            if (i >= size)
                break;
            u = text[i];
        }
        char16_t code = t.from_unicode[u];
        if (code == 0) {
            out[n++] = '?';
        } else if (code < 0x100) {
            out[n++] = static_cast<char>(code);
        } else {
            out[n++] = static_cast<char>(code >> 8);
            out[n++] = static_cast<char>(code & 0xFF);
        }
    }
    return n;
}

std::string gbk_from_utf16(std::u16string_view text) {
    std::string out(text.size() * 2, '\0');
    out.resize(gbk_from_utf16_into(text, out.data()));
    return out;
}

}  // namespace quilbex::com
