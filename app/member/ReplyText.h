#pragma once
// Status texts as the command line and the history file show them. A status
// is often the forum's reply itself, text that the forum chose: it may be a
// whole page, and it may hold control characters, which a terminal takes as
// commands (an ESC sequence can rewrite the screen or the window title).
//
//   what the reply holds                    what is shown
//   markup (a page, the sign plug-in's XML) its text: tags, comments, script
//                                           and style contents and CDATA
//                                           markers removed, entities decoded,
//                                           white space run together
//   tab, line feed, carriage return         one space each
//   any other C0 control, DEL, C1 control,  U+FFFD "�" each, so that the
//   bytes that are not UTF-8                member sees that something stood there
//
// A shown text is cut after kShownStatusLimit bytes (at a character's
// boundary) and then ends in "…": a history line stays short enough for
// the table to read it back.

#include <cstddef>
#include <string>
#include <string_view>

namespace quilbex::app {

inline constexpr std::size_t kShownStatusLimit = 1000;

// `status` is UTF-8 (or meant to be).
std::string printable_status(std::string_view status);

// Only the second and third rows of the table, without a length limit: for
// text read back from a file, which an older release stored unchecked.
std::string marked_controls(std::string_view text);

}  // namespace quilbex::app
