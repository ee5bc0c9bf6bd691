#pragma once
// The command-line modes that tell a member about their files: --profiles
// lists the members of this program, --where shows where each file lives.

#include <string>

namespace quilbex::app {

// Every member with a saved Cookie.ini, with the last line of their history.
int list_profiles();

// The layout and why, the program folder and every file the program reads
// or writes, each with its full path: the text of --where.
std::string where_text();
int print_where();

}  // namespace quilbex::app
