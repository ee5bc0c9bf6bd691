#pragma once
// Byte conversion between character sets through iconv, behind a result type.
// Charset names are iconv's ("UTF-8", "CP936", "UTF-16LE", ...).

#include <optional>
#include <string>
#include <string_view>

namespace quilbex::com {

enum class InvalidInput {
    Fail,  // a byte sequence that does not convert makes the whole conversion fail
    Replace,  // it becomes the target's replacement ("?" or U+FFFD) and conversion goes on
};

// nullopt when a charset is unknown, or for bad input with InvalidInput::Fail.
std::optional<std::string> iconv_convert(std::string_view input, const char* from, const char* to,
                                         InvalidInput invalid = InvalidInput::Fail);

// The system ANSI code page (GBK) to and from UTF-16. Bytes that are not GBK
// become U+FFFD; characters outside GBK become "?".
std::u16string utf16_from_gbk(std::string_view gbk);
std::string gbk_from_utf16(std::u16string_view text);
// The same into caller buffers: `out` holds at least gbk.size() units, or
// 2 * text.size() bytes. Return the number written.
std::size_t utf16_from_gbk_into(std::string_view gbk, char16_t* out);
std::size_t gbk_from_utf16_into(std::u16string_view text, char* out);

}  // namespace quilbex::com
