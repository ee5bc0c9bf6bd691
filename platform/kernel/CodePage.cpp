#include "platform/kernel/CodePage.h"

#include "platform/kernel/Paths.h"
#include "platform/kernel/Thread.h"

#include <bit>
#include <cerrno>
#include <cstring>
#include <iconv.h>
#include <memory>
#include <type_traits>

namespace quilbex::kernel {
namespace {

static_assert(std::endian::native == std::endian::little, "UTF-16LE is copied as host char16_t");

using win::BOOL;
using win::DWORD;
using win::UINT;

struct IconvCloser {
    void operator()(std::remove_pointer_t<iconv_t>* cd) const { iconv_close(cd); }
};
using IconvHandle = std::unique_ptr<std::remove_pointer_t<iconv_t>, IconvCloser>;

enum class Charset { Gbk, Utf8 };
enum class Direction { ToUtf16, FromUtf16 };

// One conversion descriptor per thread and direction: iconv_t is not safe to
// share between threads, and opening one per call costs more than most of the
// texts we convert.
iconv_t descriptor(Charset charset, Direction direction) {
    thread_local IconvHandle handles[2][2];
    IconvHandle& slot = handles[static_cast<int>(charset)][static_cast<int>(direction)];
    if (!slot) {
        const char* name = charset == Charset::Gbk ? "CP936" : "UTF-8";
        iconv_t cd = direction == Direction::ToUtf16 ? iconv_open("UTF-16LE", name) : iconv_open(name, "UTF-16LE");
        if (cd == reinterpret_cast<iconv_t>(-1))
            return nullptr;
        slot.reset(cd);
    }
    iconv(slot.get(), nullptr, nullptr, nullptr, nullptr);  // back to the initial state
    return slot.get();
}

bool charset_of(UINT code_page, Charset& charset) {
    if (code_page == CP_ACP || code_page == CP_GBK) {
        charset = Charset::Gbk;
        return true;
    }
    if (code_page == CP_UTF8) {
        charset = Charset::Utf8;
        return true;
    }
    return false;
}

bool is_gbk_lead(unsigned char b) { return b >= 0x81 && b <= 0xFE; }
bool is_gbk_trail(unsigned char b) { return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFE); }

// Length of the maximal ill-formed subpart at the start of a UTF-8 sequence
// (at least 1): the longest prefix that could begin a well-formed character.
std::size_t utf8_bad_prefix(const unsigned char* p, std::size_t n) {
    unsigned char b = p[0];
    std::size_t need = 0;
    unsigned char lo = 0x80, hi = 0xBF;
    if (b >= 0xC2 && b <= 0xDF) {
        need = 1;
    } else if (b >= 0xE0 && b <= 0xEF) {
        need = 2;
        if (b == 0xE0)
            lo = 0xA0;
        if (b == 0xED)
            hi = 0x9F;
    } else if (b >= 0xF0 && b <= 0xF4) {
        need = 3;
        if (b == 0xF0)
            lo = 0x90;
        if (b == 0xF4)
            hi = 0x8F;
    } else {
        return 1;
    }
    std::size_t len = 1;
    for (std::size_t i = 1; i <= need && i < n; ++i) {
        unsigned char c = p[i];
        if (i == 1 ? (c < lo || c > hi) : (c < 0x80 || c > 0xBF))
            break;
        ++len;
    }
    return len;
}

enum class Outcome { Ok, Invalid, Failed };

// Runs iconv over [in, in + n) appending to out. Where the input cannot be
// converted, on_bad(in, left) returns how many input bytes to skip and
// appends the replacement; when strict, the conversion stops with Invalid.
template <typename OnBad>
Outcome convert(iconv_t cd, const char* in, std::size_t n, std::string& out, bool strict, OnBad on_bad) {
    char* src = const_cast<char*>(in);
    std::size_t left = n;
    while (left > 0) {
        std::size_t old = out.size();
        std::size_t room = left * 4 + 16;
        out.resize(old + room);
        char* dst = out.data() + old;
        std::size_t dst_left = room;
        std::size_t rc = iconv(cd, &src, &left, &dst, &dst_left);
        out.resize(old + (room - dst_left));
        if (rc != static_cast<std::size_t>(-1))
            continue;
        if (errno == E2BIG)
            continue;
        if (errno != EILSEQ && errno != EINVAL)
            return Outcome::Failed;
        if (strict)
            return Outcome::Invalid;
        std::size_t skip = on_bad(src, left);
        src += skip;
        left -= skip;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    return Outcome::Ok;
}

void append_unit(std::string& out, char16_t unit) {
    out.push_back(static_cast<char>(unit & 0xFF));
    out.push_back(static_cast<char>(unit >> 8));
}

// Multi-byte text to UTF-16LE bytes.
Outcome decode(Charset charset, const char* in, std::size_t n, bool strict, std::string& out) {
    iconv_t cd = descriptor(charset, Direction::ToUtf16);
    if (!cd)
        return Outcome::Failed;
    return convert(cd, in, n, out, strict, [&](const char* at, std::size_t left) -> std::size_t {
        auto p = reinterpret_cast<const unsigned char*>(at);
        if (charset == Charset::Utf8) {
            append_unit(out, 0xFFFD);
            return utf8_bad_prefix(p, left);
        }
        append_unit(out, u'?');
        return (left >= 2 && is_gbk_lead(p[0]) && is_gbk_trail(p[1])) ? 2 : 1;
    });
}

// UTF-16LE bytes to multi-byte text. `replacement` stands for what cannot be
// encoded; `used` reports whether it was needed.
Outcome encode(Charset charset, const char* in, std::size_t n, bool strict, std::string_view replacement, bool& used,
               std::string& out) {
    iconv_t cd = descriptor(charset, Direction::FromUtf16);
    if (!cd)
        return Outcome::Failed;
    return convert(cd, in, n, out, strict, [&](const char* at, std::size_t left) -> std::size_t {
        used = true;
        out.append(replacement);
        if (left < 2)
            return left;
        char16_t first =
            static_cast<char16_t>(static_cast<unsigned char>(at[0]) | static_cast<unsigned char>(at[1]) << 8);
        if (first >= 0xD800 && first <= 0xDBFF && left >= 4) {
            char16_t second =
                static_cast<char16_t>(static_cast<unsigned char>(at[2]) | static_cast<unsigned char>(at[3]) << 8);
            if (second >= 0xDC00 && second <= 0xDFFF)
                return 4;  // a valid pair the target cannot hold
        }
        return 2;
    });
}

int fail(DWORD code) {
    SetLastError(code);
    return 0;
}

// Hands a finished conversion to the caller's buffer with Windows' size rules.
template <typename Unit> int deliver(const std::string& bytes, Unit* dst, int capacity) {
    std::size_t count = bytes.size() / sizeof(Unit);
    if (count > static_cast<std::size_t>(INT32_MAX))
        return fail(ERROR_INSUFFICIENT_BUFFER);
    if (capacity == 0)
        return static_cast<int>(count);
    if (count > static_cast<std::size_t>(capacity)) {
        std::memcpy(dst, bytes.data(), static_cast<std::size_t>(capacity) * sizeof(Unit));
        return fail(ERROR_INSUFFICIENT_BUFFER);
    }
    std::memcpy(dst, bytes.data(), count * sizeof(Unit));
    return static_cast<int>(count);
}

std::size_t wide_length(const char16_t* s) {
    std::size_t n = 0;
    while (s[n] != 0)
        ++n;
    return n;
}

}  // namespace

int MultiByteToWideChar(UINT CodePage, DWORD dwFlags, win::LPCSTR lpMultiByteStr, int cbMultiByte,
                        win::LPWSTR lpWideCharStr, int cchWideChar) {
    Charset charset;
    if (!charset_of(CodePage, charset))
        return fail(ERROR_INVALID_PARAMETER);
    if (!lpMultiByteStr || cbMultiByte == 0 || cbMultiByte < -1 || cchWideChar < 0 ||
        (!lpWideCharStr && cchWideChar != 0))
        return fail(ERROR_INVALID_PARAMETER);
    DWORD allowed = charset == Charset::Utf8 ? MB_ERR_INVALID_CHARS : (MB_ERR_INVALID_CHARS | 0x7);
    if (dwFlags & ~allowed)
        return fail(ERROR_INVALID_FLAGS);

    std::size_t n = cbMultiByte == -1 ? std::strlen(lpMultiByteStr) + 1 : static_cast<std::size_t>(cbMultiByte);
    std::string units;
    units.reserve(n * 2);
    switch (decode(charset, lpMultiByteStr, n, (dwFlags & MB_ERR_INVALID_CHARS) != 0, units)) {
    case Outcome::Ok: break;
    case Outcome::Invalid: return fail(ERROR_NO_UNICODE_TRANSLATION);
    case Outcome::Failed: return fail(ERROR_NOT_ENOUGH_MEMORY);
    }
    return deliver(units, lpWideCharStr, cchWideChar);
}

int WideCharToMultiByte(UINT CodePage, DWORD dwFlags, win::LPCWSTR lpWideCharStr, int cchWideChar,
                        win::LPSTR lpMultiByteStr, int cbMultiByte, win::LPCSTR lpDefaultChar,
                        win::LPBOOL lpUsedDefaultChar) {
    constexpr DWORD kErrInvalidChars = 0x80;
    Charset charset;
    if (!charset_of(CodePage, charset))
        return fail(ERROR_INVALID_PARAMETER);
    if (!lpWideCharStr || cchWideChar == 0 || cchWideChar < -1 || cbMultiByte < 0 ||
        (!lpMultiByteStr && cbMultiByte != 0))
        return fail(ERROR_INVALID_PARAMETER);
    if (charset == Charset::Utf8) {
        if (lpDefaultChar || lpUsedDefaultChar)
            return fail(ERROR_INVALID_PARAMETER);
        if (dwFlags & ~kErrInvalidChars)
            return fail(ERROR_INVALID_FLAGS);
    }

    std::size_t n = cchWideChar == -1 ? wide_length(lpWideCharStr) + 1 : static_cast<std::size_t>(cchWideChar);
    std::string replacement;
    if (charset == Charset::Utf8) {
        replacement = "\xEF\xBF\xBD";
    } else if (lpDefaultChar && lpDefaultChar[0] != 0) {
        // The default character is one character of the code page: one byte,
        // or two when it starts with a lead byte.
        std::size_t len = is_gbk_lead(static_cast<unsigned char>(lpDefaultChar[0])) && lpDefaultChar[1] != 0 ? 2 : 1;
        replacement.assign(lpDefaultChar, len);
    } else {
        replacement = "?";
    }
    bool strict = charset == Charset::Utf8 && (dwFlags & kErrInvalidChars) != 0;
    bool used = false;
    std::string bytes;
    bytes.reserve(n * 2);
    switch (encode(charset, reinterpret_cast<const char*>(lpWideCharStr), n * 2, strict, replacement, used, bytes)) {
    case Outcome::Ok: break;
    case Outcome::Invalid: return fail(ERROR_NO_UNICODE_TRANSLATION);
    case Outcome::Failed: return fail(ERROR_NOT_ENOUGH_MEMORY);
    }
    if (lpUsedDefaultChar)
        *lpUsedDefaultChar = used ? win::TRUE : win::FALSE;
    return deliver(bytes, lpMultiByteStr, cbMultiByte);
}

namespace {

std::string recode(Charset from, Charset to, std::string_view text) {
    std::string units;
    units.reserve(text.size() * 2);
    if (decode(from, text.data(), text.size(), false, units) != Outcome::Ok)
        return {};
    bool used = false;
    std::string out;
    out.reserve(text.size() * 3 / 2);
    std::string_view replacement = to == Charset::Utf8 ? "\xEF\xBF\xBD" : "?";
    if (encode(to, units.data(), units.size(), false, replacement, used, out) != Outcome::Ok)
        return {};
    return out;
}

}  // namespace

std::string gbk_to_utf8(std::string_view gbk) { return recode(Charset::Gbk, Charset::Utf8, gbk); }

std::string utf8_to_gbk(std::string_view utf8) { return recode(Charset::Utf8, Charset::Gbk, utf8); }

std::string native_path(std::string_view ansi_path) {
    // After conversion every byte below 0x80 is a character of its own, so a
    // backslash left in the UTF-8 text is a real separator (unless it belongs
    // to the program folder's own name).
    return resolve_program_folder(gbk_to_utf8(ansi_path));
}

}  // namespace quilbex::kernel
