#pragma once
// The browser engine's working folders in the member's cache folder (named
// as WorkingFolderName.h says). A program that is killed or loses its display
// leaves its folder behind, with the browser's cookies in it; the next start
// removes every such folder whose program is gone.

#include <string>

namespace quilbex::kernel {

// Names `cache_folder` to the engine library for its working folder.
void place_engine_working_folder(const std::string& cache_folder);

// Removes the working folders in `cache_folder` whose process has ended (or
// whose pid now belongs to a process started at another time). Folders of
// running programs and every other name stay. Returns how many were removed.
int remove_abandoned_working_folders(const std::string& cache_folder);

}  // namespace quilbex::kernel
