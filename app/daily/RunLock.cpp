#include "app/daily/RunLock.h"

#include "platform/kernel/MemberFolders.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

namespace quilbex::app {

std::unique_ptr<RunLock> RunLock::acquire(const std::string& folder, std::chrono::milliseconds timeout) {
    int fd = ::open((folder + "/" + kernel::kLockFileName).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    // A folder where the lock file cannot be made (read-only) must not stop
    // every sign-in; runs there are simply not kept apart.
    if (fd < 0)
        return std::unique_ptr<RunLock>(new RunLock(-1));
    std::unique_ptr<RunLock> lock(new RunLock(fd));
    auto deadline = std::chrono::steady_clock::now() + timeout;
    // Polling keeps the wait bounded without signals; a run lasts about a
    // minute at most, so a fifth of a second between tries costs nothing.
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK && errno != EINTR)
            return nullptr;
        if (std::chrono::steady_clock::now() >= deadline)
            return nullptr;
        lock->m_waited = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    return lock;
}

RunLock::~RunLock() {
    if (m_fd >= 0)
        ::close(m_fd);
}

}  // namespace quilbex::app
