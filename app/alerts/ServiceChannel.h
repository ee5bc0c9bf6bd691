#pragma once
// What every HTTP-style channel shares: one request to a push service, made
// by the channel's own `build` from the message, sent with the same libcurl
// set-up (AlertTransfer: trust, proxy, time limits; HTTP/1.1, no redirect),
// and judged by the service's own way of saying yes or no (AnswerRule).
//
// The request's address carries the member's key for most services, so it
// goes nowhere but to libcurl: results name only the channel and its host.

#include "app/alerts/AlertChannel.h"
#include "app/alerts/ServiceAnswer.h"

#include <functional>
#include <string>
#include <vector>

namespace quilbex::app {

struct ServiceRequest {
    std::string url;  // a secret
    std::vector<std::string> headers;  // "Name: value"; may hold a secret
    std::string body;  // POST when set; with `get`, a GET without a body
    bool get = false;
};

// Sends `request`; the answer, or why none came (libcurl's words, never the
// address).
kernel::Result<HttpAnswer> exchange(const ServiceRequest& request);

// A JSON request's headers.
inline const std::vector<std::string> kJsonHeaders = {"Content-Type: application/json; charset=utf-8"};

class ServiceChannel final : public AlertChannel {
public:
    // Builds the request, or says why it cannot (no signature can be made,
    // for one).
    using Build = std::function<kernel::Result<ServiceRequest>(const AlertMessage& message)>;

    // `secrets` are the member's keys and tokens in the request: a service
    // that repeats one in its error answer gets it masked in the result.
    ServiceChannel(std::string name, std::string host, Build build, AnswerRule rule,
                   std::vector<std::string> secrets = {})
        : m_name(std::move(name)), m_host(std::move(host)), m_build(std::move(build)), m_rule(rule),
          m_secrets(std::move(secrets)) {}
    std::string name() const override { return m_name; }
    std::string host() const override { return m_host; }
    kernel::Result<std::string> send(const AlertMessage& message) override;

private:
    // `text` with every secret replaced by "***".
    std::string masked(std::string text) const;

    std::string m_name;
    std::string m_host;
    Build m_build;
    AnswerRule m_rule;
    std::vector<std::string> m_secrets;
};

// A service's base address from the member's value, or the service's own
// address when the value is empty: "https://host[:port][/path]" (http only
// for a loopback host), returned without a trailing '/'. A bare host name
// is taken as https. A failure, with the reason, for anything else.
kernel::Result<std::string> service_base(const std::string& value, const std::string& fallback);

}  // namespace quilbex::app
