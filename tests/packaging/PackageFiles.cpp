#include "tests/packaging/PackageFiles.h"

#include <array>
#include <cstdio>
#include <filesystem>
#include <sys/wait.h>

namespace quilbex::packaging {

namespace fs = std::filesystem;

std::string package_file(const std::string& name) {
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(QUILBEX_PACKAGE_DIR, error)) {
        const std::string file = entry.path().filename().string();
        if (file.starts_with(name + "_") && file.ends_with("_amd64.deb"))
            return entry.path().string();
    }
    return {};
}

std::string shell_quoted(const std::string& text) {
    std::string out = "'";
    for (char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

CommandResult run_command(const std::string& command_line) {
    CommandResult result;
    FILE* pipe = ::popen((command_line + " 2>&1").c_str(), "r");
    if (!pipe)
        return result;
    std::array<char, 4096> buffer;
    std::size_t n;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        result.output.append(buffer.data(), n);
    int status = ::pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

UnpackedPackage::UnpackedPackage(const std::vector<std::string>& names) {
    m_ok = true;
    for (const std::string& name : names) {
        const std::string deb = package_file(name);
        m_ok = m_ok && !deb.empty() &&
               run_command("dpkg-deb -x " + shell_quoted(deb) + " " + shell_quoted(root())).status == 0;
    }
    // The unpacked tree belongs to root; others may read it, as an installed copy.
    fs::permissions(root(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                fs::perms::others_read | fs::perms::others_exec);
}

}  // namespace quilbex::packaging
