#include "browser/StorageDirectory.h"

namespace quilbex::browser {

std::string resolve_storage_directory(const std::string& text, const std::string& base_dir) {
    // A drive path ("X:\...") is absolute as on Windows; a path from the root
    // of this platform's file system ("/...") is absolute too.
    const bool drive_path = text.size() >= 3 && text[1] == ':' && text[2] == '\\';
    const bool root_path = !text.empty() && text[0] == '/';
    std::string result = drive_path || root_path ? text : base_dir + text;
    if (result.empty() || (result.back() != '\\' && result.back() != '/'))
        result += '\\';
    return result;
}

}  // namespace quilbex::browser
