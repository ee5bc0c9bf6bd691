#pragma once
// The browser engine's working folders in the member's cache folder (named
// as WorkingFolderName.h says). A program that is killed or loses its display
// leaves its folder behind, with the browser's cookies in it; the next start
// removes every such folder whose program is gone.
//
// Only this machine's folders are judged: on a home folder that several
// machines share, a pid says nothing about another machine's processes.
// Folders that an older release named without the host ("wke-<pid>-<start>")
// could be any machine's; they go only once their program is gone here too
// and nothing in them has changed for kOldFolderAge, which no login window
// in use stays quiet for.

#include <chrono>
#include <string>

namespace quilbex::kernel {

inline constexpr std::chrono::hours kOldFolderAge{24};

// Names `cache_folder` to the engine library for its working folder.
void place_engine_working_folder(const std::string& cache_folder);

// Removes this machine's working folders in `cache_folder` whose process has
// ended (or whose pid now belongs to a process started at another time), and
// the old-format folders as said above. Folders of running programs, of other
// machines, of other users and every other name stay. Returns how many were
// removed.
int remove_abandoned_working_folders(const std::string& cache_folder);

// The same for the folders that engines without a named folder made in the
// temporary folder ("quilbex-wke-..."), of this user only.
int remove_abandoned_temporary_working_folders(const std::string& temporary);

}  // namespace quilbex::kernel
