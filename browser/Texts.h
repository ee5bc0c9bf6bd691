#pragma once
// Text conversions between the program (GBK) and the engine (UTF-8 narrow
// texts, UTF-16 paths and strings).

#include <string>

namespace quilbex::browser {

std::u16string gbk_to_utf16(const std::string& gbk);
// A zero-terminated UTF-16 text as GBK; null gives "".
std::string utf16_to_gbk(const char16_t* text);

}  // namespace quilbex::browser
