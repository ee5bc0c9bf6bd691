#include "tools/constgen/GeneratedFile.h"

#include <fstream>
#include <sstream>

namespace quilbex::tools {

bool write_if_changed(const std::filesystem::path& path, const std::string& content) {
    std::ifstream existing(path, std::ios::binary);
    if (existing) {
        std::ostringstream old;
        old << existing.rdbuf();
        if (old.str() == content)
            return true;
    }
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    return static_cast<bool>(out.flush());
}

}  // namespace quilbex::tools
