#pragma once
// Event dispatch: finding the handler that the templates bind to a unit's
// event and calling it.

#include "forms/EventRecords.h"
#include "runtime/ProgramImage.h"

#include <cstdint>

namespace quilbex::forms {

// The handler bound to event `event` of unit (window_id, unit_id), or null.
// No handler while dispatch is suspended. A window or unit that is not in the
// window list, or a unit type that cannot raise events, is a runtime error.
// Records the current event source when a handler is found.
const rt::ApplicationRoutine* find_handler(std::uint32_t window_id, std::uint32_t unit_id, std::int32_t event);

// Notification 2008: 1 when a handler ran.
int raise_event_record(EventRecord& record);

// Notification 2031: 1 when a handler ran.
int raise_event_typed(TypedCallRecord& record);

// Notification 2017: fills the source of the event being handled.
int current_event_source(std::uint32_t* fields);

}  // namespace quilbex::forms
