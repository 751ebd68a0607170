// The extended dialect's Unix family: the rarer forms of real servers and
// of ls in other locales, and the lines of the same shape that must still
// be refused. Today is 10 March 2002.
#include <gtest/gtest.h>

#include "extended_helpers.h"

namespace ftpdirlist {
namespace {

using test::AcceptCase;
using test::Dated;
using test::RejectCase;
using test::Timed;

const std::string kFile = "-rw-r--r--   1 alice staff ";

TEST(ExtendedUnixFormsTest, Dates) {
    const AcceptCase cases[] = {
        {"Chinese month and day glued, UTF-8",
         kFile + "100  2\xE6\x9C\x88"
                 "12\xE6\x97\xA5 20:57 a",
         {"a", "-rw-r--r--", 100, 0, 0, Timed(2002, 2, 12, 20, 57), "alice", "staff"}},
        {"Chinese two-digit month",
         kFile + "100 12\xE6\x9C\x88"
                 "05\xE6\x97\xA5 20:57 a",
         {"a", "-rw-r--r--", 100, 0, 0, Timed(2001, 12, 5, 20, 57), "alice", "staff"}},
        {"Chinese year form, UTF-8",
         kFile + "100 1970\xE5\xB9\xB4  6\xE6\x9C\x88"
                 "15\xE6\x97\xA5 b",
         {"b", "-rw-r--r--", 100, 0, 0, Dated(1970, 6, 15), "alice", "staff"}},
        {"Chinese month and day glued, GBK",
         kFile + "100  2\xD4\xC2"
                 "12\xC8\xD5 20:57 a",
         {"a", "-rw-r--r--", 100, 0, 0, Timed(2002, 2, 12, 20, 57), "alice", "staff"}},
        {"Chinese year form, GBK",
         kFile + "100 1970\xC4\xEA  6\xD4\xC2"
                 "15\xC8\xD5 b",
         {"b", "-rw-r--r--", 100, 0, 0, Dated(1970, 6, 15), "alice", "staff"}},
        {"unpadded minute",
         kFile + "100 Jan  1 00:0 bin",
         {"bin", "-rw-r--r--", 100, 0, 0, Timed(2002, 1, 1, 0, 0), "alice", "staff"}},
        {"unpadded hour and minute",
         kFile + "100 Jan  1 9:5 bin",
         {"bin", "-rw-r--r--", 100, 0, 0, Timed(2002, 1, 1, 9, 5), "alice", "staff"}},
        {"year and time after a comma",
         kFile + "100 Oct 08, 2001 09:47 report.txt",
         {"report.txt", "-rw-r--r--", 100, 0, 0, Timed(2001, 10, 8, 9, 47), "alice", "staff"}},
        {"comma form, a name that is no time",
         kFile + "100 Oct 08, 2001 report.txt",
         {"report.txt", "-rw-r--r--", 100, 0, 0, Dated(2001, 10, 8), "alice", "staff"}},
    };
    test::ExpectEntries(std::begin(cases), std::end(cases), EntryFormat::unixStyle);
}

// Month names and rights at the edge of the forms read at once: the
// English names in any case, other three-letter names, rights letters of
// other places, days with a dot.
TEST(ExtendedUnixFormsTest, UsualFormEdges) {
    const AcceptCase cases[] = {
        {"English name in capitals",
         kFile + "100 JAN 15  2001 a",
         {"a", "-rw-r--r--", 100, 0, 0, Dated(2001, 1, 15), "alice", "staff"}},
        {"English name in mixed case",
         kFile + "100 sEP 15  2001 a",
         {"a", "-rw-r--r--", 100, 0, 0, Dated(2001, 9, 15), "alice", "staff"}},
        {"three letters of another language",
         kFile + "100 Okt 15  2001 a",
         {"a", "-rw-r--r--", 100, 0, 0, Dated(2001, 10, 15), "alice", "staff"}},
        {"May in German",
         kFile + "100 Mai 15 10:30 a",
         {"a", "-rw-r--r--", 100, 0, 0, Timed(2001, 5, 15, 10, 30), "alice", "staff"}},
        {"setuid and sticky letters",
         "-rwsr-S--T 1 alice staff 100 Jan 15  2001 a",
         {"a", "-rwsr-S--T", 100, 0, 0, Dated(2001, 1, 15), "alice", "staff"}},
        {"mandatory locking",
         "-rw-r-lr-- 1 alice staff 100 Jan 15  2001 a",
         {"a", "-rw-r-lr--", 100, 0, 0, Dated(2001, 1, 15), "alice", "staff"}},
        {"day first, digits alone",
         kFile + "100 15 Jan  2001 a",
         {"a", "-rw-r--r--", 100, 0, 0, Dated(2001, 1, 15), "alice", "staff"}},
        {"day first with a dot",
         kFile + "100 8. Dez 19:57 a",
         {"a", "-rw-r--r--", 100, 0, 0, Timed(2001, 12, 8, 19, 57), "alice", "staff"}},
        {"numeric day and month with dots",
         kFile + "100 8.12. 19:57 a",
         {"a", "-rw-r--r--", 100, 0, 0, Timed(2001, 12, 8, 19, 57), "alice", "staff"}},
        {"yearless date a month ahead",
         kFile + "100 Apr 10 10:30 a",
         {"a", "-rw-r--r--", 100, 0, 0, Timed(2002, 4, 10, 10, 30), "alice", "staff"}},
        {"yearless date a month and a day ahead",
         kFile + "100 Apr 11 10:30 a",
         {"a", "-rw-r--r--", 100, 0, 0, Timed(2001, 4, 11, 10, 30), "alice", "staff"}},
        {"day of one digit with a dot",
         kFile + "100 Jan 5.  2001 a",
         {"a", "-rw-r--r--", 100, 0, 0, Dated(2001, 1, 5), "alice", "staff"}},
    };
    test::ExpectEntries(std::begin(cases), std::end(cases), EntryFormat::unixStyle);
    const RejectCase refused[] = {
        {"rights letter of another place", "-rxwr--r-- 1 alice staff 100 Jan 15  2001 a"},
        {"no letter for the last right", "-rw-r--r-z 1 alice staff 100 Jan 15  2001 a"},
        {"three letters, no month", kFile + "100 Jbn 15  2001 a"},
        {"day of two bytes, a letter first", kFile + "100 Jan x5  2001 a"},
        {"year with a letter first", kFile + "100 Jan 15 x001 a"},
    };
    test::ExpectRejected(std::begin(refused), std::end(refused));
}

TEST(ExtendedUnixFormsTest, DatesRefused) {
    const RejectCase cases[] = {
        {"glued day without its marker", kFile + "100  6\xE6\x9C\x88"
                                                 "12 20:57 a"},
        {"glued day 32", kFile + "100  6\xE6\x9C\x88"
                                 "32\xE6\x97\xA5 20:57 a"},
        {"glued year marker in place of the day", kFile + "100  6\xE6\x9C\x88"
                                                          "12\xE5\xB9\xB4 20:57 a"},
        {"year form without the year marker", kFile + "100 1970  6\xE6\x9C\x88 a"},
        {"unpadded minute of hour 24", kFile + "100 Jan  1 24:0 a"},
        {"three-digit hour", kFile + "100 Jan  1 100:0 a"},
        {"unpadded minute, nothing after", kFile + "100 Jan  1 10:5"},
    };
    test::ExpectRejected(std::begin(cases), std::end(cases));
}

TEST(ExtendedUnixFormsTest, Columns) {
    const AcceptCase cases[] = {
        {"mode glued to the link count: numeric owner and group",
         "drwxr-xr-x1732 266  111  90112 Jun 21  2001 data",
         {"data", "drwxr-xr-x", 90112, 1, 0, Dated(2001, 6, 21), "266", "111"}},
        {"mode with ACL mark glued to the link count",
         "drwxr-x---+1464 alice alice 41472 Feb 25 13:17 2009",
         {"2009", "drwxr-x---+", 41472, 1, 0, Timed(2002, 2, 25, 13, 17), "alice", "alice"}},
        {"mode of seven characters",
         "drwxr-x   2   10   4096 Jan 10 14:32 logs",
         {"logs", "drwxr-x", 4096, 1, 0, Timed(2002, 1, 10, 14, 32), "10"}},
        {"mode of nine characters",
         "drw-r--rw   1  root  root   0 Feb 21 19:31 Folder1",
         {"Folder1", "drw-r--rw", 0, 1, 0, Timed(2002, 2, 21, 19, 31), "root", "root"}},
        {"NetWare rights glued to the type, held ones only",
         "d[RWCEMFA]  1 admin  512 Jan 01 11:49 htdocs",
         {"htdocs", "d[RWCEMFA]", 512, 1, 0, Timed(2002, 1, 1, 11, 49), "admin"}},
        {"NetWare rights, spaced, held ones only",
         "d [RWCE]  admin  512 Jan 01  2001 w",
         {"w", "d [RWCE]", 512, 1, 0, Dated(2001, 1, 1), "admin"}},
        {"negative size: unknown",
         kFile + "-528 Jan 15  2001 neg",
         {"neg", "-rw-r--r--", -1, 0, 0, Dated(2001, 1, 15), "alice", "staff"}},
        {"rounded size with a unit: unknown",
         kFile + "33.5k Jan 15  2001 u",
         {"u", "-rw-r--r--", -1, 0, 0, Dated(2001, 1, 15), "alice", "staff"}},
        {"kilobytes: unknown",
         kFile + "2KB Jan 15  2001 u",
         {"u", "-rw-r--r--", -1, 0, 0, Dated(2001, 1, 15), "alice", "staff"}},
        {"binary unit: unknown",
         kFile + "1.5MiB Jan 15  2001 u",
         {"u", "-rw-r--r--", -1, 0, 0, Dated(2001, 1, 15), "alice", "staff"}},
        {"bytes: exact",
         kFile + "512B Jan 15  2001 u",
         {"u", "-rw-r--r--", 512, 0, 0, Dated(2001, 1, 15), "alice", "staff"}},
        {"device: no size from the minor number",
         "crw-rw---- 1 root tty 7, 134 Feb  1 20:30 vcsa6",
         {"vcsa6", "crw-rw----", -1, 0, 0, Timed(2002, 2, 1, 20, 30), "root", "tty"}},
        {"no date",
         "drwxr-xr-x 3 alice dev 512 docs",
         {"docs", "drwxr-xr-x", 512, 1, 0, FtpDateTime{}, "alice", "dev"}},
        {"no date, a link",
         "lrwxrwxrwx 1 root root 7 lib -> usr/lib",
         {"lib", "lrwxrwxrwx", 7, 0, 1, FtpDateTime{}, "root", "root", "usr/lib"}},
    };
    test::ExpectEntries(std::begin(cases), std::end(cases), EntryFormat::unixStyle);
}

// A group glued to its size is read only where the token ends at the size
// column of the Unix line before it.
TEST(ExtendedUnixFormsTest, GroupGluedToTheSize) {
    const std::string above = "-rw-r--r-- 1 ftp      ftpadmin     4096 Apr  9  2008 a";
    struct Case {
        const char* reason;
        std::string before;  // a line read first, "" for none
        std::string line;
        const char* group;  // null: refused
        std::int64_t size;
    };
    const Case cases[] = {
        {"ends at the size column above", above,
         "-rw-r--r-- 1 ftp      ftpadmin125435904 Apr  9  2008 f", "ftpadmin", 125435904},
        {"ends at a device's minor number above",
         "crw-rw---- 1 root     tty        7, 134 Feb  1 20:30 vcsa6",
         "-rw-r--r-- 1 root     ftpadmin125435904 Apr  9  2008 f", "ftpadmin", 125435904},
        {"ends one column short", above, "-rw-r--r-- 1 ftp      ftpadmin12543590 Apr  9  2008 f",
         nullptr, 0},
        {"ends one column past", above, "-rw-r--r-- 1 ftp      ftpadmin1254359041 Apr  9  2008 f",
         nullptr, 0},
        {"the first line: nothing to line up with", "",
         "-rw-r--r-- 1 ftp ftpadmin125435904 Apr  9  2008 f", nullptr, 0},
        {"only a line of another family above", "01-15-02  10:30AM       <DIR>          pub",
         "-rw-r--r-- 1 ftp ftpadmin125435904 Apr  9  2008 f", nullptr, 0},
        {"an owner and a group before it", above,
         "-rw-r--r-- 1 a      b ftpadmin125435904 Apr  9  2008 f", nullptr, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        ext::ListingState state;
        if (!c.before.empty()) {
            ASSERT_EQ(test::ParseExt(c.before, state).kind, ext::LineKind::entry);
        }
        const test::ExtResult r = test::ParseExt(c.line, state);
        if (c.group == nullptr) {
            EXPECT_EQ(r.kind, ext::LineKind::none);
            continue;
        }
        ASSERT_EQ(r.kind, ext::LineKind::entry);
        EXPECT_EQ(r.group, c.group);
        EXPECT_EQ(r.entry.size, c.size);
        EXPECT_EQ(r.entry.name, "f");
    }
}

TEST(ExtendedUnixFormsTest, ColumnsRefused) {
    const RejectCase cases[] = {
        {"mode of eight characters", "-rwxr-xr 1 u g 1 Jan 15  2002 x"},
        {"truncated mode with a letter out of place", "drwxr-q   2 u 1 Jan 15  2002 x"},
        {"mode glued to a word", "drwxr-xr-xab 2 u g 1 Jan 15  2002 x"},
        {"mode glued to a number and a word", "drwxr-xr-x12a u g 1 Jan 15  2002 x"},
        {"NetWare right twice", "d[RRWC] 1 u 1 Jan 15  2002 x"},
        {"NetWare letter that is no right", "d[RWQ] 1 u 1 Jan 15  2002 x"},
        {"empty NetWare rights", "d[] 1 u 1 Jan 15  2002 x"},
        {"unit that is none", kFile + "12x Jan 15  2002 x"},
        {"unit without a number", kFile + "KB Jan 15  2002 x"},
        {"fraction without digits", kFile + "3.k Jan 15  2002 x"},
        {"a bare minus", kFile + "- Jan 15  2002 x"},
        {"no date, no group", "drwxr-xr-x 3 alice 512 docs"},
        {"no date, no link count", "drwxr-xr-x alice dev 512 docs"},
        {"no date, no name", "drwxr-xr-x 3 alice dev 512"},
        {"no date, size that is a word", "drwxr-xr-x 3 alice dev big docs"},
        {"no date, a name of two words (a date gone wrong)",
         "drwxr-xr-x 3 alice dev 512 Jxn 15 12:30 pub"},
    };
    test::ExpectRejected(std::begin(cases), std::end(cases));
}

TEST(ExtendedUnixFormsTest, TotalLines) {
    const RejectCase cases[] = {
        {"Chinese, UTF-8", "\xE6\x80\xBB\xE8\xAE\xA1 12"},
        {"Chinese, GBK", "\xD7\xDC\xBC\xC6 12"},
        {"German of other ls versions", "Gesamt 4352"},
    };
    test::ExpectRejected(std::begin(cases), std::end(cases), {}, ext::LineKind::header);
}

}  // namespace
}  // namespace ftpdirlist
