// The calendar helpers of the C++ API: the library's own rules, so that hosts
// check dates as the parsers do.
#include "ftpdirlist/ftpdirlist.hpp"
#include "model/calendar.h"

namespace ftpdir {

bool isLeapYear(std::int32_t year) noexcept { return ftpdirlist::calendar::IsLeapYear(year); }

int daysInMonth(std::int32_t year, std::int32_t month) noexcept {
    return ftpdirlist::calendar::DaysInMonth(year, month);
}

}  // namespace ftpdir
