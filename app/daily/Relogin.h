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

// The longest wait for the press; shortened so that the run ends within
// kRunTimeLimit (a run that tried again for twenty minutes waits less).
inline constexpr std::chrono::minutes kReloginWait{10};

// The wait for a run that has been going for `elapsed`: at most
// kReloginWait, and ending a minute before the run's time limit.
std::chrono::milliseconds relogin_wait(std::chrono::steady_clock::duration elapsed);

// The words that open the login window for this process's member: through
// systemd-run when the run is a systemd service (whose other processes end
// with it), the program itself otherwise.
std::vector<std::string> relogin_argv(bool under_systemd);

// Notifies, waits for the press (up to `wait`; without any, no button is
// offered) and starts the login window when pressed.
void offer_relogin(const std::string& summary, const std::string& body, std::chrono::milliseconds wait);

}  // namespace quilbex::app
