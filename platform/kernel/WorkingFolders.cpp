#include "platform/kernel/WorkingFolders.h"

#include "platform/kernel/WorkingFolderName.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <ftw.h>
#include <memory>
#include <sys/stat.h>
#include <vector>

namespace quilbex::kernel {

namespace {

// The pid and start time in a working folder's name, or false for any other name.
bool parse_name(const char* name, pid_t& pid, unsigned long long& start) {
    const std::size_t prefix = std::strlen(kWorkingFolderPrefix);
    if (std::strncmp(name, kWorkingFolderPrefix, prefix) != 0)
        return false;
    const char* text = name + prefix;
    char* end = nullptr;
    if (*text < '0' || *text > '9')
        return false;
    unsigned long long number = std::strtoull(text, &end, 10);
    if (*end != '-' || end[1] < '0' || end[1] > '9' || number == 0 || number > 0x7fffffff)
        return false;
    pid = static_cast<pid_t>(number);
    start = std::strtoull(end + 1, &end, 10);
    return *end == '\0';
}

void remove_tree(const std::string& folder) {
    ::nftw(
        folder.c_str(),
        [](const char* file, const struct stat*, int, struct FTW*) { return ::remove(file) == 0 ? 0 : 0; }, 16,
        FTW_DEPTH | FTW_PHYS);
}

}  // namespace

void place_engine_working_folder(const std::string& cache_folder) {
    ::setenv(kWorkingFolderVariable, cache_folder.c_str(), 1);
}

int remove_abandoned_working_folders(const std::string& cache_folder) {
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(cache_folder.c_str()), &::closedir);
    if (!dir)
        return 0;
    std::vector<std::string> abandoned;
    while (dirent* entry = ::readdir(dir.get())) {
        pid_t pid = 0;
        unsigned long long start = 0;
        if (!parse_name(entry->d_name, pid, start))
            continue;
        std::string folder = cache_folder + "/" + entry->d_name;
        struct stat st {};
        if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
            continue;
        if (process_start_time(pid) != start)
            abandoned.push_back(folder);
    }
    for (const std::string& folder : abandoned)
        remove_tree(folder);
    return static_cast<int>(abandoned.size());
}

}  // namespace quilbex::kernel
