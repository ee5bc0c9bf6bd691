#include "browser/Texts.h"

#include "platform/kernel/CodePage.h"

namespace quilbex::browser {

std::u16string gbk_to_utf16(const std::string& gbk) {
    if (gbk.empty())
        return {};
    const int size =
        kernel::MultiByteToWideChar(kernel::CP_GBK, 0, gbk.data(), static_cast<int>(gbk.size()), nullptr, 0);
    if (size <= 0)
        return {};
    std::u16string wide(static_cast<size_t>(size), u'\0');
    kernel::MultiByteToWideChar(kernel::CP_GBK, 0, gbk.data(), static_cast<int>(gbk.size()), wide.data(), size);
    return wide;
}

std::string utf16_to_gbk(const char16_t* text) {
    if (!text || !*text)
        return {};
    const int size = kernel::WideCharToMultiByte(kernel::CP_GBK, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1)
        return {};
    std::string out(static_cast<size_t>(size), '\0');
    kernel::WideCharToMultiByte(kernel::CP_GBK, 0, text, -1, out.data(), size, nullptr, nullptr);
    out.resize(static_cast<size_t>(size) - 1);
    return out;
}

}  // namespace quilbex::browser
