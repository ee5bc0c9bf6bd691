#include "platform/ui/Gbk.h"

#include <cerrno>
#include <iconv.h>
#include <memory>

namespace quilbex::ui {

namespace {

struct IconvCloser {
    void operator()(void* cd) const { iconv_close(static_cast<iconv_t>(cd)); }
};
using IconvPtr = std::unique_ptr<void, IconvCloser>;

IconvPtr open_converter(const char* to, const char* from) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return nullptr;
    return IconvPtr(cd);
}

// Converts `in`, replacing every unconvertible or invalid input sequence of
// `bad_len` bytes with `replacement`, so the result is always complete.
std::string convert(std::string_view in, const char* to, const char* from, std::string_view replacement) {
    IconvPtr cd = open_converter(to, from);
    if (!cd)
        return std::string(in);
    std::string out;
    out.reserve(in.size() * 2);
    std::string input(in);
    char* in_ptr = input.data();
    size_t in_left = input.size();
    char buffer[512];
    while (in_left > 0) {
        char* out_ptr = buffer;
        size_t out_left = sizeof buffer;
        size_t rc = iconv(static_cast<iconv_t>(cd.get()), &in_ptr, &in_left, &out_ptr, &out_left);
        out.append(buffer, sizeof buffer - out_left);
        if (rc == static_cast<size_t>(-1) && errno != E2BIG) {
            // Skip one bad input character: a UTF-8 sequence or one GBK unit.
            size_t skip = 1;
            if (std::string_view(from) == "UTF-8") {
                unsigned char b = static_cast<unsigned char>(*in_ptr);
                skip = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
            } else if (is_gbk_lead_byte(static_cast<unsigned char>(*in_ptr)) && in_left >= 2 &&
                       static_cast<unsigned char>(in_ptr[1]) >= 0x40) {
                skip = 2;
            }
            if (skip > in_left)
                skip = in_left;
            in_ptr += skip;
            in_left -= skip;
            out.append(replacement);
            iconv(static_cast<iconv_t>(cd.get()), nullptr, nullptr, nullptr, nullptr);
        }
    }
    return out;
}

}  // namespace

std::string gbk_to_utf8(std::string_view gbk) {
    bool ascii = true;
    for (unsigned char c : gbk)
        ascii = ascii && c < 0x80;
    if (ascii)
        return std::string(gbk);
    return convert(gbk, "UTF-8", "CP936", "\xEF\xBF\xBD");
}

std::string utf8_to_gbk(std::string_view utf8) {
    bool ascii = true;
    for (unsigned char c : utf8)
        ascii = ascii && c < 0x80;
    if (ascii)
        return std::string(utf8);
    return convert(utf8, "CP936", "UTF-8", "?");
}

std::size_t gbk_char_length(std::string_view text, std::size_t pos) {
    if (pos >= text.size())
        return 0;
    if (is_gbk_lead_byte(static_cast<unsigned char>(text[pos])) && pos + 1 < text.size())
        return 2;
    return 1;
}

std::size_t gbk_floor_boundary(std::string_view text, std::size_t pos) {
    if (pos >= text.size())
        return text.size();
    std::size_t at = 0;
    while (at < pos) {
        std::size_t next = at + gbk_char_length(text, at);
        if (next > pos)
            break;
        at = next;
    }
    return at;
}

}  // namespace quilbex::ui
