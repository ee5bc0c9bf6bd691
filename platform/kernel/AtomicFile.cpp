#include "platform/kernel/AtomicFile.h"

#include "platform/kernel/Thread.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>
#include <vector>

namespace quilbex::kernel {
namespace {

constexpr win::DWORD kErrorDiskFull = 112;

// An open file descriptor, closed when it goes out of scope unless closed
// explicitly (where the result of close matters).
class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    int close() {
        int rc = ::close(m_fd);
        m_fd = -1;
        return rc;
    }

private:
    int m_fd;
};

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
    case ENOTDIR:
        return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
        return ERROR_ACCESS_DENIED;
    case ENOSPC:
    case EDQUOT:
        return kErrorDiskFull;
    default:
        return fallback;
    }
}

bool write_all(int fd, std::string_view data) {
    while (!data.empty()) {
        ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(n));
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

    static std::atomic<unsigned> counter{0};
    TemporaryName temp(folder + "/." + base + "." + std::to_string(::getpid()) + "." +
                       std::to_string(counter.fetch_add(1)) + ".tmp");
    Descriptor fd(::open(temp.name().c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (!fd.valid()) {
        temp.commit();  // nothing was created
        return {error_from_errno(errno, ERROR_ACCESS_DENIED)};
    }
    if (exists)
        ::fchmod(fd.get(), st.st_mode & 07777);
    for (std::string_view piece : pieces)
        if (!write_all(fd.get(), piece))
            return {error_from_errno(errno, ERROR_WRITE_FAULT)};
    if (::fsync(fd.get()) != 0 || fd.close() != 0)
        return {error_from_errno(errno, ERROR_WRITE_FAULT)};
    if (::rename(temp.name().c_str(), target.c_str()) != 0)
        return {error_from_errno(errno, ERROR_WRITE_FAULT)};
    temp.commit();

    // Make the rename itself durable; the file is already complete either way.
    Descriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.valid())
        ::fsync(dir.get());
    return {};
}

FileResult replace_file_contents(const std::string& path, std::initializer_list<std::string_view> pieces) {
    return replace_file_contents(path, std::span<const std::string_view>(pieces.begin(), pieces.size()));
}

FileResult read_file_contents(const std::string& path, std::string& contents) {
    contents.clear();
    Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.valid())
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
