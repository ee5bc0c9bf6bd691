#include "engine/TextCodec.h"

#include <cerrno>
#include <glib.h>
#include <iconv.h>
#include <memory>

namespace quilbex::engine {

namespace {

struct IconvCloser {
    void operator()(void* cd) const { iconv_close(static_cast<iconv_t>(cd)); }
};
using IconvHandle = std::unique_ptr<void, IconvCloser>;

IconvHandle open_iconv(const char* to, const char* from) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return {};
    return IconvHandle(cd);
}

constexpr std::string_view kReplacementUtf8 = "\xEF\xBF\xBD";

// Appends the UTF-8 form of a GBK text, one undecodable byte at a time
// replaced, so that a stray byte cannot swallow the rest of the text.
std::string gbk_to_utf8_lenient(std::string_view input) {
    IconvHandle cd = open_iconv("UTF-8", "CP936");
    if (!cd)
        return std::string(input);
    std::string out;
    out.reserve(input.size() * 3 / 2 + 4);
    char* in_ptr = const_cast<char*>(input.data());
    size_t in_left = input.size();
    char buffer[256];
    while (in_left > 0) {
        char* out_ptr = buffer;
        size_t out_left = sizeof buffer;
        size_t rc = iconv(static_cast<iconv_t>(cd.get()), &in_ptr, &in_left, &out_ptr, &out_left);
        out.append(buffer, sizeof buffer - out_left);
        if (rc == static_cast<size_t>(-1)) {
            if (errno == E2BIG)
                continue;
            // EILSEQ or EINVAL (a lead byte at the end): replace one byte and go on.
            out.append(kReplacementUtf8);
            ++in_ptr;
            --in_left;
            iconv(static_cast<iconv_t>(cd.get()), nullptr, nullptr, nullptr, nullptr);
        }
    }
    return out;
}

}  // namespace

std::string narrow_to_utf8(const char* text) {
    if (!text)
        return {};
    std::string_view view(text);
    if (g_utf8_validate(view.data(), static_cast<gssize>(view.size()), nullptr))
        return std::string(view);
    return gbk_to_utf8_lenient(view);
}

std::string utf16_to_utf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    auto append = [&out](gunichar c) {
        char buf[6];
        out.append(buf, static_cast<size_t>(g_unichar_to_utf8(c, buf)));
    };
    for (size_t i = 0; i < text.size(); ++i) {
        char16_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            append(0x10000 + ((static_cast<gunichar>(c) - 0xD800) << 10) + (text[i + 1] - 0xDC00));
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            append(0xFFFD);
        } else {
            append(c);
        }
    }
    return out;
}

std::string utf16_to_utf8(const char16_t* text) {
    return text ? utf16_to_utf8(std::u16string_view(text)) : std::string();
}

std::u16string utf8_to_utf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    const char* p = text.data();
    const char* end = p + text.size();
    while (p < end) {
        gunichar c = g_utf8_get_char_validated(p, end - p);
        if (c == static_cast<gunichar>(-1) || c == static_cast<gunichar>(-2)) {
            out.push_back(u'\uFFFD');
            ++p;
            continue;
        }
        if (c >= 0x10000) {
            c -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(c));
        }
        p = g_utf8_next_char(p);
    }
    return out;
}

}  // namespace quilbex::engine
