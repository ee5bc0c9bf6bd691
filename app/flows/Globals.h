#pragma once
// The application's globals that the flows share with the main window.
//
// forum_cookie is written by the window thread (the sign-in button copies the
// cookie box into it) and read by the sign-in on that thread and by lottery
// workers. Every access goes through the functions below, which hold one lock
// around the copy and the replacement, so a worker never reads a text that
// is being replaced; each worker takes its own copy once when it starts.

#include "commands/Facade.h"

#include <atomic>
#include <cstdint>

namespace quilbex::app {

void set_forum_cookie(const char* text);
commands::Text forum_cookie_copy();
// Frees the text (the program's exit routine).
void release_forum_cookie();

// Handles of the last quote and lottery workers, as the start-thread command
// stores them.
extern std::atomic<std::int32_t> quote_thread;
extern std::atomic<std::int32_t> lottery_thread;
// The method of the draw request; the draw sets it to 1 (POST).
extern std::atomic<std::int32_t> lottery_method;

}  // namespace quilbex::app
