#pragma once
// What a host value of the settings file may be: a host name, an IPv4
// address or an IPv6 address in brackets, each with an optional ":port"
// (1 to 65535). Nothing else: no scheme, path, spaces or comment text.
//
//   bbs.example.com    bbs.example.com:8443    127.0.0.1:18443    [::1]:18443

#include <string_view>

namespace quilbex::app {

bool is_valid_host_value(std::string_view value);

}  // namespace quilbex::app
