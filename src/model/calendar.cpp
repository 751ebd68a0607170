#include "model/calendar.h"

namespace ftpdirlist {
namespace calendar {

namespace {

std::int64_t DaysInYear(std::int64_t year) { return IsLeapYear(year) ? 366 : 365; }

// The nearest of last year, this year and next year, in any year.
std::int64_t NearestOfThree(std::int32_t month, std::int32_t day, const LocalDate& today) {
    const std::int64_t year = today.year;
    // Within 181 days of today in a common year (a leap day moves a date by
    // one), every other year's date lies at least 183 days away.
    const std::int64_t common = DayOfYear(1, month, day) - DayOfYear(1, today.month, today.day);
    if (common >= -181 && common <= 181) return year;
    const std::int64_t now = DayOfYear(year, today.month, today.day);
    const std::int64_t here = DayOfYear(year, month, day) - now;
    const std::int64_t distance = here < 0 ? -here : here;
    if (here > 0) {
        const std::int64_t before = now + DaysInYear(year - 1) - DayOfYear(year - 1, month, day);
        return before <= distance ? year - 1 : year;
    }
    const std::int64_t after = DaysInYear(year) - now + DayOfYear(year + 1, month, day);
    return after < distance ? year + 1 : year;
}

}  // namespace

std::int32_t NearestYear(std::int32_t month, std::int32_t day, const LocalDate& today) {
    if (month < 1 || month > 12 || today.month < 1 || today.month > 12) return today.year;
    std::int64_t year = NearestOfThree(month, day, today);
    if (year < kMinYear) year = kMinYear;
    if (year > kMaxYear) year = kMaxYear;
    // A leap year lies at most eight years back (2100 to 2096); years 1 to 3
    // have none before them.
    if (month == 2 && day == 29) {
        while (!IsLeapYear(year)) year = year > 4 ? year - 1 : year + 1;
    }
    return static_cast<std::int32_t>(year);
}

}  // namespace calendar
}  // namespace ftpdirlist
