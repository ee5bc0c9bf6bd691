#include "app/daily/RetryWaits.h"

namespace quilbex::app {

bool worth_retrying(const wininet::RequestFailure& failure) { return !failure.is_certificate(); }

std::vector<std::chrono::seconds> default_retry_waits() {
    return {std::chrono::minutes(1), std::chrono::minutes(5), std::chrono::minutes(15)};
}

std::optional<std::vector<std::chrono::seconds>> parse_retry_waits(const std::string& text) {
    if (text == "0")
        return std::vector<std::chrono::seconds>{};
    std::vector<std::chrono::seconds> waits;
    std::string::size_type start = 0;
    while (true) {
        auto comma = text.find(',', start);
        std::string item = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        if (item.empty() || item.size() > 6 || item.find_first_not_of("0123456789") != std::string::npos)
            return std::nullopt;
        int seconds = std::stoi(item);
        if (seconds < 1 || seconds > kMaxRetryWaitSeconds || waits.size() == kMaxRetries)
            return std::nullopt;
        waits.emplace_back(seconds);
        if (comma == std::string::npos)
            return waits;
        start = comma + 1;
    }
}

}  // namespace quilbex::app
