#pragma once
// Small conveniences over the command facade for the network routines: owned
// texts to and from std::string, and the marker search of the text helpers.

#include "commands/Facade.h"
#include "runtime/Memory.h"

#include <string>
#include <string_view>

namespace quilbex::app {

using commands::ByteSet;
using commands::Text;

inline std::string str(const Text& text) { return text ? std::string(text.get()) : std::string(); }
inline std::string str(const char* text) { return text ? std::string(text) : std::string(); }

// A runtime text holding the bytes; the empty text is null.
inline Text make_text(std::string_view bytes) { return Text(rt::make_text(bytes)); }

// The bytes between the first `left` (searched from the start) and the next
// `right` after it, or the empty text when either is missing.
Text cut_between(const char* text, const char* left, const char* right, bool ignore_case = false);

}  // namespace quilbex::app
