#include "platform/kernel/AtomicFile.h"

#include "platform/kernel/MemberFolders.h"
#include "platform/kernel/Thread.h"
#include "platform/kernel/UniqueFd.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace quilbex::kernel {
namespace {

constexpr win::DWORD kErrorDiskFull = 112;

// Removes the temporary file unless the rename took it over.
class TemporaryName {
public:
    explicit TemporaryName(std::string name) : m_name(std::move(name)) {}
    ~TemporaryName() {
        if (!m_committed)
            ::unlink(m_name.c_str());
    }
    TemporaryName(const TemporaryName&) = delete;
    TemporaryName& operator=(const TemporaryName&) = delete;

    const std::string& name() const { return m_name; }
    void commit() { m_committed = true; }

private:
    std::string m_name;
    bool m_committed = false;
};

win::DWORD error_from_errno(int err, win::DWORD fallback) {
    switch (err) {
    case ENOENT:
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: return ERROR_ACCESS_DENIED;
    case ENOSPC:
    case EDQUOT: return kErrorDiskFull;
    default: return fallback;
    }
}

bool write_all_at(int fd, std::string_view data, off_t offset) {
    while (!data.empty()) {
        ssize_t n = ::pwrite(fd, data.data(), data.size(), offset);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(n));
        offset += n;
    }
    return true;
}

// Writes the pieces one after the other from the file's start.
bool write_pieces(int fd, std::span<const std::string_view> pieces) {
    off_t offset = 0;
    for (std::string_view piece : pieces) {
        if (!write_all_at(fd, piece, offset))
            return false;
        offset += static_cast<off_t>(piece.size());
    }
    return true;
}

std::string resolve_link(const std::string& path) {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
        return path;
    std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr), &std::free);
    return real ? std::string(real.get()) : path;
}

std::string temporary_prefix(const std::string& base) { return "." + base + "."; }

// The process id in a temporary name of ours ("." base "." pid "." n ".tmp"),
// or 0 when the name is not one.
pid_t temporary_owner(std::string_view name, const std::string& prefix) {
    constexpr std::string_view kSuffix = ".tmp";
    if (!name.starts_with(prefix) || !name.ends_with(kSuffix))
        return 0;
    std::string_view middle = name.substr(prefix.size(), name.size() - prefix.size() - kSuffix.size());
    std::size_t dot = middle.find('.');
    if (dot == 0 || dot == std::string_view::npos || dot + 1 == middle.size())
        return 0;
    long pid = 0;
    for (std::size_t i = 0; i < middle.size(); ++i) {
        char c = middle[i];
        if (i == dot)
            continue;
        if (c < '0' || c > '9')
            return 0;
        if (i < dot && pid < 10000000)
            pid = pid * 10 + (c - '0');
    }
    return static_cast<pid_t>(pid);
}

// A save killed between creating its temporary file and renaming it leaves
// the file behind; the next save removes those whose process is gone.
void remove_stale_temporaries(const std::string& folder, const std::string& base) {
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), &::closedir);
    if (!dir)
        return;
    const std::string prefix = temporary_prefix(base);
    std::vector<std::string> stale;
    while (dirent* entry = ::readdir(dir.get())) {
        pid_t pid = temporary_owner(entry->d_name, prefix);
        if (pid > 0 && pid != ::getpid() && ::kill(pid, 0) != 0 && errno == ESRCH)
            stale.emplace_back(folder + "/" + entry->d_name);
    }
    for (const std::string& name : stale)
        ::unlink(name.c_str());
}

// Rewrites an existing file through its own inode: the fallback where the
// folder takes no new file (or the file's owner could not be kept), though
// the file itself is writable. Mode and owner stay as they are.
//
// This is the member's only copy, so nothing is given up before the new
// bytes have a place: the new size is reserved first (a full disk then
// fails here, with the old bytes untouched), the new bytes are written over
// the old, and only then is the file cut to the new length.
FileResult write_in_place(const std::string& path, const std::string& target,
                          std::span<const std::string_view> pieces) {
    UniqueFd fd(::open(target.c_str(), O_WRONLY | O_CLOEXEC));
    if (!fd)
        return {error_from_errno(errno, ERROR_ACCESS_DENIED)};
    if (std::optional<unsigned> mode = private_file_mode(path))
        ::fchmod(fd.get(), static_cast<mode_t>(*mode));
    off_t size = 0;
    for (std::string_view piece : pieces)
        size += static_cast<off_t>(piece.size());
    if (size > 0) {
        // posix_fallocate returns the error rather than setting errno.
        if (int err = ::posix_fallocate(fd.get(), 0, size); err != 0)
            return {error_from_errno(err, ERROR_WRITE_FAULT)};
    }
    if (!write_pieces(fd.get(), pieces))
        return {error_from_errno(errno, ERROR_WRITE_FAULT)};
    if (::ftruncate(fd.get(), size) != 0 || ::fsync(fd.get()) != 0 || fd.close() != 0)
        return {error_from_errno(errno, ERROR_WRITE_FAULT)};
    return {};
}

}  // namespace

