// Unix-style lines, as `ls -l` and its relatives write them. Today is fixed
// at 10 March 2002.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "parse_helpers.h"

namespace ftpdirlist {
namespace {

using test::Dated;
using test::EntryCase;
using test::ExpectAccepted;
using test::kInt32Max;
using test::kInt32Min;
using test::kInt64Max;
using test::ParseOne;
using test::Timed;

TEST(UnixLine, FindsTheSizeTokenInEveryColumnLayout) {
    const EntryCase cases[] = {
        {"standard: the first token after the group",
         "-rw-r--r-- 1 owner group 1234 Jan 15 2002 notes.txt",
         {"notes.txt", "-rw-r--r--", 1234, 0, 0, Dated(2002, 1, 15)}},
        {"no group: the held token, since the next one is the month",
         "-rw-r--r-- 1 owner 1234 Jan 15 12:30 notes.txt",
         {"notes.txt", "-rw-r--r--", 1234, 0, 0, Timed(2002, 1, 15, 12, 30)}},
        {"numeric group: the token after it wins",
         "-rw-r--r-- 1 owner 100 1234 Jan 15 2002 notes.txt",
         {"notes.txt", "-rw-r--r--", 1234, 0, 0, Dated(2002, 1, 15)}},
        {"extra column between group and size",
         "-rw-r--r-- 1 owner group extra 1234 Jan 15 2002 notes.txt",
         {"notes.txt", "-rw-r--r--", 1234, 0, 0, Dated(2002, 1, 15)}},
        {"one-byte mode joined with its rights token; no link count",
         "d [RWCEAFMS] owner 512 Jan 16 18:53 login",
         {"login", "d [RWCEAFMS]", 512, 1, 0, Timed(2002, 1, 16, 18, 53)}},
        {"folder in the link-count place, no owner or group",
         "drwxrwxrwx folder 2 May 10 1996 network",
         {"network", "drwxrwxrwx", 2, 1, 0, Dated(1996, 5, 10)}},
        {"folder and a non-numeric column before the size",
         "drwxrwxrwx folder x 2 May 10 1996 network",
         {"network", "drwxrwxrwx", 2, 1, 0, Dated(1996, 5, 10)}},
        {"capital Folder is a link count and the owner after it is skipped",
         "drwxrwxrwx Folder owner group 2 May 10 1996 network",
         {"network", "drwxrwxrwx", 2, 1, 0, Dated(1996, 5, 10)}},
        {"device numbers: the minor number is the first all-digit token",
         "brw-rw---- 1 root disk 8, 0 Jan 5 2002 sda",
         {"sda", "brw-rw----", 0, 0, 0, Dated(2002, 1, 5)}},
        {"size above 4 GiB keeps 64 bits",
         "-rw-r--r-- 1 o g 5368709120 Jan 5 2002 big.iso",
         {"big.iso", "-rw-r--r--", 5368709120LL, 0, 0, Dated(2002, 1, 5)}},
        {"size beyond int64 saturates",
         "-rw-r--r-- 1 o g " + std::string(1000, '9') + " Jan 5 2002 huge",
         {"huge", "-rw-r--r--", kInt64Max, 0, 0, Dated(2002, 1, 5)}},
    };
    ExpectAccepted(std::begin(cases), std::end(cases));
}

TEST(UnixLine, TakesTheYearOfATimeFromTodaysDate) {
    // Today is 10 March 2002: up to 11 March is this year, later last year.
    struct Case {
        const char* reason;
        std::string monthDay;
        std::int32_t day;
        std::int32_t year;
    } const cases[] = {
        {"well before today", "Jan 5", 5, 2002},
        {"today", "Mar 10", 10, 2002},
        {"one day ahead", "Mar 11", 11, 2002},
        {"two days ahead", "Mar 12", 12, 2001},
        {"end of the year", "Dec 31", 31, 2001},
        {"day beyond int32 saturates without overflowing the comparison",
         "Mar " + std::string(1000, '9'), kInt32Max, 2001},
        {"negative day beyond int32", "Mar -" + std::string(1000, '9'), kInt32Min, 2002},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        const test::LineResult r = ParseOne("-rw-r--r-- 1 o g 7 " + c.monthDay + " 12:30 f");
        EXPECT_EQ(r.result, 1);
        EXPECT_EQ(r.entry.dateTime.day, c.day);
        EXPECT_EQ(r.entry.dateTime.year, c.year);
        EXPECT_EQ(r.entry.dateTime.hasTime, 1);
    }
}

TEST(UnixLine, YearOfATimeCountsEveryMonthAs31Days) {
    struct Case {
        const char* reason;
        LocalDate today;
        const char* monthDay;
        std::int32_t year;
    } const cases[] = {
        {"New Year's Day seen on New Year's Eve", {2025, 12, 31}, "Jan 1", 2025},
        {"31 November is one day after 30 November", {2025, 11, 30}, "Nov 31", 2025},
        {"1 December counts as two days after 30 November", {2025, 11, 30}, "Dec 1", 2024},
        {"1 March counts as four days after 28 February", {2001, 2, 28}, "Mar 1", 2000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        const test::LineResult r =
            ParseOne(std::string("-rw-r--r-- 1 o g 7 ") + c.monthDay + " 00:00 f", c.today);
        EXPECT_EQ(r.result, 1);
        EXPECT_EQ(r.entry.dateTime.year, c.year);
    }
}

TEST(UnixLine, ReadsDateForms) {
    struct Case {
        const char* reason;
        std::string tail;  // from the size on
        FtpDateTime want;
    } const cases[] = {
        {"day first", "1 15 Jan 2002 f", Dated(2002, 1, 15)},
        {"day first with a point", "1 15. Jan 2002 f", Dated(2002, 1, 15)},
        {"day first with a comma, month with a point", "1 15, jan. 2002 f", Dated(2002, 1, 15)},
        {"day first with a time: 12 March is last year", "1 12 Mar 12:30 f",
         Timed(2001, 3, 12, 12, 30)},
        {"month with a point, day with a comma", "1 Jan. 15, 2002 f", Dated(2002, 1, 15)},
        {"month in capitals", "1 JAN 15 2002 f", Dated(2002, 1, 15)},
        {"month in mixed case", "1 jAn 15 2002 f", Dated(2002, 1, 15)},
        {"month with a comma", "1 jan, 15 2002 f", Dated(2002, 1, 15)},
        {"month with several points", "1 Jan.. 15 2002 f", Dated(2002, 1, 15)},
        {"numeric month", "1 3 15 2002 f", Dated(2002, 3, 15)},
        {"numeric month with zero", "1 03 15 2002 f", Dated(2002, 3, 15)},
        {"month with last digit, capitals lowered", "1 JAN1 15 2002 f", Dated(2002, 1, 15)},
        {"French in capitals", "1 JUIN 15 2002 f", Dated(2002, 6, 15)},
        {"German in mixed case", "1 Mrz 15 2002 f", Dated(2002, 3, 15)},
        {"long September with a point", "1 Sept. 15 2002 f", Dated(2002, 9, 15)},
        // Only A-Z are lowered: the accented byte must already be small.
        {"Windows-1252, ASCII capitals lowered", "1 M\xE4R 15 2002 f", Dated(2002, 3, 15)},  // MäR
        {"Windows-1250, ASCII capitals lowered", "1 PA\x9F 15 2002 f", Dated(2002, 10, 15)},  // PAź
        {"Windows-1251", "1 \xFF\xED\xE2 15 2002 f", Dated(2002, 1, 15)},  // янв
        {"day with no range check", "1 Feb 31 2002 f", Dated(2002, 2, 31)},
        {"day read by the atoi rule", "1 Feb 3x 2002 f", Dated(2002, 2, 3)},
        {"two-digit year is not widened", "1 Jan 15 02 f", Dated(2, 1, 15)},
        {"negative year is not 0", "1 Jan 15 -5 f", Dated(-5, 1, 15)},
        {"year beyond int32 saturates", "1 Jan 15 99999999999 f", Dated(kInt32Max, 1, 15)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.reason) + ": " + EscapedBytes(c.tail));
        const test::LineResult r = ParseOne("-rw-r--r-- 1 o g " + c.tail);
        EXPECT_EQ(r.result, 1);
        EXPECT_EQ(r.entry.dateTime, c.want);
        EXPECT_EQ(r.entry.size, 1);
        EXPECT_EQ(r.entry.name, "f");
    }
}

TEST(UnixLine, ReadsTimeForms) {
    struct Case {
        const char* reason;
        const char* token;
        std::int32_t hour;
        std::int32_t minute;
    } const cases[] = {
        {"colon", "12:30", 12, 30},
        {"point", "12.30", 12, 30},
        {"nothing after the colon", "7:", 7, 0},
        {"a year with a point is a time", "2002.", 2002, 0},
        {"seconds are not read", "12:30:45", 12, 30},
        {"colon first", ":30", 0, 30},
        {"a colon is looked for before a point", "1.2:3", 1, 3},
        {"first point when there is no colon", "1.2.3", 1, 2},
        {"no range checks", "25:99", 25, 99},
        {"beyond int32 saturates", "99999999999:99999999999", kInt32Max, kInt32Max},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        const test::LineResult r =
            ParseOne(std::string("-rw-r--r-- 1 o g 7 Jan 15 ") + c.token + " f");
        EXPECT_EQ(r.result, 1);
        EXPECT_EQ(r.entry.dateTime, Timed(2002, 1, 15, c.hour, c.minute));
    }
}

// The separator of a time token is looked for within the token only, even
// where a word of bytes around it is read at once.
TEST(UnixLine, YearOrTimeFromTheTokenAlone) {
    struct Case {
        const char* reason;
        const char* tail;  // from the year or time on
        FtpDateTime date;
        const char* name;
    } const cases[] = {
        {"colon in the name right after a year", "2002 a:b", Dated(2002, 1, 15), "a:b"},
        {"point in the name right after a year", "1999 .x", Dated(1999, 1, 15), ".x"},
        {"eight bytes, colon last", "1234567: f", Timed(2002, 1, 15, 1234567, 0), "f"},
        {"eight bytes, no separator", "00002002 f", Dated(2002, 1, 15), "f"},
        {"nine bytes, point last", "00000012. f", Timed(2002, 1, 15, 12, 0), "f"},
        {"the line ends after the name", "2002 :", Dated(2002, 1, 15), ":"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        const test::LineResult r = ParseOne(std::string("-rw-r--r-- 1 o g 7 Jan 15 ") + c.tail);
        EXPECT_EQ(r.result, 1);
        EXPECT_EQ(r.entry.dateTime, c.date);
        EXPECT_EQ(r.entry.name, c.name);
    }
}

TEST(UnixLine, NameRules) {
    struct Case {
        const char* reason;
        std::string rest;  // after the time
        const char* name;
    } const cases[] = {
        {"plain", "notes.txt", "notes.txt"},
        {"executable mark removed", "run.sh*", "run.sh"},
        {"directory mark removed", "docs/", "docs"},
        {"pipe mark removed", "fifo|", "fifo"},
        {"only the last mark goes", "a**", "a*"},
        {"only the last of two marks goes", "x/*", "x/"},
        {"a name of one mark becomes empty", "*", ""},
        {"inner and trailing spaces kept", "my  file  ", "my  file  "},
        {"spaces before the name dropped", "    spaced", "spaced"},
        {"a mark before trailing spaces stays", "name*  ", "name*  "},
        {"symbolic link keeps arrow and target", "bin -> usr/bin", "bin -> usr/bin"},
        {"tab and high bytes kept", "a\tb\xE4", "a\tb\xE4"},  // a<TAB>bä, Windows-1252
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        const test::LineResult r = ParseOne("-rw-r--r-- 1 o g 7 Jan 15 12:30 " + c.rest);
        EXPECT_EQ(r.result, 1);
        EXPECT_EQ(r.entry.name, c.name);
    }
}

TEST(UnixLine, FileTypesFromTheModeToken) {
    const EntryCase cases[] = {
        {"symbolic link is a directory and a link",
         "lrwxrwxrwx 1 owner group 7 Jan 15 12:30 bin -> usr/bin",
         {"bin -> usr/bin", "lrwxrwxrwx", 7, 1, 1, Timed(2002, 1, 15, 12, 30)}},
        {"directory",
         "drwxr-xr-x 2 owner group 4096 Jan 15 2002 src",
         {"src", "drwxr-xr-x", 4096, 1, 0, Dated(2002, 1, 15)}},
        {"block device",
         "brw-rw---- 1 root disk 0 Jan 15 2002 sda",
         {"sda", "brw-rw----", 0, 0, 0, Dated(2002, 1, 15)}},
        {"character device",
         "crw-rw-rw- 1 root tty 0 Jan 15 2002 tty",
         {"tty", "crw-rw-rw-", 0, 0, 0, Dated(2002, 1, 15)}},
        {"pipe",
         "prw-r--r-- 1 owner group 0 Jan 15 2002 fifo",
         {"fifo", "prw-r--r--", 0, 0, 0, Dated(2002, 1, 15)}},
        {"socket",
         "srwxrwxrwx 1 owner group 0 Jan 15 2002 sock",
         {"sock", "srwxrwxrwx", 0, 0, 0, Dated(2002, 1, 15)}},
        {"one-byte link mode",
         "l [RWCEAFMS] owner 9 Jan 16 2002 ln",
         {"ln", "l [RWCEAFMS]", 9, 1, 1, Dated(2002, 1, 16)}},
        {"one-byte file mode",
         "- [R----F--] owner 9 Jan 16 2002 f",
         {"f", "- [R----F--]", 9, 0, 0, Dated(2002, 1, 16)}},
    };
    ExpectAccepted(std::begin(cases), std::end(cases));
}

TEST(UnixLine, Rejections) {
    struct Case {
        const char* reason;
        std::string line;
    } const cases[] = {
        {"one-byte mode at the end of the line", "d"},
        {"one-byte mode with spaces after it", "d   "},
        {"no link count", "-rw-r--r--"},
        {"no owner", "-rw-r--r-- 1"},
        {"no group", "-rw-r--r-- 1 owner"},
        {"no size", "-rw-r--r-- 1 owner group"},
        {"no all-digit token", "-rw-r--r-- 1 owner group x y"},
        {"folder and no all-digit token", "drwxrwxrwx folder May x"},
        {"capital FOLDER skips the size as owner", "drwxrwxrwx FOLDER 2 May 10 1996 network"},
        {"capitalised Folder skips the size as owner", "drwxrwxrwx Folder 2 May 10 1996 network"},
        {"no month", "-rw-r--r-- 1 owner group 5"},
        {"no day", "-rw-r--r-- 1 owner group 5 Jan"},
        {"no year or time", "-rw-r--r-- 1 owner group 5 Jan 15"},
        {"no name", "-rw-r--r-- 1 owner group 5 Jan 15 2002"},
        {"only spaces after the year", "-rw-r--r-- 1 owner group 5 Jan 15 2002   "},
        {"year 0", "-rw-r--r-- 1 owner group 5 Jan 15 0 f"},
        {"year 00", "-rw-r--r-- 1 owner group 5 Jan 15 00 f"},
        {"year without digits", "-rw-r--r-- 1 owner group 5 Jan 15 abc f"},
        {"month not a key", "-rw-r--r-- 1 owner group 5 Foo 15 2002 f"},
        {"full month name", "-rw-r--r-- 1 owner group 5 January 15 2002 f"},
        {"month 13", "-rw-r--r-- 1 owner group 5 13 15 2002 f"},
        {"day 0 swaps with the month; neither is a key", "-rw-r--r-- 1 owner group 5 Jan 0 2002 f"},
        {"day 00 swaps too", "-rw-r--r-- 1 owner group 5 Jan 00 2002 f"},
        {"two numbers: the first is taken as the month", "-rw-r--r-- 1 owner group 5 15 13 2002 f"},
        {"accented capital is not lowered", "-rw-r--r-- 1 owner group 5 M\xC4R 15 2002 f"},  // MÄR
        {"accented capital is not lowered",
         "-rw-r--r-- 1 owner group 5 AO\xDBT 15 2002 f"},                    // AOÛT
        {"UTF-8 month", "-rw-r--r-- 1 owner group 5 f\xC3\xA9v 15 2002 f"},  // fév
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.reason) + ": " + EscapedBytes(c.line));
        const test::LineResult r = ParseOne(c.line);
        EXPECT_EQ(r.result, 0);
        EXPECT_EQ(r.style, LineStyle::other);
    }
}

}  // namespace
}  // namespace ftpdirlist
