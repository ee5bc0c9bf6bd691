#pragma once
// The certificate store of every verified connection: the system's
// authorities plus the configured extra one. It is built once per setting
// (and again when the extra file changes on disk) and shared by all
// connections, so a request does not parse the system's authority bundle
// again. OpenSSL stores are reference counted and safe to share between
// threads. Internal to this layer.

#include <memory>
#include <openssl/x509.h>
#include <string>

namespace quilbex::wininet {

using SharedTrustStore = std::shared_ptr<X509_STORE>;

// Null when the extra authority file cannot be read: the connection must
// then fail rather than trust less or more than configured.
SharedTrustStore trust_store_for(const std::string& extra_ca_file);

}  // namespace quilbex::wininet
