#pragma once
// Keys of the settings file (Config.ini) read as the member who wrote it
// means them. The file is read with the Windows profile rules (a ';' starts a
// comment only at the start of a line); what differs is its encoding. A
// Linux editor writes UTF-8, a Windows one GBK: a file that is valid UTF-8
// (with or without a byte-order mark) and holds any byte above 0x7F is read
// as UTF-8, every other file as GBK.
//
// File names are the program's file names (GBK, "\" or "/" separators).

#include <string>

namespace quilbex::app {

// Whether the file's texts are UTF-8 by the rule above (false for a missing file).
bool settings_file_is_utf8(const std::string& file);

// The value of `key` in `section` as UTF-8, or the empty text when the file,
// the section or the key is missing.
std::string read_setting_utf8(const std::string& file, const char* section, const char* key);

// The same value as a GBK text, as the program keeps its texts. Characters
// that GBK cannot hold become "?".
std::string read_setting_text(const std::string& file, const char* section, const char* key);

}  // namespace quilbex::app
