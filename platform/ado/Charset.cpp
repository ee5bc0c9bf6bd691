#include "platform/ado/Charset.h"

#include "platform/ado/StreamBuffer.h"
#include "platform/com/Bstr.h"
#include "platform/com/Iconv.h"
#include "platform/com/TypeInfo.h"
#include "platform/com/Utf16.h"

#include <cstring>

namespace quilbex::ado {
namespace {

constexpr std::string_view kBomUtf8("\xEF\xBB\xBF", 3);
constexpr std::string_view kBomUtf16Le("\xFF\xFE", 2);
constexpr std::string_view kBomUtf16Be("\xFE\xFF", 2);

struct Known {
    const char16_t* name;
    const char* converter;
    std::string_view bom;
};

// "unicode" is the platform's name for UTF-16 little-endian; "utf-16" is the
// same set under its standard name.
const Known kCharsets[] = {
    {u"utf-8", "UTF-8", kBomUtf8},
    {u"unicode", "UTF-16LE", kBomUtf16Le},
    {u"utf-16", "UTF-16LE", kBomUtf16Le},
    {u"unicodeFFFE", "UTF-16BE", kBomUtf16Be},
    {u"utf-16BE", "UTF-16BE", kBomUtf16Be},
    {u"gbk", "CP936", {}},
    {u"gb2312", "CP936", {}},
    {u"cp936", "CP936", {}},
    {u"windows-936", "CP936", {}},
    {u"gb18030", "GB18030", {}},
    {u"big5", "BIG5", {}},
    {u"shift_jis", "SHIFT_JIS", {}},
    {u"us-ascii", "ASCII", {}},
    {u"ascii", "ASCII", {}},
    {u"iso-8859-1", "ISO-8859-1", {}},
    {u"latin1", "ISO-8859-1", {}},
    {u"windows-1252", "CP1252", {}},
};

bool is_utf16(const Charset& c) { return std::string_view(c.converter).substr(0, 6) == "UTF-16"; }
bool is_big_endian(const Charset& c) { return std::string_view(c.converter) == "UTF-16BE"; }
bool is_gbk(const Charset& c) { return std::string_view(c.converter) == "CP936"; }
bool is_utf8(const Charset& c) { return std::string_view(c.converter) == "UTF-8"; }

}  // namespace

std::optional<Charset> find_charset(std::u16string_view name) {
    for (const Known& k : kCharsets) {
        if (com::names_equal(k.name, name)) {
            std::string ascii;
            for (char16_t c : name)
                ascii += static_cast<char>(c);
            return Charset{ascii, k.converter, k.bom};
        }
    }
    return std::nullopt;
}

std::u16string decode_text(std::string_view bytes, const Charset& charset) {
    std::u16string out;
    if (is_utf16(charset)) {
        // Direct: an odd trailing byte becomes U+FFFD.
        const bool be = is_big_endian(charset);
        out.reserve(bytes.size() / 2 + 1);
        for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
            auto lo = static_cast<unsigned char>(bytes[i + (be ? 1 : 0)]);
            auto hi = static_cast<unsigned char>(bytes[i + (be ? 0 : 1)]);
            out += char16_t(lo | (hi << 8));
        }
        if (bytes.size() % 2)
            out += char16_t(0xFFFD);
        return out;
    }
    // The two sets the program converts large bodies between have direct
    // converters of their own.
    if (is_gbk(charset))
        return com::utf16_from_gbk(bytes);
    if (is_utf8(charset))
        return com::utf16_from_utf8(bytes);
    auto utf16 = com::iconv_convert(bytes, charset.converter, "UTF-16LE", com::InvalidInput::Replace);
    if (!utf16)
        return out;
    out.resize(utf16->size() / 2);
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = char16_t(static_cast<unsigned char>((*utf16)[2 * i]) |
                          (static_cast<unsigned char>((*utf16)[2 * i + 1]) << 8));
    return out;
}

char16_t* decode_to_bstr(std::string_view bytes, const Charset& charset) {
    if (!is_gbk(charset) && !is_utf8(charset))
        return com::bstr_from_utf16(decode_text(bytes, charset));
    // One unit per byte at most: decode in place and cut the length.
    com::BSTR out = com::SysAllocStringLen(nullptr, static_cast<com::UINT>(bytes.size()));
    if (!out)
        return nullptr;
    std::size_t n = is_gbk(charset) ? com::utf16_from_gbk_into(bytes, out) : com::utf16_from_utf8_into(bytes, out);
    com::bstr_truncate(out, static_cast<com::UINT>(n));
    return out;
}

bool encode_text_append(std::u16string_view text, const Charset& charset, StreamBuffer& out) {
    if (!is_gbk(charset)) {
        std::string encoded = encode_text(text, charset);
        if (encoded.empty())
            return true;
        char* at = out.extend(encoded.size());
        if (at)
            std::memcpy(at, encoded.data(), encoded.size());
        return at != nullptr;
    }
    // GBK straight into the stream: at most two bytes per unit, cut to what
    // was written.
    std::size_t start = out.size();
    char* at = out.extend(text.size() * 2);
    if (!at)
        return text.empty();
    out.truncate(start + com::gbk_from_utf16_into(text, at));
    return true;
}

std::string encode_text(std::u16string_view text, const Charset& charset) {
    if (is_gbk(charset))
        return com::gbk_from_utf16(text);
    if (is_utf8(charset))
        return com::utf8_from_utf16(text);
    std::string le;
    le.reserve(text.size() * 2);
    const bool be = is_big_endian(charset);
    for (char16_t u : text) {
        char lo = static_cast<char>(u & 0xFF), hi = static_cast<char>(u >> 8);
        le += be ? hi : lo;
        le += be ? lo : hi;
    }
    if (is_utf16(charset))
        return le;
    auto out = com::iconv_convert(le, "UTF-16LE", charset.converter, com::InvalidInput::Replace);
    return out ? *out : std::string();
}

}  // namespace quilbex::ado
