#pragma once
// What a host of the settings file may be: a host name, a dotted-quad IPv4
// address or an IPv6 address in brackets, each with an optional ":port"
// (1 to 65535). Host names are labels of letters, digits, '-' and '_' with an
// optional final '.', as libcurl takes them. Other spellings of IPv4
// addresses that the resolver would still accept (0x7f000001, 0x7f.1, 127.1,
// 0177.0.0.1) are refused: they hide where a request goes.
//
//   bbs.example.com    bbs.example.com:8443    127.0.0.1:18443    [::1]:18443

#include <optional>
#include <string>
#include <string_view>

namespace quilbex::app {

bool is_valid_host_value(std::string_view value);

// The host and port of a service address as a member has it: a host value
// as above, or an https:// address, with or without a path, query or
// fragment ("https://bbs.example.com/forum.php?mod=x" -> "bbs.example.com").
// A host value may also be followed by a path. Nothing for another scheme,
// user information ("user@host"), spaces or control characters anywhere, or
// an invalid host.
std::optional<std::string> service_host(std::string_view address);

}  // namespace quilbex::app
