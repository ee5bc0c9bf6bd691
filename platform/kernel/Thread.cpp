#include "platform/kernel/Thread.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <pthread.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>
#include <unordered_map>

namespace quilbex::kernel {
namespace {

using win::BOOL;
using win::DWORD;
using win::HANDLE;

thread_local DWORD t_last_error = ERROR_SUCCESS;

// What a thread handle refers to. Shared by the running thread and by every
// open handle; freed when the last of them lets go.
struct ThreadRecord {
    LPTHREAD_START_ROUTINE routine = nullptr;
    win::LPVOID parameter = nullptr;

    std::mutex mutex;
    std::condition_variable changed;
    bool started = false;
    bool ended = false;
    DWORD thread_id = 0;
    DWORD exit_code = STILL_ACTIVE;
};

thread_local ThreadRecord* t_current = nullptr;

// The process-wide table behind HANDLE values. Values are multiples of 4
// below 2^32, as on Windows, so that they fit in 32-bit variables.
class HandleTable {
public:
    HANDLE add(std::shared_ptr<ThreadRecord> record) {
        std::lock_guard lock(m_mutex);
        do {
            m_next = m_next >= kLast ? kFirst : m_next + 4;
        } while (m_entries.count(m_next) != 0);
        m_entries.emplace(m_next, std::move(record));
        return reinterpret_cast<HANDLE>(m_next);
    }

    std::shared_ptr<ThreadRecord> find(HANDLE handle) {
        std::lock_guard lock(m_mutex);
        auto it = m_entries.find(reinterpret_cast<std::uintptr_t>(handle));
        return it == m_entries.end() ? nullptr : it->second;
    }

    // Drops the entry; the record itself goes when its last holder does,
    // which happens outside the lock.
    std::shared_ptr<ThreadRecord> remove(HANDLE handle) {
        std::lock_guard lock(m_mutex);
        auto it = m_entries.find(reinterpret_cast<std::uintptr_t>(handle));
        if (it == m_entries.end())
            return nullptr;
        auto record = std::move(it->second);
        m_entries.erase(it);
        return record;
    }

