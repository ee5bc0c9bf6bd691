#pragma once
// One sign-in run at a time per member, across processes: a run holds an
// exclusive lock on "Daily.lock" in the member's state folder from its sign-in to
// its last draw. The lock is an flock() on the open file, so it goes away
// with the process, also when it crashes, and two holders in one process
// (a window click while a series runs) exclude each other as well.

#include <chrono>
#include <memory>
#include <string>

namespace quilbex::app {

class RunLock {
public:
    // Waits up to `timeout` for the lock; null when another run still holds
    // it then. Where the lock file cannot be made, the lock is granted at once.
    static std::unique_ptr<RunLock> acquire(const std::string& folder, std::chrono::milliseconds timeout);
    ~RunLock();
    // True when another run held the lock and this one waited for it.
    bool waited() const { return m_waited; }
    RunLock(const RunLock&) = delete;
    RunLock& operator=(const RunLock&) = delete;

private:
    explicit RunLock(int fd) : m_fd(fd) {}
    int m_fd;
    bool m_waited = false;
};

}  // namespace quilbex::app
