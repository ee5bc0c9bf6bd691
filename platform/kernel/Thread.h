#pragma once
// Threads, thread handles and the per-thread last error, with the Windows
// functions the program uses.
//
// A thread handle is a small integer value (it fits the 32-bit variables the
// application keeps handles in) that names an entry of a process-wide handle
// table. Each entry holds a reference to the thread's record; the running
// thread holds one more. The record (exit code, end signal) lives until the
// thread has ended and every handle to it is closed, so a handle stays valid
// after its thread ended, and a thread keeps running after its last handle was
// closed.
//
// Limitation: TerminateThread ends only the calling thread. Ending another
// thread at an arbitrary point cannot be done safely on this platform (it
// would leave locks held and memory in use), so for any other thread it fails
// with ERROR_ACCESS_DENIED. Ending the calling thread unwinds its stack as
// pthread_exit does: destructors run, and no frame between the thread's start
// and the call may be noexcept or swallow exceptions with catch (...).

#include "platform/kernel/WinTypes.h"

#include <cstddef>

namespace quilbex::kernel {

using LPTHREAD_START_ROUTINE = win::DWORD (*)(win::LPVOID);

inline constexpr win::DWORD STILL_ACTIVE = 259;
inline constexpr win::DWORD INFINITE = 0xFFFFFFFF;
inline constexpr win::DWORD WAIT_OBJECT_0 = 0;
inline constexpr win::DWORD WAIT_TIMEOUT = 258;
inline constexpr win::DWORD WAIT_FAILED = 0xFFFFFFFF;
inline constexpr win::DWORD CREATE_SUSPENDED = 0x00000004;

// Last-error codes used by the kernel layer (and free for the other layers).
inline constexpr win::DWORD ERROR_SUCCESS = 0;
inline constexpr win::DWORD ERROR_FILE_NOT_FOUND = 2;
inline constexpr win::DWORD ERROR_PATH_NOT_FOUND = 3;
inline constexpr win::DWORD ERROR_ACCESS_DENIED = 5;
inline constexpr win::DWORD ERROR_INVALID_HANDLE = 6;
inline constexpr win::DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
inline constexpr win::DWORD ERROR_WRITE_FAULT = 29;
inline constexpr win::DWORD ERROR_NOT_SUPPORTED = 50;
inline constexpr win::DWORD ERROR_INVALID_PARAMETER = 87;
inline constexpr win::DWORD ERROR_INSUFFICIENT_BUFFER = 122;
inline constexpr win::DWORD ERROR_INVALID_FLAGS = 1004;
inline constexpr win::DWORD ERROR_NO_UNICODE_TRANSLATION = 1113;

// The calling thread's last error, as GetLastError/SetLastError keep it.
win::DWORD GetLastError();
void SetLastError(win::DWORD code);

// Starts lpStartAddress(lpParameter) on a new thread and returns a new handle,
// or null (with the last error set) when the thread cannot be created.
// lpThreadAttributes is ignored; dwStackSize 0 is the default size; the only
// flag accepted is 0 (CREATE_SUSPENDED fails with ERROR_NOT_SUPPORTED). The
// routine's result becomes the thread's exit code.
win::HANDLE CreateThread(win::LPVOID lpThreadAttributes, std::size_t dwStackSize, LPTHREAD_START_ROUTINE lpStartAddress,
                         win::LPVOID lpParameter, win::DWORD dwCreationFlags, win::LPDWORD lpThreadId);

// Closes one handle. FALSE with ERROR_INVALID_HANDLE for an unknown handle.
win::BOOL CloseHandle(win::HANDLE hObject);

// STILL_ACTIVE while the thread runs, then its exit code.
win::BOOL GetExitCodeThread(win::HANDLE hThread, win::LPDWORD lpExitCode);

// Ends the calling thread with dwExitCode when hThread is a handle to it (does
// not return). Any other thread: FALSE with ERROR_ACCESS_DENIED; see above.
win::BOOL TerminateThread(win::HANDLE hThread, win::DWORD dwExitCode);

// Waits until the thread has ended: WAIT_OBJECT_0, WAIT_TIMEOUT after
// dwMilliseconds (INFINITE waits for ever), WAIT_FAILED for a bad handle.
win::DWORD WaitForSingleObject(win::HANDLE hHandle, win::DWORD dwMilliseconds);

// A number that names the calling thread while it runs, never 0.
win::DWORD GetCurrentThreadId();

// Suspends the calling thread for at least dwMilliseconds.
void Sleep(win::DWORD dwMilliseconds);

// The number of open thread handles. For tests and diagnostics.
std::size_t open_thread_handle_count();

}  // namespace quilbex::kernel
