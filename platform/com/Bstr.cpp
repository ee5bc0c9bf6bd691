#include "platform/com/Bstr.h"

#include "platform/com/Iconv.h"
#include "platform/com/SpareBlocks.h"
#include "platform/com/Utf16.h"

#include <cstdlib>
#include <cstring>
#include <limits>

namespace quilbex::com {
namespace {

constexpr std::size_t kPrefix = sizeof(std::uint32_t);
// The prefix is kept 8 bytes before the characters so that they stay aligned
// for any reader that treats them as an array of 16-bit units.
constexpr std::size_t kHeader = 8;

BSTR allocate_bytes(std::size_t byte_len) {
    if (byte_len > std::numeric_limits<std::uint32_t>::max() - 16)
        return nullptr;
    // Large strings (a whole body read as text) reuse this thread's spare
    // blocks; the characters are not cleared here.
    auto* block = static_cast<unsigned char*>(take_block(kHeader + byte_len + sizeof(OLECHAR) + 1));
    if (!block)
        return nullptr;
    std::uint32_t stored = static_cast<std::uint32_t>(byte_len);
    std::memcpy(block + kHeader - kPrefix, &stored, kPrefix);
    // Zero the terminator, including the odd byte of an odd byte length.
    std::memset(block + kHeader + byte_len, 0, sizeof(OLECHAR) + 1);
    return reinterpret_cast<BSTR>(block + kHeader);
}

}  // namespace

BSTR SysAllocStringLen(const OLECHAR* text, UINT len) {
    BSTR out = allocate_bytes(std::size_t(len) * sizeof(OLECHAR));
    if (!out)
        return nullptr;
    // Without a source the characters are left for the caller to fill, as
    // on the platform; the terminator is always set.
    if (text)
        std::memcpy(out, text, std::size_t(len) * sizeof(OLECHAR));
    return out;
}

BSTR SysAllocString(LPCOLESTR text) {
    if (!text)
        return nullptr;
    UINT len = 0;
    while (text[len])
        ++len;
    return SysAllocStringLen(text, len);
}

BSTR SysAllocStringByteLen(LPCSTR bytes, UINT len) {
    BSTR out = allocate_bytes(len);
    if (!out)
        return nullptr;
    if (bytes)
        std::memcpy(out, bytes, len);
    else
        std::memset(out, 0, len);
    return out;
}

void SysFreeString(BSTR text) {
    if (text)
        give_block(reinterpret_cast<unsigned char*>(text) - kHeader);
}

UINT SysStringByteLen(BSTR text) {
    if (!text)
        return 0;
    std::uint32_t stored;
    std::memcpy(&stored, reinterpret_cast<unsigned char*>(text) - kPrefix, kPrefix);
    return stored;
}

UINT SysStringLen(BSTR text) { return SysStringByteLen(text) / sizeof(OLECHAR); }

std::u16string_view bstr_view(BSTR text) {
    if (!text)
        return {};
    return std::u16string_view(text, SysStringLen(text));
}

BSTR bstr_from_utf16(std::u16string_view text) {
    return SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}

BSTR bstr_from_utf8(std::string_view text) { return bstr_from_utf16(utf16_from_utf8(text)); }

BSTR bstr_from_gbk(std::string_view text) {
    // Decoded straight into the string: at most one unit per byte, and the
    // stored length is set to what was written.
    BSTR out = SysAllocStringLen(nullptr, static_cast<UINT>(text.size()));
    if (!out)
        return nullptr;
    bstr_truncate(out, static_cast<UINT>(utf16_from_gbk_into(text, out)));
    return out;
}

void bstr_truncate(BSTR text, UINT units) {
    if (!text || units >= SysStringLen(text))
        return;
    std::uint32_t bytes = units * sizeof(OLECHAR);
    std::memcpy(reinterpret_cast<unsigned char*>(text) - kPrefix, &bytes, kPrefix);
    std::memset(reinterpret_cast<unsigned char*>(text) + bytes, 0, sizeof(OLECHAR));
}

std::string utf8_from_bstr(BSTR text) { return utf8_from_utf16(bstr_view(text)); }

std::string gbk_from_bstr(BSTR text) { return gbk_from_utf16(bstr_view(text)); }

}  // namespace quilbex::com
