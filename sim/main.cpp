// quilbex-sim: serves the local forum, mobile API, quote service and account
// site over HTTPS on 127.0.0.1 until SIGINT/SIGTERM or POST /shutdown on the
// control port. Prints one line per service ("forum https://127.0.0.1:18443")
// once all of them listen.
//
// Each --push adds a push service's stand-in for one account on a free port
// ("push.bark https://127.0.0.1:40123"); when the program stops it prints how
// many messages each one took ("push.bark 3"), so that a benchmark can check
// that every alert it timed was accepted.

#include "sim/PushService.h"
#include "sim/PushStandIn.h"
#include "sim/Simulator.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

using quilbex::sim::PushAccount;
using quilbex::sim::PushKind;
using quilbex::sim::PushService;
using quilbex::sim::PushStandIn;
using quilbex::sim::SimOptions;
using quilbex::sim::Simulator;

const char kUsage[] =
    "usage: quilbex-sim [--cert-dir DIR] [--log FILE] [--scenario KEY=VALUE]...\n"
    "                   [--forum-port N] [--api-port N] [--quote-port N] [--account-port N]\n"
    "                   [--control-port N] [--any-ports] [--push SERVICE=KEY[,SECRET[,CHAT]]]...\n"
    "The certificate directory defaults to the one the build made (" QUILBEX_SIM_CERT_DIR ").\n"
    "SERVICE: webhook, serverchan, pushplus, bark, wecom, dingtalk, feishu, telegram, ntfy or gotify.\n";

// One push service's stand-in: the generic webhook service or one of the
// named services.
struct PushStandInRun {
    std::string name;
    std::unique_ptr<PushService> webhook;
    std::unique_ptr<PushStandIn> service;

    std::uint16_t port() const { return webhook ? webhook->port() : service->port(); }
    std::size_t taken() const { return webhook ? webhook->messages().size() : service->messages().size(); }
};

std::optional<PushKind> push_kind(const std::string& name) {
    static const std::pair<const char*, PushKind> kKinds[] = {
        {"serverchan", PushKind::serverchan}, {"pushplus", PushKind::pushplus}, {"bark", PushKind::bark},
        {"wecom", PushKind::wecom},           {"dingtalk", PushKind::dingtalk}, {"feishu", PushKind::feishu},
        {"telegram", PushKind::telegram},     {"ntfy", PushKind::ntfy},         {"gotify", PushKind::gotify},
    };
    for (const auto& [kind_name, kind] : kKinds)
        if (name == kind_name)
            return kind;
    return std::nullopt;
}

// Starts the stand-in that "SERVICE=KEY[,SECRET[,CHAT]]" names; null with
// `error` set when the text is wrong or the service cannot listen.
std::unique_ptr<PushStandInRun> start_push(const std::string& text, const std::string& certificate_dir,
                                           std::string& error) {
    const auto equals = text.find('=');
    if (equals == std::string::npos) {
        error = "--push needs SERVICE=KEY: " + text;
        return nullptr;
    }
    auto run = std::make_unique<PushStandInRun>();
    run->name = text.substr(0, equals);
    std::vector<std::string> fields;
    for (std::size_t begin = equals + 1;;) {
        const auto comma = text.find(',', begin);
        fields.push_back(text.substr(begin, comma == std::string::npos ? std::string::npos : comma - begin));
        if (comma == std::string::npos)
            break;
        begin = comma + 1;
    }
    fields.resize(3);
    if (run->name == "webhook") {
        run->webhook = PushService::start(certificate_dir, fields[0], &error);
    } else if (auto kind = push_kind(run->name)) {
        run->service = PushStandIn::start(*kind, certificate_dir, PushAccount{fields[0], fields[1], fields[2]}, &error);
    } else {
        error = "no push service named " + run->name;
        return nullptr;
    }
    return run->webhook || run->service ? std::move(run) : nullptr;
}

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
    std::vector<std::string> push_accounts;
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
        } else if (arg == "--push" && value) {
            push_accounts.push_back(value);
            ++i;
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
    std::vector<std::unique_ptr<PushStandInRun>> pushes;
    for (const std::string& account : push_accounts) {
        pushes.push_back(start_push(account, options.certificate_dir, error));
        if (!pushes.back()) {
            std::fprintf(stderr, "quilbex-sim: %s\n", error.c_str());
            return 1;
        }
        std::printf("push.%s https://%s\n", pushes.back()->name.c_str(), sim->host(pushes.back()->port()).c_str());
    }
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
    for (const auto& push : pushes)
        std::printf("push.%s %zu\n", push->name.c_str(), push->taken());
    std::printf("stopped\n");
    return 0;
}
