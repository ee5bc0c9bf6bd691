#pragma once
// The unattended sign-in: the same two sign-in requests and the same lottery
// series as a click on "抽奖/签到", with the cookie from Cookie.ini and the
// message of the day from the command line, Config.ini or the quote service,
// reported to the terminal and the history file, and summed up in an exit
// status (the outcomes of app/member/RunOutcome.h).
//
// "Not logged in" is read from the sign-in's status text: the flows' own
// "未登录" (a forum that answered with an empty body), or a forum page that
// says so or asks the member to log in first (it contains "未登录",
// "需要先登录" or "请先登录"). A sign-in whose
// request got no answer at all is status 3 even though its text is also
// "未登录"; the terminal and the history then say "网络无应答". The draws run
// after statuses 0 and 4 (the login works); after 2 and 3 every draw would
// only repeat the failure.
//
// A request without an answer is named with its host and the kind of fault
// (the name does not resolve, the connection is refused, a time-out); a
// certificate that was refused says "证书被拒绝" with the TLS library's
// reason. Both end with status 3, and the alert carries the same words.
//
// A try that ends with status 3 is followed by another after each of the
// retry waits in turn, until one ends otherwise or the waits are used up. A
// refused certificate is not tried again: no wait changes it.
// Each try takes the run lock for itself and writes its own history lines;
// no lock is held while waiting. The notification follows the last try.

#include "app/daily/RetryWaits.h"
#include "app/daily/TerminalSink.h"
#include "app/member/RunOutcome.h"

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace quilbex::app {

struct SignInOptions {
    std::optional<std::string> message;  // UTF-8, from --message
    Verbosity verbosity = Verbosity::normal;
    std::chrono::milliseconds wait{std::chrono::seconds(120)};
    std::vector<std::chrono::seconds> retry_waits = default_retry_waits();  // --retry
};

// The status a sign-in text stands for (`answered`: both requests got a
// response). Texts are GBK.
RunStatus classify_sign_in(const char* status, bool answered);

// Runs for the member of this process (kernel::member_folders()); the runtime
// and the network configuration must be set up.
RunStatus run_sign_in(const SignInOptions& options);

}  // namespace quilbex::app
