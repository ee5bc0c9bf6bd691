// The exported WinInet functions: argument checks, handle look-up and the
// last-error convention around the objects of InternetObjects.h.

#include "platform/wininet/WinInet.h"

#include "platform/kernel/Thread.h"
#include "platform/wininet/HandleTable.h"
#include "platform/wininet/WinInetErrors.h"

#include <cstring>

namespace quilbex::wininet {

namespace {

BOOL fail(DWORD error) {
    kernel::SetLastError(error);
    return FALSE;
}

HINTERNET fail_handle(DWORD error) {
    kernel::SetLastError(error);
    return nullptr;
}

// The object of an open handle of the given kind, or null with the last error
// set (unknown or closed handle, or a handle of another kind).
template <typename T> std::shared_ptr<T> find_kind(HINTERNET handle, HandleKind kind) {
    auto object = find_handle(handle);
    if (!object) {
        kernel::SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (object->kind() != kind) {
        kernel::SetLastError(ERROR_INTERNET_INCORRECT_HANDLE_TYPE);
        return nullptr;
    }
    return std::static_pointer_cast<T>(object);
}

std::string text_or(LPCSTR text, const char* fallback) { return text ? std::string(text) : std::string(fallback); }

// Writes a zero-terminated result with the buffer-size convention of
// HttpQueryInfoA.
BOOL answer_text(const std::string& text, LPVOID buffer, LPDWORD buffer_length) {
    DWORD needed = static_cast<DWORD>(text.size() + 1);
    if (!buffer || *buffer_length < needed) {
        *buffer_length = needed;
        return fail(ERROR_INSUFFICIENT_BUFFER);
    }
    std::memcpy(buffer, text.data(), text.size());
    static_cast<char*>(buffer)[text.size()] = '\0';
    *buffer_length = static_cast<DWORD>(text.size());
    return TRUE;
}

std::string status_text(const std::vector<std::string>& lines) {
    if (lines.empty())
        return {};
    const std::string& status_line = lines.front();
    auto first = status_line.find(' ');
    auto second = first == std::string::npos ? first : status_line.find(' ', first + 1);
    return second == std::string::npos ? std::string() : status_line.substr(second + 1);
}

}  // namespace

DWORD GetLastError() { return kernel::GetLastError(); }
void SetLastError(DWORD error) { kernel::SetLastError(error); }

HINTERNET InternetOpenA(LPCSTR agent, DWORD access_type, LPCSTR proxy, LPCSTR, DWORD) {
    std::string proxy_list;
    switch (access_type) {
    // The machine's proxy settings here are the environment's variables,
    // which every user of the network follows (ProxyPolicy.h).
    case INTERNET_OPEN_TYPE_PRECONFIG:
    case INTERNET_OPEN_TYPE_DIRECT: break;
    case INTERNET_OPEN_TYPE_PROXY:
        if (!proxy || !*proxy)
            return fail_handle(ERROR_INVALID_PARAMETER);
        proxy_list = proxy;
        break;
    default: return fail_handle(ERROR_INVALID_PARAMETER);
    }
    auto session = std::make_shared<SessionObject>(text_or(agent, ""), access_type, std::move(proxy_list));
    return open_handle(std::move(session), nullptr);
}

HINTERNET InternetConnectA(HINTERNET session, LPCSTR server_name, INTERNET_PORT server_port, LPCSTR, LPCSTR,
                           DWORD service, DWORD, DWORD_PTR) {
    auto owner = find_kind<SessionObject>(session, HandleKind::Session);
    if (!owner)
        return nullptr;
    if (!server_name || !*server_name || service != INTERNET_SERVICE_HTTP)
        return fail_handle(ERROR_INVALID_PARAMETER);
    auto connection = std::make_shared<ConnectionObject>(owner, server_name, server_port);
    HINTERNET handle = open_handle(std::move(connection), session);
    return handle ? handle : fail_handle(ERROR_INVALID_HANDLE);
}

HINTERNET HttpOpenRequestA(HINTERNET connection, LPCSTR verb, LPCSTR object_name, LPCSTR, LPCSTR referrer,
                           LPCSTR* accept_types, DWORD flags, DWORD_PTR) {
    auto owner = find_kind<ConnectionObject>(connection, HandleKind::Connection);
    if (!owner)
        return nullptr;
    std::string method = verb && *verb ? verb : "GET";
    // Lines that HttpOpenRequestA's own arguments ask for go before the block
    // that HttpSendRequestA gives.
    std::vector<std::string> lines;
    if (accept_types && *accept_types) {
        std::string accept = "Accept: ";
        for (LPCSTR* type = accept_types; *type; ++type)
            accept += std::string(type == accept_types ? "" : ", ") + *type;
        lines.push_back(accept);
    }
    if (referrer && *referrer)
        lines.push_back(std::string("Referer: ") + referrer);
    auto request =
        std::make_shared<RequestObject>(owner, std::move(method), text_or(object_name, "/"), flags, std::move(lines));
    HINTERNET handle = open_handle(std::move(request), connection);
    return handle ? handle : fail_handle(ERROR_INVALID_HANDLE);
}

BOOL InternetSetOptionA(HINTERNET handle, DWORD option, LPVOID buffer, DWORD buffer_length) {
    if (!buffer)
        return fail(ERROR_INVALID_PARAMETER);
    if (buffer_length < sizeof(DWORD))
        return fail(ERROR_INTERNET_BAD_OPTION_LENGTH);
    DWORD value;
    std::memcpy(&value, buffer, sizeof value);
    if (!handle)
        return set_default_option(option, value) ? TRUE : fail(ERROR_INTERNET_INVALID_OPTION);
    auto object = find_handle(handle);
    if (!object)
        return fail(ERROR_INVALID_HANDLE);
    return object->set_option(option, value) ? TRUE : fail(ERROR_INTERNET_INVALID_OPTION);
}

BOOL HttpSendRequestA(HINTERNET request, LPCSTR headers, DWORD headers_length, LPVOID optional, DWORD optional_length) {
    auto object = find_kind<RequestObject>(request, HandleKind::Request);
    if (!object)
        return FALSE;
    if (!optional && optional_length != 0)
        return fail(ERROR_INVALID_PARAMETER);
    std::string_view block;
    if (headers)
        block = headers_length == static_cast<DWORD>(-1) ? std::string_view(headers)
                                                         : std::string_view(headers, headers_length);
    std::string body(static_cast<const char*>(optional), optional ? optional_length : 0);
    DWORD error = object->send(block, std::move(body));
    return error == ERROR_SUCCESS ? TRUE : fail(error);
}

BOOL InternetReadFile(HINTERNET request, LPVOID buffer, DWORD bytes_to_read, LPDWORD bytes_read) {
    if (!bytes_read)
        return fail(ERROR_INVALID_PARAMETER);
    *bytes_read = 0;
    if (!buffer && bytes_to_read != 0)
        return fail(ERROR_INVALID_PARAMETER);
    auto object = find_kind<RequestObject>(request, HandleKind::Request);
    if (!object)
        return FALSE;
    DWORD error = object->read(buffer, bytes_to_read, bytes_read);
    return error == ERROR_SUCCESS ? TRUE : fail(error);
}

BOOL HttpQueryInfoA(HINTERNET request, DWORD info_level, LPVOID buffer, LPDWORD buffer_length, LPDWORD) {
    if (!buffer_length)
        return fail(ERROR_INVALID_PARAMETER);
    auto object = find_kind<RequestObject>(request, HandleKind::Request);
    if (!object)
        return FALSE;
    auto lines = object->header_lines();
    if (!lines)
        return fail(ERROR_HTTP_HEADER_NOT_FOUND);
    DWORD level = info_level & 0xFFFF;
    bool as_number = (info_level & HTTP_QUERY_FLAG_NUMBER) != 0;
    switch (level) {
    case HTTP_QUERY_STATUS_CODE:
        if (as_number) {
            DWORD status = static_cast<DWORD>(object->status());
            if (!buffer || *buffer_length < sizeof status) {
                *buffer_length = sizeof status;
                return fail(ERROR_INSUFFICIENT_BUFFER);
            }
            std::memcpy(buffer, &status, sizeof status);
            *buffer_length = sizeof status;
            return TRUE;
        }
        return answer_text(std::to_string(object->status()), buffer, buffer_length);
    case HTTP_QUERY_STATUS_TEXT: return answer_text(status_text(*lines), buffer, buffer_length);
    case HTTP_QUERY_RAW_HEADERS_CRLF: return answer_text(*object->raw_headers_crlf(), buffer, buffer_length);
    case HTTP_QUERY_RAW_HEADERS: {
        // Each line ends in a zero byte; the list ends in one more.
        std::string text;
        for (const auto& line : *lines)
            text += line + '\0';
        return answer_text(text, buffer, buffer_length);
    }
    default: return fail(ERROR_HTTP_HEADER_NOT_FOUND);
    }
}

BOOL InternetCloseHandle(HINTERNET handle) {
    if (!handle || !close_handle(handle))
        return fail(ERROR_INVALID_HANDLE);
    return TRUE;
}

}  // namespace quilbex::wininet
