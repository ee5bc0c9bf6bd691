#pragma once
// A small HTTP/1.1 server on the loopback interface, plain or over TLS, for the
// local services and for tests of HTTP clients. Each connection is served on
// its own thread; requests on one connection are answered in order.
//
// Threading: the handler runs on connection threads and may be called from
// several at once. stop() (also run by the destructor) closes the listening
// socket and every open connection, releases silent responses and joins all
// threads; after it returns the handler is never called again.

#include "sim/HttpMessage.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace quilbex::sim {

using Handler = std::function<Response(const Request&)>;

struct TlsFiles {
    std::string certificate_chain;  // PEM: the server certificate, then its issuers
    std::string private_key;  // PEM
};

// The loopback address to listen on.
enum class Loopback { ipv4, ipv6 };

class HttpServer {
public:
    // Listens on 127.0.0.1:port, or [::1]:port (0 picks a free port). Returns
    // null and sets `error` when the port cannot be bound or the TLS files
    // cannot be loaded.
    static std::unique_ptr<HttpServer> start(std::uint16_t port, const std::optional<TlsFiles>& tls, Handler handler,
                                             std::string* error = nullptr, Loopback loopback = Loopback::ipv4);

    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    std::uint16_t port() const;
    bool is_tls() const;
    void stop();

private:
    struct State;
    explicit HttpServer(std::unique_ptr<State> state);
    std::unique_ptr<State> m_state;
};

}  // namespace quilbex::sim
