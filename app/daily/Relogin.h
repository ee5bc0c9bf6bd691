#pragma once
// After a run that found the login gone (status 2): the desktop notification
// carries a "重新登录" button that opens the login window for this member
// (quilbex --login), waiting up to kReloginWait for the press. The run lock is
// free by then, so the login's own sign-in can take it. A service without
// buttons gets the command to type instead.

#include <chrono>
#include <string>
#include <vector>

namespace quilbex::app {

// Well within the daily service's start time limit, which also covers the run itself.
inline constexpr std::chrono::minutes kReloginWait{10};

// The words that open the login window for this process's member: through
// systemd-run when the run is a systemd service (whose other processes end
// with it), the program itself otherwise.
std::vector<std::string> relogin_argv(bool under_systemd);

// Notifies, waits for the press and starts the login window when pressed.
void offer_relogin(const std::string& summary, const std::string& body);

}  // namespace quilbex::app
