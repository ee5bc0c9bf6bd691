#pragma once
// Process-wide TLS trust for every request of this layer. Certificates are
// verified against the system's authorities plus, when set, one extra
// authority file (PEM) that the deployment's configuration names. set_insecure
// switches verification off for deployments that explicitly ask for it; it is
// off by default and nothing in this layer turns it on by itself.

#include <string>

namespace quilbex::wininet {

struct TlsTrust {
    std::string extra_ca_file;  // empty: the system's authorities only
    bool insecure = false;
};

// Empty path: no extra authority.
void set_extra_ca_file(const std::string& path);
void set_insecure(bool insecure);
TlsTrust tls_trust();

}  // namespace quilbex::wininet
