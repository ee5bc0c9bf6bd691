#pragma once
// OpenSSL inside this layer: the few functions the trust store and the TLS
// hook call, bound at run time from the TLS library that libcurl was linked
// with. A run that has not gone on the network then has OpenSSL's libraries
// (the largest part of what a connection needs) not even mapped.
// Included only from .cpp files.

#include <openssl/ssl.h>
#include <openssl/x509.h>

namespace quilbex::wininet {

struct OpenSslApi {
    const char* (*default_cert_dir_env)();
    const char* (*default_cert_dir)();
    const char* (*default_cert_file_env)();
    const char* (*default_cert_file)();
    X509_STORE* (*store_new)();
    void (*store_free)(X509_STORE* store);
    int (*store_load_path)(X509_STORE* store, const char* dir);
    int (*store_load_file)(X509_STORE* store, const char* file);
    void (*ctx_set1_cert_store)(SSL_CTX* context, X509_STORE* store);
};

// Loads libcurl when needed and binds the functions once per process; null
// when libcurl or one of the functions cannot be found (every later call
// answers the same). A caller that gets null must not connect unverified:
// it fails the request.
const OpenSslApi* openssl();

}  // namespace quilbex::wininet
