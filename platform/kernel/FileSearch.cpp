#include "platform/kernel/FileSearch.h"

#include "platform/kernel/CodePage.h"

#include <cctype>
#include <cstring>
#include <dirent.h>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace quilbex::kernel {
namespace {

struct Match {
    std::string name;
    win::DWORD attributes;
    std::uint64_t size;
    std::int64_t modified;  // seconds since 1970
};

// The state behind a search handle: every match, collected when the search
// starts, handed out one per call.
struct Search {
    std::vector<Match> matches;
    std::size_t next = 0;
};

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

bool has_wildcards(const std::string& text) { return text.find_first_of("*?") != std::string::npos; }

win::DWORD attributes_of(const std::string& path, const std::string& name, const struct stat& info) {
    win::DWORD attributes = 0;
    if (S_ISDIR(info.st_mode))
        attributes |= FILE_ATTRIBUTE_DIRECTORY;
    if (!name.empty() && name[0] == '.' && name != "." && name != "..")
        attributes |= FILE_ATTRIBUTE_HIDDEN;
    if (::access(path.c_str(), W_OK) != 0 && !S_ISDIR(info.st_mode))
        attributes |= FILE_ATTRIBUTE_READONLY;
    return attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
}

bool describe(const std::string& path, const std::string& name, Match& match) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return false;
    match = {name, attributes_of(path, name, info), static_cast<std::uint64_t>(info.st_size),
             static_cast<std::int64_t>(info.st_mtime)};
    return true;
}

// Windows file times count 100-nanosecond steps since 1601.
FILETIME to_file_time(std::int64_t unix_seconds) {
    std::uint64_t ticks = static_cast<std::uint64_t>(unix_seconds + 11644473600LL) * 10000000ULL;
    return {static_cast<win::DWORD>(ticks), static_cast<win::DWORD>(ticks >> 32)};
}

void fill(const Match& match, WIN32_FIND_DATAA* data) {
    std::memset(data, 0, sizeof *data);
    data->dwFileAttributes = match.attributes;
    data->ftCreationTime = data->ftLastAccessTime = data->ftLastWriteTime = to_file_time(match.modified);
    data->nFileSizeHigh = static_cast<win::DWORD>(match.size >> 32);
    data->nFileSizeLow = static_cast<win::DWORD>(match.size);
    // The ANSI search hands names back in the program's code page.
    std::string name = utf8_to_gbk(match.name);
    std::strncpy(data->cFileName, name.c_str(), sizeof data->cFileName - 1);
}

std::vector<Match> collect(const std::string& pattern) {
    std::string native = native_path(pattern);
    auto slash = native.rfind('/');
    std::string folder = slash == std::string::npos ? "." : native.substr(0, slash == 0 ? 1 : slash);
    std::string name = slash == std::string::npos ? native : native.substr(slash + 1);
    std::vector<Match> matches;
    if (name.empty())
        return matches;
    if (!has_wildcards(name)) {
        Match match;
        if (describe(native, name, match))
            matches.push_back(match);
        return matches;
    }
    std::unique_ptr<DIR, DirCloser> dir(::opendir(folder.c_str()));
    if (!dir)
        return matches;
    while (dirent* entry = ::readdir(dir.get())) {
        if (!wildcard_match(name.c_str(), entry->d_name))
            continue;
        Match match;
        if (describe(folder + "/" + entry->d_name, entry->d_name, match))
            matches.push_back(match);
    }
    return matches;
}

}  // namespace

bool wildcard_match(const char* pattern, const char* name) {
    // Iterative matcher with one backtrack point for the last "*".
    const char* star = nullptr;
    const char* resume = nullptr;
    while (*name) {
        if (*pattern == '*') {
            star = pattern++;
            resume = name;
        } else if (*pattern == '?' || (*pattern && std::tolower(static_cast<unsigned char>(*pattern)) ==
                                                       std::tolower(static_cast<unsigned char>(*name)))) {
            ++pattern;
            ++name;
        } else if (star) {
            pattern = star + 1;
            name = ++resume;
        } else {
            return false;
        }
    }
    while (*pattern == '*')
        ++pattern;
    return *pattern == '\0';
}

win::HANDLE FindFirstFileA(win::LPCSTR pattern, WIN32_FIND_DATAA* data) {
    if (!pattern || !data)
        return win::INVALID_HANDLE_VALUE;
    auto search = std::make_unique<Search>();
    search->matches = collect(pattern);
    if (search->matches.empty())
        return win::INVALID_HANDLE_VALUE;
    fill(search->matches[search->next++], data);
    return search.release();  // owned by the caller until FindClose
}

win::BOOL FindNextFileA(win::HANDLE handle, WIN32_FIND_DATAA* data) {
    if (!handle || handle == win::INVALID_HANDLE_VALUE || !data)
        return win::FALSE;
    auto* search = static_cast<Search*>(handle);
    if (search->next >= search->matches.size())
        return win::FALSE;
    fill(search->matches[search->next++], data);
    return win::TRUE;
}

win::BOOL FindClose(win::HANDLE handle) {
    if (!handle || handle == win::INVALID_HANDLE_VALUE)
        return win::FALSE;
    std::unique_ptr<Search> search(static_cast<Search*>(handle));
    return win::TRUE;
}

}  // namespace quilbex::kernel
