// Lines of a family's shape whose date or time no calendar has are skipped
// as impossible-date, never read as an entry nor taken for a name; lines
// that only look alike stay lines of no family. Today is 10 March 2002.
#include <gtest/gtest.h>

#include "extended_helpers.h"

namespace ftpdirlist {
namespace {

using test::RejectCase;

const std::string kFile = "-rw-r--r--   1 alice staff ";

TEST(ExtendedImpossibleDateTest, Skipped) {
    const RejectCase cases[] = {
        {"Unix: 30 February", kFile + "1 Feb 30  2002 x"},
        {"Unix: 31 April, the usual form", "-rw-r--r-- 1 a b 1 Apr 31  2001 x"},
        {"Unix: 29 February of a common year", kFile + "1 Feb 29  2002 x"},
        {"Unix: 29 February of a common year, numeric", kFile + "1 2001-02-29 10:00 x"},
        {"Unix: day 32", kFile + "1 Jan 32  2002 x"},
        {"Unix: day 0", kFile + "1 Jan  0  2002 x"},
        {"Unix: hour 25", kFile + "1 Jan 15 25:00 x"},
        {"Unix: minute 60", kFile + "1 Jan 15 12:60 x"},
        {"Unix: month 13", kFile + "1 2002-13-01 10:00 x"},
        {"Unix: month 13, no time", kFile + "1 2002-13-01 x"},
        {"Unix: a numeric date with hour 25, no name from the clock",
         kFile + "1 2002-01-15 25:10 x"},
        {"Unix: 31 April, dotted", kFile + "1 31.04.2002 10:00 x"},
        {"Unix: a link", "lrwxrwxrwx 1 a b 7 Apr 31  2001 lib -> usr/lib"},
        {"DOS: 30 February", "02-30-02  10:30AM                  5 x"},
        {"DOS: neither field a month", "13-13-02  10:30AM                  5 x"},
        {"DOS: month 13, year first", "2002-13-01  10:30       <DIR>          x"},
        {"DOS: hour 13 with PM", "01-15-02  13:30PM                  5 x"},
        {"DOS: 24:00 with AM", "01-15-02  24:00AM                  5 x"},
        {"DOS: hour 25", "01-15-02  25:30                  5 x"},
        {"DOS: minute 60, a separate PM", "01-15-02  10:60 PM       <DIR>          x"},
        {"DOS: 29 February of a common year", "02-29-01  10:30AM                  5 x"},
        {"VMS: 31 February", "A.TXT;1 3 31-FEB-2002 10:30"},
        {"VMS: 31 April with hundredths", "A.TXT;1 3 31-APR-2002 10:30:45.12 [ALICE]"},
        {"VMS: minute 61", "A.TXT;1 3 15-JAN-2002 10:61"},
        {"VMS: 29 February of a common year", "A.TXT;1 3 29-FEB-2001 10:30"},
    };
    test::ExpectSkippedAs(std::begin(cases), std::end(cases), ftpdir::SkipReason::impossibleDate);
}

// The shape alone is no entry's: without a size, a name or a known month,
// or with a clock of another shape, the line is no family's.
TEST(ExtendedImpossibleDateTest, OnlyTheShapeOfAnEntry) {
    const RejectCase cases[] = {
        {"Unix: no name", kFile + "1 Apr 31  2001"},
        {"Unix: no size before the date", "-rw-r--r-- 1 alice staff Apr 31  2001 x"},
        {"Unix: a month name that is none", kFile + "1 Apx 31  2001 x"},
        {"Unix: a day of three digits", kFile + "1 Apr 310  2001 x"},
        {"Unix: an unpadded minute of hour 24", kFile + "1 Jan  1 24:0 x"},
        {"Unix: a clock of letters", "-rw-r--r--   1 40210    200    4604 Dec 19 ab:11 index.html"},
        {"Unix: month first, numeric", kFile + "1 13-15-2002 10:00 x"},
        {"DOS: no name", "02-30-02  10:30AM                  5"},
        {"DOS: a suffix that is no AM or PM", "01-15-02  10:30XM                  5 x"},
        {"DOS: a marker or size that is none", "02-30-02  10:30AM  five x"},
        {"VMS: an unknown month", "A.TXT;1 3 31-XYZ-2002 10:30"},
        {"VMS: a time of letters", "A.TXT;1 3 31-APR-2002 1a:30"},
    };
    test::ExpectRejected(std::begin(cases), std::end(cases));
}

// Reported with the line's number and text, and never joined with the
// next line.
TEST(ExtendedImpossibleDateTest, ReportedAsSkipped) {
    ftpdir::Options options;
    options.collectSkipped = true;
    options.today = ftpdir::Date{2002, 3, 10};
    ftpdir::Parser parser(options);
    parser.append(
        "-rw-r--r-- 1 a b 1 Apr 31  2001 x\n"
        "y\n"
        "-rw-r--r-- 1 a b 1 Apr 30  2001 z\n");
    const auto entries = parser.finish();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, "z");
    const auto& skipped = parser.skipped();
    ASSERT_EQ(skipped.size(), 2u);
    EXPECT_EQ(skipped[0].number, 1u);
    EXPECT_EQ(skipped[0].reason, ftpdir::SkipReason::impossibleDate);
    EXPECT_STREQ(ftpdir::skipReasonName(skipped[0].reason), "impossible-date");
    EXPECT_EQ(skipped[1].text, "y");
    EXPECT_EQ(skipped[1].reason, ftpdir::SkipReason::notListingLine);
}

}  // namespace
}  // namespace ftpdirlist
