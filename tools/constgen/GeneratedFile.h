#pragma once
// Writing a generator's output so that an unchanged file keeps its time stamp
// and the build does not recompile what depends on it.

#include <filesystem>
#include <string>

namespace quilbex::tools {

// Writes content to path (creating its folder) unless the file already holds
// exactly that content. False when the file cannot be written.
bool write_if_changed(const std::filesystem::path& path, const std::string& content);

}  // namespace quilbex::tools
