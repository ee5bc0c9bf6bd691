#include "commands/numbers/OleDate.h"

#include <algorithm>
#include <cmath>

namespace quilbex::commands {
namespace {

constexpr std::int64_t kSecondsPerDay = 86400;
// 30 December 1899 counted from 1 January 1970.
constexpr std::int64_t kOleEpochFromUnix = -25569;

// Days from 1 January 1970 to a proleptic Gregorian date, and back (the
// well-known era-based algorithms; exact for every date in range).
std::int64_t days_from_civil(std::int64_t y, int m, int d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void civil_from_days(std::int64_t z, DateParts& parts) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    parts.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    parts.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    parts.year = static_cast<int>(yoe + era * 400 + (parts.month <= 2));
}

}  // namespace

DateParts split_ole_date(double value) {
    if (std::isnan(value))
        value = 0;
    value = std::clamp(value, kOleDateMin, kOleDateMax);
    // To a linear day count (negative dates keep a forward fraction), then to
    // whole seconds, rounded to the nearest one. Rounding on the linear count
    // carries a time just before midnight into the next day for dates before
    // 1900 too.
    double whole = std::trunc(value);
    double linear = whole + std::fabs(value - whole);
    auto seconds = static_cast<std::int64_t>(std::floor(linear * kSecondsPerDay + 0.5));
    std::int64_t days = seconds / kSecondsPerDay;
    std::int64_t rest = seconds % kSecondsPerDay;
    if (rest < 0) {
        rest += kSecondsPerDay;
        --days;
    }
    DateParts parts;
    civil_from_days(days + kOleEpochFromUnix, parts);
    parts.hour = static_cast<int>(rest / 3600);
    parts.minute = static_cast<int>(rest / 60 % 60);
    parts.second = static_cast<int>(rest % 60);
    return parts;
}

double make_ole_date(const DateParts& parts) {
    std::int64_t days = days_from_civil(parts.year, parts.month, parts.day) - kOleEpochFromUnix;
    double fraction = static_cast<double>(parts.hour * 3600 + parts.minute * 60 + parts.second) / kSecondsPerDay;
    return days >= 0 ? static_cast<double>(days) + fraction : static_cast<double>(days) - fraction;
}

}  // namespace quilbex::commands
