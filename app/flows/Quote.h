#pragma once
// The quote of the day: a short text from the quote service that the quote
// button puts into the message box, on a worker thread of its own.

#include "commands/Facade.h"
#include "platform/kernel/WinTypes.h"

namespace quilbex::app {

inline constexpr const char* kQuotePath = "/api/soul";

// The text at "data.title" of the service's reply, or the empty text.
commands::Text fetch_quote();

// The worker's entry routine: fetches the quote and writes it into the
// message box (an empty quote empties it), then ends by returning.
win::DWORD quote_worker(win::LPVOID parameter);

}  // namespace quilbex::app
