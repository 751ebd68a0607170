// DOS-style lines: month-day-year, a twelve-hour time, <DIR> or a size, the
// name.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "parse_helpers.h"

namespace ftpdirlist {
namespace {

using test::EntryCase;
using test::ExpectAccepted;
using test::kInt32Min;
using test::kInt64Max;
using test::ParseOne;
using test::Repeat;
using test::Timed;

void ExpectRejected(const char* reason, const std::string& line) {
    SCOPED_TRACE(std::string(reason) + ": " + EscapedBytes(line));
    const test::LineResult r = ParseOne(line);
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(r.style, LineStyle::other);
}

TEST(DosLine, ReadsDirectoriesAndFiles) {
    const EntryCase cases[] = {
        {"directory, two-digit year",
         "01-15-02  10:30AM       <DIR>          My Folder",
         {"My Folder", "", -1, 1, 0, Timed(2002, 1, 15, 10, 30)}},
        {"file, four-digit year, 12 PM",
         "12-31-1999  12:05PM           1024 report.txt",
         {"report.txt", "", 1024, 0, 0, Timed(1999, 12, 31, 12, 5)}},
        {"size above 4 GiB keeps 64 bits",
         "03-01-2002  09:00AM  5368709120 dvd.iso",
         {"dvd.iso", "", 5368709120LL, 0, 0, Timed(2002, 3, 1, 9, 0)}},
        {"inner and trailing spaces of the name kept",
         "03-01-02 09:00AM 7   two  words  ",
         {"two  words  ", "", 7, 0, 0, Timed(2002, 3, 1, 9, 0)}},
        {"PM as a separate token stands in the size place; the size joins the name",
         "01-15-02 10:30 PM 1024 file.txt",
         {"1024 file.txt", "", 0, 0, 0, Timed(2002, 1, 15, 10, 30)}},
        {"lower-case dir mark is no directory",
         "01-15-02 10:30AM <dir> x",
         {"x", "", 0, 0, 0, Timed(2002, 1, 15, 10, 30)}},
        {"dir mark with more after it is no directory",
         "01-15-02 10:30AM <DIR>x x",
         {"x", "", 0, 0, 0, Timed(2002, 1, 15, 10, 30)}},
        {"thousands separators: only the leading digits",
         "01-15-02 10:30AM 1,234,567 x",
         {"x", "", 1, 0, 0, Timed(2002, 1, 15, 10, 30)}},
        {"a size of -1 is no directory",
         "01-15-02 10:30AM -1 x",
         {"x", "", -1, 0, 0, Timed(2002, 1, 15, 10, 30)}},
        {"size beyond int64 saturates",
         "01-15-02 10:30AM " + Repeat('9', 1000) + " x",
         {"x", "", kInt64Max, 0, 0, Timed(2002, 1, 15, 10, 30)}},
    };
    ExpectAccepted(std::begin(cases), std::end(cases));
}

TEST(DosLine, WidensTheYear) {
    struct Case {
        const char* reason;
        const char* yearPart;
        std::int32_t year;  // 0: line rejected
    } const cases[] = {
        {"empty", "", 2000},
        {"0", "0", 2000},
        {"00", "00", 2000},
        {"02", "02", 2002},
        {"49", "49", 2049},
        {"50", "50", 1950},
        {"99", "99", 1999},
        {"100", "100", 0},
        {"150", "150", 0},
        {"999", "999", 0},
        {"1000", "1000", 1000},
        {"1999", "1999", 1999},
        {"3000", "3000", 3000},
        {"3001", "3001", 0},
        {"a third dash ends the year", "02-X", 2002},
        {"a third dash ends the year", "2002-01", 2002},
        {"a slash adds -1: negative years widen too", "/", 1999},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        const test::LineResult r = ParseOne(std::string("01-15-") + c.yearPart + " 10:30AM 1 f");
        EXPECT_EQ(r.result, c.year != 0 ? 1 : 0);
        if (c.year != 0) {
            EXPECT_EQ(r.entry.dateTime.year, c.year);
        }
    }
}

TEST(DosLine, WalksMonthAndDayByteByByte) {
    struct Case {
        const char* reason;
        std::string date;
        int result;
        std::int32_t month;
        std::int32_t day;
    } const cases[] = {
        {"month 12", "12-01-02", 1, 12, 1},
        {"month 13 passes the limit", "13-01-02", 0, 0, 0},
        {"month 123 passes the limit at its second byte", "123-01-02", 0, 0, 0},
        {"leading zeros", "0012-01-02", 1, 12, 1},
        {"day 31", "01-31-02", 1, 1, 31},
        {"day 32 passes the limit", "01-32-02", 0, 0, 0},
        {"no lower limits", "0-0-0", 1, 0, 0},
        {"empty day part", "01--02", 1, 1, 0},
        {"no second dash", "01-15", 0, 0, 0},
        {"nothing after the first dash", "01-", 0, 0, 0},
        {"no dash at all", "011", 0, 0, 0},
        {"a slash adds -1 to the month", "1/-1-02", 1, 9, 1},
        {"a letter adds 17 or more", "A-1-02", 0, 0, 0},
        {"a long run of zeros", Repeat('0', 1000) + "1-" + Repeat('0', 1000) + "2-02", 1, 1, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.reason) + ": " + c.date);
        const test::LineResult r = ParseOne(c.date + " 10:30AM 1 f");
        EXPECT_EQ(r.result, c.result);
        if (c.result != 1) continue;
        EXPECT_EQ(r.entry.dateTime.month, c.month);
        EXPECT_EQ(r.entry.dateTime.day, c.day);
    }
}

TEST(DosLine, ReadsTheTwelveHourClock) {
    struct Case {
        const char* reason;
        const char* time;
        int result;
        std::int32_t hour;
        std::int32_t minute;
    } const cases[] = {
        {"morning", "10:30AM", 1, 10, 30},
        {"12 AM is midnight", "12:05AM", 1, 0, 5},
        {"12 PM is noon", "12:05PM", 1, 12, 5},
        {"afternoon", "1:05PM", 1, 13, 5},
        {"last minute", "11:59PM", 1, 23, 59},
        {"midnight", "12:00AM", 1, 0, 0},
        {"lower-case pm is AM", "02:30pm", 1, 2, 30},
        {"nothing after the minutes is AM", "10:30", 1, 10, 30},
        {"12 with nothing after the minutes is midnight", "12:30", 1, 0, 30},
        {"P alone is PM", "10:30P", 1, 22, 30},
        {"other letters are AM", "10:30XM", 1, 10, 30},
        {"seconds: the byte after the minutes is a colon", "10:30:45PM", 1, 10, 30},
        {"empty minute", "10:AM", 1, 10, 0},
        {"one-digit minute", "10:5AM", 1, 10, 5},
        {"a slash adds -1 to the hour", "/1:00PM", 1, 3, 0},  // -9 + 12
        {"hour 0", "00:30AM", 0, 0, 0},
        {"colon first leaves hour 0", ":30AM", 0, 0, 0},
        {"hour 13", "13:30", 0, 0, 0},
        {"minute 60", "10:60AM", 0, 0, 0},
        {"no colon", "1030AM", 0, 0, 0},
        {"letter in the hour", "1a:00AM", 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.reason) + ": " + c.time);
        const test::LineResult r = ParseOne(std::string("01-15-02 ") + c.time + " 1 f");
        EXPECT_EQ(r.result, c.result);
        if (c.result != 1) continue;
        EXPECT_EQ(r.entry.dateTime, Timed(2002, 1, 15, c.hour, c.minute));
    }
}

