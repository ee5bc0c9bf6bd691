#pragma once
// What the set-up window reads from its fields and writes to the settings
// file, apart from the window itself, so that it can be checked without one.
//
// A host field takes the address the way a member has it (service_host,
// HostValue.h); the host and the port, if one is given, are what the
// settings file keeps.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quilbex::app {

// The set-up window's values, UTF-8 (paths as typed). An empty optional host
// leaves the program's default for that service.
struct SetupValues {
    std::string forum;  // as typed; required
    std::string api, quote, account;  // as typed; optional
    std::string ca_file;  // optional
    std::string message;  // [DAILY] message; optional
};

// One host to try with the names of the keys that use it: the API host
// defaults to the forum's, and the same host is tried once.
struct HostToCheck {
    std::string keys;  // "forum, api"
    std::string host;
};

// The hosts that `values` configure, in key order; a field that names no host
// is listed with an empty `host` so that the member is told about it.
std::vector<HostToCheck> hosts_to_check(const SetupValues& values);

// The extra authority's file (a native path) as the settings file
// `config_file` (GBK name) finds it: a relative path counts from its folder.
std::string authority_path(const std::string& config_file, const std::string& typed);

// Why `values` cannot be saved into `config_file` (UTF-8, one sentence), or
// the empty text.
std::string setup_values_problem(const SetupValues& values, const std::string& config_file);

// Writes `values` into the settings file `config_file` (GBK name): each key
// that has a value is set, an optional key whose field is empty is emptied
// where the file has it and not added where it does not, and every other
// line and comment is kept. A file that does not exist yet
// starts as `template_text` (the commented template). The values are written
// in the file's own encoding (UTF-8 unless it is a GBK file). False when the
// file cannot be written.
bool write_setup_values(const std::string& config_file, const SetupValues& values, std::string_view template_text);

// The values a settings file holds now, for the fields (UTF-8).
SetupValues read_setup_values(const std::string& config_file);

}  // namespace quilbex::app
