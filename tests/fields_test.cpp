// The shared field readers: numbers, dates, clock times and date markers,
// each read from an exact-size heap copy.
#include "fields/fields.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "parse_helpers.h"

namespace ftpdirlist {
namespace {

using fields::Stamp;
using test::HeapBytes;

struct NumberCase {
    const char* reason;
    std::string text;
    bool ok;
    std::int64_t value;
};

// Every row read by `read` from an exact-size copy.
template <std::size_t n>
void ExpectNumbers(const NumberCase (&cases)[n], bool (*read)(std::string_view, std::int64_t&)) {
    for (const NumberCase& c : cases) {
        SCOPED_TRACE(c.reason);
        const HeapBytes text(c.text);
        std::int64_t value = -7;
        EXPECT_EQ(read(text.view(), value), c.ok);
        if (c.ok) {
            EXPECT_EQ(value, c.value);
        }
    }
}

// Every row read by ReadGroupedNumber from a copy followed by `tail`, which
// it may read but must not take.
template <std::size_t n>
void ExpectGroupedBeforeTail(const NumberCase (&cases)[n], const std::string& tail) {
    for (const NumberCase& c : cases) {
        SCOPED_TRACE(c.reason);
        const HeapBytes buffer(c.text + tail);
        std::int64_t value = -7;
        EXPECT_EQ(fields::ReadGroupedNumber(buffer.view().substr(0, c.text.size()), value,
                                            buffer.data() + buffer.size()),
                  c.ok);
        if (c.ok) {
            EXPECT_EQ(value, c.value);
        }
    }
}

TEST(FieldsTest, Numbers) {
    const NumberCase cases[] = {
        {"plain", "1234", true, 1234},
        {"zero", "0", true, 0},
        {"largest int64", "9223372036854775807", true, 9223372036854775807},
        {"one past int64", "9223372036854775808", false, 0},
        {"empty", "", false, 0},
        {"sign", "-1", false, 0},
        {"plus", "+1", false, 0},
        {"trailing letter", "12x", false, 0},
        {"space", "1 2", false, 0},
    };
    ExpectNumbers(cases, &fields::ReadNumber);
    std::int32_t small = 0;
    EXPECT_TRUE(fields::ReadNumber32(HeapBytes("2147483647").view(), small));
    EXPECT_EQ(small, 2147483647);
    EXPECT_FALSE(fields::ReadNumber32(HeapBytes("2147483648").view(), small));
    EXPECT_FALSE(fields::ReadNumber32(HeapBytes("00000000001").view(), small));
}

TEST(FieldsTest, GroupedAndOctalNumbers) {
    const NumberCase grouped[] = {
        {"no separator", "1234567", true, 1234567},
        {"commas", "1,234,567", true, 1234567},
        {"points", "1.234.567", true, 1234567},
        {"short first group", "12,345", true, 12345},
        {"mixed separators", "1,234.567", false, 0},
        {"group of two", "1,23", false, 0},
        {"group of four", "1,2345", false, 0},
        {"first group of four", "1234,567", false, 0},
        {"leading separator", ",123", false, 0},
        {"trailing separator", "123,", false, 0},
        {"overflow", "9,223,372,036,854,775,808", false, 0},
        {"largest", "9,223,372,036,854,775,807", true, 9223372036854775807},
        {"negative", "-1,234", false, 0},
    };
    ExpectNumbers(grouped, [](std::string_view text, std::int64_t& value) {
        return fields::ReadGroupedNumber(text, value);
    });
    // With bytes readable past the text, digits there (or a separator) must
    // not be taken.
    ExpectGroupedBeforeTail(grouped, "9876543210987654");
    const NumberCase digits[] = {
        {"one digit", "7", true, 7},
        {"sixteen digits", "1234567890123456", true, 1234567890123456},
        {"seventeen digits", "12345678901234567", true, 12345678901234567},
        {"a letter among sixteen", "123456789012345x", false, 0},
    };
    ExpectGroupedBeforeTail(digits, ",999 12345678901234567");
    const NumberCase octal[] = {
        {"mode", "100644", true, 0100644},
        {"digit 8", "1008", false, 0},
        {"largest", "777777777777777777777", true, 0777777777777777777777},
        {"overflow", "1000000000000000000000", false, 0},
    };
    ExpectNumbers(octal, &fields::ReadOctal);
}

TEST(FieldsTest, CalendarRules) {
    EXPECT_EQ(calendar::LongestMonth(2), 29);
    EXPECT_EQ(calendar::LongestMonth(4), 30);
    EXPECT_EQ(calendar::LongestMonth(0), 0);
    EXPECT_EQ(calendar::LongestMonth(13), 0);
    EXPECT_EQ(calendar::DaysInMonth(2023, 2), 28);
    EXPECT_EQ(calendar::DaysInMonth(2024, 2), 29);
    EXPECT_EQ(calendar::DaysInMonth(2100, 2), 28);
    EXPECT_EQ(calendar::DaysInMonth(2024, 13), 0);
    EXPECT_TRUE(fields::ValidDate(2, 29));
    EXPECT_FALSE(fields::ValidDate(4, 31));
    EXPECT_FALSE(fields::ValidDate(1, 0));
    EXPECT_TRUE(fields::ValidClock(23, 59, 60));
    EXPECT_TRUE(fields::ValidClock(0, 0, -1));
    EXPECT_FALSE(fields::ValidClock(24, 0, -1));
    EXPECT_FALSE(fields::ValidClock(12, 60, -1));
    EXPECT_FALSE(fields::ValidClock(12, 0, 61));
    EXPECT_EQ(fields::WidenYear(69, 2), 2069);
    EXPECT_EQ(fields::WidenYear(70, 2), 1970);
    EXPECT_EQ(fields::WidenYear(103, 3), 2003);
    EXPECT_EQ(fields::WidenYear(2002, 4), 2002);
    EXPECT_EQ(fields::WidenYear(5, 1), 2005);
    EXPECT_EQ(calendar::WidenTwoDigitYear(49, calendar::kClassicPivot), 2049);
    EXPECT_EQ(calendar::WidenTwoDigitYear(50, calendar::kClassicPivot), 1950);
    EXPECT_TRUE(calendar::IsLeapYear(2000));
    EXPECT_FALSE(calendar::IsLeapYear(1900));
    EXPECT_TRUE(calendar::IsLeapYear(2024));
    EXPECT_TRUE(calendar::IsLeapYear(0));
    EXPECT_TRUE(calendar::IsLeapYear(-4));
}

TEST(FieldsTest, ExtendedYearOfYearlessDate) {
    struct Case {
        const char* reason;
        LocalDate today;
        std::int32_t month;
        std::int32_t day;
        std::int32_t year;
    };
    const Case cases[] = {
        {"two days ahead is this year", {2026, 12, 8}, 12, 10, 2026},
        {"yesterday", {2026, 12, 8}, 12, 7, 2026},
        {"a month ahead is this year", {2026, 2, 1}, 3, 4, 2026},
        {"32 days ahead is last year's", {2026, 2, 1}, 3, 5, 2025},
        {"March seen in December is this year's", {2026, 12, 9}, 3, 2, 2026},
        {"January seen in December is this year's", {2026, 12, 30}, 1, 2, 2026},
        {"December seen in January is last year's", {2027, 1, 2}, 12, 30, 2026},
        {"five months back", {2002, 3, 10}, 10, 20, 2001},
        {"five months ahead is last year's", {2002, 3, 10}, 8, 1, 2001},
        {"29 February: the leap year before", {2002, 3, 10}, 2, 29, 2000},
        {"29 February of this leap year", {2024, 3, 10}, 2, 29, 2024},
        {"29 February ahead, this year common", {2026, 2, 20}, 2, 29, 2024},
        {"29 February: 2100 is no leap year", {2101, 3, 1}, 2, 29, 2096},
        {"the highest year", {9999, 12, 31}, 1, 1, 9999},
        {"never before year 1", {1, 1, 1}, 12, 31, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        EXPECT_EQ(calendar::ExtendedYearOfYearlessDate(c.month, c.day, c.today), c.year);
    }
}

// The cache of the rule gives the rule's year for every date of the year,
// one cache asked for one today after another.
TEST(FieldsTest, YearlessYearsAgreeWithTheRule) {
    const LocalDate todays[] = {
        {2026, 12, 8},  {2026, 2, 1},   {2027, 1, 2},   {2024, 1, 31}, {2024, 1, 29},
        {2023, 1, 28},  {2026, 11, 30}, {2026, 12, 31}, {2100, 2, 27}, {1, 1, 1},
        {9999, 12, 31}, {2026, 13, 1},  {2026, 1, 1},
    };
    calendar::YearlessYears years;
    for (const LocalDate& today : todays) {
        for (std::int32_t month = 1; month <= 12; ++month) {
            for (std::int32_t day = 1; day <= calendar::LongestMonth(month); ++day) {
                SCOPED_TRACE(std::to_string(today.year) + "-" + std::to_string(today.month) + "-" +
                             std::to_string(today.day) + ": " + std::to_string(month) + "/" +
                             std::to_string(day));
                ASSERT_EQ(years.Year(month, day, today),
                          calendar::ExtendedYearOfYearlessDate(month, day, today));
            }
        }
    }
}

struct StampCase {
    const char* reason;
    std::string text;
    bool ok;
    Stamp want;
};

// A text followed by 16 bytes that would read as more digits and
// separators, the readers' bound at their end.
struct PaddedText {
    explicit PaddedText(std::string_view t)
        : bytes(std::string(t) + ".9:99-9999:999999"),
          text(bytes.data(), t.size()),
          readable(bytes.data() + bytes.size()) {}
    HeapBytes bytes;
    std::string_view text;
    const char* readable;
};

void ExpectStamp(const StampCase& c, bool ok, const Stamp& got) {
    SCOPED_TRACE(std::string(c.reason) + ": " + c.text);
    EXPECT_EQ(ok, c.ok);
    if (!ok || !c.ok) return;
    EXPECT_EQ(got.year, c.want.year);
    EXPECT_EQ(got.month, c.want.month);
    EXPECT_EQ(got.day, c.want.day);
    EXPECT_EQ(got.hour, c.want.hour);
    EXPECT_EQ(got.minute, c.want.minute);
    EXPECT_EQ(got.second, c.want.second);
}

TEST(FieldsTest, Clock) {
    const StampCase colon[] = {
        {"hh:mm", "10:30", true, {-1, -1, -1, 10, 30, -1}},
        {"one-digit hour", "9:05", true, {-1, -1, -1, 9, 5, -1}},
        {"seconds", "10:30:45", true, {-1, -1, -1, 10, 30, 45}},
        {"leap second", "23:59:60", true, {-1, -1, -1, 23, 59, 60}},
        {"fraction dropped", "10:30:45.123456789", true, {-1, -1, -1, 10, 30, 45}},
        {"hundredths", "12:35:59.93", true, {-1, -1, -1, 12, 35, 59}},
        {"one-digit fraction", "12:35:59.9", true, {-1, -1, -1, 12, 35, 59}},
        {"seven-digit fraction", "12:35:59.9876543", true, {-1, -1, -1, 12, 35, 59}},
        {"eight-digit fraction", "12:35:59.98765432", true, {-1, -1, -1, 12, 35, 59}},
        {"midnight", "00:00:00", true, {-1, -1, -1, 0, 0, 0}},
        {"last minute", "23:59", true, {-1, -1, -1, 23, 59, -1}},
        {"24:00:00 with a fraction", "24:00:00.00", true, {-1, -1, -1, 24, 0, 0}},
        {"one-digit hour with seconds", "9:05:30", true, {-1, -1, -1, 9, 5, 30}},
        {"second 61", "23:59:61", false, {}},
        {"letter in the fraction", "12:35:59.9x", false, {}},
        {"letter early in a long fraction", "12:35:59.9x87654", false, {}},
        {"fraction after a comma", "12:35:59,93", false, {}},
        {"dashes for colons", "12-35-59", false, {}},
        {"letter for a digit", "12:3x:59", false, {}},
        {"third colon", "12:35:59:93", false, {}},
        {"midnight at the end of a day", "24:00", true, {-1, -1, -1, 24, 0, -1}},
        {"24:00:00", "24:00:00", true, {-1, -1, -1, 24, 0, 0}},
        {"24:01", "24:01", false, {}},
        {"hour 25", "25:00", false, {}},
        {"minute 60", "10:60", false, {}},
        {"one-digit minute", "10:5", false, {}},
        {"three-digit hour", "100:30", false, {}},
        {"empty fraction", "10:30:45.", false, {}},
        {"fraction without seconds", "10:30.5", false, {}},
        {"dot without the dot form", "19.57", false, {}},
        {"trailing letter", "10:30x", false, {}},
        {"no minutes", "10:", false, {}},
    };
    for (const StampCase& c : colon) {
        Stamp s;
        const bool ok = fields::ReadClock(HeapBytes(c.text).view(), s);
        ExpectStamp(c, ok, s);
        // With bytes to spare after the text, which must not be taken for it.
        const PaddedText padded(c.text);
        Stamp within;
        ExpectStamp(c, fields::ReadClock(padded.text, within, padded.readable), within);
    }
    const StampCase dot[] = {
        {"dot form", "19.57", true, {-1, -1, -1, 19, 57, -1}},
        {"dot form with seconds", "19.57.03", true, {-1, -1, -1, 19, 57, 3}},
        {"colon still read", "19:57", true, {-1, -1, -1, 19, 57, -1}},
        {"mixed separators", "19.57:03", false, {}},
    };
    for (const StampCase& c : dot) {
        Stamp s;
        const bool ok = fields::ReadClock(HeapBytes(c.text).view(), s, true);
        ExpectStamp(c, ok, s);
    }
}

TEST(FieldsTest, DayMonthNameYear) {
    const StampCase cases[] = {
        {"usual form", "17-JUN-2004", true, {2004, 6, 17}},
        {"small letters", "17-jun-2004", true, {2004, 6, 17}},
        {"mixed case", "17-jUn-2004", true, {2004, 6, 17}},
        {"another language", "17-MAI-2004", true, {2004, 5, 17}},
        {"another language, small letters", "03-okt-2004", true, {2004, 10, 3}},
        {"one-digit day", "7-JUN-2004", true, {2004, 6, 7}},
        {"two-digit year", "17-JUN-04", true, {2004, 6, 17}},
        {"last day of April", "30-APR-2002", true, {2002, 4, 30}},
        {"29 February in any year", "29-FEB-2003", true, {2003, 2, 29}},
        {"31 April", "31-APR-2002", false, {}},
        {"30 February", "30-FEB-2004", false, {}},
        {"day 0", "00-JAN-2002", false, {}},
        {"day 32", "32-DEC-2002", false, {}},
        {"a letter with its high bit set", "17-J\xD5N-2004", false, {}},
        {"no month name", "17-XYZ-2004", false, {}},
        {"digits for the month", "17-006-2004", false, {}},
        {"letter in the year", "17-JUN-20O4", false, {}},
        {"letter in the day", "1O-JUN-2004", false, {}},
        {"other separator", "17/JUN/2004", false, {}},
    };
    for (const StampCase& c : cases) {
        Stamp s;
        const bool ok = fields::ReadDayMonthNameYear(HeapBytes(c.text).view(), '-', s);
        ExpectStamp(c, ok, s);
        const PaddedText padded(c.text);
        Stamp within;
        ExpectStamp(c, fields::ReadDayMonthNameYear(padded.text, '-', within, padded.readable),
                    within);
    }
    // Every English month in each case, as the month-name table reads it.
    const char* const english[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                   "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
    for (int m = 1; m <= 12; ++m) {
        const std::string upper = english[m - 1];
        std::string lower = upper;
        for (char& ch : lower) ch = fields::ToLower(ch);
        const std::string title = upper.substr(0, 1) + lower.substr(1);
        for (const std::string& name : {upper, lower, title}) {
            SCOPED_TRACE(name);
            Stamp s;
            ASSERT_TRUE(
                fields::ReadDayMonthNameYear(HeapBytes("01-" + name + "-2002").view(), '-', s));
            EXPECT_EQ(s.month, m);
            EXPECT_EQ(LookupOtherMonthName(name).month, m);
        }
    }
}

TEST(FieldsTest, MidnightRollsIntoTheNextDay) {
    struct Case {
        const char* reason;
        Stamp in;
        bool ok;
        Stamp want;
    };
    const Case cases[] = {
        {"within the month", {2002, 1, 15, 24, 0, -1}, true, {2002, 1, 16, 0, 0, -1}},
        {"end of a leap February", {2004, 2, 29, 24, 0, 0}, true, {2004, 3, 1, 0, 0, 0}},
        {"end of a common February", {2002, 2, 28, 24, 0, -1}, true, {2002, 3, 1, 0, 0, -1}},
        {"end of the year", {2002, 12, 31, 24, 0, -1}, true, {2003, 1, 1, 0, 0, -1}},
        {"other hours untouched", {2002, 1, 15, 23, 0, -1}, true, {2002, 1, 15, 23, 0, -1}},
        {"no year", {-1, 1, 15, 24, 0, -1}, false, {}},
        {"the highest year's last day would carry past it", {9999, 12, 31, 24, 0, -1}, false, {}},
        {"within the highest year", {9999, 12, 30, 24, 0, -1}, true, {9999, 12, 31, 0, 0, -1}},
        {"a year past the range", {10000, 1, 15, 24, 0, -1}, false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        Stamp s = c.in;
        EXPECT_EQ(fields::RollMidnight(s), c.ok);
        if (!c.ok) continue;
        EXPECT_EQ(s.year, c.want.year);
        EXPECT_EQ(s.month, c.want.month);
        EXPECT_EQ(s.day, c.want.day);
        EXPECT_EQ(s.hour, c.want.hour);
    }
}

TEST(FieldsTest, Meridiem) {
    struct Case {
        const char* suffix;
        std::int32_t hour;
        bool shortForm;
        bool ok;
        std::int32_t want;
    };
    const Case cases[] = {
        {"AM", 10, false, true, 10}, {"pm", 10, false, true, 22}, {"AM", 12, false, true, 0},
        {"PM", 12, false, true, 12}, {"Pm", 1, false, true, 13},  {"P", 1, false, false, 0},
        {"P", 1, true, true, 13},    {"a", 12, true, true, 0},    {"AM", 0, false, false, 0},
        {"PM", 13, false, false, 0}, {"PX", 1, false, false, 0},  {"", 1, true, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.suffix) + " " + std::to_string(c.hour));
        Stamp s;
        s.hour = c.hour;
        EXPECT_EQ(fields::ApplyMeridiem(HeapBytes(c.suffix).view(), s, c.shortForm), c.ok);
        if (c.ok) {
            EXPECT_EQ(s.hour, c.want);
        }
    }
}

TEST(FieldsTest, NumericDates) {
    using fields::DateOrder;
    struct Case {
        const char* reason;
        std::string text;
        DateOrder order;
        const char* separators;
        bool ok;
        Stamp want;
    };
    const Case cases[] = {
        {"iso", "2002-01-15", DateOrder::ymd, "-", true, {2002, 1, 15}},
        {"slashes", "2002/01/15", DateOrder::ymd, "/-", true, {2002, 1, 15}},
        {"month first, two-digit year", "01-15-02", DateOrder::mdy, "-", true, {2002, 1, 15}},
        {"year 70 is 1970", "01-15-70", DateOrder::mdy, "-", true, {1970, 1, 15}},
        {"three-digit year", "04-23-103", DateOrder::mdy, "-", true, {2003, 4, 23}},
        {"day first", "15.01.2002", DateOrder::dmy, ".", true, {2002, 1, 15}},
        {"one-digit fields", "8.5.2026", DateOrder::dmy, ".", true, {2026, 5, 8}},
        {"either: month first", "01/02/2002", DateOrder::mdyOrDmy, "/", true, {2002, 1, 2}},
        {"either: day first above 12", "15/01/2002", DateOrder::mdyOrDmy, "/", true, {2002, 1, 15}},
        {"29 February", "02-29-01", DateOrder::mdy, "-", true, {2001, 2, 29}},
        {"separators differ", "2002-01/15", DateOrder::ymd, "-/", false, {}},
        {"separator not allowed", "2002.01.15", DateOrder::ymd, "-", false, {}},
        {"month 13", "2002-13-01", DateOrder::ymd, "-", false, {}},
        {"day 32", "01-32-2002", DateOrder::mdy, "-", false, {}},
        {"30 February", "02-30-2002", DateOrder::mdy, "-", false, {}},
        {"five-digit year", "01-15-20020", DateOrder::mdy, "-", false, {}},
        {"empty day", "01--2002", DateOrder::mdy, "-", false, {}},
        {"third separator", "2002-01-15-3", DateOrder::ymd, "-", false, {}},
        {"letters", "01-1x-2002", DateOrder::mdy, "-", false, {}},
        {"either: both above 12", "15/13/2002", DateOrder::mdyOrDmy, "/", false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.reason) + ": " + c.text);
        Stamp s;
        const bool ok = fields::ReadNumericDate(HeapBytes(c.text).view(), c.order, c.separators, s);
        EXPECT_EQ(ok, c.ok);
        if (!ok || !c.ok) continue;
        EXPECT_EQ(s.year, c.want.year);
        EXPECT_EQ(s.month, c.want.month);
        EXPECT_EQ(s.day, c.want.day);
    }
    Stamp s;
    EXPECT_TRUE(fields::ReadMonthDay(HeapBytes("01-15").view(), "-", s));
    EXPECT_EQ(s.month, 1);
    EXPECT_EQ(s.day, 15);
    EXPECT_FALSE(fields::ReadMonthDay(HeapBytes("15-01").view(), "-", s));
    EXPECT_FALSE(fields::ReadMonthDay(HeapBytes("0115").view(), "-", s));
}

TEST(FieldsTest, CompactStampsAndUnixSeconds) {
    const StampCase compact[] = {
        {"plain", "20020115103045", true, {2002, 1, 15, 10, 30, 45}},
        {"fraction dropped", "20020115103045.123", true, {2002, 1, 15, 10, 30, 45}},
        {"short", "200201151030", false, {}},
        {"empty fraction", "20020115103045.", false, {}},
        {"month 13", "20021315103045", false, {}},
        {"hour 24", "20020115243045", false, {}},
        {"letter", "2002011510304x", false, {}},
    };
    for (const StampCase& c : compact) {
        Stamp s;
        const bool ok = fields::ReadCompactStamp(HeapBytes(c.text).view(), s);
        ExpectStamp(c, ok, s);
    }
    struct Case {
        std::int64_t seconds;
        bool ok;
        Stamp want;
    };
    const Case seconds[] = {
        {0, true, {1970, 1, 1, 0, 0, 0}},
        {824255902, true, {1996, 2, 13, 23, 58, 22}},
        {951782400, true, {2000, 2, 29, 0, 0, 0}},
        {-1, true, {1969, 12, 31, 23, 59, 59}},
        {std::numeric_limits<std::int64_t>::max(), false, {}},
        {std::numeric_limits<std::int64_t>::min(), false, {}},
    };
    for (const Case& c : seconds) {
        SCOPED_TRACE(c.seconds);
        Stamp s;
        EXPECT_EQ(fields::FromUnixSeconds(c.seconds, s), c.ok);
        if (!c.ok) continue;
        EXPECT_EQ(s.year, c.want.year);
        EXPECT_EQ(s.month, c.want.month);
        EXPECT_EQ(s.day, c.want.day);
        EXPECT_EQ(s.hour, c.want.hour);
        EXPECT_EQ(s.minute, c.want.minute);
        EXPECT_EQ(s.second, c.want.second);
    }
}

TEST(FieldsTest, MarkedNumbers) {
    using fields::Marker;
    struct Case {
        const char* reason;
        std::string text;
        bool ok;
        std::int32_t value;
        Marker marker;
    };
    const Case cases[] = {
        {"plain", "15", true, 15, Marker::none},
        {"year, UTF-8", "2002\xE5\xB9\xB4", true, 2002, Marker::year},
        {"day, UTF-8", "15\xE6\x97\xA5", true, 15, Marker::day},
        {"Korean year, UTF-8", "2002\xEB\x85\x84", true, 2002, Marker::year},
        {"Korean day, EUC-KR", "8\xC0\xCF", true, 8, Marker::day},
        {"day, Shift_JIS", "1\x93\xFA", true, 1, Marker::day},
        {"month marker is no year or day", "1\x8C\x8E", false, 0, Marker::none},
        {"year, GBK", "2002\xC4\xEA", true, 2002, Marker::year},
        {"year, Big5", "2002\xA6\x7E", true, 2002, Marker::year},
        {"half a marker", "1\xE6\x97", false, 0, Marker::none},
        {"two markers", "1\xE6\x97\xA5\xE6\x97\xA5", false, 0, Marker::none},
        {"letter", "1x", false, 0, Marker::none},
        {"marker alone", "\xE6\x97\xA5", false, 0, Marker::none},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        std::int32_t value = -1;
        Marker marker = Marker::none;
        EXPECT_EQ(fields::ReadMarkedNumber(HeapBytes(c.text).view(), value, marker), c.ok);
        if (!c.ok) continue;
        EXPECT_EQ(value, c.value);
        EXPECT_EQ(marker, c.marker);
    }
}

TEST(FieldsTest, TokenWalker) {
    const HeapBytes line("  a bb   ccc  ");
    fields::TokenWalker walker(line.view());
    EXPECT_EQ(walker[2], "ccc");
    EXPECT_EQ(walker[0], "a");
    EXPECT_EQ(walker[3].data(), nullptr);
    EXPECT_EQ(walker.AfterOneSpace(walker[1]), "  ccc  ");
    EXPECT_EQ(walker.AfterSpaces(walker[1]), "ccc  ");
    EXPECT_EQ(walker.AfterSpaces(walker[2]).data(), nullptr);
    EXPECT_EQ(walker.AfterOneSpace(walker[2]), " ");
    EXPECT_EQ(fields::TokenWalker::Span(walker[0], walker[1]), "a bb");
    // Tokens across the 64-byte windows: one that spans two windows, one
    // that ends at a window's last byte, and more tokens than are kept.
    const std::string across = std::string(60, ' ') + std::string(70, 'x') + " " +
                               std::string(61, 'y') + " z";  // y: bytes 131-191
    const HeapBytes longLine(across);
    fields::TokenWalker far(longLine.view());
    EXPECT_EQ(far[0], std::string(70, 'x'));
    EXPECT_EQ(far[1].size(), 61u);
    EXPECT_EQ(far[2], "z");
    EXPECT_EQ(far[3].data(), nullptr);
    std::string many;
    for (int i = 0; i < 30; ++i) many += "t" + std::to_string(i) + " ";
    const HeapBytes manyLine(many);
    fields::TokenWalker capped(manyLine.view());
    EXPECT_EQ(capped[23], "t23");
    EXPECT_EQ(capped[24].data(), nullptr);
    EXPECT_TRUE(fields::EqualsFolded("<DiR>", "<dir>"));
    EXPECT_FALSE(fields::EqualsFolded("<dir", "<dir>"));
}

TEST(FieldsTest, CharacterClassesCoverExactlyTheirAsciiBytes) {
    // Every byte value, against the ranges written out: the bit tricks of
    // the classes must give nothing to bytes of 0x80 and up.
    for (int value = 0; value < 256; ++value) {
        const char ch = static_cast<char>(value);
        const bool digit = value >= '0' && value <= '9';
        const bool upper = value >= 'A' && value <= 'Z';
        const bool lower = value >= 'a' && value <= 'z';
        const bool hexLetter = (value >= 'a' && value <= 'f') || (value >= 'A' && value <= 'F');
        SCOPED_TRACE("byte " + std::to_string(value));
        EXPECT_EQ(fields::IsDigit(ch), digit);
        EXPECT_EQ(fields::IsUpper(ch), upper);
        EXPECT_EQ(fields::IsLetter(ch), upper || lower);
        EXPECT_EQ(fields::IsHexDigit(ch), digit || hexLetter);
        EXPECT_EQ(fields::ToLower(ch), upper ? static_cast<char>(value + 32) : ch);
    }
    EXPECT_TRUE(fields::AllOf("", fields::IsLetter));
    EXPECT_TRUE(fields::AllOf("aZ", fields::IsLetter));
    EXPECT_FALSE(fields::AllOf("a1", fields::IsLetter));
    // Folded words: either case of a key matches, padding past n does not
    // leak the bytes after it.
    const HeapBytes fact("TyPe=dir");
    EXPECT_EQ(fields::FoldedWord(fact.view().data(), 4, fact.view().data() + 8),
              fields::FoldedKey("type"));
    EXPECT_NE(fields::FoldedWord(fact.view().data(), 5, fact.view().data() + 8),
              fields::FoldedKey("type"));
}

// The tokens of `text` by a plain split at spaces, and the line from each.
struct SplitTokens {
    std::vector<std::string> tokens;
    std::vector<std::string> from;
};

SplitTokens Split(const std::string& text) {
    SplitTokens out;
    for (std::size_t at = text.find_first_not_of(' '); at != std::string::npos;
         at = text.find_first_not_of(' ', at)) {
        const std::size_t stop = std::min(text.find(' ', at), text.size());
        out.tokens.push_back(text.substr(at, stop - at));
        out.from.push_back(text.substr(at));
        at = stop;
    }
    return out;
}

TEST(FieldsTest, TokenWalkerFindsTheSameTokensEveryWay) {
    // Tokens 1 to 9 bytes apart across two windows, and tokens that run
    // across two and three windows, the walker made over the line alone,
    // with a bound past the line, and with the driver's space mask; tokens
    // taken in order, out of order, after a TakeInWindow and counted, with
    // and without keeping them.
    for (std::size_t length = 0; length <= 140; length += 7) {
        for (const std::size_t gap : {1, 2, 3, 4, 5, 6, 7, 8, 9, 66, 130}) {
            std::string text(length, 'x');
            for (std::size_t i = gap % 4; i < length; i += gap) text[i] = ' ';
            const SplitTokens want = Split(text);
            const std::string padded = text + std::string(64, 'p');
            const HeapBytes exact(text);
            const HeapBytes wide(padded);
            const char* p = wide.view().data();
            const Line bounded(p, p + length, p + padded.size());
            const std::uint64_t mask = bytes::SpaceMask64(p, bytes::kWindow, p + padded.size());
            SCOPED_TRACE("length " + std::to_string(length) + " gap " + std::to_string(gap));
            for (int way = 0; way < 6; ++way) {
                fields::TokenWalker walker = way % 3 == 0   ? fields::TokenWalker(exact.view())
                                             : way % 3 == 1 ? fields::TokenWalker(bounded)
                                                            : fields::TokenWalker(bounded, &mask);
                if (way >= 3) walker.TakeInWindow<3>();
                EXPECT_EQ(walker.CountAhead(5), std::min<std::size_t>(want.tokens.size(), 6));
                EXPECT_EQ(walker.CountAhead(20), std::min<std::size_t>(want.tokens.size(), 21));
                const std::size_t kept =
                    std::min(want.tokens.size(), fields::TokenWalker::kMaxTokens);
                if (kept > 2) {
                    EXPECT_EQ(walker[kept - 1], want.tokens[kept - 1]);
                }
                for (std::size_t i = 0; i < kept; ++i) {
                    EXPECT_EQ(walker[i], want.tokens[i]) << "token " << i;
                    EXPECT_EQ(walker.From(i), want.from[i]) << "token " << i;
                }
                EXPECT_EQ(walker[kept].data(), nullptr);
                EXPECT_EQ(walker.From(kept).data(), nullptr);
                EXPECT_EQ(walker.Count(5), std::min<std::size_t>(want.tokens.size(), 6));
            }
        }
    }
}

}  // namespace
}  // namespace ftpdirlist
