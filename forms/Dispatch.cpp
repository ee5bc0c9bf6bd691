#include "forms/Dispatch.h"

#include "forms/FormsApi.h"
#include "forms/FormsState.h"
#include "runtime/ErrorReport.h"
#include "runtime/Notifications.h"
#include "runtime/RuntimeApp.h"
#include "runtime_messages/RuntimeMessages.h"

#include <algorithm>

namespace quilbex::forms {
namespace {

using rt::messages::event_unit_invalid;
using rt::messages::event_unit_missing;
using rt::messages::event_window_missing;

inline constexpr std::uint32_t kTypeLongCode = 0x80000401;
inline constexpr std::uint32_t kTypeDoubleCode = 0x80000601;
inline constexpr std::uint32_t kTypeDateTimeCode = 0x80000003;
inline constexpr std::uint32_t kTypeEightByteCode = 0x80000008;
inline constexpr std::uint32_t kTypeByteCode = 0x80000101;
inline constexpr std::uint32_t kTypeShortCode = 0x80000201;

// The record whose handlers a unit uses: a copied unit follows its source
// chain while the source is a record of the same unit type. The walk stops
// after as many steps as there are records, so a cycle cannot hang it.
const UnitRecord& handler_record(const WindowTemplate& window, const UnitRecord& start) {
    const UnitRecord* record = &start;
    for (std::size_t steps = 0; record->source_unit != 0 && steps < window.units.size(); ++steps) {
        const UnitRecord* source = window.find_unit(record->source_unit);
        if (!source || source->type != record->type)
            break;
        record = source;
    }
    return *record;
}

// Runs a handler; afterwards the current event source is the one that was
// current before its event, so a handler that raised nested events (a message
// box, a modal window) still reads its own source, and at the outermost level
// the source is cleared.
rt::HandlerResult call_handler(const rt::ApplicationRoutine* handler, const rt::HandlerCall& call,
                               const EventSource& previous) {
    rt::HandlerResult result = (*handler)(call);
    forms_state().current_source = previous;
    return result;
}

std::uint64_t typed_argument_value(const TypedArgument& argument) {
    std::uint64_t both = (static_cast<std::uint64_t>(argument.high) << 32) | argument.low;
    if (argument.flags & 1)
        return argument.low;
    if ((argument.flags & 2) || argument.type == 0x10003)
        return both;
    switch (argument.type) {
    case kTypeByteCode: return argument.low & 0xFF;
    case kTypeShortCode: return static_cast<std::uint32_t>(static_cast<std::int16_t>(argument.low & 0xFFFF));
    case kTypeDateTimeCode:
    case kTypeLongCode:
    case kTypeDoubleCode:
    case kTypeEightByteCode: return both;
    default: return argument.low;
    }
}

}  // namespace

const rt::ApplicationRoutine* find_handler(std::uint32_t window_id, std::uint32_t unit_id, std::int32_t event) {
    if (dispatch_suspended())
        return nullptr;
    auto& state = forms_state();
    LoadedWindow* window = state.windows.find(window_id);
    if (!window)
        rt::report_runtime_error(event_window_missing(), 0, window_id, 0);
    int index = unit_id == 0 ? 0 : window->unit_index(unit_id);
    if (index < 0 || window->working.units.empty())
        rt::report_runtime_error(event_unit_missing(), 0, window_id, unit_id);
    const UnitRecord& unit = window->working.units[static_cast<std::size_t>(index)];
    const UnitRecord& record = handler_record(window->working, unit);
    const rt::DataTypeRecord* type = rt::data_type_record(record.type);
    if (!type || !(type->stateFlags & (rt::kTypeFlagUnitA | rt::kTypeFlagUnitB)))
        rt::report_runtime_error(event_unit_invalid(), 0, window_id, unit_id);
    std::uint32_t offset = kNoHandler;
    if (record.type == kMenuItemType)
        offset = record.handlers.empty() ? kNoHandler : record.handlers.front().handler;
    else
        offset = record.handler_for(event);
    const rt::ApplicationRoutine* handler = nullptr;
    if (offset == kNoHandler || !state.header || !rt::relocate_handler(*state.header, offset, handler) || !handler)
        return nullptr;
    state.current_source = {window_id, unit_id == 0 ? window->working.units[0].id : unit_id, true};
    return handler;
}

int raise_event_record(EventRecord& record) {
    const EventSource previous = forms_state().current_source;
    const rt::ApplicationRoutine* handler = find_handler(record.window_id, record.unit_id, record.event);
    if (!handler)
        return 0;
    rt::HandlerCall call;
    call.argc = static_cast<int>(std::min<std::uint32_t>(record.argc, 5));
    for (int i = 0; i < call.argc; ++i)
        call.args[static_cast<std::size_t>(i)] = record.args[i];
    rt::HandlerResult result = call_handler(handler, call, previous);
    if (result.hasValue) {
        record.has_result = 1;
        record.result = static_cast<std::uint32_t>(result.value);
    }
    return 1;
}

int raise_event_typed(TypedCallRecord& record) {
    const EventSource previous = forms_state().current_source;
    const rt::ApplicationRoutine* handler = find_handler(record.window_id, record.unit_id, record.event);
    if (!handler)
        return 0;
    rt::HandlerCall call;
    call.argc = static_cast<int>(std::min<std::uint32_t>(record.argc, 12));
    for (int i = 0; i < call.argc; ++i)
        call.args[static_cast<std::size_t>(i)] = typed_argument_value(record.args[i]);
    rt::HandlerResult result = call_handler(handler, call, previous);
    if (result.hasValue) {
        record.has_result = 1;
        record.result = result.value;
    }
    return 1;
}

int current_event_source(std::uint32_t* fields) {
    const EventSource& source = forms_state().current_source;
    if (!source.known)
        return 0;
    fields[0] = source.window_id;
    fields[1] = source.unit_id;
    return 1;
}

EventOutcome raise_event(std::uint32_t window_id, std::uint32_t unit_id, std::int32_t event,
                         std::initializer_list<std::uint32_t> args) {
    EventRecord record{};
    record.window_id = window_id;
    record.unit_id = unit_id;
    record.event = event;
    for (std::uint32_t value : args) {
        if (record.argc == 5)
            break;
        record.args[record.argc++] = value;
    }
    EventOutcome outcome;
    outcome.ran = raise_event_record(record) != 0;
    if (record.has_result)
        outcome.value = static_cast<std::int32_t>(record.result);
    return outcome;
}

bool has_handler(std::uint32_t window_id, std::uint32_t unit_id, std::int32_t event) {
    const EventSource previous = forms_state().current_source;
    bool found = find_handler(window_id, unit_id, event) != nullptr;
    forms_state().current_source = previous;
    return found;
}

bool dispatch_suspended() { return rt::runtime_app().suppressCount.load() >= 1; }

}  // namespace quilbex::forms
