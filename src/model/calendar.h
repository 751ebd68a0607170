// The calendar of both dialects: the leap-year rule, month lengths, the
// widening of two-digit years and the year of a date written without one.
// Where the dialects differ, each has its named policy here. Nothing here
// allocates, throws or reads memory beyond its arguments.
#pragma once

#include <cstdint>

namespace ftpdirlist {

// A local date: the date that counts as today.
struct LocalDate {
    std::int32_t year;   // full year, such as 2002
    std::int32_t month;  // 1-12
    std::int32_t day;    // 1-31
};

namespace calendar {

// The years a date derived from today may take (the range that today itself
// is clamped to): a year-less date never resolves outside it.
inline constexpr std::int32_t kMinYear = 1;
inline constexpr std::int32_t kMaxYear = 9999;

// True for the leap years of the Gregorian calendar, for any year.
constexpr bool IsLeapYear(std::int64_t year) {
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

// The days of each month, February's of a leap year: LongestMonth's table.
inline constexpr std::uint8_t kLongestMonthDays[12] = {31, 29, 31, 30, 31, 30,
                                                       31, 31, 30, 31, 30, 31};

// Days in `month` (1-12) of a date that names no year: February has 29,
// since such a date may name 29 February of a leap year. 0 for other months.
constexpr int LongestMonth(std::int32_t month) {
    return month >= 1 && month <= 12 ? kLongestMonthDays[month - 1] : 0;
}

// Days in `month` (1-12) of `year`; 0 for other months.
constexpr int DaysInMonth(std::int64_t year, std::int32_t month) {
    return month == 2 && !IsLeapYear(year) ? 28 : LongestMonth(month);
}

// Day of the year (1 January is 1) of `month` (1-12) and `day` in `year`; a
// day past the month's end counts on into the next month.
constexpr std::int64_t DayOfYear(std::int64_t year, std::int32_t month, std::int32_t day) {
    constexpr std::int16_t kDaysBefore[12] = {0,   31,  59,  90,  120, 151,
                                              181, 212, 243, 273, 304, 334};
    return kDaysBefore[month - 1] + day + (IsLeapYear(year) && month > 2 ? 1 : 0);
}

// Two-digit years: `yy` (0-99) below the pivot lies in 2000-2099, the rest
// in 1900-1999. The classic dialect reads DOS dates with pivot 50
// (1950-2049); the extended dialect reads every family with pivot 70
// (1970-2069), since no listing shows a file from before 1970 with a
// two-digit year while dates of the 2050s and 2060s are still ahead.
inline constexpr std::int32_t kClassicPivot = 50;
inline constexpr std::int32_t kExtendedPivot = 70;

constexpr std::int32_t WidenTwoDigitYear(std::int32_t yy, std::int32_t pivot) {
    // By arithmetic rather than a choice: a listing mixes both centuries.
    return 1900 + yy + 100 * static_cast<std::int32_t>(yy < pivot);
}

// The classic year of a Unix-style entry that gives a time instead of a
// year: this year, unless the date lies more than one day after today, then
// last year; months count as 31 days. Never below kMinYear: with today in
// year 1, the date stays in year 1.
inline std::int32_t ClassicYearOfTimedEntry(std::int32_t month, std::int32_t day,
                                            const LocalDate& today) {
    const std::int64_t entry = static_cast<std::int64_t>(month) * 31 + day;
    const std::int64_t limit = static_cast<std::int64_t>(today.month) * 31 + today.day + 1;
    return entry > limit && today.year > kMinYear ? today.year - 1 : today.year;
}

// The extended year of a date without one (`month` 1-12, `day` valid for
// the month in some year): this year, unless the date lies more than
// kExtendedFutureDays after today, then last year (never below kMinYear).
// Servers drop the year for the past six months (ls), the whole calendar
// year, or always, so a year-less date is a past one; the few days of grace
// keep files a server clock or a copy dated a little ahead in this year. For
// 29 February, the leap year at or before that year (the first, year 4,
// when none is). `today`'s year must lie within kMinYear..kMaxYear.
inline constexpr std::int32_t kExtendedFutureDays = 31;

std::int32_t ExtendedYearOfYearlessDate(std::int32_t month, std::int32_t day,
                                        const LocalDate& today);

// ExtendedYearOfYearlessDate for the dates of one today after another. In
// the calendar's order the rule gives one year up to a date and another
// from it on (the dates too far ahead), so that date is found once per
// today, by the rule itself, and a date is then placed by one comparison.
// 29 February is asked of the rule. `month` and `day` as for the rule.
class YearlessYears {
public:
    std::int32_t Year(std::int32_t month, std::int32_t day, const LocalDate& today) {
        if (today.year != for_.year || today.month != for_.month || today.day != for_.day) {
            Find(today);
        }
        const std::int32_t key = Key(month, day);
        if (key == Key(2, 29)) return ExtendedYearOfYearlessDate(month, day, today);
        return key >= firstLate_ ? late_ : early_;
    }

private:
    static constexpr std::int32_t Key(std::int32_t month, std::int32_t day) {
        return month * 32 + day;
    }
    void Find(const LocalDate& today);

    LocalDate for_{0, 0, 0};      // the today that the rest was found for
    std::int32_t early_ = 0;      // the year of 1 January
    std::int32_t late_ = 0;       // the year of 31 December
    std::int32_t firstLate_ = 0;  // the Key of the first date of late_ (past all when none)
};

}  // namespace calendar
}  // namespace ftpdirlist
