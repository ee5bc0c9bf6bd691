#pragma once
// The name of a browser engine's working folder in the member's cache folder:
// "wke-<pid>-<start>", the process id and the process's start time in clock
// ticks after boot (field 22 of /proc/<pid>/stat). The pair tells a later
// start whether the folder's program is still running, also once the pid
// has been given to another process. Header only: the engine library, a
// shared object of its own, makes these names and the program removes them.

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <sys/types.h>

namespace quilbex::kernel {

inline constexpr const char* kWorkingFolderPrefix = "wke-";
// The environment variable in which the program names the folder that holds
// the working folders, before the engine library is loaded.
inline constexpr const char* kWorkingFolderVariable = "QUILBEX_ENGINE_FOLDER";

// The start time of process `pid`, or nothing when there is no such process.
inline std::optional<unsigned long long> process_start_time(pid_t pid) {
    std::string path = "/proc/" + std::to_string(pid) + "/stat";
    std::FILE* file = std::fopen(path.c_str(), "re");
    if (!file)
        return std::nullopt;
    char buffer[1024];
    std::size_t length = std::fread(buffer, 1, sizeof buffer - 1, file);
    std::fclose(file);
    std::string stat(buffer, length);
    // The command name in parentheses may hold spaces and ')': count from the last ')'.
    std::size_t field = stat.rfind(')');
    if (field == std::string::npos)
        return std::nullopt;
    for (int skip = 0; skip < 20 && field != std::string::npos; ++skip)
        field = stat.find(' ', field + 1);
    if (field == std::string::npos)
        return std::nullopt;
    return std::strtoull(stat.c_str() + field + 1, nullptr, 10);
}

inline std::string working_folder_name(pid_t pid, unsigned long long start) {
    return kWorkingFolderPrefix + std::to_string(pid) + "-" + std::to_string(start);
}

}  // namespace quilbex::kernel