TEST(DosLine, Rejections) {
    ExpectRejected("summary line of a Unix listing", "total 12");
    ExpectRejected("date only", "01-15-02");
    ExpectRejected("no size", "01-15-02 10:30AM");
    ExpectRejected("no name", "01-15-02 10:30AM 1024");
    ExpectRejected("only spaces after the size", "01-15-02 10:30AM <DIR>   ");
}

// Date parts and the hour test only an upper limit, so bytes that add
// negative values drive them down without end; they stop at the int32
// minimum instead of overflowing.
TEST(DosLine, LongRunsOfHighBytesSaturate) {
    const std::string high(1000, '\x80');  // each adds -176
    const std::string ff(1000, '\xFF');    // each adds -49
    const std::string slashes(1000, '/');  // each adds -1
    const EntryCase cases[] = {
        {"month",
         high + "-01-02 10:30AM 1 f",
         {"f", "", 1, 0, 0, Timed(2002, kInt32Min, 1, 10, 30)}},
        {"month of slashes, then digits",
         slashes + "99-01-02 10:30AM 1 f",
         {"f", "", 1, 0, 0, Timed(2002, kInt32Min, 1, 10, 30)}},
        {"day",
         "01-" + ff + "-02 10:30AM 1 f",
         {"f", "", 1, 0, 0, Timed(2002, 1, kInt32Min, 10, 30)}},
        {"year, then widened",
         "01-15-" + high + " 10:30AM 1 f",
         {"f", "", 1, 0, 0, Timed(kInt32Min + 2000, 1, 15, 10, 30)}},
        {"hour",
         "01-15-02 " + high + ":30AM 1 f",
         {"f", "", 1, 0, 0, Timed(2002, 1, 15, kInt32Min, 30)}},
        {"hour, then PM",
         "01-15-02 " + ff + ":30PM 1 f",
         {"f", "", 1, 0, 0, Timed(2002, 1, 15, kInt32Min + 12, 30)}},
        {"the minute stops at the first high byte",
         "01-15-02 10:" + high + " 1 f",
         {"f", "", 1, 0, 0, Timed(2002, 1, 15, 10, 0)}},
    };
    ExpectAccepted(std::begin(cases), std::end(cases));
    ExpectRejected("high bytes and no dash", high + " 10:30AM 1 f");
}

}  // namespace
}  // namespace ftpdirlist
