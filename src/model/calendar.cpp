#include "model/calendar.h"

namespace ftpdirlist {
namespace calendar {

std::int32_t ExtendedYearOfYearlessDate(std::int32_t month, std::int32_t day,
                                        const LocalDate& today) {
    if (month < 1 || month > 12 || today.month < 1 || today.month > 12) return today.year;
    std::int64_t year = today.year;
    const std::int64_t ahead =
        DayOfYear(year, month, day) - DayOfYear(year, today.month, today.day);
    if (ahead > kExtendedFutureDays && year > kMinYear) --year;
    // A leap year lies at most eight years back (2100 to 2096); years 1 to 3
    // have none before them.
    if (month == 2 && day == 29) {
        while (!IsLeapYear(year)) year = year > 4 ? year - 1 : year + 1;
    }
    return static_cast<std::int32_t>(year);
}

}  // namespace calendar
}  // namespace ftpdirlist
