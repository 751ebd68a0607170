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

void YearlessYears::Find(const LocalDate& today) {
    for_ = today;
    early_ = ExtendedYearOfYearlessDate(1, 1, today);
    late_ = ExtendedYearOfYearlessDate(12, 31, today);
    firstLate_ = Key(13, 1);
    if (late_ == early_) return;
    // The last day of each month, 28 February for February (the 29th is
    // asked of the rule): the first month that ends in late_, then its
    // first day in late_.
    const auto last = [](std::int32_t month) { return month == 2 ? 28 : LongestMonth(month); };
    std::int32_t low = 1;
    std::int32_t high = 12;
    while (low < high) {
        const std::int32_t month = (low + high) / 2;
        if (ExtendedYearOfYearlessDate(month, last(month), today) == late_) {
            high = month;
        } else {
            low = month + 1;
        }
    }
    const std::int32_t month = low;
    std::int32_t first = 1;
    std::int32_t end = last(month);
    while (first < end) {
        const std::int32_t day = (first + end) / 2;
        if (ExtendedYearOfYearlessDate(month, day, today) == late_) {
            end = day;
        } else {
            first = day + 1;
        }
    }
    firstLate_ = Key(month, first);
}

}  // namespace calendar
}  // namespace ftpdirlist
