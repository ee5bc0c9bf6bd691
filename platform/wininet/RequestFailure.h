#pragma once
// Why the calling thread's last request got no response: the host it was
// for and the kind of fault, with libcurl's (and through it OpenSSL's) own
// words. A run that sees a refused certificate can then stop at once instead
// of waiting for the network to come back, and name the host and the reason.
// HttpSendRequestA keeps it per thread, beside GetLastError().

#include <string>

namespace quilbex::wininet {

enum class FailureKind {
    none,  // the last request got a response (or none was sent)
    name_not_resolved,  // DNS: the host's name does not resolve
    refused,  // nothing listens, or the host cannot be reached
    timeout,  // no connection, or no byte moved, within the time-out
    certificate_untrusted,  // no trusted authority issued it
    certificate_expired,  // outside its validity period
    certificate_wrong_name,  // issued for another name
    tls,  // the TLS handshake failed otherwise
    other,  // the connection broke, the reply was not HTTP, ...
};

struct RequestFailure {
    FailureKind kind = FailureKind::none;
    std::string host;  // "host" or "host:port" as in the URL
    std::string reason;  // libcurl's text, in English

    bool is_certificate() const {
        return kind == FailureKind::certificate_untrusted || kind == FailureKind::certificate_expired ||
               kind == FailureKind::certificate_wrong_name;
    }
};

// The failure of the calling thread's last HttpSendRequestA; kind none when
// it got a response.
RequestFailure last_request_failure();
void set_last_request_failure(RequestFailure failure);

}  // namespace quilbex::wininet
