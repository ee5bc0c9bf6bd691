// quilbex-sim: serves the local forum, mobile API, quote service and account
// site over HTTPS on 127.0.0.1 until SIGINT/SIGTERM or POST /shutdown on the
// control port. Prints one line per service ("forum https://127.0.0.1:18443")
// once all of them listen.

#include "sim/Simulator.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

using quilbex::sim::SimOptions;
using quilbex::sim::Simulator;

const char kUsage[] = "usage: quilbex-sim [--cert-dir DIR] [--log FILE] [--scenario KEY=VALUE]...\n"
                      "                   [--forum-port N] [--api-port N] [--quote-port N] [--account-port N]\n"
                      "                   [--control-port N] [--any-ports]\n"
                      "The certificate directory defaults to the one the build made (" QUILBEX_SIM_CERT_DIR ").\n";

bool parse_port(const char* text, std::uint16_t& port) {
    char* end = nullptr;
    long value = std::strtol(text, &end, 10);
    if (!end || *end || value < 0 || value > 65535)
        return false;
    port = static_cast<std::uint16_t>(value);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    SimOptions options;
    options.certificate_dir = QUILBEX_SIM_CERT_DIR;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        auto port_option = [&](std::uint16_t& port) {
            if (!value || !parse_port(value, port)) {
                std::fprintf(stderr, "%s needs a port number\n%s", arg.c_str(), kUsage);
                std::exit(2);
            }
            ++i;
        };
        if (arg == "--cert-dir" && value) {
            options.certificate_dir = value;
            ++i;
        } else if (arg == "--log" && value) {
            options.log_file = value;
            ++i;
        } else if (arg == "--scenario" && value) {
            options.scenario.push_back(value);
            ++i;
        } else if (arg == "--forum-port") {
            port_option(options.forum_port);
        } else if (arg == "--api-port") {
            port_option(options.api_port);
        } else if (arg == "--quote-port") {
            port_option(options.quote_port);
        } else if (arg == "--account-port") {
            port_option(options.account_port);
        } else if (arg == "--control-port") {
            port_option(options.control_port);
        } else if (arg == "--any-ports") {
            options = SimOptions::any_ports(options.certificate_dir);
        } else {
            std::fprintf(stderr, "%s", kUsage);
            return arg == "--help" ? 0 : 2;
        }
    }

    // Signals are taken synchronously by a watcher thread, which asks the
    // simulator to stop; the main thread then shuts every service down.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    std::string error;
    auto sim = Simulator::start(options, &error);
    if (!sim) {
        std::fprintf(stderr, "quilbex-sim: %s\n", error.c_str());
        return 1;
    }
    std::printf("control http://%s\n", sim->host(sim->control_port()).c_str());
    std::printf("forum https://%s\n", sim->host(sim->forum_port()).c_str());
    std::printf("api https://%s\n", sim->host(sim->api_port()).c_str());
    std::printf("quote https://%s\n", sim->host(sim->quote_port()).c_str());
    std::printf("account https://%s\n", sim->host(sim->account_port()).c_str());
    std::printf("ca %s\n", sim->ca_file().c_str());
    std::fflush(stdout);

    Simulator* raw = sim.get();
    std::thread watcher([raw, signals] {
        int signal = 0;
        sigwait(&signals, &signal);
        raw->request_stop();
    });
    watcher.detach();
    sim->wait();
    sim->stop();
    std::printf("stopped\n");
    return 0;
}
