#pragma once
// Helpers for the command tests: calling a command with raw records (for
// omitted arguments and odd types) and reading results as std::string.

#include "commands/Facade.h"
#include "runtime/ArgRecord.h"
#include "runtime/Blocks.h"
#include "runtime/CallFrame.h"
#include "runtime/Memory.h"

#include <initializer_list>
#include <string>
#include <vector>

namespace quilbex::testing {

inline std::string str(const commands::Text& text) { return text ? std::string(text.get()) : std::string(); }

inline std::string bytes(const commands::ByteSet& set) {
    auto span = rt::byte_set_bytes(set.get());
    return std::string(reinterpret_cast<const char*>(span.data()), span.size());
}

// A byte set block that frees itself.
inline commands::ByteSet byte_set(const std::string& data) {
    return commands::ByteSet(rt::make_byte_set(data.data(), data.size()));
}

inline rt::ArgRecord text_record(const char* text) { return rt::ArgRecord::of_pointer(text, rt::kTypeText); }

// Calls a routine through the frame with the given records.
inline rt::ArgRecord call(rt::CommandRoutine routine, std::initializer_list<rt::ArgRecord> args) {
    std::vector<rt::ArgRecord> records(args);
    return rt::call_core_command(routine, static_cast<int>(records.size()), records.data());
}

// Takes a text result and frees it.
inline std::string take_text(const rt::ArgRecord& result) {
    commands::Text owned(static_cast<char*>(result.pointer()));
    return str(owned);
}

}  // namespace quilbex::testing
