// VMS-style lines: NAME.TYPE;VERSION, blocks, DD-MON-YYYY, HH:MM:SS, owner,
// protection.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "parse_helpers.h"

namespace ftpdirlist {
namespace {

using test::kInt32Max;
using test::ParseOne;
using test::Timed;

TEST(VmsLine, ReadsFilesAndDirectories) {
    const test::EntryCase cases[] = {
        {"file; the version stays on the name",
         "README.TXT;3 2 12-JAN-2002 10:30:45 [SYSTEM] (RWED,RWED,RE,)",
         {"README.TXT;3", "(RWED,RWED,RE,)", -2, 0, 0, Timed(2002, 1, 12, 10, 30)}},
        {"directory loses .DIR",
         "SUBDIR.DIR;1 1 5-MAR-2001 09:00 [SYSTEM] (RWE,RWE,RE,E)",
         {"SUBDIR;1", "(RWE,RWE,RE,E)", -2, 1, 0, Timed(2001, 3, 5, 9, 0)}},
        {"columns padded with spaces; trailing spaces of the protection kept",
         "A.B;12     17  1-DEC-1999 23:59:59.99  [GROUP,OWNER]    (RWED,RWED,,)  ",
         {"A.B;12", "(RWED,RWED,,)  ", -2, 0, 0, Timed(1999, 12, 1, 23, 59)}},
        {"an owner with a space inside: its second half begins the protection",
         "A;1 2 12-JAN-2002 10:30 [GROUP, OWNER] (RWED,RWED,RE,)",
         {"A;1", "OWNER] (RWED,RWED,RE,)", -2, 0, 0, Timed(2002, 1, 12, 10, 30)}},
    };
    test::ExpectAccepted(std::begin(cases), std::end(cases), LineStyle::vms);
}

TEST(VmsLine, DirectoryRuleLooksAtTheBaseBeforeTheFirstSemicolon) {
    struct Case {
        const char* reason;
        const char* first;
        const char* name;
        int isDir;
    } const cases[] = {
        {"directory", "A.DIR;1", "A;1", 1},
        {"a base of exactly .DIR is no directory", ".DIR;1", ".DIR;1", 0},
        {"lower case", "a.dir;1", "a.dir;1", 0},
        {"mixed case", "A.Dir;1", "A.Dir;1", 0},
        {"only the last .DIR goes", "X.DIR.DIR;1", "X.DIR;1", 1},
        {"two .DIR bases", ".DIR.DIR;1", ".DIR;1", 1},
        {"no point before DIR", "XXDIR;1", "XXDIR;1", 0},
        {"four bytes without the point", "XDIR;1", "XDIR;1", 0},
        {"a second semicolon stays on the name", "A;B;2", "A;B;2", 0},
        {"the test uses the first semicolon", "A.DIR;B.DIR;2", "A;B.DIR;2", 1},
        {"everything after the first semicolon stays", "A.DIR;1;2", "A;1;2", 1},
        {"semicolon as the last byte", "FOO;", "FOO;", 0},
        {"directory without a version", "AB.DIR;", "AB;", 1},
        {".DIR after the semicolon does not count", "A;1.DIR", "A;1.DIR", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.reason) + ": " + c.first);
        const test::LineResult r =
            ParseOne(std::string(c.first) + " 1 5-MAR-2001 09:00 [SYSTEM] (RWE)");
        EXPECT_EQ(r.result, 1);
        EXPECT_EQ(r.entry.name, c.name);
        EXPECT_EQ(r.entry.isDir, c.isDir);
    }
}

TEST(VmsLine, ReadsTheDateToken) {
    struct Case {
        const char* reason;
        std::string date;
        int result;
        std::int32_t day;
        std::int32_t month;
        std::int32_t year;
    } const cases[] = {
        {"capitals", "12-JAN-2002", 1, 12, 1, 2002},
        {"lower case is a key", "12-jan-2002", 1, 12, 1, 2002},
        {"numeric month", "12-01-2002", 1, 12, 1, 2002},
        {"two-digit numeric month", "12-10-2002", 1, 12, 10, 2002},
        {"mixed case is not looked up folded", "12-Jan-2002", 0, 0, 0, 0},
        {"capital SEPT is no key", "12-SEPT-2002", 0, 0, 0, 0},
        {"month with leading zero and two digits is no key", "12-010-2002", 0, 0, 0, 0},
        {"empty month part", "12--2002", 0, 0, 0, 0},
        {"empty day part", "-JAN-2002", 1, 0, 1, 2002},
        {"day without digits", "x-JAN-2002", 1, 0, 1, 2002},
        {"two-digit year is not widened", "12-JAN-02", 1, 12, 1, 2},
        {"empty year part", "12-JAN-", 1, 12, 1, 0},
        {"the year stops at a third dash", "12-JAN-2002-X", 1, 12, 1, 2002},
        {"only one dash", "12-JAN", 0, 0, 0, 0},
        {"no dash", "12JAN2002", 0, 0, 0, 0},
        {"day and year beyond int32 saturate", "99999999999-JAN-" + std::string(1000, '9'), 1,
         kInt32Max, 1, kInt32Max},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.reason) + ": " + c.date);
        const test::LineResult r = ParseOne("A;1 2 " + c.date + " 10:30 [S] (RWE)");
        EXPECT_EQ(r.result, c.result);
        if (c.result != 1) continue;
        EXPECT_EQ(r.entry.dateTime, Timed(c.year, c.month, c.day, 10, 30));
    }
}

TEST(VmsLine, ReadsTheTimeToken) {
    struct Case {
        const char* reason;
        std::string time;
        int result;
        std::int32_t hour;
        std::int32_t minute;
    } const cases[] = {
        {"seconds and fraction are not read", "10:30:45.67", 1, 10, 30},
        {"hour and minute", "09:00", 1, 9, 0},
        {"colon first", ":30", 1, 0, 30},
        {"nothing after the colon", "10:", 1, 10, 0},
        {"no range checks", "25:99", 1, 25, 99},
        {"beyond int32 saturates", std::string(1000, '9') + ":" + std::string(1000, '9'), 1,
         kInt32Max, kInt32Max},
        {"no colon", "1030", 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        const test::LineResult r = ParseOne("A;1 2 12-JAN-2002 " + c.time + " [S] (RWE)");
        EXPECT_EQ(r.result, c.result);
        if (c.result != 1) continue;
        EXPECT_EQ(r.entry.dateTime, Timed(2002, 1, 12, c.hour, c.minute));
    }
}

TEST(VmsLine, RejectionsComeAfterTheSizeIsWritten) {
    struct Case {
        const char* reason;
        std::string_view line;
    } const cases[] = {
        {"first token begins with a semicolon", ";1 2 12-JAN-2002 10:30 [S] (RWE)"},
        {"a long name on a line of its own", "A_VERY_LONG_FILE_NAME.TXT;1"},
        {"no date", "A;1 2"},
        {"no time", "A;1 2 12-JAN-2002"},
        {"no owner", "A;1 2 12-JAN-2002 10:30"},
        {"no protection", "A;1 2 12-JAN-2002 10:30 [S]"},
        {"only spaces after the owner", "A;1 2 12-JAN-2002 10:30 [S]   "},
        {"the second dash is not looked for beyond the date token",
         "A;1 2 12-JAN 10-30:00 [S] (RWE)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        const test::LineResult r = ParseOne(c.line);
        EXPECT_EQ(r.result, 0);
        EXPECT_EQ(r.style, LineStyle::vms);
        EXPECT_EQ(r.entry.size, -2);
    }
}

}  // namespace
}  // namespace ftpdirlist
