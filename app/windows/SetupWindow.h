#pragma once
// The set-up window's handlers. An installed copy opens this window instead
// of the main window while its settings file names no forum; "quilbex
// --setup" opens it at any time. The member gives the forum's address (and,
// under "更多", the optional hosts, an authority to trust, the message of the
// day and a daily sign-in), tries the hosts, and saves: the settings file is
// written, the daily sign-in installed if asked for, and the main window
// opens. Cancelling, or closing the window, writes nothing and ends the
// program. All run on the window thread; the connection check runs on a
// worker that reaches the window only through calls on the window thread.

#include "runtime/ProgramImage.h"

#include <cstdint>

namespace quilbex::app {

// The window's identifier, for choosing it as the start-up window.
std::uint32_t setup_window_id();

rt::HandlerResult setup_window_created(const rt::HandlerCall& call);
rt::HandlerResult setup_more_click(const rt::HandlerCall& call);
rt::HandlerResult setup_daily_click(const rt::HandlerCall& call);
rt::HandlerResult setup_test_click(const rt::HandlerCall& call);
rt::HandlerResult setup_save_click(const rt::HandlerCall& call);
rt::HandlerResult setup_cancel_click(const rt::HandlerCall& call);

}  // namespace quilbex::app
