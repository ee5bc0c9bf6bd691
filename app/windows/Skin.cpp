#include "app/windows/Skin.h"

#include "app_constants/AppConstants.h"
#include "commands/Facade.h"
#include "platform/kernel/AtomicFile.h"
#include "platform/kernel/CodePage.h"
#include "platform/kernel/Result.h"
#include "platform/kernel/Thread.h"
#include "runtime/Blocks.h"
#include "runtime/DllBinding.h"
#include "runtime/ErrorReport.h"

#include <string>

namespace quilbex::app {
namespace {

inline constexpr rt::DllCommand<int()> SkinH_Attach{12};
inline constexpr rt::DllCommand<int(const void*, int, const char*, int, int, int)> SkinH_AttachRes{13};

constexpr win::DWORD kErrorDiskFull = 112;

// Why a file could not be written, in words for the member (UTF-8).
std::string write_error_text(win::DWORD error) {
    switch (error) {
    case kErrorDiskFull: return "磁盘已满";
    case kernel::ERROR_ACCESS_DENIED: return "没有写入这个文件夹的权限";
    case kernel::ERROR_PATH_NOT_FOUND: return "文件夹不存在";
    default: return "写入出错（错误 " + std::to_string(error) + "）";
    }
}

// Writes the library image to `path` (a program file name, GBK) as a whole
// or not at all, so that a failed first start leaves no partial library for
// the next one to take as written.
kernel::Result<void> write_skin_library(const std::string& path) {
    auto image = rt::byte_set_bytes(constants::skin_library_image());
    std::string_view bytes(reinterpret_cast<const char*>(image.data()), image.size());
    if (auto written = kernel::replace_file_contents(kernel::native_path(path), {bytes}); !written)
        return kernel::Failure{write_error_text(written.error)};
    return {};
}

}  // namespace

void attach_skin(const unsigned char* skin) {
    commands::Text folder = commands::run_directory();
    std::string path = std::string(folder ? folder.get() : "") + constants::skin_file_name();
    if (!commands::file_exists(path.c_str())) {
        // Without the file the binding below would end the program with a
        // report about a missing function, which says nothing of the cause.
        if (auto written = write_skin_library(path); !written) {
            std::string message = constants::skin_unwritten() + path + kernel::utf8_to_gbk("：" + written.reason());
            rt::report_runtime_error(message.c_str(), 0, 0, 0);
        }
    }
    SkinH_Attach();
    auto bytes = rt::byte_set_bytes(skin);
    SkinH_AttachRes(bytes.data(), static_cast<int>(bytes.size()), constants::empty_text(), 0, 0, 0);
}

}  // namespace quilbex::app
