#pragma once
// The package that scripts/package wrote for the tests, unpacked, and the
// commands the tests run on it.

#include "tests/e2e/Desktop.h"

#include <string>
#include <vector>

namespace quilbex::packaging {

// The file of the package `name` ("quilbex-cli" or "quilbex") in
// QUILBEX_PACKAGE_DIR; empty when there is none.
std::string package_file(const std::string& name);

struct CommandResult {
    int status = -1;  // the exit status, -1 when it did not exit
    std::string output;  // standard output and standard error
};

// Runs a shell command line; callers quote every path with `shell_quoted`.
CommandResult run_command(const std::string& command_line);
std::string shell_quoted(const std::string& text);

// Packages unpacked with dpkg-deb -x into one fresh folder: by default both,
// as an installed copy with its window.
class UnpackedPackage {
public:
    explicit UnpackedPackage(const std::vector<std::string>& names = {"quilbex-cli", "quilbex"});
    bool ok() const { return m_ok; }
    const std::string& root() const { return m_folder.path(); }
    std::string path(const std::string& inside) const { return root() + inside; }

private:
    e2e::TempFolder m_folder;
    bool m_ok = false;
};

}  // namespace quilbex::packaging
