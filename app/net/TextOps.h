#pragma once
// Small conveniences over the command facade for the network routines: owned
// texts to and from std::string.

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

}  // namespace quilbex::app
