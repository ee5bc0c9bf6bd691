#include "TlsServer.h"

#include <arpa/inet.h>
#include <csignal>
#include <netinet/in.h>
#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509v3.h>
#include <stdexcept>
#include <sys/socket.h>

namespace quilbex::reliability {

namespace {

struct BioFree {
    void operator()(BIO* b) const { BIO_free(b); }
};
struct SslFree {
    void operator()(SSL* s) const { SSL_free(s); }
};
struct ExtensionFree {
    void operator()(X509_EXTENSION* e) const { X509_EXTENSION_free(e); }
};

void check(bool ok, const char* what) {
    if (!ok)
        throw std::runtime_error(std::string("test certificate: ") + what);
}

bool is_ip_address(const std::string& host) {
    in_addr ignored{};
    return ::inet_pton(AF_INET, host.c_str(), &ignored) == 1;
}

void add_extension(X509* certificate, X509* issuer, int nid, const std::string& value) {
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, issuer, certificate, nullptr, nullptr, 0);
    std::unique_ptr<X509_EXTENSION, ExtensionFree> extension(
        X509V3_EXT_conf_nid(nullptr, &context, nid, value.c_str()));
    check(extension && X509_add_ext(certificate, extension.get(), -1) == 1, "extension");
}

// A certificate with the given subject, signed by `issuer` (itself when
// `issuer` is null).
ServerIdentity make_certificate(const std::string& common_name, const std::string& host, bool authority,
                                Validity validity, const ServerIdentity* issuer) {
    static std::atomic<long> serial{1};
    ServerIdentity made;
    made.key.reset(EVP_EC_gen("P-256"));
    made.certificate.reset(X509_new());
    X509* x = made.certificate.get();
    check(made.key && x, "allocation");
    X509_set_version(x, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(x), serial++);
    X509_gmtime_adj(X509_getm_notBefore(x), validity.from);
    X509_gmtime_adj(X509_getm_notAfter(x), validity.to);
    X509_set_pubkey(x, made.key.get());
    X509_NAME* name = X509_get_subject_name(x);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>(common_name.c_str()),
                               -1, -1, 0);
    X509* signer = issuer ? issuer->certificate.get() : x;
    X509_set_issuer_name(x, X509_get_subject_name(signer));
    if (authority) {
        add_extension(x, signer, NID_basic_constraints, "critical,CA:TRUE");
        add_extension(x, signer, NID_key_usage, "critical,keyCertSign,cRLSign");
    } else {
        add_extension(x, signer, NID_basic_constraints, "CA:FALSE");
        add_extension(x, signer, NID_ext_key_usage, "serverAuth");
        add_extension(x, signer, NID_subject_alt_name, (is_ip_address(host) ? "IP:" : "DNS:") + host);
    }
    EVP_PKEY* signing_key = issuer ? issuer->key.get() : made.key.get();
    check(X509_sign(x, signing_key, EVP_sha256()) > 0, "signature");
    return made;
}

}  // namespace

TestAuthority::TestAuthority()
    : m_root(make_certificate("Quilbex Fault Test Authority", "", true, {-3600, 86400}, nullptr)) {}

ServerIdentity TestAuthority::issue(const std::string& host, Validity validity) const {
    return make_certificate(host, host, false, validity, &m_root);
}

std::string TestAuthority::pem() const {
    std::unique_ptr<BIO, BioFree> out(BIO_new(BIO_s_mem()));
    check(out && PEM_write_bio_X509(out.get(), m_root.certificate.get()) == 1, "PEM");
    char* data = nullptr;
    long length = BIO_get_mem_data(out.get(), &data);
    return std::string(data, static_cast<std::size_t>(length));
}

ServerIdentity self_signed(const std::string& host) { return make_certificate(host, host, false, {}, nullptr); }

TlsServer::TlsServer(ServerIdentity identity, std::string response)
    : m_context(SSL_CTX_new(TLS_server_method())), m_response(std::move(response)), m_listener([this](int socket) {
          // A client that stalls mid-handshake must not hold the server (and
          // stop()) for ever.
          timeval limit{5, 0};
          ::setsockopt(socket, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
          ::setsockopt(socket, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
          answer(socket);
      }) {
    // OpenSSL writes to the socket with write(): a client that refused the
    // certificate and hung up would end the whole test process with SIGPIPE.
    ::signal(SIGPIPE, SIG_IGN);
    check(m_context && SSL_CTX_use_certificate(m_context.get(), identity.certificate.get()) == 1 &&
              SSL_CTX_use_PrivateKey(m_context.get(), identity.key.get()) == 1,
          "server context");
}

std::string TlsServer::url(const std::string& path) const {
    return "https://127.0.0.1:" + std::to_string(port()) + path;
}

void TlsServer::answer(int socket) {
    std::unique_ptr<SSL, SslFree> ssl(SSL_new(m_context.get()));
    if (!ssl || SSL_set_fd(ssl.get(), socket) != 1 || SSL_accept(ssl.get()) != 1)
        return;
    ++m_handshakes;
    std::string head;
    char buffer[4096];
    while (head.find("\r\n\r\n") == std::string::npos) {
        int n = SSL_read(ssl.get(), buffer, sizeof buffer);
        if (n <= 0)
            return;
        head.append(buffer, static_cast<std::size_t>(n));
    }
    ++m_requests;
    SSL_write(ssl.get(), m_response.data(), static_cast<int>(m_response.size()));
    SSL_shutdown(ssl.get());
}

}  // namespace quilbex::reliability
