#pragma once
// A loopback TLS server for certificate fault tests, with certificates made in
// memory for each test: a test authority that issues server certificates for
// any host name or validity, and self-signed ones. The server answers every
// request that gets through the handshake with a fixed response; it counts
// finished handshakes and requests so that a test can show that a refused
// certificate carried no request. stop() (also run by the destructor) joins
// the thread and closes every socket.

#include "LoopbackListener.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <string>

namespace quilbex::reliability {

struct X509Free {
    void operator()(X509* x) const { X509_free(x); }
};
struct KeyFree {
    void operator()(EVP_PKEY* k) const { EVP_PKEY_free(k); }
};
struct SslContextFree {
    void operator()(SSL_CTX* c) const { SSL_CTX_free(c); }
};
using X509Ptr = std::unique_ptr<X509, X509Free>;
using KeyPtr = std::unique_ptr<EVP_PKEY, KeyFree>;
using SslContextPtr = std::unique_ptr<SSL_CTX, SslContextFree>;

struct ServerIdentity {
    X509Ptr certificate;
    KeyPtr key;
};

// Validity of a certificate in seconds from now (negative: in the past).
struct Validity {
    long from = -3600;
    long to = 86400;
};

class TestAuthority {
public:
    TestAuthority();
    // A server certificate for `host` (an IP address or a DNS name, written
    // as the common name and the subject alternative name) signed by this
    // authority.
    ServerIdentity issue(const std::string& host, Validity validity = {}) const;
    // The authority's certificate as PEM, for a trust file.
    std::string pem() const;

private:
    ServerIdentity m_root;
};

// A certificate for `host` that signs itself.
ServerIdentity self_signed(const std::string& host);

class TlsServer {
public:
    TlsServer(ServerIdentity identity, std::string response);
    TlsServer(const TlsServer&) = delete;
    TlsServer& operator=(const TlsServer&) = delete;

    std::uint16_t port() const { return m_listener.port(); }
    std::string url(const std::string& path = "/") const;
    int handshakes() const { return m_handshakes.load(); }
    int requests() const { return m_requests.load(); }
    void stop() { m_listener.stop(); }

private:
    void answer(int socket);

    SslContextPtr m_context;
    std::string m_response;
    std::atomic<int> m_handshakes{0};
    std::atomic<int> m_requests{0};
    LoopbackListener m_listener;  // last: its thread uses the members above
};

}  // namespace quilbex::reliability
