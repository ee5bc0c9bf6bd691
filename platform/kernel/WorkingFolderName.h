#pragma once
// The name of a browser engine's working folder in the member's cache folder:
// "wke-<host>-<pid>-<start>", the machine's name, the process id and the
// process's start time in clock ticks after boot (field 22 of
// /proc/<pid>/stat). The pid and start time tell a later start on the same
// machine whether the folder's program is still running, also once the pid
// has been given to another process; the host name keeps a start on another
// machine that shares the home folder from judging it by its own processes.
//
// Where the program names no folder, the engine works in the temporary
// folder under "quilbex-" and the same name, which the program sweeps too.
//
// Header only: the engine library, a shared object of its own, makes these
// names and the program removes them.

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <sys/types.h>
#include <unistd.h>

namespace quilbex::kernel {

inline constexpr const char* kWorkingFolderPrefix = "wke-";
inline constexpr const char* kTemporaryWorkingFolderPrefix = "quilbex-wke-";  // "quilbex-" + the above
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

// This machine's name as a folder name holds it: letters, digits, '.' and
// '_' kept, every other byte (a '-' among them, so that the name reads back
// from the right) '_'.
inline std::string host_folder_name() {
    char name[HOST_NAME_MAX + 1] = {};
    if (::gethostname(name, sizeof name - 1) != 0 || name[0] == '\0')
        return "localhost";
    std::string host;
    for (const char* c = name; *c; ++c) {
        bool kept =
            (*c >= 'a' && *c <= 'z') || (*c >= 'A' && *c <= 'Z') || (*c >= '0' && *c <= '9') || *c == '.' || *c == '_';
        host += kept ? *c : '_';
    }
    return host;
}

inline std::string working_folder_name(pid_t pid, unsigned long long start,
                                       const std::string& host = host_folder_name()) {
    return kWorkingFolderPrefix + host + "-" + std::to_string(pid) + "-" + std::to_string(start);
}

// The temporary folder: $TMPDIR when it names one, else /tmp.
inline std::string temporary_folder() {
    const char* tmpdir = std::getenv("TMPDIR");
    return tmpdir && *tmpdir == '/' ? tmpdir : "/tmp";
}

// The working folder of an engine that was named no folder.
inline std::string temporary_working_folder(pid_t pid, unsigned long long start) {
    return temporary_folder() + "/quilbex-" + working_folder_name(pid, start);
}

}  // namespace quilbex::kernel
