// The extended dialect's Unix family: every form `ls -l` and the servers
// write, and the lines it must refuse. Today is 10 March 2002.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "extended_helpers.h"

namespace ftpdirlist {
namespace {

using test::AcceptCase;
using test::Dated;
using test::RejectCase;
using test::Timed;

// The usual head of a line, before its size.
const std::string kFile = "-rw-r--r--   1 alice staff ";

TEST(ExtendedUnixTest, Columns) {
    const AcceptCase cases[] = {
        {"usual form, recent date",
         "drwxr-xr-x   2 owner group     4096 Jan 15 12:30 pub",
         {"pub", "drwxr-xr-x", 4096, 1, 0, Timed(2002, 1, 15, 12, 30), "owner", "group"}},
        {"year in place of the time",
         kFile + "1234 Jan 15  2001 notes.txt",
         {"notes.txt", "-rw-r--r--", 1234, 0, 0, Dated(2001, 1, 15), "alice", "staff"}},
        {"no group",
         "-rw-r--r--   1 alice   1234 Jan 15  2001 a",
         {"a", "-rw-r--r--", 1234, 0, 0, Dated(2001, 1, 15), "alice"}},
        {"owner with a space, number as group",
         "-rw-r--r-- 1 Domain Users  33  3065 May  4 11:01 x.php",
         {"x.php", "-rw-r--r--", 3065, 0, 0, Timed(2001, 5, 4, 11, 1), "Domain Users", "33"}},
        {"group with a space",
         "-rw-r--r-- 1 500 Domain Users 3065 May  4  2001 x",
         {"x", "-rw-r--r--", 3065, 0, 0, Dated(2001, 5, 4), "500", "Domain Users"}},
        {"no link count, owner or group",
         "-rw-r--r-- 1234 Jan 15  2001 a",
         {"a", "-rw-r--r--", 1234, 0, 0, Dated(2001, 1, 15)}},
        {"numeric owner and group before a year-like size",
         "-rw-r--r-- 1 500 500 2002 Jan 15  2001 a",
         {"a", "-rw-r--r--", 2002, 0, 0, Dated(2001, 1, 15), "500", "500"}},
        {"folder as link count",
         "drwxrwxrwx   folder        2 May 10  1996 network",
         {"network", "drwxrwxrwx", 2, 1, 0, Dated(1996, 5, 10)}},
        {"one-letter mode and NetWare rights",
         "d [RWCEAFMS] jrd 512 Apr 20  2001 Data",
         {"Data", "d [RWCEAFMS]", 512, 1, 0, Dated(2001, 4, 20), "jrd"}},
        {"one-letter mode and nine rights",
         "- rw-r--r-- group 12 feb. 3, 2019 split",
         {"split", "- rw-r--r--", 12, 0, 0, Dated(2019, 2, 3), "group"}},
        {"NetWare rights glued to the type",
         "-[R----F--] 1 jrd 512 Apr 20  2001 f",
         {"f", "-[R----F--]", 512, 0, 0, Dated(2001, 4, 20), "jrd"}},
        {"device file",
         "crw-rw-rw- 1 root sys 13,   2 Jan 15  2002 null",
         {"null", "crw-rw-rw-", -1, 0, 0, Dated(2002, 1, 15), "root", "sys"}},
        {"device file, glued numbers",
         "brw-rw---- 1 root disk 8,0 Jan 15  2002 sda",
         {"sda", "brw-rw----", -1, 0, 0, Dated(2002, 1, 15), "root", "disk"}},
    };
    test::ExpectEntries(std::begin(cases), std::end(cases), EntryFormat::unixStyle);
}

TEST(ExtendedUnixTest, ModesAndNames) {
    const AcceptCase cases[] = {
        {"door with ACL mark",
         "D---------+ 1 u g 0 Jan 15  2001 door",
         {"door", "D---------+", 0, 0, 0, Dated(2001, 1, 15), "u", "g"}},
        {"socket with xattr mark",
         "srwxrwxrwx@ 1 u g 0 Jan 15  2001 s",
         {"s", "srwxrwxrwx@", 0, 0, 0, Dated(2001, 1, 15), "u", "g"}},
        {"unknown type, SELinux mark",
         "?rw-r--r--. 1 u g 0 Jan 15  2001 q",
         {"q", "?rw-r--r--.", 0, 0, 0, Dated(2001, 1, 15), "u", "g"}},
        {"archive type letter",
         "arw-r--r-- 1 u g 0 Jan 15  2001 a",
         {"a", "arw-r--r--", 0, 0, 0, Dated(2001, 1, 15), "u", "g"}},
        {"setuid, setgid, sticky",
         "-rwsr-Sr-t 1 u g 0 Jan 15  2001 x",
         {"x", "-rwsr-Sr-t", 0, 0, 0, Dated(2001, 1, 15), "u", "g"}},
        {"link: target split off, not a directory",
         "lrwxrwxrwx 1 root root 7 Jan 15  2001 lib -> usr/lib",
         {"lib", "lrwxrwxrwx", 7, 0, 1, Dated(2001, 1, 15), "root", "root", "usr/lib"}},
        {"link split at the first arrow",
         "lrwxrwxrwx 1 u g 7 Jan 15  2001 a -> b -> c",
         {"a", "lrwxrwxrwx", 7, 0, 1, Dated(2001, 1, 15), "u", "g", "b -> c"}},
        {"arrow in a file's name stays",
         kFile + "1 Jan 15  2001 x -> y",
         {"x -> y", "-rw-r--r--", 1, 0, 0, Dated(2001, 1, 15), "alice", "staff"}},
        {"ls -F marks kept",
         kFile + "1 Jan 15  2001 star*",
         {"star*", "-rw-r--r--", 1, 0, 0, Dated(2001, 1, 15), "alice", "staff"}},
        {"spaces around the name kept",
         kFile + "1 Jan 15 12:30  two  ",
         {" two  ", "-rw-r--r--", 1, 0, 0, Timed(2002, 1, 15, 12, 30), "alice", "staff"}},
        {"name that looks like a date",
         kFile + "1 Jan 15  2001 Jan 15  2001",
         {"Jan 15  2001", "-rw-r--r--", 1, 0, 0, Dated(2001, 1, 15), "alice", "staff"}},
    };
    test::ExpectEntries(std::begin(cases), std::end(cases), EntryFormat::unixStyle);
}

TEST(ExtendedUnixTest, ModeTypeLetters) {
    // Every type letter that systems write is read, with its rights.
    for (const char type : std::string("-dlbcpsDnwa?")) {
        SCOPED_TRACE(type);
        const std::string mode = std::string(1, type) + "rw-r--r--";
        const test::ExtResult r = test::ParseExt(mode + " 1 u g 0 Jan 15  2001 f");
        ASSERT_EQ(r.kind, ext::LineKind::entry);
        EXPECT_EQ(r.entry.attributes, mode);
    }
}

// Column padding after the date is never part of a name; a space that the
// name really starts with is kept.
TEST(ExtendedUnixTest, DateColumnPadding) {
    const AcceptCase cases[] = {
        {"iso style: the year-first date alone is padded",
         kFile + "100 2021-03-04  old-file",
         {"old-file", "-rw-r--r--", 100, 0, 0, Dated(2021, 3, 4), "alice", "staff"}},
        {"iso style: the pad, then a name with a space",
         kFile + "100 2021-03-04   lead",
         {" lead", "-rw-r--r--", 100, 0, 0, Dated(2021, 3, 4), "alice", "staff"}},
        {"iso style: the time form is not padded",
         kFile + "100 12-05 19:57  lead",
         {" lead", "-rw-r--r--", 100, 0, 0, Timed(2001, 12, 5, 19, 57), "alice", "staff"}},
        {"long-iso style",
         kFile + "100 2021-03-04 10:00  lead",
         {" lead", "-rw-r--r--", 100, 0, 0, Timed(2021, 3, 4, 10, 0), "alice", "staff"}},
        {"full-iso style",
         kFile + "100 2021-03-04 10:00:00.000000000 +0000  lead",
         {" lead", "-rw-r--r--", 100, 0, 0, Timed(2021, 3, 4, 10, 0), "alice", "staff", "", 0}},
        {"+FORMAT, day first: no pad",
         kFile + "100 04.03.2021  lead",
         {" lead", "-rw-r--r--", 100, 0, 0, Dated(2021, 3, 4), "alice", "staff"}},
        {"de_DE: the year form is padded to the width of the time",
         kFile + "100  4. M\xC3\xA4r 2021  alt.txt",
         {"alt.txt", "-rw-r--r--", 100, 0, 0, Dated(2021, 3, 4), "alice", "staff"}},
        {"de_DE: the pad, then a name with a space",
         kFile + "100  4. M\xC3\xA4r 2021   lead",
         {" lead", "-rw-r--r--", 100, 0, 0, Dated(2021, 3, 4), "alice", "staff"}},
        {"de_DE: the time form",
         kFile + "100  5. Dez 19:57  lead",
         {" lead", "-rw-r--r--", 100, 0, 0, Timed(2001, 12, 5, 19, 57), "alice", "staff"}},
        {"a left-aligned year, then two spaces",
         "-r-xr-xr-x  1 anon      245    90 Mar  1 2003  welcome.txt",
         {"welcome.txt", "-r-xr-xr-x", 90, 0, 0, Dated(2003, 3, 1), "anon", "245"}},
        {"a left-aligned year, the usual columns",
         kFile + "90 Mar 11 2003  welcome.txt",
         {"welcome.txt", "-rw-r--r--", 90, 0, 0, Dated(2003, 3, 11), "alice", "staff"}},
        {"C locale: a right-aligned year",
         kFile + "17 Jun  8  2001  x",
         {" x", "-rw-r--r--", 17, 0, 0, Dated(2001, 6, 8), "alice", "staff"}},
        {"C locale: the time form",
         kFile + "17 Dec  5 19:44  lead.txt",
         {" lead.txt", "-rw-r--r--", 17, 0, 0, Timed(2001, 12, 5, 19, 44), "alice", "staff"}},
        {"fr_FR: the month padded inside the date",
         kFile + "17  4 mars   2021  lead",
         {" lead", "-rw-r--r--", 17, 0, 0, Dated(2021, 3, 4), "alice", "staff"}},
        {"hu_HU: year first",
         kFile + "17 2021 m\xC3\xA1rc   4  lead",
         {" lead", "-rw-r--r--", 17, 0, 0, Dated(2021, 3, 4), "alice", "staff"}},
        {"ja_JP: a right-aligned year",
         kFile + "17  3\xE6\x9C\x88  4  2021  lead",
         {" lead", "-rw-r--r--", 17, 0, 0, Dated(2021, 3, 4), "alice", "staff"}},
        {"hu_HU: year first after numeric owners",
         "-rw-r--r-- 1 500 500 17 2021 m\xC3\xA1rc   4 f",
         {"f", "-rw-r--r--", 17, 0, 0, Dated(2021, 3, 4), "500", "500"}},
        {"busybox",
         "-rw-r--r--    1 0        0              100 Mar  4  2021  lead",
         {" lead", "-rw-r--r--", 100, 0, 0, Dated(2021, 3, 4), "0", "0"}},
    };
    test::ExpectEntries(std::begin(cases), std::end(cases), EntryFormat::unixStyle);
}

// Where the line alone cannot tell, the listing does: a narrow date form
// seen with one space before its name is not padded in that listing.
TEST(ExtendedUnixTest, DateColumnPaddingFromTheListing) {
    const struct {
        const char* reason;
        std::vector<std::string> lines;
        std::vector<std::string> names;
    } cases[] = {
        {"+FORMAT year-first dates: no pad",
         {kFile + "1 2001-12-06 new", kFile + "1 2001-03-04  lead"},
         {"new", " lead"}},
        {"iso style: the time form tells nothing",
         {kFile + "1 12-06 19:57 new", kFile + "1 2001-03-04  old"},
         {"new", "old"}},
        {"left-aligned years without a pad",
         {kFile + "1 Mar  1 2003 a", kFile + "1 Mar  1 2003  b"},
         {"a", " b"}},
        {"padded left-aligned years",
         {kFile + "1 Mar  1 2003  a", kFile + "1 Mar  1 2003   b"},
         {"a", " b"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason);
        ext::ListingState state;
        for (std::size_t i = 0; i < c.lines.size(); ++i) {
            const test::ExtResult r = test::ParseExt(c.lines[i], state);
            ASSERT_EQ(r.kind, ext::LineKind::entry) << c.lines[i];
            EXPECT_EQ(r.entry.name, c.names[i]);
        }
    }
}

TEST(ExtendedUnixTest, NumericDates) {
    const AcceptCase cases[] = {
        {"long-iso",
         kFile + "512 2002-01-15 10:30 n",
         {"n", "-rw-r--r--", 512, 0, 0, Timed(2002, 1, 15, 10, 30), "alice", "staff"}},
        {"full-iso: seconds kept, fraction and zone dropped",
         kFile + "512 2002-01-15 10:30:45.123456789 +0100 n",
         {"n", "-rw-r--r--", 512, 0, 0, Timed(2002, 1, 15, 10, 30), "alice", "staff", "", 45}},
        {"slashes",
         kFile + "512 2002/01/15 17:12 n",
         {"n", "-rw-r--r--", 512, 0, 0, Timed(2002, 1, 15, 17, 12), "alice", "staff"}},
        {"month-day and year",
         kFile + "512 01-15 2001 n",
         {"n", "-rw-r--r--", 512, 0, 0, Dated(2001, 1, 15), "alice", "staff"}},
        {"month-day and time: nearest year",
         kFile + "512 12-15 10:30 n",
         {"n", "-rw-r--r--", 512, 0, 0, Timed(2001, 12, 15, 10, 30), "alice", "staff"}},
        {"day first with dots",
         kFile + "512 15.01.2002 10:30 n",
         {"n", "-rw-r--r--", 512, 0, 0, Timed(2002, 1, 15, 10, 30), "alice", "staff"}},
        {"date alone",
         kFile + "512 2002-01-15 n",
         {"n", "-rw-r--r--", 512, 0, 0, Dated(2002, 1, 15), "alice", "staff"}},
        {"24:00 is the next day's 00:00",
         kFile + "512 2002-02-28 24:00 n",
         {"n", "-rw-r--r--", 512, 0, 0, Timed(2002, 3, 1, 0, 0), "alice", "staff"}},
        {"Finnish day.month. and time",
         kFile + "512 8.12. 19:57 n",
         {"n", "-rw-r--r--", 512, 0, 0, Timed(2001, 12, 8, 19, 57), "alice", "staff"}},
        {"Finnish day. month. year",
         kFile + "512 8. 5. 2001 n",
         {"n", "-rw-r--r--", 512, 0, 0, Dated(2001, 5, 8), "alice", "staff"}},
    };
    test::ExpectEntries(std::begin(cases), std::end(cases), EntryFormat::unixStyle);
}

TEST(ExtendedUnixTest, MonthNames) {
    const AcceptCase cases[] = {
        {"German in UTF-8",
         kFile + "1 M\xC3\xA4r  5  2001 f",
         {"f", "-rw-r--r--", 1, 0, 0, Dated(2001, 3, 5), "alice", "staff"}},
        {"Russian genitive in KOI8-R",
         kFile + "1 \xC4\xC5\xCB\xC1\xC2\xD2\xD1  5  2001 f",
         {"f", "-rw-r--r--", 1, 0, 0, Dated(2001, 12, 5), "alice", "staff"}},
        {"French with a dot",
         kFile + "1 janv.  5  2001 f",
         {"f", "-rw-r--r--", 1, 0, 0, Dated(2001, 1, 5), "alice", "staff"}},
        {"French accented with a dot",
         kFile + "1 f\xC3\xA9vr.  5  2001 f",
         {"f", "-rw-r--r--", 1, 0, 0, Dated(2001, 2, 5), "alice", "staff"}},
        {"full English name",
         kFile + "1 January  5  2001 f",
         {"f", "-rw-r--r--", 1, 0, 0, Dated(2001, 1, 5), "alice", "staff"}},
        {"Hungarian",
         kFile + "1 szept  5  2001 f",
         {"f", "-rw-r--r--", 1, 0, 0, Dated(2001, 9, 5), "alice", "staff"}},
        {"day first with a dot",
         kFile + "1 15. Jan 2002 f",
         {"f", "-rw-r--r--", 1, 0, 0, Dated(2002, 1, 15), "alice", "staff"}},
        {"day first, month with a comma, time",
         kFile + "1 26. Juli, 20:10 f",
         {"f", "-rw-r--r--", 1, 0, 0, Timed(2001, 7, 26, 20, 10), "alice", "staff"}},
        {"German ls, time with a dot",
         kFile + "1  8. Dez 19.57 f",
         {"f", "-rw-r--r--", 1, 0, 0, Timed(2001, 12, 8, 19, 57), "alice", "staff"}},
        {"Hungarian year first",
         kFile + "1 2001. m\xC3\xA1j 8. f",
         {"f", "-rw-r--r--", 1, 0, 0, Dated(2001, 5, 8), "alice", "staff"}},
        {"Czech no-break space",
         kFile + "1 8.\xC2\xA0pro 2001 f",
         {"f", "-rw-r--r--", 1, 0, 0, Dated(2001, 12, 8), "alice", "staff"}},
        {"Czech no-break space, ISO-8859-2",
         kFile + "1 8.\xA0pro 2001 f",
         {"f", "-rw-r--r--", 1, 0, 0, Dated(2001, 12, 8), "alice", "staff"}},
        {"Hungarian year first without dots",
         kFile + "1 2001 m\xC3\xA1j 8 f",
         {"f", "-rw-r--r--", 1, 0, 0, Dated(2001, 5, 8), "alice", "staff"}},
    };
    test::ExpectEntries(std::begin(cases), std::end(cases), EntryFormat::unixStyle);
}

TEST(ExtendedUnixTest, AsianForms) {
    const AcceptCase cases[] = {
        {"month marker, day, year",
         kFile + "1 1\xE6\x9C\x88 15 2002 f",
         {"f", "-rw-r--r--", 1, 0, 0, Dated(2002, 1, 15), "alice", "staff"}},
        {"month and day markers, time",
         kFile + "1 1\xE6\x9C\x88 15\xE6\x97\xA5 10:30 f",
         {"f", "-rw-r--r--", 1, 0, 0, Timed(2002, 1, 15, 10, 30), "alice", "staff"}},
        {"year, month, day markers",
         kFile + "1 2002\xE5\xB9\xB4 1\xE6\x9C\x88 15\xE6\x97\xA5 f",
         {"f", "-rw-r--r--", 1, 0, 0, Dated(2002, 1, 15), "alice", "staff"}},
        {"ls in Japanese, padded",
         kFile + "1 12\xE6\x9C\x88  8 19:57 f",
         {"f", "-rw-r--r--", 1, 0, 0, Timed(2001, 12, 8, 19, 57), "alice", "staff"}},
        {"Korean",
         kFile + "1 1\xEC\x9B\x94 15 2002 f",
         {"f", "-rw-r--r--", 1, 0, 0, Dated(2002, 1, 15), "alice", "staff"}},
        {"Korean with markers",
         kFile + "1 2002\xEB\x85\x84 1\xEC\x9B\x94 15\xEC\x9D\xBC f",
         {"f", "-rw-r--r--", 1, 0, 0, Dated(2002, 1, 15), "alice", "staff"}},
        {"Korean ls, time",
         kFile + "1 12\xEC\x9B\x94  8\xEC\x9D\xBC 19:57 f",
         {"f", "-rw-r--r--", 1, 0, 0, Timed(2001, 12, 8, 19, 57), "alice", "staff"}},
        {"Shift_JIS",
         kFile + "1 1\x8C\x8E 15 2002 f",
         {"f", "-rw-r--r--", 1, 0, 0, Dated(2002, 1, 15), "alice", "staff"}},
        {"EUC-KR",
         kFile + "1 2002\xB3\xE2 1\xBF\xF9 15\xC0\xCF f",
         {"f", "-rw-r--r--", 1, 0, 0, Dated(2002, 1, 15), "alice", "staff"}},
        {"GBK",
         kFile + "1 2002\xC4\xEA 1\xD4\xC2 15\xC8\xD5 f",
         {"f", "-rw-r--r--", 1, 0, 0, Dated(2002, 1, 15), "alice", "staff"}},
    };
    test::ExpectEntries(std::begin(cases), std::end(cases), EntryFormat::unixStyle);
}

TEST(ExtendedUnixTest, YearOfADateWithoutOne) {
    // A year-less date is a past one, unless it lies at most a month ahead.
    const struct {
        const char* reason;
        LocalDate today;
        const char* date;
        FtpDateTime expected;
    } cases[] = {
        {"two days ahead", {2026, 12, 8}, "Dec 10 20:44", Timed(2026, 12, 10, 20, 44)},
        {"March on 9 December", {2026, 12, 9}, "Mar  2 15:13", Timed(2026, 3, 2, 15, 13)},
        {"the calendar year's first day", {2026, 12, 9}, "Jan 01 00:00", Timed(2026, 1, 1, 0, 0)},
        {"six months ahead is last year's",
         {2026, 3, 9},
         "Sep  2 15:13",
         Timed(2025, 9, 2, 15, 13)},
        {"29 February, this year common", {2026, 12, 8}, "Feb 29 09:00", Timed(2024, 2, 29, 9, 0)},
        {"29 February of this leap year", {2028, 3, 20}, "Feb 29 09:00", Timed(2028, 2, 29, 9, 0)},
        {"29 February, 2100 common", {2100, 3, 1}, "Feb 29 09:00", Timed(2096, 2, 29, 9, 0)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason);
        ext::ListingState state;
        const test::ExtResult r = test::ParseExt(kFile + "1 " + c.date + " f", state, c.today);
        ASSERT_EQ(r.kind, ext::LineKind::entry);
        EXPECT_EQ(r.entry.dateTime, c.expected);
    }
}

// Where the one-window read of the usual forms could part from the walk:
// numbers in the owner and group columns (each a place where the walk
// tries a date), sizes at the edges of the digit readers, bytes above
// 0x80, tabs (no separator), and lines ending around the 64-byte window.
TEST(ExtendedUnixTest, UsualFormEdges) {
    const std::string kNumeric = "-rw-r--r--   2 1001     1001     ";
    const AcceptCase cases[] = {
        {"numeric owner and group",
         kNumeric + "24325838 Dec 17 14:40 a",
         {"a", "-rw-r--r--", 24325838, 0, 0, Timed(2001, 12, 17, 14, 40), "1001", "1001"}},
        {"numeric owner, word group",
         "-rw-r--r-- 1 1001 staff 4096 Jan 15 12:30 a",
         {"a", "-rw-r--r--", 4096, 0, 0, Timed(2002, 1, 15, 12, 30), "1001", "staff"}},
        {"numeric group, size of four digits",
         "-rw-r--r-- 1 alice 1001 4096 Jan 15 12:30 a",
         {"a", "-rw-r--r--", 4096, 0, 0, Timed(2002, 1, 15, 12, 30), "alice", "1001"}},
        {"numeric owners, size of four digits",
         kNumeric + "2002 Jan 15 12:30 a",
         {"a", "-rw-r--r--", 2002, 0, 0, Timed(2002, 1, 15, 12, 30), "1001", "1001"}},
        {"one-digit owner, group and size",
         "-rw-r--r-- 1 1 1 1 Jan  1 00:00 x",
         {"x", "-rw-r--r--", 1, 0, 0, Timed(2002, 1, 1, 0, 0), "1", "1"}},
        {"one-letter owner and group",
         "-rw-r--r-- 1 a b 1 Jan  1 00:00 x",
         {"x", "-rw-r--r--", 1, 0, 0, Timed(2002, 1, 1, 0, 0), "a", "b"}},
        {"an owner named as a month, then numbers: the walk's date",
         "-rw-r--r-- 1 mar 15 2002 Jan 15 12:30 a",
         {"Jan 15 12:30 a", "-rw-r--r--", 1, 0, 0, Dated(2002, 3, 15)}},
        {"a day of four digits after numbers: the walk's day-first date",
         kNumeric + "15 Jan 0015 12:30 a",
         {"12:30 a", "-rw-r--r--", 1001, 0, 0, Dated(15, 1, 15), "1001"}},
        {"no group, numeric owner",
         "-rw-r--r-- 1 1001 512 Jan 15 12:30 a",
         {"a", "-rw-r--r--", 512, 0, 0, Timed(2002, 1, 15, 12, 30), "1001"}},
        {"day-first date, numeric owners",
         kNumeric + "512 18. d\xE9"
                    "c 21:07 a",
         {"a", "-rw-r--r--", 512, 0, 0, Timed(2001, 12, 18, 21, 7), "1001", "1001"}},
        {"comma date, numeric owners",
         kNumeric + "512 Oct 08, 2001 09:47 a",
         {"a", "-rw-r--r--", 512, 0, 0, Timed(2001, 10, 8, 9, 47), "1001", "1001"}},
        {"16 digits",
         "-rw-r--r-- 1 u g 1234567890123456 Jan  1 00:00 x",
         {"x", "-rw-r--r--", 1234567890123456, 0, 0, Timed(2002, 1, 1, 0, 0), "u", "g"}},
        {"17 digits",
         "-rw-r--r-- 1 u g 12345678901234567 Jan  1 00:00 x",
         {"x", "-rw-r--r--", 12345678901234567, 0, 0, Timed(2002, 1, 1, 0, 0), "u", "g"}},
        {"the largest size",
         "-rw-r--r-- 1 u g 9223372036854775807 Jan  1 00:00 x",
         {"x", "-rw-r--r--", INT64_MAX, 0, 0, Timed(2002, 1, 1, 0, 0), "u", "g"}},
        {"leading zeros past 16 digits",
         "-rw-r--r-- 1 u g 0000000000000000000001 Jan  1 00:00 x",
         {"x", "-rw-r--r--", 1, 0, 0, Timed(2002, 1, 1, 0, 0), "u", "g"}},
        {"numeric group glued to the size",
         "-rw-r--r-- 1 1001 1001125435904 Apr  9  2001 x",
         {"x", "-rw-r--r--", 1001125435904, 0, 0, Dated(2001, 4, 9), "1001"}},
        {"owner in UTF-8",
         "-rw-r--r-- 1 j\xC3\xB6rg 1001 512 Jan 15 12:30 a",
         {"a", "-rw-r--r--", 512, 0, 0, Timed(2002, 1, 15, 12, 30), "j\xC3\xB6rg", "1001"}},
        {"month in Windows-1252, numeric owners",
         kNumeric + "512 f\xE9vr 15 12:30 a",
         {"a", "-rw-r--r--", 512, 0, 0, Timed(2002, 2, 15, 12, 30), "1001", "1001"}},
        {"day and month split by a no-break space",
         kNumeric + "512 15\xC2\xA0Jan 12:30 a",
         {"a", "-rw-r--r--", 512, 0, 0, Timed(2002, 1, 15, 12, 30), "1001", "1001"}},
        {"a tab inside the owner column",
         "-rw-r--r-- 1 alice\tstaff 512 Jan 15 12:30 a",
         {"a", "-rw-r--r--", 512, 0, 0, Timed(2002, 1, 15, 12, 30), "alice\tstaff"}},
        {"link with numeric owners",
         "lrwxrwxrwx 1 1001 1001 7 Jan 15 12:30 l -> t",
         {"l", "lrwxrwxrwx", 7, 0, 1, Timed(2002, 1, 15, 12, 30), "1001", "1001", "t"}},
        {"one-letter type, owner and group",
         "- rw-r--r-- alice staff 12 Jan 15 12:30 a",
         {"a", "- rw-r--r--", 12, 0, 0, Timed(2002, 1, 15, 12, 30), "alice", "staff"}},
        {"one-letter type, owner alone",
         "- rw-r--r-- alice 12 Jan 15  2001 a",
         {"a", "- rw-r--r--", 12, 0, 0, Dated(2001, 1, 15), "alice"}},
        {"one-letter type, a number where the link count stands",
         "- rw-r--r-- 1001 staff 12 Jan 15 12:30 a",
         {"a", "- rw-r--r--", 12, 0, 0, Timed(2002, 1, 15, 12, 30), "staff"}},
        {"one-letter type, day-first date",
         "- rw-r--r-- alice staff 12 8. Dez 19:57 a",
         {"a", "- rw-r--r--", 12, 0, 0, Timed(2001, 12, 8, 19, 57), "alice", "staff"}},
        {"folder, no owner",
         "drwxrwxrwx   folder   98 Jul 24 12:30 a",
         {"a", "drwxrwxrwx", 98, 1, 0, Timed(2001, 7, 24, 12, 30)}},
        {"a group of two tokens",
         "-rw-r--r--   1 anna     backup   staff       66717 Sep 28  2001 x",
         {"x", "-rw-r--r--", 66717, 0, 0, Dated(2001, 9, 28), "anna", "backup   staff"}},
        {"an owner of two tokens before a numeric group",
         "-rw-r--r--   1 anna     backup   1001        66717 Sep 28  2001 x",
         {"x", "-rw-r--r--", 66717, 0, 0, Dated(2001, 9, 28), "anna     backup", "1001"}},
        {"one-letter type, a group of two tokens",
         "- rw-r--r-- anna backup staff 12 Sep 28  2001 x",
         {"x", "- rw-r--r--", 12, 0, 0, Dated(2001, 9, 28), "anna", "backup staff"}},
        {"device without a group",
         "crw-rw-rw- 1 root 13, 2 Jan 15  2002 null",
         {"null", "crw-rw-rw-", -1, 0, 0, Dated(2002, 1, 15), "root"}},
        {"device after a one-letter type",
         "c rw-rw-rw- root sys 13, 2 Jan 15  2002 null",
         {"null", "c rw-rw-rw-", -1, 0, 0, Dated(2002, 1, 15), "root", "sys"}},
        {"device, minor of no digits",
         "crw-rw-rw- 1 root sys 13, 2k Jan 15  2002 null",
         {"null", "crw-rw-rw-", -1, 0, 0, Dated(2002, 1, 15), "root", "sys"}},
        {"folder, the name past the 64th byte",
         "drwxrwxrwx               folder       98 Jul 24  2001 a-name-beyond-the-window",
         {"a-name-beyond-the-window", "drwxrwxrwx", 98, 1, 0, Dated(2001, 7, 24)}},
        // Owner and group that start or end in a digit, or hold a high byte.
        {"owner and group ending in digits",
         "-rw-r--r-- 1 user1 staff2 512 Jan 15 12:30 a",
         {"a", "-rw-r--r--", 512, 0, 0, Timed(2002, 1, 15, 12, 30), "user1", "staff2"}},
        {"owner starting with a digit",
         "-rw-r--r-- 1 1alice staff 512 Jan 15 12:30 a",
         {"a", "-rw-r--r--", 512, 0, 0, Timed(2002, 1, 15, 12, 30), "1alice", "staff"}},
        {"group starting with a digit",
         "-rw-r--r-- 1 alice 2staff 512 Jan 15 12:30 a",
         {"a", "-rw-r--r--", 512, 0, 0, Timed(2002, 1, 15, 12, 30), "alice", "2staff"}},
        {"owner in UTF-8, word group",
         "-rw-r--r-- 1 j\xC3\xB6rg staff 512 Jan 15 12:30 a",
         {"a", "-rw-r--r--", 512, 0, 0, Timed(2002, 1, 15, 12, 30), "j\xC3\xB6rg", "staff"}},
        // The readers past the usual year and clock, each on a copy of the stamp.
        {"a clock with seconds",
         "-rw-r--r-- 1 u g 512 Jan 15 10:30:45 a",
         {"a", "-rw-r--r--", 512, 0, 0, Timed(2002, 1, 15, 10, 30), "u", "g", "", 45}},
        {"a clock of one-digit hour",
         "-rw-r--r-- 1 u g 512 Jan 15 9:57 a",
         {"a", "-rw-r--r--", 512, 0, 0, Timed(2002, 1, 15, 9, 57), "u", "g"}},
        {"a clock of an unpadded minute",
         "-rw-r--r-- 1 u g 512 Jan 15 0:5 a",
         {"a", "-rw-r--r--", 512, 0, 0, Timed(2002, 1, 15, 0, 5), "u", "g"}},
        {"a year with a final dot",
         "-rw-r--r-- 1 u g 512 Jan 15 2001. a",
         {"a", "-rw-r--r--", 512, 0, 0, Dated(2001, 1, 15), "u", "g"}},
        {"a day with a final dot",
         "-rw-r--r-- 1 u g 512 Jan 15. 12:30 a",
         {"a", "-rw-r--r--", 512, 0, 0, Timed(2002, 1, 15, 12, 30), "u", "g"}},
        {"29 February without a year",
         "-rw-r--r-- 1 u g 512 Feb 29 09:00 a",
         {"a", "-rw-r--r--", 512, 0, 0, Timed(2000, 2, 29, 9, 0), "u", "g"}},
        {"24:00 after a month and day",
         "-rw-r--r-- 1 u g 512 Jan 15 24:00 a",
         {"a", "-rw-r--r--", 512, 0, 0, Timed(2002, 1, 16, 0, 0), "u", "g"}},
        {"no group, the name past the 64th byte",
         "-rw-r--r--   1 alice        12345678 Apr  7 22:39 a-name-beyond-the-window.txt",
         {"a-name-beyond-the-window.txt", "-rw-r--r--", 12345678, 0, 0, Timed(2002, 4, 7, 22, 39),
          "alice"}},
    };
    test::ExpectEntries(std::begin(cases), std::end(cases), EntryFormat::unixStyle);

    // The date's last token ending before, at and after the 64th byte.
    for (std::size_t pad = 10; pad < 18; ++pad) {
        const std::string line =
            "-rw-r--r--   1 " + std::string(pad, ' ') + "1001 1001 123456789012 Dec 17 14:40 a b";
        SCOPED_TRACE(line);
        const test::ExtResult r = test::ParseExt(line);
        ASSERT_EQ(r.kind, ext::LineKind::entry);
        EXPECT_EQ(r.entry.name, "a b");
        EXPECT_EQ(r.entry.size, 123456789012);
        EXPECT_EQ(r.owner, "1001");
        EXPECT_EQ(r.group, "1001");
    }

    const RejectCase rejected[] = {
        {"size past the largest", "-rw-r--r-- 1 u g 9223372036854775808 Jan  1 00:00 x"},
        {"numeric owners, no name", kNumeric + "512 Jan 15  2002"},
        {"folder, a date that is none", "drwxrwxrwx   folder   98 Jul 2002 a b"},
    };
    test::ExpectRejected(std::begin(rejected), std::end(rejected));
}

TEST(ExtendedUnixTest, TotalLinesAreHeaders) {
    const RejectCase cases[] = {
        {"English", "total 12"},
        {"German", "insgesamt 12"},
        {"Polish", "razem 12"},
        {"human-readable", "total 1.5M"},
    };
    test::ExpectRejected(std::begin(cases), std::end(cases), {}, ext::LineKind::header);
}

TEST(ExtendedUnixTest, Rejected) {
    const RejectCase cases[] = {
        {"mode too long", "drwxr-xr-xx 2 u g 4096 Jan 15  2002 x"},
        {"mode too short", "-rwxr-xr 1 u g 1 Jan 15  2002 x"},
        {"letter outside the rights", "-rwxq-xr-x 1 u g 1 Jan 15  2002 x"},
        {"mark other than + @ .", "-rwxr-xr-x* 1 u g 1 Jan 15  2002 x"},
        {"size with a letter", kFile + "12x Jan 15  2002 x"},
        {"size that is a word", kFile + "OMAR Jan 15  2002 x"},
        {"no name", kFile + "1 Jan 15  2002"},
        {"total with a word", "total twelve"},
        {"total and more", "total 12 files"},
        {"type letter no system writes", "zrwxr-xr-x 1 u g 1 Jan 15  2002 x"},
        {"capital type letter no system writes", "Xrwxr-xr-x 1 u g 1 Jan 15  2002 x"},
        {"one-letter mode no system writes", "q rw-r--r-- group 12 Jan 15  2002 x"},
        {"a clock that is no clock, numeric owners",
         "-rw-r--r--   1 40210    200    4604 Dec 19 ab:11 index.html"},
        {"a clock that is no clock", kFile + "4604 Dec 19 ab:11 index.html"},
    };
    test::ExpectRejected(std::begin(cases), std::end(cases));
}

}  // namespace
}  // namespace ftpdirlist
