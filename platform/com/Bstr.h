#pragma once
// BSTR: a UTF-16 string whose byte length is stored in the 4 bytes before the
// first character, followed by a terminating zero unit. The null BSTR is the
// empty string. SysAllocStringByteLen may create odd byte lengths; the
// terminator is still a whole zero unit after them.

#include "platform/com/ComTypes.h"

#include <memory>
#include <string>
#include <string_view>

namespace quilbex::com {

BSTR SysAllocString(LPCOLESTR text);
// `len` units from `text`; with a null `text` they are left unset for the
// caller to fill (the terminator is set).
BSTR SysAllocStringLen(const OLECHAR* text, UINT len);
// `len` bytes from `bytes`; a null `bytes` leaves them zeroed.
BSTR SysAllocStringByteLen(LPCSTR bytes, UINT len);
void SysFreeString(BSTR text);
UINT SysStringLen(BSTR text);
UINT SysStringByteLen(BSTR text);

struct BstrDeleter {
    void operator()(OLECHAR* text) const { SysFreeString(text); }
};
using BstrPtr = std::unique_ptr<OLECHAR, BstrDeleter>;

// Shortens a BSTR in place to its first `units` characters (at most its
// length), for strings filled after allocation.
void bstr_truncate(BSTR text, UINT units);

// The characters of a BSTR (by its stored length, so embedded zeros count).
std::u16string_view bstr_view(BSTR text);

BSTR bstr_from_utf16(std::u16string_view text);
BSTR bstr_from_utf8(std::string_view text);
BSTR bstr_from_gbk(std::string_view text);
std::string utf8_from_bstr(BSTR text);
std::string gbk_from_bstr(BSTR text);

}  // namespace quilbex::com
