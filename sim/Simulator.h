#pragma once
// The local stand-ins for the forum, its mobile API, the quote service and the
// account site, each on its own HTTPS port on 127.0.0.1, plus a plain-HTTP
// control port:
//
//   service   default port   handler
//   control   18440 (http)   GET /log, POST /log/clear, GET /scenario,
//                            POST /scenario (body or query "key=value&...";
//                            the keys and the strict rules they switch are
//                            listed in Scenario.h),
//                            POST /reset, POST /shutdown
//   forum     18443          forum_site
//   api       18444          mobile_api
//   quote     18445          quote_service
//   account   18446          account_site
//
// The certificate directory holds ca.pem (the authority that clients trust),
// server.pem (the server certificate for 127.0.0.1 and localhost, followed by
// nothing else) and server.key.

#include "sim/HttpServer.h"
#include "sim/Services.h"

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace quilbex::sim {

struct SimOptions {
    std::string certificate_dir;
    std::uint16_t control_port = 18440;
    std::uint16_t forum_port = 18443;
    std::uint16_t api_port = 18444;
    std::uint16_t quote_port = 18445;
    std::uint16_t account_port = 18446;
    std::string log_file;  // empty: the log is kept in memory only
    std::vector<std::string> scenario;  // "key=value" assignments

    // Every port 0: free ports chosen by the system (for tests).
    static SimOptions any_ports(std::string certificate_dir);
};

class Simulator {
public:
    // Starts every service; null with `error` set when one cannot start.
    static std::unique_ptr<Simulator> start(const SimOptions& options, std::string* error = nullptr);
    ~Simulator();

    std::uint16_t control_port() const;
    std::uint16_t forum_port() const;
    std::uint16_t api_port() const;
    std::uint16_t quote_port() const;
    std::uint16_t account_port() const;
    // "127.0.0.1:<port>", the form in which the application's configuration names hosts.
    std::string host(std::uint16_t port) const;

    SimState& state() { return *m_state; }
    std::string ca_file() const;

    // Blocks until a control request asks to shut down or request_stop() is called.
    void wait();
    void request_stop();
    void stop();

private:
    Simulator() = default;
    Response control(const Request& request);

    std::string m_certificate_dir;
    std::unique_ptr<SimState> m_state;
    std::unique_ptr<HttpServer> m_control, m_forum, m_api, m_quote, m_account;
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_stop_requested = false;
};

}  // namespace quilbex::sim
