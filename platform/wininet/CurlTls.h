#pragma once
// Certificate checks of one libcurl transfer by the process's TLS trust: the
// system's authorities plus the configured extra one, through the shared
// store, or no checks at all where the deployment asks for that. Used by
// this layer's HTTP transfers and by the program's other libcurl transfers
// (alerts), so that every connection trusts exactly the same authorities.
// Included only from .cpp files.

#include "platform/wininet/TlsTrust.h"
#include "platform/wininet/TrustStore.h"

#include <curl/curl.h>

namespace quilbex::wininet {

// `meets_certificate`: the transfer may set up TLS (an https, smtps or
// STARTTLS address); a plain one needs no store, and looking one up checks
// the extra authority's file on disk. `store` must live until the transfer
// ends. libcurl must be loaded (Curl.h).
void configure_curl_tls(CURL* easy, const TlsTrust& trust, bool meets_certificate, SharedTrustStore& store);

}  // namespace quilbex::wininet
