#include "browser/Shlwapi.h"

#include "platform/kernel/CodePage.h"
#include "platform/kernel/ModuleRegistry.h"
#include "platform/kernel/Paths.h"

#include <mutex>
#include <string>
#include <sys/stat.h>

namespace quilbex::browser {

win::BOOL PathFileExistsW(win::LPCWSTR path) {
    if (!path || !*path)
        return win::FALSE;
    const int size = kernel::WideCharToMultiByte(kernel::CP_UTF8, 0, path, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 0)
        return win::FALSE;
    std::string utf8(static_cast<size_t>(size), '\0');
    kernel::WideCharToMultiByte(kernel::CP_UTF8, 0, path, -1, utf8.data(), size, nullptr, nullptr);
    utf8.resize(static_cast<size_t>(size) - 1);
    struct stat info {};
    return ::stat(kernel::resolve_program_folder(utf8).c_str(), &info) == 0 ? win::TRUE : win::FALSE;
}

void register_shlwapi() {
    static std::once_flag once;
    std::call_once(once, [] {
        kernel::register_builtin_library("shlwapi.dll",
                                         {{"PathFileExistsW", reinterpret_cast<win::FARPROC>(&PathFileExistsW), 0}});
    });
}

}  // namespace quilbex::browser
