#pragma once
// The login window's handlers: the member logs in on the account site in the
// embedded browser; once the forum's login cookie is there, the whole cookie
// text goes to the main window's cookie box. All run on the window thread.

#include "runtime/ProgramImage.h"

#include <cstdint>
#include <optional>
#include <string>

namespace quilbex::app {

// Takes the address out of the browser control's record in the login
// window's template before the window is loaded, so that the control loads
// nothing when it is created: the created handler clears the engine's cookies
// first and then opens the configured account site. Without this, every
// opening would first request the built-in address.
void hold_login_address();

rt::HandlerResult login_window_created(const rt::HandlerCall& call);
rt::HandlerResult login_clock_tick(const rt::HandlerCall& call);
rt::HandlerResult capture_button_click(const rt::HandlerCall& call);

// Reads the browser's cookie text; when the "UM_distinctid" item has a value,
// copies the text to the main window, stops the poll timer, closes the login
// window and greets the member by the name in "BBS_UNAME".
void capture_login_cookie();

// The login that the window captured last in this process: the cookie text
// (GBK) and when the forum's login cookie expires, as the browser's cookie
// store says (nothing when it cannot tell). "保存" keeps the expiry beside
// the cookie when it saves that same text; --login saves both.
struct CapturedLogin {
    std::string cookie;
    std::optional<std::int64_t> expires;
};
const std::optional<CapturedLogin>& captured_login();

}  // namespace quilbex::app
