#pragma once
// Reading what a push service answered. The services answer with a small
// JSON object whose top-level members say how it went ("code", "errcode",
// "ok") and why ("message", "msg", "errmsg", "description", "error"); only
// those top-level scalars are read, nested objects and arrays are skipped.

#include "app/alerts/AlertChannel.h"

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace quilbex::app {

// The top-level members of a JSON object whose values are strings, numbers,
// true, false or null, as text (strings unescaped, the others as written);
// nothing when the text is not a JSON object.
std::optional<std::map<std::string, std::string>> json_top_level(std::string_view text);

struct HttpAnswer {
    long status = 0;
    std::string body;  // at most kMaxAnswerBytes of it
};

inline constexpr std::size_t kMaxAnswerBytes = 64 * 1024;

// How a service says that a message was taken: the member `field` holding
// `success` (with the HTTP status 2xx), its reason in `reason` when not.
// An empty `field` means that a 2xx status alone is success.
struct AnswerRule {
    const char* field;
    const char* success;
    const char* reason;
};

// The channel's result for `answer` under `rule`: "HTTP 200" on success, else
// the status, the field's value and the service's reason (made printable and
// cut short: it is shown and written to History.log).
kernel::Result<std::string> judge_answer(const HttpAnswer& answer, const AnswerRule& rule);

}  // namespace quilbex::app
