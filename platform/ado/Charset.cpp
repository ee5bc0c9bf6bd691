#include "platform/ado/Charset.h"

#include "platform/com/Iconv.h"
#include "platform/com/TypeInfo.h"

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
    auto utf16 = com::iconv_convert(bytes, charset.converter, "UTF-16LE", com::InvalidInput::Replace);
    if (!utf16)
        return out;
    out.resize(utf16->size() / 2);
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = char16_t(static_cast<unsigned char>((*utf16)[2 * i]) |
                          (static_cast<unsigned char>((*utf16)[2 * i + 1]) << 8));
    return out;
}

std::string encode_text(std::u16string_view text, const Charset& charset) {
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
