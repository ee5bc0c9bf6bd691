#pragma once
// The WinInet functions as the application calls them: DLL commands 0 to 7 of
// the program's DLL command table ("wininet.dll"), bound by name on their
// first call through the runtime.

#include "platform/wininet/WinInet.h"
#include "runtime/DllBinding.h"

namespace quilbex::app::dll {

using namespace quilbex::wininet;

inline constexpr rt::DllCommand<HINTERNET(LPCSTR, DWORD, LPCSTR, LPCSTR, DWORD)> InternetOpenA{0};
inline constexpr rt::DllCommand<HINTERNET(HINTERNET, LPCSTR, INTERNET_PORT, LPCSTR, LPCSTR, DWORD, DWORD, DWORD_PTR)>
    InternetConnectA{1};
inline constexpr rt::DllCommand<BOOL(HINTERNET)> InternetCloseHandle{2};
inline constexpr rt::DllCommand<HINTERNET(HINTERNET, LPCSTR, LPCSTR, LPCSTR, LPCSTR, LPCSTR*, DWORD, DWORD_PTR)>
    HttpOpenRequestA{3};
inline constexpr rt::DllCommand<BOOL(HINTERNET, DWORD, LPVOID, DWORD)> InternetSetOptionA{4};
inline constexpr rt::DllCommand<BOOL(HINTERNET, LPCSTR, DWORD, LPVOID, DWORD)> HttpSendRequestA{5};
inline constexpr rt::DllCommand<BOOL(HINTERNET, LPVOID, DWORD, LPDWORD)> InternetReadFile{6};
inline constexpr rt::DllCommand<BOOL(HINTERNET, DWORD, LPVOID, LPDWORD, LPDWORD)> HttpQueryInfoA{7};

}  // namespace quilbex::app::dll
