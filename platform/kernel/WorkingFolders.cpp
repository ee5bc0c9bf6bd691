#include "platform/kernel/WorkingFolders.h"

#include "platform/kernel/WorkingFolderName.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <ftw.h>
#include <memory>
#include <string_view>
#include <sys/stat.h>
#include <vector>

namespace quilbex::kernel {

namespace {

struct FolderName {
    std::string_view host;  // empty: the old format, without one
    pid_t pid = 0;
    unsigned long long start = 0;
};

bool read_number(std::string_view text, unsigned long long& number) {
    if (text.empty() || text.size() > 20)
        return false;
    number = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        number = number * 10 + static_cast<unsigned>(c - '0');
    }
    return true;
}

// "<prefix><host>-<pid>-<start>" or "<prefix><pid>-<start>"; nothing for any other name.
std::optional<FolderName> parse_name(std::string_view name, std::string_view prefix) {
    if (!name.starts_with(prefix))
        return std::nullopt;
    name.remove_prefix(prefix.size());
    FolderName parsed;
    std::size_t last = name.rfind('-');
    if (last == std::string_view::npos || !read_number(name.substr(last + 1), parsed.start))
        return std::nullopt;
    name = name.substr(0, last);
    std::size_t dash = name.rfind('-');
    if (dash != std::string_view::npos) {
        parsed.host = name.substr(0, dash);
        name.remove_prefix(dash + 1);
        if (parsed.host.empty())
            return std::nullopt;
    }
    unsigned long long pid = 0;
    if (!read_number(name, pid) || pid == 0 || pid > 0x7fffffff)
        return std::nullopt;
    parsed.pid = static_cast<pid_t>(pid);
    return parsed;
}

// The newest modification time of anything in the tree at `folder`.
std::time_t newest_change(const std::string& folder) {
    static thread_local std::time_t newest;
    newest = 0;
    ::nftw(
        folder.c_str(),
        [](const char*, const struct stat* st, int, struct FTW*) {
            if (st && st->st_mtime > newest)
                newest = st->st_mtime;
            return 0;
        },
        16, FTW_PHYS);
    return newest;
}

void remove_tree(const std::string& folder) {
    ::nftw(
        folder.c_str(),
        [](const char* file, const struct stat*, int, struct FTW*) { return ::remove(file) == 0 ? 0 : 0; }, 16,
        FTW_DEPTH | FTW_PHYS);
}

bool abandoned(const FolderName& name, const std::string& folder, const std::string& host) {
    if (!name.host.empty() && name.host != host)
        return false;  // another machine's
    if (process_start_time(name.pid) == name.start)
        return false;  // still running
    if (name.host.empty())
        return std::time(nullptr) - newest_change(folder) > std::chrono::seconds(kOldFolderAge).count();
    return true;
}

int remove_abandoned(const std::string& parent, std::string_view prefix) {
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(parent.c_str()), &::closedir);
    if (!dir)
        return 0;
    const std::string host = host_folder_name();
    std::vector<std::string> found;
    while (dirent* entry = ::readdir(dir.get())) {
        std::optional<FolderName> name = parse_name(entry->d_name, prefix);
        std::string folder = parent + "/" + entry->d_name;
        struct stat st {};
        if (name && ::lstat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
            abandoned(*name, folder, host))
            found.push_back(folder);
    }
    for (const std::string& folder : found)
        remove_tree(folder);
    return static_cast<int>(found.size());
}

}  // namespace

void place_engine_working_folder(const std::string& cache_folder) {
    ::setenv(kWorkingFolderVariable, cache_folder.c_str(), 1);
}

int remove_abandoned_working_folders(const std::string& cache_folder) {
    return remove_abandoned(cache_folder, kWorkingFolderPrefix);
}

int remove_abandoned_temporary_working_folders(const std::string& temporary) {
    return remove_abandoned(temporary, kTemporaryWorkingFolderPrefix);
}

}  // namespace quilbex::kernel
