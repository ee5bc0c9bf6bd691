#include "platform/com/Iconv.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
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

std::u16string utf16_from_gbk(std::string_view gbk) {
    auto bytes = iconv_convert(gbk, "CP936", "UTF-16LE", InvalidInput::Replace);
    std::u16string out;
    if (!bytes)
        return out;
    out.resize(bytes->size() / 2);
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = char16_t(static_cast<unsigned char>((*bytes)[2 * i]) |
                          (static_cast<unsigned char>((*bytes)[2 * i + 1]) << 8));
    return out;
}

std::string gbk_from_utf16(std::u16string_view text) {
    std::string bytes;
    bytes.reserve(text.size() * 2);
    for (char16_t u : text) {
        bytes += static_cast<char>(u & 0xFF);
        bytes += static_cast<char>(u >> 8);
    }
    auto out = iconv_convert(bytes, "UTF-16LE", "CP936", InvalidInput::Replace);
    return out ? *out : std::string();
}

}  // namespace quilbex::com
