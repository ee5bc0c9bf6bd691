#include "tests/engine/TestTls.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace quilbex::testing {

namespace {

void run(const std::string& command) {
    int rc = std::system((command + " >/dev/null 2>&1").c_str());
    if (rc != 0)
        ADD_FAILURE() << "command failed: " << command;
}

}  // namespace

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quilbex-engine-test-XXXXXX").string();
    if (mkdtemp(pattern.data()))
        m_path = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    if (!m_path.empty())
        std::filesystem::remove_all(m_path, ignored);
}

TestAuthority::TestAuthority(const std::string& dir, const std::string& name)
    : m_dir(dir), m_ca_file(dir + "/" + name + "-ca.pem"), m_ca_key(dir + "/" + name + "-ca.key") {
    run("openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2 -subj '/CN=" + name +
        " Test Authority' -keyout '" + m_ca_key + "' -out '" + m_ca_file +
        "' -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign,cRLSign");
}

TestAuthority::Issued TestAuthority::issue_server(const std::string& name) const {
    Issued issued{m_dir + "/" + name + ".pem", m_dir + "/" + name + ".key"};
    const std::string request = m_dir + "/" + name + ".csr";
    const std::string extensions = m_dir + "/" + name + ".ext";
    std::ofstream(extensions) << "subjectAltName=IP:127.0.0.1,DNS:localhost\n"
                                 "basicConstraints=CA:FALSE\n"
                                 "extendedKeyUsage=serverAuth\n";
    run("openssl req -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -subj '/CN=localhost' -keyout '" +
        issued.key_file + "' -out '" + request + "'");
    run("openssl x509 -req -days 2 -in '" + request + "' -CA '" + m_ca_file + "' -CAkey '" + m_ca_key +
        "' -CAcreateserial -out '" + issued.cert_file + "' -extfile '" + extensions + "'");
    return issued;
}

HttpsServer::HttpsServer(const TestAuthority::Issued& certificate, const std::function<void(httplib::Server&)>& routes)
    : m_server(std::make_unique<httplib::SSLServer>(certificate.cert_file.c_str(), certificate.key_file.c_str())) {
    if (!m_server->is_valid()) {
        ADD_FAILURE() << "the HTTPS server cannot use " << certificate.cert_file;
        return;
    }
    routes(*m_server);
    m_port = m_server->bind_to_any_port("127.0.0.1");
    m_thread = std::thread([this] { m_server->listen_after_bind(); });
}

HttpsServer::~HttpsServer() {
    m_server->stop();
    if (m_thread.joinable())
        m_thread.join();
}

std::string HttpsServer::url(const std::string& path, const std::string& host) const {
    return "https://" + host + ":" + std::to_string(m_port) + path;
}

}  // namespace quilbex::testing
