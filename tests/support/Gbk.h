#pragma once
// Test helpers for the GBK texts the program works in. Test sources are
// UTF-8; these convert at run time, so no compiler charset option is needed.

#include <iconv.h>
#include <stdexcept>
#include <string>

namespace quilbex::testing {

inline std::string convert_text(const std::string& in, const char* to, const char* from) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        throw std::runtime_error("iconv_open failed");
    std::string input = in;
    std::string out(in.size() * 4 + 4, '\0');
    char* in_ptr = input.data();
    size_t in_left = input.size();
    char* out_ptr = out.data();
    size_t out_left = out.size();
    size_t rc = iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left);
    iconv_close(cd);
    if (rc == static_cast<size_t>(-1))
        throw std::runtime_error("text cannot be converted");
    out.resize(out.size() - out_left);
    return out;
}

// UTF-8 to GBK bytes.
inline std::string gbk(const std::string& utf8) { return convert_text(utf8, "CP936", "UTF-8"); }

// GBK bytes to UTF-8 (for readable assertion messages).
inline std::string utf8(const std::string& gbk_text) { return convert_text(gbk_text, "UTF-8", "CP936"); }

}  // namespace quilbex::testing
