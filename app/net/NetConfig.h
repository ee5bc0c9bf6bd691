#pragma once
// Where the network flows connect and whom they trust: configuration of the
// deployment, from the member's settings file (SettingsFile.h). Its keys are
// one table (ConfigKeys.h):
//
//   [HOSTS]
//   forum   = bbs.example.com    the forum's web site; the one host a file
//                                must name once it names any. Written as
//                                the member has it: "bbs.example.com",
//                                "https://bbs.example.com/" or a page
//                                address there; the host and port are kept
//   api     =                    the forum's mobile API (default: forum)
//   quote   =                    the quote service (default: none)
//   account =                    the account site the login window opens
//                                (default: none, the forum's login page)
//   [TLS]
//   ca_file  = ca.pem            an extra authority to trust besides the
//                                system's (relative to the settings file)
//   insecure = 0                 1 switches certificate checks off
//   [DAILY]
//   message  = ...               the command line's message of the day
//
// A file that names no host keeps the built-in defaults, the local demo
// services (quilbex-sim on its fixed ports). A file that names some host but
// not the forum is refused: a host left on its loopback default would
// receive what was meant for the real service (the forum cookie among it).
// Without a ca_file entry, the demo services' authority "sim-certs/ca.pem" in
// the program's folder is trusted when it exists, and only while every host
// is one of the built-in loopback defaults.
//
// Values are checked when read. A value a key does not take (a comment
// written after it, most often) makes the configuration unusable, and the
// message names the file, the key and the value as read.

#include <string>
#include <vector>

namespace quilbex::app {

// Each "host" or "host:port". Empty: not set, the service is not used.
struct ServiceHosts {
    std::string forum = "127.0.0.1:18443";
    std::string api = "127.0.0.1:18444";
    std::string quote = "127.0.0.1:18445";
    std::string account = "127.0.0.1:18446";
};

struct NetConfig {
    ServiceHosts hosts;
    bool hosts_named = false;  // the settings file names some host
    std::string ca_file;  // a native (UTF-8) path, or empty
    bool insecure = false;
    std::string daily_message;  // [DAILY] message (UTF-8), or empty
    int warn_days = 3;  // [DAILY] warn_days: days before the saved cookie's expiry the daily run warns
    std::string settings_file;  // the file read (native path)
    // Why the settings file could not be read, when that makes the
    // configuration unusable (UTF-8), else empty.
    std::string unreadable;
    // Keys of [HOSTS] that a file naming some hosts leaves out ("forum");
    // while any is listed the configuration must not be used.
    std::vector<std::string> missing_hosts;
    // Values that are not what their key takes, in the order of the key
    // table; while any is listed the configuration must not be used either.
    struct InvalidValue {
        std::string section;
        std::string key;
        std::string value;  // UTF-8, as read
        std::string takes;  // what the key takes (UTF-8)
    };
    std::vector<InvalidValue> invalid_values;
};

// Whether every host that is set is one of the built-in loopback defaults.
bool only_default_hosts(const ServiceHosts& hosts);

// The hosts that are set, each once: those the program may contact.
std::vector<std::string> configured_hosts(const ServiceHosts& hosts);

// Whether this start must first learn the forum's address: an installed copy
// (which has no local services) whose settings name no forum.
bool needs_setup(const NetConfig& config);

// The message shown at start for a configuration with missing hosts (GBK).
std::string missing_hosts_message(const NetConfig& config, const std::string& config_file);

// The message shown at start for a configuration that must not be used (GBK),
// or the empty text when it can be used. `config_file` is a native path.
std::string config_problem_message(const NetConfig& config, const std::string& config_file);

// The settings file as a program file name (GBK), for code that reads it
// through the profile functions.
std::string config_file_path(const std::string& program_dir);

// The member's configuration, from the once-read settings file.
NetConfig read_member_net_config();

// The configuration in a settings file (a program file name: GBK, "\" or "/")
// for a program in `program_dir` (GBK); a missing file, section or key keeps
// its default.
NetConfig read_net_config(const std::string& config_file, const std::string& program_dir);

// Makes `config` the process-wide configuration and hands its TLS settings to
// the WinInet layer. Called once at start-up, before any worker thread runs.
void install_net_config(const NetConfig& config);

// The installed configuration (the defaults until install_net_config).
const NetConfig& net_config();

}  // namespace quilbex::app
