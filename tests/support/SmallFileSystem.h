#pragma once
// A file system of a few pages that the test owns: a tmpfs mounted in a
// private mount namespace, so that a test can fill it to the last byte
// without touching the machine's disks. The super-user mounts it in a mount
// namespace of the process's own; another user gets one through a user
// namespace (as `unshare -rm` does). Where neither is possible, `problem()`
// says why and the test skips.

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sched.h>
#include <string>
#include <sys/mount.h>
#include <unistd.h>

namespace quilbex::testing {

class SmallFileSystem {
public:
    explicit SmallFileSystem(std::size_t bytes) {
        std::string pattern = (std::filesystem::temp_directory_path() / "quilbex-small-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) {
            m_problem = std::string("mkdtemp: ") + std::strerror(errno);
            return;
        }
        m_path = pattern;
        if (!enter_private_namespace())
            return;
        const std::string options = "size=" + std::to_string(bytes) + ",mode=0755";
        if (::mount("quilbex-small", m_path.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) != 0) {
            m_problem = std::string("mount tmpfs: ") + std::strerror(errno);
            return;
        }
        m_mounted = true;
    }
    ~SmallFileSystem() {
        if (m_mounted)
            ::umount2(m_path.c_str(), MNT_DETACH);
        if (!m_path.empty())
            ::rmdir(m_path.c_str());
    }
    SmallFileSystem(const SmallFileSystem&) = delete;
    SmallFileSystem& operator=(const SmallFileSystem&) = delete;

    const std::string& path() const { return m_path; }
    // Why there is no file system, or "" when there is one.
    const std::string& problem() const { return m_problem; }

    // Fills the file system to its last byte with a file of its own.
    void fill() const {
        int fd = ::open((m_path + "/filler").c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
        char block[4096] = {};
        for (std::size_t size = sizeof block; size > 0;)
            if (::write(fd, block, size) < 0)
                size /= 2;
        ::close(fd);
    }

private:
    bool enter_private_namespace() {
        // Once per process: later instances mount in the same namespace.
        static std::string problem = [] {
            if (::geteuid() == 0 && ::unshare(CLONE_NEWNS) == 0)
                return std::string();
            const uid_t uid = ::geteuid();
            const gid_t gid = ::getegid();
            if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0)
                return std::string("no private mount namespace: ") + std::strerror(errno);
            write_file("/proc/self/setgroups", "deny");
            if (!write_file("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1") ||
                !write_file("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1"))
                return std::string("no user namespace mapping: ") + std::strerror(errno);
            return std::string();
        }();
        if (problem.empty() && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            m_problem = std::string("mount --make-rprivate /: ") + std::strerror(errno);
        else
            m_problem = problem;
        return m_problem.empty();
    }

    static bool write_file(const char* file, const std::string& text) {
        int fd = ::open(file, O_WRONLY | O_CLOEXEC);
        bool written = fd >= 0 && ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
        if (fd >= 0)
            ::close(fd);
        return written;
    }

    std::string m_path;
    std::string m_problem;
    bool m_mounted = false;
};

}  // namespace quilbex::testing
