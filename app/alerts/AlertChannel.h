#pragma once
// One way an alert reaches the member (a push service, a webhook, a mail).
// Each channel sends the same message and says how it went, in words that
// may be printed and written to History.log: never an address that carries
// a key, a token or a password.

#include "app/alerts/AlertMessage.h"
#include "platform/kernel/Result.h"

#include <string>

namespace quilbex::app {

class AlertChannel {
public:
    virtual ~AlertChannel() = default;
    virtual std::string name() const = 0;  // its row's name: "webhook", "mail", "bark", ...
    virtual std::string host() const = 0;  // host[:port]
    // What the server answered when it took the message, or why nothing
    // went out.
    virtual kernel::Result<std::string> send(const AlertMessage& message) = 0;
};

}  // namespace quilbex::app
