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
// names, else "Config.ini" in the program's folder. A file that names any of
// the four hosts must name all of them: one left on its loopback default
// would receive what was meant for the real service (the forum cookie among
// it), so such a file is refused with the missing keys listed. Without a
// ca_file entry, the demo services' authority "sim-certs/ca.pem" in the
// program's folder is trusted when it exists, and only while every host is
// one of the built-in loopback defaults.
//
// Values are checked when read: a host must be a host name, an IPv4 address
// or a bracketed IPv6 address with an optional port; a named ca_file must
// exist; insecure is 0 or 1. A value with anything else (a comment written
// after it, most often) makes the configuration unusable, and the message
// names the file, the key and the value as read.
//
// The file is read in UTF-8 or GBK as its writer meant it (SettingsFile.h).
// All texts here are GBK, as the program keeps them, except ca_file.

#include <string>
#include <vector>

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
    // Keys of [HOSTS] that a file naming some hosts leaves out; while any is
    // listed the configuration must not be used.
    std::vector<std::string> missing_hosts;
    // Values that are not what their key takes, in the order read; while any
    // is listed the configuration must not be used either.
    struct InvalidValue {
        std::string section;
        std::string key;
        std::string value;  // UTF-8, as read
    };
    std::vector<InvalidValue> invalid_values;
};

// Whether every host is one of the built-in loopback defaults.
bool only_default_hosts(const ServiceHosts& hosts);

// The message shown at start for a configuration with missing hosts (GBK).
std::string missing_hosts_message(const NetConfig& config, const std::string& config_file);

// The message shown at start for a configuration that must not be used (GBK),
// or the empty text when it can be used.
std::string config_problem_message(const NetConfig& config, const std::string& config_file);

// The settings file to read for a program in `program_dir` (GBK).
std::string config_file_path(const std::string& program_dir);

// Reads the settings file; a missing file, section or key keeps its default.
// An empty host value counts as not named.
NetConfig read_net_config(const std::string& config_file, const std::string& program_dir);

// Makes `config` the process-wide configuration and hands its TLS settings to
// the WinInet layer. Called once at start-up, before any worker thread runs.
void install_net_config(const NetConfig& config);

// The installed configuration (the defaults until install_net_config).
const NetConfig& net_config();

}  // namespace quilbex::app
