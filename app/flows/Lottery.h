#pragma once
// The daily lottery through the forum's mobile API: up to ten draws, five
// seconds apart, each reply's message appended to the display box, stopping
// early when the draws are used up or the member draws too fast. run_lottery
// is the body of the lottery worker thread.

#include "app/flows/StatusSink.h"
#include "commands/Facade.h"

#include <cstdint>

namespace quilbex::app {

inline constexpr const char* kDrawPath = "/api/mobile/index.php?version=6&module=choujiang&do=draw&sign=";
inline constexpr const char* kDrawSignature = "3f1c9a0e5b7d2468ace013579bdf2468ace01357";
inline constexpr int kDrawLimit = 10;
inline constexpr std::int32_t kDrawPauseMs = 5000;

// One draw with the given cookie text: the reply's "msg" when it has a "ret",
// otherwise "未登录".
commands::Text draw_lottery(const char* cookie);

// The message of a draw's reply (GBK): "msg" when the reply is JSON with a
// "ret", otherwise "未登录". JSON escapes are read as JSON, and then "%uXXXX"
// and "%XX" escapes in the values as the script engine's unescape() reads them.
// A reply in which that finds no "ret" is read once more with every escape of
// the whole text turned into characters first (unescape_unicode), so that a
// malformed "\u" escape or a percent-escaped reply still gives its message.
commands::Text read_draw_reply(const char* reply);

// The worker's body. It takes its own copy of forum_cookie when it starts,
// so a later change of the cookie box does not reach a running series, and
// it ends by returning (ending only its own thread). run_lottery shows the
// messages in the main window's display box; run_lottery_series hands each
// message, and each pause before it waits, to the sink.
void run_lottery();
void run_lottery_series(StatusSink& sink);

// The pause between draws; a test seam (the program always waits 5000 ms).
void set_draw_pause(std::int32_t milliseconds);

}  // namespace quilbex::app
