#pragma once
// Error codes that the WinInet functions leave for GetLastError().

#include "platform/kernel/WinTypes.h"

namespace quilbex::wininet {

inline constexpr win::DWORD ERROR_SUCCESS = 0;
inline constexpr win::DWORD ERROR_INVALID_HANDLE = 6;
inline constexpr win::DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
inline constexpr win::DWORD ERROR_INVALID_PARAMETER = 87;
inline constexpr win::DWORD ERROR_INSUFFICIENT_BUFFER = 122;
inline constexpr win::DWORD ERROR_INTERNET_TIMEOUT = 12002;
inline constexpr win::DWORD ERROR_INTERNET_INTERNAL_ERROR = 12004;
inline constexpr win::DWORD ERROR_INTERNET_INVALID_URL = 12005;
inline constexpr win::DWORD ERROR_INTERNET_NAME_NOT_RESOLVED = 12007;
inline constexpr win::DWORD ERROR_INTERNET_INVALID_OPTION = 12009;
inline constexpr win::DWORD ERROR_INTERNET_BAD_OPTION_LENGTH = 12010;
inline constexpr win::DWORD ERROR_INTERNET_OPERATION_CANCELLED = 12017;
inline constexpr win::DWORD ERROR_INTERNET_INCORRECT_HANDLE_TYPE = 12018;
inline constexpr win::DWORD ERROR_INTERNET_INCORRECT_HANDLE_STATE = 12019;
inline constexpr win::DWORD ERROR_INTERNET_CANNOT_CONNECT = 12029;
inline constexpr win::DWORD ERROR_INTERNET_CONNECTION_ABORTED = 12030;
inline constexpr win::DWORD ERROR_INTERNET_CONNECTION_RESET = 12031;
inline constexpr win::DWORD ERROR_INTERNET_SEC_CERT_DATE_INVALID = 12037;
inline constexpr win::DWORD ERROR_INTERNET_SEC_CERT_CN_INVALID = 12038;
inline constexpr win::DWORD ERROR_INTERNET_HTTP_TO_HTTPS_ON_REDIR = 12039;
inline constexpr win::DWORD ERROR_INTERNET_HTTPS_TO_HTTP_ON_REDIR = 12040;
inline constexpr win::DWORD ERROR_INTERNET_INVALID_CA = 12045;
inline constexpr win::DWORD ERROR_HTTP_HEADER_NOT_FOUND = 12150;
inline constexpr win::DWORD ERROR_HTTP_INVALID_SERVER_RESPONSE = 12152;
inline constexpr win::DWORD ERROR_HTTP_REDIRECT_FAILED = 12156;
inline constexpr win::DWORD ERROR_INTERNET_SECURITY_CHANNEL_ERROR = 12157;

}  // namespace quilbex::wininet
