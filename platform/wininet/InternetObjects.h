#pragma once
// The objects behind HINTERNET values: a session, a connection under it and
// requests under that. Each child keeps its parent object alive, so a request
// can read its session's settings even after the session handle was closed;
// the handle table (HandleTable.h) decides which handles are still open.
// Internal to this layer.

#include "platform/wininet/HttpTransfer.h"
#include "platform/wininet/WinInet.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace quilbex::wininet {

enum class HandleKind { Session, Connection, Request };

// Options set with InternetSetOptionA on one handle; unset ones are inherited
// from the parent, then from the process-wide defaults.
struct HandleOptions {
    std::optional<DWORD> connect_timeout_ms;
    std::optional<DWORD> receive_timeout_ms;
    std::optional<DWORD> send_timeout_ms;
    std::optional<DWORD> security_flags;
};

class InternetObject {
public:
    InternetObject(HandleKind kind, std::shared_ptr<InternetObject> parent)
        : m_kind(kind), m_parent(std::move(parent)) {}
    virtual ~InternetObject() = default;

    HandleKind kind() const { return m_kind; }
    const std::shared_ptr<InternetObject>& parent() const { return m_parent; }

    // Stores a DWORD option; false for an option this layer does not know.
    bool set_option(DWORD option, DWORD value);
    HandleOptions effective_options() const;

    // Set when the handle is closed; a transfer in progress then stops.
    void mark_closed() { m_closed.store(true); }
    const std::atomic<bool>& closed_flag() const { return m_closed; }

private:
    HandleKind m_kind;
    std::shared_ptr<InternetObject> m_parent;
    mutable std::mutex m_options_mutex;
    HandleOptions m_options;
    std::atomic<bool> m_closed{false};
};

// Process-wide defaults, as InternetSetOptionA(NULL, ...) sets them.
bool set_default_option(DWORD option, DWORD value);

class SessionObject : public InternetObject {
public:
    SessionObject(std::string agent, DWORD access_type, std::string proxy_list)
        : InternetObject(HandleKind::Session, nullptr), m_agent(std::move(agent)), m_access_type(access_type),
          m_proxy_list(std::move(proxy_list)) {}
    const std::string& agent() const { return m_agent; }
    // The proxy URL for a scheme (empty for a direct connection) when the
    // session was opened with a proxy list; none when the environment's
    // policy decides (ProxyPolicy.h): a session opened "direct" or
    // "preconfigured" connects as every other user of the network does.
    std::optional<std::string> proxy_for(const std::string& scheme) const;

private:
    std::string m_agent;
    DWORD m_access_type;
    std::string m_proxy_list;
};

class ConnectionObject : public InternetObject {
public:
    ConnectionObject(std::shared_ptr<SessionObject> session, std::string server, INTERNET_PORT port)
        : InternetObject(HandleKind::Connection, session), m_session(std::move(session)), m_server(std::move(server)),
          m_port(port) {}
    const SessionObject& session() const { return *m_session; }
    const std::string& server() const { return m_server; }
    INTERNET_PORT port() const { return m_port; }

private:
    std::shared_ptr<SessionObject> m_session;
    std::string m_server;
    INTERNET_PORT m_port;
};

class RequestObject : public InternetObject {
public:
    // `own_lines` are the Accept and Referer lines that HttpOpenRequestA's
    // arguments ask for; a line of the same name in the sent block wins.
    RequestObject(std::shared_ptr<ConnectionObject> connection, std::string verb, std::string object, DWORD flags,
                  std::vector<std::string> own_lines)
        : InternetObject(HandleKind::Request, connection), m_connection(std::move(connection)), m_verb(std::move(verb)),
          m_object(std::move(object)), m_flags(flags), m_own_lines(std::move(own_lines)) {}

    // Sends the request and receives the response, following redirects as the
    // flags allow. Returns ERROR_SUCCESS or the error for HttpSendRequestA.
    DWORD send(std::string_view header_block, std::string body);

    // InternetReadFile: ERROR_SUCCESS with *count 0 at the end of the body.
    DWORD read(void* buffer, DWORD size, DWORD* count);

    // The raw headers of the final response (each line with CR LF, then an
    // empty line), or nothing before a response has arrived.
    std::optional<std::string> raw_headers_crlf() const;
    std::optional<std::vector<std::string>> header_lines() const;
    long status() const;

    // The URL of the first request: scheme, server, port and object.
    std::string initial_url() const;

private:
    std::shared_ptr<ConnectionObject> m_connection;
    std::string m_verb;
    std::string m_object;
    DWORD m_flags;
    std::vector<std::string> m_own_lines;

    mutable std::mutex m_mutex;
    bool m_has_response = false;
    TransferResult m_response;
    std::size_t m_read_offset = 0;
};

}  // namespace quilbex::wininet