    std::size_t size() {
        std::lock_guard lock(m_mutex);
        return m_entries.size();
    }

private:
    static constexpr std::uintptr_t kFirst = 0x100;
    static constexpr std::uintptr_t kLast = 0xFFFFFFF0;
    std::mutex m_mutex;
    std::uintptr_t m_next = kFirst - 4;
    std::unordered_map<std::uintptr_t, std::shared_ptr<ThreadRecord>> m_entries;
};

HandleTable& handles() {
    static HandleTable* table = new HandleTable;  // never destroyed: threads may outlive static destruction
    return *table;
}

// Marks the record ended when the thread leaves its routine, whether by
// returning or by TerminateThread's unwinding.
class EndSignal {
public:
    explicit EndSignal(ThreadRecord& record) : m_record(record) {}
    ~EndSignal() {
        {
            std::lock_guard lock(m_record.mutex);
            m_record.ended = true;
        }
        m_record.changed.notify_all();
        t_current = nullptr;
    }
    EndSignal(const EndSignal&) = delete;
    EndSignal& operator=(const EndSignal&) = delete;

private:
    ThreadRecord& m_record;
};

void* thread_main(void* arg) {
    std::unique_ptr<std::shared_ptr<ThreadRecord>> owner(static_cast<std::shared_ptr<ThreadRecord>*>(arg));
    std::shared_ptr<ThreadRecord> record = *owner;
    owner.reset();
    t_current = record.get();
    {
        std::lock_guard lock(record->mutex);
        record->thread_id = GetCurrentThreadId();
        record->started = true;
    }
    record->changed.notify_all();

    EndSignal end(*record);
    DWORD code = record->routine(record->parameter);
    std::lock_guard lock(record->mutex);
    record->exit_code = code;
    return nullptr;
}

struct AttrDeleter {
    void operator()(pthread_attr_t* attr) const {
        pthread_attr_destroy(attr);
        delete attr;
    }
};

HANDLE fail_handle(DWORD code) {
    SetLastError(code);
    return nullptr;
}

}  // namespace

DWORD GetLastError() { return t_last_error; }

void SetLastError(DWORD code) { t_last_error = code; }

HANDLE CreateThread(win::LPVOID, std::size_t dwStackSize, LPTHREAD_START_ROUTINE lpStartAddress,
                    win::LPVOID lpParameter, DWORD dwCreationFlags, win::LPDWORD lpThreadId) {
    if (!lpStartAddress)
        return fail_handle(ERROR_INVALID_PARAMETER);
    if (dwCreationFlags & CREATE_SUSPENDED)
        return fail_handle(ERROR_NOT_SUPPORTED);

    auto record = std::make_shared<ThreadRecord>();
    record->routine = lpStartAddress;
    record->parameter = lpParameter;

    std::unique_ptr<pthread_attr_t, AttrDeleter> attr(new pthread_attr_t);
    if (pthread_attr_init(attr.get()) != 0) {
        delete attr.release();
        return fail_handle(ERROR_NOT_ENOUGH_MEMORY);
    }
    pthread_attr_setdetachstate(attr.get(), PTHREAD_CREATE_DETACHED);
    if (dwStackSize != 0)
        pthread_attr_setstacksize(attr.get(),
                                  std::max<std::size_t>(dwStackSize, static_cast<std::size_t>(PTHREAD_STACK_MIN)));

    // The handle exists before the thread runs, so that the thread may be
    // given (through its parameter or a global) its own handle at once.
    HANDLE handle = handles().add(record);
    auto arg = std::make_unique<std::shared_ptr<ThreadRecord>>(record);
    pthread_t thread;
    if (pthread_create(&thread, attr.get(), thread_main, arg.get()) != 0) {
        handles().remove(handle);
        return fail_handle(ERROR_NOT_ENOUGH_MEMORY);
    }
    arg.release();  // the thread owns it now

    if (lpThreadId) {
        std::unique_lock lock(record->mutex);
        record->changed.wait(lock, [&] { return record->started; });
        *lpThreadId = record->thread_id;
    }
    return handle;
}

BOOL CloseHandle(HANDLE hObject) {
    if (!handles().remove(hObject)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return win::FALSE;
    }
    return win::TRUE;
}

BOOL GetExitCodeThread(HANDLE hThread, win::LPDWORD lpExitCode) {
    auto record = handles().find(hThread);
    if (!record) {
        SetLastError(ERROR_INVALID_HANDLE);
        return win::FALSE;
    }
    if (!lpExitCode) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return win::FALSE;
    }
    std::lock_guard lock(record->mutex);
    *lpExitCode = record->exit_code;
    return win::TRUE;
}

BOOL TerminateThread(HANDLE hThread, DWORD dwExitCode) {
    auto record = handles().find(hThread);
    if (!record) {
        SetLastError(ERROR_INVALID_HANDLE);
        return win::FALSE;
    }
    if (record.get() != t_current) {
        SetLastError(ERROR_ACCESS_DENIED);
        return win::FALSE;
    }
    {
        std::lock_guard lock(record->mutex);
        record->exit_code = dwExitCode;
    }
    record.reset();  // pthread_exit unwinds, but be explicit about this frame's reference
    pthread_exit(nullptr);
}

DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds) {
    auto record = handles().find(hHandle);
    if (!record) {
        SetLastError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    std::unique_lock lock(record->mutex);
    auto ended = [&] { return record->ended; };
    if (dwMilliseconds == INFINITE) {
        record->changed.wait(lock, ended);
        return WAIT_OBJECT_0;
    }
    return record->changed.wait_for(lock, std::chrono::milliseconds(dwMilliseconds), ended) ? WAIT_OBJECT_0
                                                                                            : WAIT_TIMEOUT;
}

DWORD GetCurrentThreadId() { return static_cast<DWORD>(syscall(SYS_gettid)); }

void Sleep(DWORD dwMilliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(dwMilliseconds)); }

std::size_t open_thread_handle_count() { return handles().size(); }

}  // namespace quilbex::kernel
