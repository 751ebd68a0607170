// ParseLine: the listing style chosen from the first token, and the flag
// word that marks VMS-style lines.
#include "parse/parse_line.h"

#include <gtest/gtest.h>

#include <ctime>
#include <string>
#include <string_view>

#include "parse_helpers.h"

namespace ftpdirlist {
namespace {

using test::ParseOne;
constexpr LineStyle kOtherLine = LineStyle::other;
constexpr LineStyle kVmsLine = LineStyle::vms;

enum class Style { kNone, kUnix, kVms, kDos };

// Which parser took the line, told from what only that parser writes:
// Unix-style lines set attributes from the mode token, VMS-style lines size
// -2, DOS-style lines build the month from the first token.
Style StyleOf(const FtpDirEntry& e) {
    if (!e.attributes.empty() && e.size != -2) return Style::kUnix;
    if (e.size == -2) return Style::kVms;
    if (e.dateTime.month != 0 || e.dateTime.hasTime != 0) return Style::kDos;
    return Style::kNone;
}

TEST(ParseLine, ChoosesTheStyleFromTheFirstToken) {
    struct Case {
        const char* reason;
        std::string_view line;
        int result;
        LineStyle lineStyle;  // accepted or not
        Style style;
    } const cases[] = {
        {"Unix: plain file", "-rw-r--r-- 1 o g 5 Jan 5 2002 a", 1, kOtherLine, Style::kUnix},
        {"Unix: leading spaces are skipped", "   -rw 1 o g 5 Jan 5 2002 a", 1, kOtherLine,
         Style::kUnix},
        {"Unix first byte b wins over ';'", "b;1 1 o g 5 Jan 5 2002 a", 1, kOtherLine,
         Style::kUnix},
        {"Unix first byte c wins over ';'", "c;1 1 o g 5 Jan 5 2002 a", 1, kOtherLine,
         Style::kUnix},
        {"Unix first byte d wins over ';'", "d;1 1 o g 5 Jan 5 2002 a", 1, kOtherLine,
         Style::kUnix},
        {"Unix first byte l wins over ';'", "l;1 1 o g 5 Jan 5 2002 a", 1, kOtherLine,
         Style::kUnix},
        {"Unix first byte p wins over ';'", "p;1 1 o g 5 Jan 5 2002 a", 1, kOtherLine,
         Style::kUnix},
        {"Unix first byte s wins over ';'", "s;1 1 o g 5 Jan 5 2002 a", 1, kOtherLine,
         Style::kUnix},
        {"Unix first byte - wins over ';'", "-rw;x 1 o g 5 Jan 5 2002 a", 1, kOtherLine,
         Style::kUnix},
        {"Unix line rejected is no VMS-style line", "data;1 2 12-JAN-2002 10:30 [S] (RWE)", 0,
         kOtherLine, Style::kUnix},
        {"VMS: capital D is no Unix first byte", "DATA;1 2 12-JAN-2002 10:30 [S] (RWE)", 1,
         kVmsLine, Style::kVms},
        {"VMS: capital S is no Unix first byte", "S;1 2 12-JAN-2002 10:30 [S] (RWE)", 1, kVmsLine,
         Style::kVms},
        {"VMS: ';' as the last byte", "FOO; 2 12-JAN-2002 10:30 [S] (RWE)", 1, kVmsLine,
         Style::kVms},
        {"VMS-style even when rejected: ';' first", ";1 2 12-JAN-2002 10:30 [S] (RWE)", 0, kVmsLine,
         Style::kVms},
        {"VMS-style even when rejected: name alone", "LONG.NAME;1", 0, kVmsLine, Style::kVms},
        {"VMS-style even when rejected: bad month", "A;1 2 12-Jan-2002 10:30 [S] (R)", 0, kVmsLine,
         Style::kVms},
        {"DOS: a ';' after the first token does not count", "01-15-02 10:30AM 5 a;1", 1, kOtherLine,
         Style::kDos},
        {"DOS: directory", "01-15-02 10:30AM <DIR> My Folder", 1, kOtherLine, Style::kDos},
        {"total goes to the DOS parser, which rejects it", "total 12", 0, kOtherLine, Style::kDos},
        {"any other first token goes to the DOS parser", "Total of 3 files", 0, kOtherLine,
         Style::kDos},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        const test::LineResult r = ParseOne(c.line);
        EXPECT_EQ(r.result, c.result);
        EXPECT_EQ(r.style, c.lineStyle);
        EXPECT_EQ(StyleOf(r.entry), c.style) << ::testing::PrintToString(r.entry);
    }
}

TEST(ParseLine, TotalLineIsRejectedAtItsFirstByte) {
    // "t" adds 68 to the month, past 12 at once.
    const test::LineResult r = ParseOne("total 42");
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(r.entry.dateTime.month, 't' - '0');
}

TEST(ParseLine, LineWithoutTokensLeavesRecordAndFlagWordClear) {
    for (const std::string_view line :
         {std::string_view(""), std::string_view("   "), std::string_view(" ")}) {
        SCOPED_TRACE("\"" + std::string(line) + "\"");
        const test::LineResult r = ParseOne(line);
        EXPECT_EQ(r.result, 0);
        EXPECT_EQ(r.style, LineStyle::other);
        EXPECT_EQ(r.entry, FtpDirEntry{});
    }
}

TEST(Today, SystemClockGivesTheLocalDate) {
    const auto localDate = [] {
        const std::time_t now = std::time(nullptr);
        std::tm tm{};
        EXPECT_NE(localtime_r(&now, &tm), nullptr);
        return LocalDate{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday};
    };
    const LocalDate before = localDate();
    Today today;
    const LocalDate got = today.Get();
    const LocalDate after = localDate();
    const auto same = [](const LocalDate& a, const LocalDate& b) {
        return a.year == b.year && a.month == b.month && a.day == b.day;
    };
    // Midnight may pass between the readings.
    EXPECT_TRUE(same(got, before) || same(got, after))
        << got.year << "-" << got.month << "-" << got.day;
}

// The usual columns are read at once when they lie in the first 64 bytes of
// a line, token by token otherwise: both must give the same entry, wherever
// the columns fall and whatever follows the forms read at once.
TEST(ParseLine, SameEntryWhereverTheColumnsFall) {
    struct Case {
        const char* reason;
        const char* head;  // spaces are inserted after it
        const char* tail;
        const char* name;
        std::int64_t size;
        FtpDateTime dateTime;
    } const cases[] = {
        {"Unix, time", "-rw-r--r-- 1 owner group", " 1234 Jan 15 12:30 notes.txt", "notes.txt",
         1234, test::Timed(2002, 1, 15, 12, 30)},
        {"Unix, year; a size of ten digits", "-rw-r--r-- 1 owner group", " 1234567890 Jan 5 1999 a",
         "a", 1234567890, test::Dated(1999, 1, 5)},
        {"Unix, a day of one digit with a point", "-rw-r--r-- 1 o g", " 7 Jan 5. 1999 a", "a", 7,
         test::Dated(1999, 1, 5)},
        {"Unix, day before month", "-rw-r--r-- 1 o g", " 7 5 Jan 1999 a", "a", 7,
         test::Dated(1999, 1, 5)},
        {"Unix, a year of five digits", "-rw-r--r-- 1 o g", " 7 Jan 5 19990 a", "a", 7,
         test::Dated(19990, 1, 5)},
        {"VMS, seconds and hundredths", "A.B;1", " 2 12-JAN-2002 10:30:45.50 [S] (RWED)", "A.B;1",
         -2, test::Timed(2002, 1, 12, 10, 30)},
        {"VMS, minutes of three digits", "A.B;1", " 2 12-JAN-2002 10:305 [S] (RWED)", "A.B;1", -2,
         test::Timed(2002, 1, 12, 10, 305)},
        {"VMS, a year of five digits", "A.B;1", " 2 12-JAN-20021 10:30 [S] (RWED)", "A.B;1", -2,
         test::Timed(20021, 1, 12, 10, 30)},
        {"VMS, a day of one digit", "A.B;1", " 2 1-JAN-2002 1:30 [S] (RWED)", "A.B;1", -2,
         test::Timed(2002, 1, 1, 1, 30)},
        {"DOS, four-digit year", "12-31-1999", " 12:05PM 1024 report.txt", "report.txt", 1024,
         test::Timed(1999, 12, 31, 12, 5)},
        {"DOS, two-digit year", "01-15-02", " 10:30AM <DIR> My Folder", "My Folder", -1,
         test::Timed(2002, 1, 15, 10, 30)},
    };
    for (const Case& c : cases) {
        for (std::size_t pad : {0, 20, 30, 40, 50, 60, 70}) {
            const std::string line = std::string(c.head) + std::string(pad, ' ') + c.tail;
            SCOPED_TRACE(std::string(c.reason) + ": " + line);
            const test::LineResult r = ParseOne(line);
            EXPECT_EQ(r.result, 1);
            EXPECT_EQ(r.entry.name, c.name);
            EXPECT_EQ(r.entry.size, c.size);
            EXPECT_EQ(r.entry.dateTime, c.dateTime);
        }
    }
}

}  // namespace
}  // namespace ftpdirlist
