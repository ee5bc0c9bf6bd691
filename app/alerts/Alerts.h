#pragma once
// Alerts that reach a member away from the desktop: after an unattended run,
// once its last try is over, the run's notice goes out through every channel
// of [NOTIFY] (AlertConfig.h): after a run whose outcome tells the member
// (RunOutcome.h), or after every run with "when = always". A channel that
// fails is reported on standard error and in History.log, by its name, its
// host and the error; it never changes the run's exit status.

#include "app/alerts/AlertConfig.h"
#include "app/alerts/AlertMessage.h"
#include "app/member/RunOutcome.h"
#include "platform/kernel/Result.h"

#include <ctime>
#include <string>
#include <vector>

namespace quilbex::app {

struct ChannelReport {
    std::string channel;  // the row's name: "webhook", "mail", "bark", ...
    std::string host;
    kernel::Result<std::string> sent;  // what the server answered, or why nothing went out
    // The server's answer when the alert was sent, else the reason it was not.
    const std::string& detail() const { return sent ? *sent : sent.reason(); }
};

// Sends `message` through every channel of `config`, one after the other; a
// channel with a configuration problem is reported as not sent. The texts
// go out as valid UTF-8 whatever they hold.
std::vector<ChannelReport> send_alert_message(const AlertConfig& config, const AlertMessage& message);

// Whether a run that ended in `status` sends an alert under `config`.
bool alert_wanted(const AlertConfig& config, RunStatus status);

// The run's alert; nothing is sent (and nothing reported) when it is not
// wanted.
std::vector<ChannelReport> send_alerts(const AlertConfig& config, const RunOutcome& outcome, const RunFacts& facts,
                                       std::time_t when);

// The unattended run's alert for this process's member (the profile, or the
// program folder's own member), with its configuration read from that
// member's settings file and the cookie's expiry from its Cookie.ini; the
// member's name in `facts` is filled in here. Failures go to standard error
// and the member's History.log.
void alert_member(const RunOutcome& outcome, RunFacts facts);

// A notice for this process's member that is not a run's outcome (a warning
// ahead of the cookie's expiry, for one): it goes through every channel
// whatever `when` says, with the member's name and the cookie's expiry, and
// failures are reported as alert_member reports them.
void alert_member_notice(const std::string& summary, const std::string& body);

// "quilbex --notify-test": a test alert through every configured channel,
// one line per channel on standard output. 0 when every channel sent it, 1
// when one did not or none is configured.
int notify_test();

}  // namespace quilbex::app
