#include "app/windows/Skin.h"

#include "app_constants/AppConstants.h"
#include "commands/Facade.h"
#include "runtime/Blocks.h"
#include "runtime/DllBinding.h"

#include <string>

namespace quilbex::app {
namespace {

inline constexpr rt::DllCommand<int()> SkinH_Attach{12};
inline constexpr rt::DllCommand<int(const void*, int, const char*, int, int, int)> SkinH_AttachRes{13};

}  // namespace

void attach_skin(const unsigned char* skin) {
    commands::Text folder = commands::run_directory();
    std::string path = std::string(folder ? folder.get() : "") + constants::skin_file_name();
    if (!commands::file_exists(path.c_str()))
        commands::write_file(path.c_str(), {constants::skin_library_image()});
    SkinH_Attach();
    auto bytes = rt::byte_set_bytes(skin);
    SkinH_AttachRes(bytes.data(), static_cast<int>(bytes.size()), constants::empty_text(), 0, 0, 0);
}

}  // namespace quilbex::app
