// Validated field readers: numbers, dates and clock times as the listings
// of every family write them. Each rule is written here once; the format
// parsers call these instead of reading digits themselves. None of them
// allocates, throws or reads outside the view it is given.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "parse/today.h"

namespace ftpdirlist {
namespace fields {

// A date and time as read, before it is stored. -1 marks a part the text
// did not give.
struct Stamp {
    std::int32_t year = -1;
    std::int32_t month = -1;
    std::int32_t day = -1;
    std::int32_t hour = -1;
    std::int32_t minute = -1;
    std::int32_t second = -1;
};

// True when `text` is one or more decimal digits whose value fits in
// int64; the value goes to `value`. Signs, spaces and other bytes fail.
bool ReadNumber(std::string_view text, std::int64_t& value);

// ReadNumber for a 32-bit field.
bool ReadNumber32(std::string_view text, std::int32_t& value);

// A size with optional thousands separators: "1234567", "1,234,567" or
// "1.234.567" (groups of three after the first, one separator kind).
bool ReadGroupedNumber(std::string_view text, std::int64_t& value);

// True when `text` is one or more octal digits whose value fits in int64.
bool ReadOctal(std::string_view text, std::int64_t& value);

// Days in `month` (1-12) of any year: February has 29, since a listing
// without a year may name 29 February of a leap year. 0 for other months.
int DaysInMonth(std::int32_t month);

// Month 1-12 and day within the month's length (29 February in any year).
bool ValidDate(std::int32_t month, std::int32_t day);

// Hour 0-23, minute 0-59 and, unless -1, second 0-60.
bool ValidClock(std::int32_t hour, std::int32_t minute, std::int32_t second);

// Two-digit years: 00-69 are 2000-2069, 70-99 are 1970-1999; three-digit
// years count from 1900 (103 is 2003); four-digit years stand as they are.
// `digits` is the number of digits the year was written with.
std::int32_t WidenYear(std::int32_t year, std::size_t digits);

// The year that puts `month`/`day` nearest to `today` (a date without a
// year: servers print recent dates, past or future, without one).
std::int32_t NearestYear(std::int32_t month, std::int32_t day, const LocalDate& today);

// A clock time: "hh:mm", "hh:mm:ss", an optional fraction after the
// seconds (".123456789", dropped) and, when `dot` is set, "." in place of
// ":" ("19.57"). One-digit hours are accepted. Fills hour, minute and
// (when given) second of `stamp`; the values are validated.
bool ReadClock(std::string_view text, Stamp& stamp, bool dot = false);

// A 12-hour suffix: "AM", "PM", "am", "pm" (also "A"/"P" when `shortForm`).
// Turns `stamp.hour` (1-12) into 0-23. False when the text is no such suffix
// or the hour is not 1-12.
bool ApplyMeridiem(std::string_view suffix, Stamp& stamp, bool shortForm = false);

// Orders of the three numbers of a numeric date.
enum class DateOrder : std::uint8_t {
    ymd,  // 2002-01-15, 2002/01/15
    mdy,  // 01-15-2002, 01/15/02
    dmy,  // 15.01.2002, 15/01/02
};

// A numeric date "a<sep>b<sep>c" where sep is one of `separators` (both
// separators the same byte), in `order`. Years of 2 or 3 digits are widened
// (WidenYear). The date is validated. Fills year, month and day.
bool ReadNumericDate(std::string_view text, DateOrder order, std::string_view separators,
                     Stamp& stamp);

// "yyyymmddhhmmss" with an optional fraction (".sss", dropped): the MLSD
// modify fact. Validated.
bool ReadCompactStamp(std::string_view text, Stamp& stamp);

// Unix seconds (UTC) to a date and time, for any int64 whose year fits in
// int32. Fills every part of `stamp`.
bool FromUnixSeconds(std::int64_t seconds, Stamp& stamp);

}  // namespace fields
}  // namespace ftpdirlist
