#pragma once
// The runtime error report: the one way the program ends on a fatal condition.
// It stops event dispatch, tells the user (through the installed error
// handler, or a message box captioned "错误"), drops the exit callbacks and
// runs the exit service with exit code 0xFFFFFFFF.

#include <cstdint>
#include <string>

namespace quilbex::rt {

// message: GBK text, may be null or empty; code: shown when not 0; a and b:
// the identifiers of the detail line (a window identifier adds tag lines).
[[noreturn]] void report_runtime_error(const char* message, std::int32_t code, std::uint32_t a, std::uint32_t b);

// Entry point 0: the application's coded errors. Codes 1 to 11 have a text;
// any other code is reported without one.
[[noreturn]] void report_application_error(std::int32_t code, std::uint32_t a, std::uint32_t b);

// The text of an application error code, or null.
const char* application_error_message(std::int32_t code);

// The detail text: "\r\n%d, %d", tag lines for a window identifier, "\r\n".
std::string error_detail_text(std::uint32_t a, std::uint32_t b);

// The whole message box text: head, code line, message line, detail text.
std::string error_report_text(const char* message, std::int32_t code, const std::string& detail);

}  // namespace quilbex::rt
