#pragma once
// What an unattended run can end in, in one table: the exit status, what it
// means (the help text and the manual page list these lines), the notice the
// member gets, and whether the member is told at all (the desktop
// notification and the alert channels go out only then).
//
//   status  name            told  meaning
//   0       done            no    signed in, or already signed in today
//   1       failed          no    bad usage, another run still busy, any other reply
//   2       not_logged_in   yes   no saved cookie, or the forum says the login is gone
//   3       no_answer       yes   no answer from the network, or the certificate was refused
//   4       refused         yes   the forum refused the sign-in ("签到失败")

#include <span>

namespace quilbex::app {

enum class RunStatus : int { done = 0, failed = 1, not_logged_in = 2, no_answer = 3, refused = 4 };

struct RunOutcome {
    RunStatus status;
    const char* meaning;  // one line for the help text and the manual page (UTF-8)
    const char* summary;  // the notice's title; nullptr when the member is not told
    const char* body;  // the notice's text, also written to standard error
    bool tells_member() const { return summary != nullptr; }
    int exit_status() const { return static_cast<int>(status); }
};

// Every outcome, in the order of their exit statuses.
std::span<const RunOutcome> run_outcomes();

const RunOutcome& run_outcome(RunStatus status);

// Status 2 told in its own words to a member who never saved a cookie
// ("还没有保存 Cookie"), rather than as a login that has gone.
const RunOutcome& no_saved_cookie();

// The sign-in status a history line records for a run that found no saved cookie.
inline constexpr const char* kNoSavedCookieHistory = "还没有保存 Cookie";

}  // namespace quilbex::app
