#pragma once
// Extra TLS trust for named hosts.
//
// WebKit refuses certificates that do not chain to a system authority. For
// the hosts the program configures (its own local services), a certificate is
// accepted when it chains to a certificate authority read from a PEM file
// configured for that host, names that host and is within its validity
// period. Nothing is accepted for any other host.

#include "engine/GObjectPtr.h"

#include <gio/gio.h>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace quilbex::engine {

class TlsTrust {
public:
    // Adds the authorities of `ca_pem_path` for `host`. False when the host is
    // empty or the file holds no readable certificate; nothing changes then.
    bool allow_authority(std::string_view host, const char* ca_pem_path);

    // True when `certificate` is acceptable for `host` by a configured authority.
    bool accepts(std::string_view host, GTlsCertificate* certificate) const;

    bool has_host(std::string_view host) const;

private:
    static std::string normalise_host(std::string_view host);
    std::map<std::string, std::vector<GRef<GTlsCertificate>>> m_authorities;
};

}  // namespace quilbex::engine
