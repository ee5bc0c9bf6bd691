#pragma once
// The package that scripts/package wrote for the tests, unpacked, and the
// commands the tests run on it.

#include "tests/e2e/Desktop.h"

#include <string>
#include <vector>

namespace quilbex::packaging {

// The package file in QUILBEX_PACKAGE_DIR; empty when there is none.
std::string package_file();

struct CommandResult {
    int status = -1;  // the exit status, -1 when it did not exit
    std::string output;  // standard output and standard error
};

// Runs a shell command line; callers quote every path with `shell_quoted`.
CommandResult run_command(const std::string& command_line);
std::string shell_quoted(const std::string& text);

// The package unpacked with dpkg-deb -x into a fresh folder.
class UnpackedPackage {
public:
    UnpackedPackage();
    bool ok() const { return m_ok; }
    const std::string& root() const { return m_folder.path(); }
    std::string path(const std::string& inside) const { return root() + inside; }

private:
    e2e::TempFolder m_folder;
    bool m_ok = false;
};

}  // namespace quilbex::packaging
