#include "platform/kernel/Paths.h"

#include "platform/kernel/CodePage.h"

#include <climits>
#include <mutex>
#include <unistd.h>

namespace quilbex::kernel {

namespace {

// The program folder's text turned back into UTF-8 (with "?" where GBK had
// no character) and the real folder it names. Empty until a folder text is
// made.
struct FolderAlias {
    std::mutex mutex;
    std::string stand_in;
    std::string real;
};

FolderAlias& folder_alias() {
    static FolderAlias alias;
    return alias;
}

void to_slashes(std::string& path) {
    for (char& c : path)
        if (c == '\\')
            c = '/';
}

}  // namespace

std::string program_folder_text() { return folder_text(executable_directory()); }

std::string folder_text(const std::string& real) {
    std::string text = utf8_to_gbk(real);
    auto& alias = folder_alias();
    std::lock_guard lock(alias.mutex);
    alias.stand_in = gbk_to_utf8(text);
    alias.real = real;
    return text;
}

std::string resolve_program_folder(std::string name) {
    std::string rest;
    {
        auto& alias = folder_alias();
        std::lock_guard lock(alias.mutex);
        const std::string& stand_in = alias.stand_in;
        // The folder's own name may hold "\" (legal on Linux): it is matched
        // as it stands, and only what follows it is read with "\" as a separator.
        bool inside = !stand_in.empty() && name.compare(0, stand_in.size(), stand_in) == 0 &&
                      (name.size() == stand_in.size() || name[stand_in.size()] == '/' || name[stand_in.size()] == '\\');
        if (inside) {
            rest = name.substr(stand_in.size());
            to_slashes(rest);
            return alias.real + rest;
        }
    }
    to_slashes(name);
    return name;
}

std::string to_native_path(const std::string& path) {
    std::string native = path;
    for (char& c : native)
        if (c == '\\')
            c = '/';
    return native;
}

std::string executable_path() {
    char buffer[PATH_MAX];
    ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0)
        return {};
    return std::string(buffer, static_cast<std::size_t>(length));
}

std::string executable_directory() {
    std::string path = executable_path();
    auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return {};
    return path.substr(0, slash);
}

}  // namespace quilbex::kernel
