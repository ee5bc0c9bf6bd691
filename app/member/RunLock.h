#pragma once
// One sign-in run at a time per member, across processes: a run holds an
// exclusive lock on "Daily.lock" in the member's state folder from its sign-in to
// its last draw. The lock is an flock() on the open file, so it goes away
// with the process, also when it crashes, and two holders in one process
// (a window click while a series runs) exclude each other as well.
//
// Daily.lock is used only when it is a regular file (opened without
// following a link and without blocking). Where it cannot be made or used,
// runs lock the folder that holds it; where that fails too, runs are not
// kept apart. Either is said once on standard error.

#include "platform/kernel/MemberFolders.h"
#include "platform/kernel/UniqueFd.h"

#include <chrono>
#include <memory>
#include <string>

namespace quilbex::app {

class RunLock {
public:
    // Waits up to `timeout` for the lock of `member` (their Daily.lock); null
    // when another run still holds it then. Where nothing can be locked, the
    // lock is granted at once.
    static std::unique_ptr<RunLock> acquire(const kernel::MemberFolders& member, std::chrono::milliseconds timeout);
    // True when another run held the lock and this one waited for it.
    bool waited() const { return m_waited; }
    RunLock(const RunLock&) = delete;
    RunLock& operator=(const RunLock&) = delete;

private:
    explicit RunLock(kernel::UniqueFd fd) : m_fd(std::move(fd)) {}
    kernel::UniqueFd m_fd;
    bool m_waited = false;
};

}  // namespace quilbex::app
