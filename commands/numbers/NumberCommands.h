#pragma once
// Conversions between the runtime's types and text, integer flags, the clock
// and pausing. Results follow the text commands' rules (new blocks owned by
// the caller, the empty text as null); none of them reports an error.
//
//   command       arguments            result
//   to_integer    a value of any type  integer
//   to_text       a value of any type  text
//   to_hex_text   integer              text ("%X")
//   bit_or        integers...          integer (also bit_and, bit_xor)
//   current_time  none                 date-time, local time, whole seconds
//   delay         milliseconds         none; blocks only the calling thread

#include "runtime/ArgRecord.h"

#include <string>

namespace quilbex::commands {

// A value as to_text shows it, for the other commands that show values:
// numbers with their patterns, texts as they are, logicals as "真"/"假",
// date-times in the calendar form; byte sets and arrays give their bytes up to
// the first zero. Anything else is empty.
std::string value_to_text(const rt::ArgRecord& value);

// A float rounded to six significant decimal digits as a double.
double round_float_to_six_digits(float value);

// A date-time as "%d年%d月%d日" plus the time of day as far as it is not zero.
std::string date_time_to_text(double date);

// A GBK text in its half-width form: full-width ASCII becomes ASCII.
std::string half_width(std::string_view text);

}  // namespace quilbex::commands

namespace quilbex::commands::lib {

void to_integer(rt::ArgRecord* result, int argc, rt::ArgRecord* args);
void to_text(rt::ArgRecord* result, int argc, rt::ArgRecord* args);
void to_hex_text(rt::ArgRecord* result, int argc, rt::ArgRecord* args);
void bit_or(rt::ArgRecord* result, int argc, rt::ArgRecord* args);
void bit_and(rt::ArgRecord* result, int argc, rt::ArgRecord* args);
void bit_xor(rt::ArgRecord* result, int argc, rt::ArgRecord* args);
void current_time(rt::ArgRecord* result, int argc, rt::ArgRecord* args);
void delay(rt::ArgRecord* result, int argc, rt::ArgRecord* args);

}  // namespace quilbex::commands::lib
