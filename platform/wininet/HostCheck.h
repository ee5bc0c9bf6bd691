#pragma once
// Whether a host can be reached over HTTPS as this layer's requests reach it:
// the name is looked up, a TCP connection is made and the TLS handshake is
// completed with the process's trust rules (the system's authorities plus
// the configured extra one, TlsTrust.h). Nothing is sent after the handshake.
// The fault names the step that failed, so that a member can tell a typing
// mistake from a closed port or a certificate the program does not accept.

#include "platform/wininet/TlsTrust.h"

#include <chrono>
#include <string>

namespace quilbex::wininet {

enum class HostFault {
    none,
    name_unresolved,  // the name does not resolve
    refused,  // the host answers, nothing listens on the port
    unreachable,  // no route, or the connection failed otherwise
    timeout,  // no answer in time (TCP or TLS)
    certificate_untrusted,  // not signed by a trusted authority
    certificate_expired,
    certificate_wrong_name,  // valid, but for another name
    tls_failed,  // the handshake failed for another reason
    no_library,  // libcurl could not be loaded
};

struct HostCheck {
    HostFault fault = HostFault::none;
    std::string detail;  // the library's own words (UTF-8), for the faults it describes
};

// `host` is "name", "name:port", "1.2.3.4:port" or "[::1]:port"; without a
// port, 443. `trust` is the process's (tls_trust()) or the one a set-up about
// to be saved would give it. `timeout` bounds the whole check.
HostCheck check_host(const std::string& host, const TlsTrust& trust, std::chrono::milliseconds timeout);

}  // namespace quilbex::wininet
