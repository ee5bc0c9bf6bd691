#include "platform/kernel/Paths.h"

#include <climits>
#include <unistd.h>

namespace quilbex::kernel {

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
