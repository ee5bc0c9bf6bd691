#pragma once
// Alerts that reach a member away from the desktop: after an unattended run
// whose outcome tells the member (RunOutcome.h), once its last try is over, the
// desktop notification's text goes out through every channel of [NOTIFY]
// as well (AlertConfig.h). A channel that fails is reported on standard
// error and in History.log, by its name, its host and the error; it never
// changes the run's exit status.

#include "app/alerts/AlertConfig.h"
#include "app/alerts/AlertMessage.h"
#include "app/member/RunOutcome.h"

#include <ctime>
#include <string>
#include <vector>

namespace quilbex::app {

struct ChannelReport {
    std::string channel;  // "webhook", "mail"
    std::string host;
    bool sent = false;
    std::string detail;
};

// Sends `message` through every channel of `config`, one after the other; a
// channel with a configuration problem is reported as not sent.
std::vector<ChannelReport> send_alert_message(const AlertConfig& config, const AlertMessage& message);

// The run's alert; nothing is sent (and nothing reported) for a status that
// does not need the member. Texts are UTF-8.
std::vector<ChannelReport> send_alerts(const AlertConfig& config, RunStatus status, const std::string& summary,
                                       const std::string& body, const std::string& member, std::time_t when);

// The unattended run's alert for this process's member (the profile, or the
// program folder's own member), with its configuration read from that
// member's settings file; failures go to standard error and the member's
// History.log.
void alert_member(RunStatus status, const std::string& summary, const std::string& body);

// "quilbex --notify-test": a test alert through every configured channel,
// one line per channel on standard output. 0 when every channel sent it, 1
// when one did not or none is configured.
int notify_test();

}  // namespace quilbex::app