FileResult replace_file_contents(const std::string& path, std::span<const std::string_view> pieces) {
    if (path.empty())
        return {ERROR_PATH_NOT_FOUND};
    std::string target = resolve_link(path);
    std::size_t slash = target.find_last_of('/');
    std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : target.substr(0, slash));
    std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    if (base.empty())
        return {ERROR_ACCESS_DENIED};

    struct stat st;
    bool exists = ::stat(target.c_str(), &st) == 0;
    if (exists) {
        if (S_ISDIR(st.st_mode))
            return {ERROR_ACCESS_DENIED};
        if (::access(target.c_str(), W_OK) != 0)
            return {error_from_errno(errno, ERROR_ACCESS_DENIED)};
    }

    remove_stale_temporaries(folder, base);
    static std::atomic<unsigned> counter{0};
    TemporaryName temp(folder + "/" + temporary_prefix(base) + std::to_string(::getpid()) + "." +
                       std::to_string(counter.fetch_add(1)) + ".tmp");
    UniqueFd fd(::open(temp.name().c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (!fd) {
        int err = errno;
        temp.commit();  // nothing was created
        if (exists && (err == EACCES || err == EPERM))
            return write_in_place(path, target, pieces);
        return {error_from_errno(err, ERROR_ACCESS_DENIED)};
    }
    if (exists) {
        ::fchmod(fd.get(), st.st_mode & 07777);
        struct stat made;
        bool same_owner = ::fstat(fd.get(), &made) == 0 && made.st_uid == st.st_uid && made.st_gid == st.st_gid;
        if (!same_owner && ::fchown(fd.get(), st.st_uid, st.st_gid) != 0) {
            // A replacement would change the file's owner: rewrite it instead.
            fd.close();
            ::unlink(temp.name().c_str());
            temp.commit();
            return write_in_place(path, target, pieces);
        }
        // fchown may drop set-id bits; put the mode back.
        if (!same_owner)
            ::fchmod(fd.get(), st.st_mode & 07777);
    }
    // A file that holds the member's login is theirs alone, before a byte of it is written.
    if (std::optional<unsigned> mode = private_file_mode(path))
        ::fchmod(fd.get(), static_cast<mode_t>(*mode));
    if (!write_pieces(fd.get(), pieces))
        return {error_from_errno(errno, ERROR_WRITE_FAULT)};
    if (::fsync(fd.get()) != 0 || fd.close() != 0)
        return {error_from_errno(errno, ERROR_WRITE_FAULT)};
    if (::rename(temp.name().c_str(), target.c_str()) != 0)
        return {error_from_errno(errno, ERROR_WRITE_FAULT)};
    temp.commit();

    // Make the rename itself durable; the file is already complete either way.
    UniqueFd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir)
        ::fsync(dir.get());
    return {};
}

FileResult replace_file_contents(const std::string& path, std::initializer_list<std::string_view> pieces) {
    return replace_file_contents(path, std::span<const std::string_view>(pieces.begin(), pieces.size()));
}

FileResult read_file_contents(const std::string& path, std::string& contents) {
    contents.clear();
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd)
        return {errno == ENOENT ? ERROR_FILE_NOT_FOUND : error_from_errno(errno, ERROR_ACCESS_DENIED)};
    char buffer[16384];
    for (;;) {
        ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            contents.clear();
            return {error_from_errno(errno, ERROR_ACCESS_DENIED)};
        }
        if (n == 0)
            break;
        contents.append(buffer, static_cast<std::size_t>(n));
    }
    return {};
}

}  // namespace quilbex::kernel
