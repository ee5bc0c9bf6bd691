#pragma once
// Where the network flows connect and whom they trust: configuration of the
// deployment. Built-in defaults point at the local demo services (quilbex-sim
// on its fixed ports); a settings file overrides them:
//
//   [HOSTS]                      each "host" or "host:port", without scheme
//   forum   = 127.0.0.1:18443    the forum's web site
//   api     = 127.0.0.1:18444    the forum's mobile API
//   quote   = 127.0.0.1:18445    the quote service
//   account = 127.0.0.1:18446    the account site (login window)
//   [TLS]
//   ca_file  = ca.pem            an extra authority to trust besides the
//                                system's (relative to the settings file)
//   insecure = 0                 1 switches certificate checks off
//
// The settings file is the one that the environment variable QUILBEX_CONFIG
// names, else "Config.ini" in the program's folder. Without a ca_file entry,
// the demo services' authority "sim-certs/ca.pem" in the program's folder is
// trusted when it exists.
//
// All texts here are GBK, as the program keeps them.

#include <string>

namespace quilbex::app {

struct ServiceHosts {
    std::string forum = "127.0.0.1:18443";
    std::string api = "127.0.0.1:18444";
    std::string quote = "127.0.0.1:18445";
    std::string account = "127.0.0.1:18446";
};

struct NetConfig {
    ServiceHosts hosts;
    std::string ca_file;  // a native (UTF-8) path, or empty
    bool insecure = false;
};

// The settings file to read for a program in `program_dir` (GBK).
std::string config_file_path(const std::string& program_dir);

// Reads the settings file; a missing file, section or key keeps its default.
// An empty host value also keeps the default.
NetConfig read_net_config(const std::string& config_file, const std::string& program_dir);

// Makes `config` the process-wide configuration and hands its TLS settings to
// the WinInet layer. Called once at start-up, before any worker thread runs.
void install_net_config(const NetConfig& config);

// The installed configuration (the defaults until install_net_config).
const NetConfig& net_config();

}  // namespace quilbex::app
