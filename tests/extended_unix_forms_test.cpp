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

TEST(ExtendedUnixFormsTest, ChineseTotals) {
    const RejectCase cases[] = {
        {"UTF-8", "\xE6\x80\xBB\xE8\xAE\xA1 12"},
        {"GBK", "\xD7\xDC\xBC\xC6 12"},
    };
    test::ExpectRejected(std::begin(cases), std::end(cases), {}, ext::LineKind::header);
}

}  // namespace
}  // namespace ftpdirlist
