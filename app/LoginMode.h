#pragma once
// "quilbex --login": the login window alone, as the main window's "登录"
// opens it. A login that succeeds is saved for the member (the cookie and
// its expiry, in Cookie.ini where the member's files live) and followed by
// one sign-in with its report, whose status the mode ends with. A window
// closed without a login changes nothing and ends with status 2.

#include "app/daily/SignInRun.h"

namespace quilbex::app {

// Needs a display; without one it says so and ends the process with status 1.
int run_login_mode(const SignInOptions& options);

}  // namespace quilbex::app
