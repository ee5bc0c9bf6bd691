#pragma once
// Certificates and HTTPS servers for the engine tests, made at run time with
// the openssl command-line tool and cpp-httplib. Nothing is kept on disk
// beyond the test's temporary folder.

#include <functional>
#include <httplib.h>
#include <memory>
#include <string>
#include <thread>

namespace quilbex::testing {

class TempDir {
public:
    TempDir();
    ~TempDir();
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

// A self-made certificate authority that issues server certificates.
class TestAuthority {
public:
    TestAuthority(const std::string& dir, const std::string& name);
    const std::string& ca_file() const { return m_ca_file; }
    struct Issued {
        std::string cert_file;
        std::string key_file;
    };
    // A server certificate for 127.0.0.1 and localhost.
    Issued issue_server(const std::string& name) const;

private:
    std::string m_dir;
    std::string m_ca_file;
    std::string m_ca_key;
};

// An HTTPS server on a free loopback port, serving until destroyed.
class HttpsServer {
public:
    HttpsServer(const TestAuthority::Issued& certificate, const std::function<void(httplib::Server&)>& routes);
    ~HttpsServer();
    int port() const { return m_port; }
    // "https://<host>:<port><path>"
    std::string url(const std::string& path, const std::string& host = "127.0.0.1") const;

private:
    std::unique_ptr<httplib::SSLServer> m_server;
    std::thread m_thread;
    int m_port = -1;
};

}  // namespace quilbex::testing
