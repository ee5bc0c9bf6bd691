#pragma once
// Path helpers shared by the platform layers. Windows accepts "\" and "/"
// alike as separators; the program's own paths use both.

#include <string>

namespace quilbex::kernel {

// The path with every "\" turned into "/".
std::string to_native_path(const std::string& path);

// The folder that holds the running executable, without a trailing "/".
std::string executable_directory();

// The running executable's full path.
std::string executable_path();

}  // namespace quilbex::kernel
