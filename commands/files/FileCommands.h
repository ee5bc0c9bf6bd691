#pragma once
// Byte sets, files, settings and the run directory. Byte sets are blocks of
// (1, length, bytes); the empty byte set is the null pointer. File names are
// the program's GBK paths with "\" or "/". Failures are results (false, the
// empty text or byte set), never messages.
//
//   command          arguments                                            result
//   byte_set_length  byte set                                             integer
//   to_byte_set      a value of any type                                  byte set
//   left_bytes       byte set, count                                      byte set
//   mid_bytes        byte set, start, count                               byte set
//   replace_bytes    byte set, search, [replacement: empty], [start: 1],
//                    [count: all]                                         byte set
//   zero_bytes       count                                                byte set
//   file_exists      file name (wild cards allowed)                       logical
//   write_file       file name, byte set, [more byte sets...]             logical
//   run_directory    none                                                 text
//   read_config      file, section, key, [default: empty]                 text
//   write_config     file, section, [key], [value]                        logical
//
// write_file replaces the file as a whole: the new contents go to a temporary
// file beside it that is renamed over the old one once complete, so a failed
// or interrupted write leaves the old file, never a partial one. write_config
// goes through the profile writer, which does the same.

#include "runtime/ArgRecord.h"

namespace quilbex::commands::lib {

void byte_set_length(rt::ArgRecord* result, int argc, rt::ArgRecord* args);
void to_byte_set(rt::ArgRecord* result, int argc, rt::ArgRecord* args);
void left_bytes(rt::ArgRecord* result, int argc, rt::ArgRecord* args);
void mid_bytes(rt::ArgRecord* result, int argc, rt::ArgRecord* args);
void replace_bytes(rt::ArgRecord* result, int argc, rt::ArgRecord* args);
void zero_bytes(rt::ArgRecord* result, int argc, rt::ArgRecord* args);
void file_exists(rt::ArgRecord* result, int argc, rt::ArgRecord* args);
void write_file(rt::ArgRecord* result, int argc, rt::ArgRecord* args);
void run_directory(rt::ArgRecord* result, int argc, rt::ArgRecord* args);
void read_config(rt::ArgRecord* result, int argc, rt::ArgRecord* args);
void write_config(rt::ArgRecord* result, int argc, rt::ArgRecord* args);

}  // namespace quilbex::commands::lib
