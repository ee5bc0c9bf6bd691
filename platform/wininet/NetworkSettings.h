#pragma once
// The settings every libcurl handle of the program is set up with, in one
// function: certificate checks by the process's TLS trust (TlsTrust.h) and
// the proxy by the environment's policy (ProxyPolicy.h), unless the caller
// chose a proxy itself. The WinInet layer's transfers and the alerts use it,
// so that every connection trusts the same authorities and takes the same
// way out. Included only from .cpp files and this layer's internal headers.

#include "platform/wininet/TlsTrust.h"
#include "platform/wininet/TrustStore.h"

#include <curl/curl.h>
#include <optional>
#include <string>

namespace quilbex::wininet {

struct NetworkSettings {
    TlsTrust trust = tls_trust();
    // A proxy the caller chose (a WinInet session opened with a proxy list):
    // a URL, or the empty text for a direct connection. None: the
    // environment's policy decides.
    std::optional<std::string> proxy;
};

// Sets up `easy` for a transfer to `url`. `meets_certificate`: the transfer
// may set up TLS (an https or smtps address, or STARTTLS); a plain one needs
// no store, and looking one up checks the extra authority's file on disk.
// `store` must live until the transfer ends. libcurl must be loaded (Curl.h).
void apply_network_settings(CURL* easy, const std::string& url, bool meets_certificate, const NetworkSettings& settings,
                            SharedTrustStore& store);

}  // namespace quilbex::wininet
