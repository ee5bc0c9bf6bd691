#pragma once
// OLE automation dates: days since 30 December 1899 00:00 as a double, the
// time of day as the fraction. Before that day the whole part counts days
// back while the fraction still counts the time forward from midnight, so
// -1.25 is 29 December 1899, 06:00. The calendar is the proleptic Gregorian
// one.

#include <cstdint>

namespace quilbex::commands {

struct DateParts {
    int year = 1899, month = 12, day = 30;
    int hour = 0, minute = 0, second = 0;
};

// The earliest and latest dates shown: 1 January 100 and 31 December 9999.
inline constexpr double kOleDateMin = -657434.0;
inline constexpr double kOleDateMax = 2958465.0;

// Splits a date-time after clamping it into [kOleDateMin, kOleDateMax] and
// rounding it to the nearest second. NaN counts as 0.
DateParts split_ole_date(double value);

// The date-time of a calendar date and time of day (no fraction of a second).
double make_ole_date(const DateParts& parts);

}  // namespace quilbex::commands
