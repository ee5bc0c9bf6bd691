#pragma once
// The waits of a run whose sign-in got no answer: after each wait the run
// tries again, until the list is used up. Only a network that did not answer
// is worth another try: a refused certificate stays refused until someone
// changes the server or the trust, so that run ends at once. Written on the command line as
// whole seconds separated by commas ("60,300,900"); "0" alone turns
// retrying off.

#include "platform/wininet/RequestFailure.h"

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace quilbex::app {

inline constexpr std::size_t kMaxRetries = 10;
inline constexpr int kMaxRetryWaitSeconds = 86400;

// Whether a try that failed this way may succeed after a wait.
bool worth_retrying(const wininet::RequestFailure& failure);

// The default: one, five and fifteen minutes.
std::vector<std::chrono::seconds> default_retry_waits();

// The waits of `text`, an empty list for "0", nothing for anything else
// (an empty item, a wait of 0 in a list, more than kMaxRetries waits, one
// longer than a day).
std::optional<std::vector<std::chrono::seconds>> parse_retry_waits(const std::string& text);

}  // namespace quilbex::app
