#pragma once
// The text commands. Texts are GBK bytes: lengths and positions count bytes,
// positions given by the caller are 1-based, a byte of 0x80 or above starts a
// two-byte character. The scanning commands (search, replace, split, case,
// trim) step over a two-byte character as one unit, so a match never starts on
// its second byte; the cutting commands (left, right, middle) count raw bytes.
// A text result is a new runtime block owned by the caller; the empty text is
// the null pointer. No command keeps state; all may run on any thread.
//
//   command            arguments ([ ] optional: default)                  result
//   length_of_text     text                                                integer
//   left_text          text, count                                         text
//   right_text         text, count                                         text
//   mid_text           text, start, count                                  text
//   char_from_code     byte code                                           text
//   char_code          text, [position: 1]                                 integer (byte, sign-extended)
//   find_text          text, search, [start: 1], [ignore case: false]      position or -1
//   find_text_reverse  text, search, [end: end of text], [ignore case]     position or -1
//   to_upper/to_lower  text                                                text
//   trim_spaces        text                                                text
//   replace_text       text, search, [replacement: ""], [start: 1],
//                      [count: all], [case sensitive: false]               text
//   split_text         text, [delimiter: ","], [maximum: unlimited]        text array
//   space_text         count                                               text
//   starts_with        text, prefix                                        logical

#include "runtime/ArgRecord.h"

namespace quilbex::commands::lib {

void length_of_text(rt::ArgRecord* result, int argc, rt::ArgRecord* args);
void left_text(rt::ArgRecord* result, int argc, rt::ArgRecord* args);
void right_text(rt::ArgRecord* result, int argc, rt::ArgRecord* args);
void mid_text(rt::ArgRecord* result, int argc, rt::ArgRecord* args);
void char_from_code(rt::ArgRecord* result, int argc, rt::ArgRecord* args);
void char_code(rt::ArgRecord* result, int argc, rt::ArgRecord* args);
void find_text(rt::ArgRecord* result, int argc, rt::ArgRecord* args);
void find_text_reverse(rt::ArgRecord* result, int argc, rt::ArgRecord* args);
void to_upper(rt::ArgRecord* result, int argc, rt::ArgRecord* args);
void to_lower(rt::ArgRecord* result, int argc, rt::ArgRecord* args);
void trim_spaces(rt::ArgRecord* result, int argc, rt::ArgRecord* args);
void replace_text(rt::ArgRecord* result, int argc, rt::ArgRecord* args);
void split_text(rt::ArgRecord* result, int argc, rt::ArgRecord* args);
void space_text(rt::ArgRecord* result, int argc, rt::ArgRecord* args);
void starts_with(rt::ArgRecord* result, int argc, rt::ArgRecord* args);

}  // namespace quilbex::commands::lib
