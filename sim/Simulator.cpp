#include "sim/Simulator.h"

namespace quilbex::sim {

SimOptions SimOptions::any_ports(std::string certificate_dir) {
    SimOptions options;
    options.certificate_dir = std::move(certificate_dir);
    options.control_port = options.forum_port = options.api_port = options.quote_port = options.account_port = 0;
    return options;
}

std::unique_ptr<Simulator> Simulator::start(const SimOptions& options, std::string* error) {
    std::unique_ptr<Simulator> sim(new Simulator());
    sim->m_certificate_dir = options.certificate_dir;
    sim->m_state = std::make_unique<SimState>();
    SimState& state = *sim->m_state;
    for (const auto& assignment : options.scenario) {
        if (!state.scenario.set_assignment(assignment)) {
            if (error)
                *error = "bad scenario setting: " + assignment;
            return nullptr;
        }
    }
    if (!options.log_file.empty() && !state.log.open_file(options.log_file)) {
        if (error)
            *error = "cannot open log file " + options.log_file;
        return nullptr;
    }

    TlsFiles tls{options.certificate_dir + "/server.pem", options.certificate_dir + "/server.key"};
    // Every service logs what arrives, then refuses what a real server in
    // front of it would: a Host that is not the service's own address and a
    // POST without a length. Only then does the service see the request.
    auto service = [&state](const char* name, Response (*handler)(SimState&, const Request&),
                            const std::atomic<std::uint16_t>& port) {
        return [&state, name, handler, &port](const Request& request) {
            state.log.add(name, request);
            if (state.scenario.on("check_host")) {
                const std::string own = std::to_string(port.load());
                const std::string host = request.header("Host").value_or("");
                if (host != "127.0.0.1:" + own && host != "localhost:" + own)
                    return Response::text(400, "Bad Request", "text/html",
                                          "<html><body>400 Bad Request: Host</body></html>");
            }
            if (state.scenario.on("check_length") && request.method == "POST" && !request.header("Content-Length"))
                return Response::text(411, "Length Required", "text/html",
                                      "<html><body>411 Length Required</body></html>");
            return handler(state, request);
        };
    };
    Simulator* raw = sim.get();
    if (!(sim->m_forum =
              HttpServer::start(options.forum_port, tls, service("forum", forum_site, state.forum_port), error)) ||
        !(sim->m_api = HttpServer::start(options.api_port, tls, service("api", mobile_api, state.api_port), error)) ||
        !(sim->m_quote =
              HttpServer::start(options.quote_port, tls, service("quote", quote_service, state.quote_port), error)) ||
        !(sim->m_account = HttpServer::start(options.account_port, tls,
                                             service("account", account_site, state.account_port), error)) ||
        !(sim->m_control = HttpServer::start(
              options.control_port, std::nullopt, [raw](const Request& r) { return raw->control(r); }, error)))
        return nullptr;
    state.forum_port = sim->forum_port();
    state.api_port = sim->api_port();
    state.quote_port = sim->quote_port();
    state.account_port = sim->account_port();
    state.forum_origin = "https://" + sim->host(sim->forum_port());
    return sim;
}

Simulator::~Simulator() { stop(); }

std::uint16_t Simulator::control_port() const { return m_control->port(); }
std::uint16_t Simulator::forum_port() const { return m_forum->port(); }
std::uint16_t Simulator::api_port() const { return m_api->port(); }
std::uint16_t Simulator::quote_port() const { return m_quote->port(); }
std::uint16_t Simulator::account_port() const { return m_account->port(); }

std::string Simulator::host(std::uint16_t port) const { return "127.0.0.1:" + std::to_string(port); }

std::string Simulator::ca_file() const { return m_certificate_dir + "/ca.pem"; }

void Simulator::wait() {
    std::unique_lock lock(m_mutex);
    m_cv.wait(lock, [this] { return m_stop_requested; });
}

void Simulator::request_stop() {
    {
        std::lock_guard lock(m_mutex);
        m_stop_requested = true;
    }
    m_cv.notify_all();
}

void Simulator::stop() {
    request_stop();
    for (auto* server : {&m_control, &m_forum, &m_api, &m_quote, &m_account}) {
        if (*server)
            (*server)->stop();
    }
}

Response Simulator::control(const Request& request) {
    const std::string path = request.path();
    auto ok = [](std::string body) { return Response::text(200, "OK", "text/plain; charset=utf-8", std::move(body)); };
    if (request.method == "GET" && path == "/log")
        return ok(m_state->log.text());
    if (request.method == "GET" && path == "/log/times")
        return ok(m_state->log.arrival_times());
    if (request.method == "POST" && path == "/log/clear") {
        m_state->log.clear();
        return ok("cleared\n");
    }
    if (path == "/scenario" && request.method == "GET")
        return ok(m_state->scenario.describe());
    if (path == "/scenario" && request.method == "POST") {
        std::string assignments = request.body.empty() ? request.query() : request.body;
        for (const auto& [key, value] : split_form(assignments)) {
            if (!m_state->scenario.set(key, percent_decode(value)))
                return Response::text(400, "Bad Request", "text/plain", "bad setting: " + key + "\n");
        }
        return ok(m_state->scenario.describe());
    }
    if (request.method == "POST" && path == "/reset") {
        m_state->scenario.reset();
        m_state->reset_sessions();
        m_state->log.clear();
        return ok("reset\n");
    }
    if (request.method == "POST" && path == "/shutdown") {
        request_stop();
        return ok("shutting down\n");
    }
    return Response::text(404, "Not Found", "text/plain", "not found\n");
}

}  // namespace quilbex::sim
