#pragma once
// The WinInet functions that the application binds from "wininet.dll", with
// Windows' names, argument conventions and observable behaviour, over libcurl.
//
// Handles form a tree: session (InternetOpenA) -> connection (InternetConnectA)
// -> request (HttpOpenRequestA). InternetCloseHandle closes a handle and every
// handle below it; a closed or unknown handle fails with ERROR_INVALID_HANDLE
// and is never dereferenced. All functions are safe to call from any thread;
// one request handle should be driven by one thread at a time.
//
// HttpSendRequestA performs the whole exchange: it sends the request line and
// exactly the given header block, in its order, plus Host, Content-Length
// (when there is a body, and for POST and PUT always) and, when the block has
// no User-Agent line, the session's agent. Nothing else is added (no Accept,
// Expect, Accept-Encoding or Connection lines) and nothing is decompressed.
// Redirects are followed unless INTERNET_FLAG_NO_AUTO_REDIRECT; a POST
// answered 301, 302 or 303 continues as a GET without its body. Requests
// without INTERNET_FLAG_NO_COOKIES send and store cookies in one process-wide
// cookie store.
//
// TLS certificates are always verified (see TlsTrust.h); the certificate
// bits of INTERNET_OPTION_SECURITY_FLAGS are accepted and ignored. The bits
// SECURITY_FLAG_IGNORE_REDIRECT_TO_HTTP(S) are honoured.
//
// Failures return FALSE or a null handle and leave the reason for
// GetLastError() (ERROR_INTERNET_* codes, WinInetErrors.h).

#include "platform/kernel/WinTypes.h"

namespace quilbex::wininet {

using namespace quilbex::win;

using HINTERNET = void*;
using INTERNET_PORT = WORD;

// InternetOpenA access types.
inline constexpr DWORD INTERNET_OPEN_TYPE_PRECONFIG = 0;
inline constexpr DWORD INTERNET_OPEN_TYPE_DIRECT = 1;
inline constexpr DWORD INTERNET_OPEN_TYPE_PROXY = 3;

// InternetConnectA services.
inline constexpr DWORD INTERNET_SERVICE_HTTP = 3;
inline constexpr INTERNET_PORT INTERNET_DEFAULT_HTTP_PORT = 80;
inline constexpr INTERNET_PORT INTERNET_DEFAULT_HTTPS_PORT = 443;
inline constexpr INTERNET_PORT INTERNET_INVALID_PORT_NUMBER = 0;

// HttpOpenRequestA flags.
inline constexpr DWORD INTERNET_FLAG_RELOAD = 0x80000000;
inline constexpr DWORD INTERNET_FLAG_SECURE = 0x00800000;
inline constexpr DWORD INTERNET_FLAG_NO_AUTO_REDIRECT = 0x00200000;
inline constexpr DWORD INTERNET_FLAG_NO_COOKIES = 0x00080000;
inline constexpr DWORD INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTP = 0x00008000;
inline constexpr DWORD INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS = 0x00004000;
inline constexpr DWORD INTERNET_FLAG_NEED_FILE = 0x00000010;

// InternetSetOptionA options (DWORD values; time-outs in milliseconds).
inline constexpr DWORD INTERNET_OPTION_CONNECT_TIMEOUT = 2;
inline constexpr DWORD INTERNET_OPTION_SEND_TIMEOUT = 5;
inline constexpr DWORD INTERNET_OPTION_RECEIVE_TIMEOUT = 6;
inline constexpr DWORD INTERNET_OPTION_DATA_SEND_TIMEOUT = 7;
inline constexpr DWORD INTERNET_OPTION_DATA_RECEIVE_TIMEOUT = 8;
inline constexpr DWORD INTERNET_OPTION_SECURITY_FLAGS = 31;

// INTERNET_OPTION_SECURITY_FLAGS bits.
inline constexpr DWORD SECURITY_FLAG_IGNORE_REVOCATION = 0x00000080;
inline constexpr DWORD SECURITY_FLAG_IGNORE_UNKNOWN_CA = 0x00000100;
inline constexpr DWORD SECURITY_FLAG_IGNORE_WRONG_USAGE = 0x00000200;
inline constexpr DWORD SECURITY_FLAG_IGNORE_CERT_CN_INVALID = 0x00001000;
inline constexpr DWORD SECURITY_FLAG_IGNORE_CERT_DATE_INVALID = 0x00002000;
inline constexpr DWORD SECURITY_FLAG_IGNORE_REDIRECT_TO_HTTPS = 0x00004000;
inline constexpr DWORD SECURITY_FLAG_IGNORE_REDIRECT_TO_HTTP = 0x00008000;

// HttpQueryInfoA levels and modifiers.
inline constexpr DWORD HTTP_QUERY_STATUS_CODE = 19;
inline constexpr DWORD HTTP_QUERY_STATUS_TEXT = 20;
inline constexpr DWORD HTTP_QUERY_RAW_HEADERS = 21;
inline constexpr DWORD HTTP_QUERY_RAW_HEADERS_CRLF = 22;
inline constexpr DWORD HTTP_QUERY_FLAG_NUMBER = 0x20000000;

// Default time-outs, as the platform has them.
inline constexpr DWORD kDefaultConnectTimeoutMs = 60000;
inline constexpr DWORD kDefaultReceiveTimeoutMs = 30000;

HINTERNET InternetOpenA(LPCSTR agent, DWORD access_type, LPCSTR proxy, LPCSTR proxy_bypass, DWORD flags);

HINTERNET InternetConnectA(HINTERNET session, LPCSTR server_name, INTERNET_PORT server_port, LPCSTR user_name,
                           LPCSTR password, DWORD service, DWORD flags, DWORD_PTR context);

HINTERNET HttpOpenRequestA(HINTERNET connection, LPCSTR verb, LPCSTR object_name, LPCSTR version, LPCSTR referrer,
                           LPCSTR* accept_types, DWORD flags, DWORD_PTR context);

// A null handle sets the process-wide default for later handles.
BOOL InternetSetOptionA(HINTERNET handle, DWORD option, LPVOID buffer, DWORD buffer_length);

// headers_length (DWORD)-1 means a zero-terminated header block.
BOOL HttpSendRequestA(HINTERNET request, LPCSTR headers, DWORD headers_length, LPVOID optional, DWORD optional_length);

// Copies up to bytes_to_read bytes of the response body; *bytes_read 0 with
// TRUE means the end of the body.
BOOL InternetReadFile(HINTERNET request, LPVOID buffer, DWORD bytes_to_read, LPDWORD bytes_read);

// Texts are written with a terminating zero; *buffer_length receives their
// length without it. Too small a buffer fails with ERROR_INSUFFICIENT_BUFFER
// and *buffer_length receives the size needed, terminator included.
BOOL HttpQueryInfoA(HINTERNET request, DWORD info_level, LPVOID buffer, LPDWORD buffer_length, LPDWORD index);

BOOL InternetCloseHandle(HINTERNET handle);

// The calling thread's last error, the same one that kernel32's
// GetLastError reads.
DWORD GetLastError();
void SetLastError(DWORD error);

// Registers the functions above as the built-in library "wininet.dll". Safe to
// call more than once. Static libraries drop unused static initialisers, so
// the program calls this at start-up.
void register_wininet();

}  // namespace quilbex::wininet
