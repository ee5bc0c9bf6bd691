#include "runtime/CallFrame.h"

#include "runtime/ErrorReport.h"
#include "runtime_messages/RuntimeMessages.h"

#include <cmath>
#include <limits>

namespace quilbex::rt {

ArgRecord call_library_command(CommandRoutine routine, int /*library_index*/, int argc, ArgRecord* args) {
    ArgRecord result;
    routine(&result, argc, args);
    return result;
}

ArgRecord call_core_command(CommandRoutine routine, int argc, ArgRecord* args) {
    return call_library_command(routine, 0, argc, args);
}

namespace {

// Truncation toward zero. A value outside the 32-bit range (or NaN) gives
// 0x80000000, the x86 "integer indefinite" that the platform's conversion
// produces, rather than undefined behaviour.
std::int32_t truncate_real(double value) {
    double truncated = std::trunc(value);
    if (!(truncated >= -2147483648.0 && truncated <= 2147483647.0))
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(truncated);
}

}  // namespace

std::int32_t convert_to_int32(const ArgRecord& record) {
    switch (record.type) {
    case kTypeByte: return static_cast<std::int32_t>(record.low & 0xFF);
    case kTypeShort: return static_cast<std::int16_t>(record.low & 0xFFFF);
    case kTypeInt:
    case kTypeLong: return static_cast<std::int32_t>(record.low);
    case kTypeFloat: return truncate_real(record.as_float());
    case kTypeDouble: return truncate_real(record.as_double());
    default: report_runtime_error(messages::not_numeric(), 0, 0, 0);
    }
}

}  // namespace quilbex::rt
