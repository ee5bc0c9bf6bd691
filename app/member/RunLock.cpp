#include "app/member/RunLock.h"

#include "platform/kernel/MemberFolders.h"
#include "platform/kernel/RegularFile.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <thread>

namespace quilbex::app {

namespace {

std::atomic<bool> g_problem_reported{false};

void report_once(const std::string& text) {
    if (!g_problem_reported.exchange(true))
        std::fprintf(stderr, "quilbex: %s\n", text.c_str());
}

// What the runs of a member lock: the lock file when it is (or can be made)
// a regular file, else the folder that holds it. Every run of the member
// meets the same conditions and so locks the same thing. None when nothing
// can be locked.
kernel::UniqueFd lock_target(const std::string& file) {
    kernel::Result<kernel::UniqueFd> opened =
        kernel::open_regular_file(file, O_RDWR | O_CREAT, kernel::member_file_mode(kernel::kLockFileName));
    if (opened)
        return std::move(*opened);
    const std::size_t slash = file.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : file.substr(0, slash);
    kernel::UniqueFd folder_fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder_fd)
        report_once("无法使用 " + file + "（" + opened.reason() + "），改为锁定它所在的文件夹。");
    else
        report_once("无法使用 " + file + "（" + opened.reason() +
                    "），它所在的文件夹也无法锁定：同时开始的签到不会互相等待。");
    return folder_fd;
}

}  // namespace

std::unique_ptr<RunLock> RunLock::acquire(const kernel::MemberFolders& member, std::chrono::milliseconds timeout) {
    std::unique_ptr<RunLock> lock(new RunLock(lock_target(member.lock_file())));
    if (!lock->m_fd)
        return lock;
    auto deadline = std::chrono::steady_clock::now() + timeout;
    // Polling keeps the wait bounded without signals; a run lasts about a
    // minute at most, so a fifth of a second between tries costs nothing.
    while (::flock(lock->m_fd.get(), LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK && errno != EINTR)
            return nullptr;
        if (std::chrono::steady_clock::now() >= deadline)
            return nullptr;
        lock->m_waited = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    return lock;
}

}  // namespace quilbex::app
