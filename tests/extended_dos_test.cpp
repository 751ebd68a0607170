// The extended dialect's DOS/IIS family. Today is 10 March 2002.
#include <gtest/gtest.h>

#include "extended_helpers.h"
#include "ftpdirlist/ftpdirlist.hpp"

namespace ftpdirlist {
namespace {

using test::AcceptCase;
using test::RejectCase;
using test::Timed;

TEST(ExtendedDosTest, Accepted) {
    const AcceptCase cases[] = {
        {"IIS directory",
         "01-15-02  10:30AM       <DIR>          My Folder",
         {"My Folder", "", -1, 1, 0, Timed(2002, 1, 15, 10, 30)}},
        {"IIS file",
         "02-15-19  09:31AM                  689 iisstart.htm",
         {"iisstart.htm", "", 689, 0, 0, Timed(2019, 2, 15, 9, 31)}},
        {"24-hour time, four-digit year",
         "01-15-2002  14:30       <DIR>          Projects",
         {"Projects", "", -1, 1, 0, Timed(2002, 1, 15, 14, 30)}},
        {"lower-case pm",
         "01-15-02  10:30pm                  689 a",
         {"a", "", 689, 0, 0, Timed(2002, 1, 15, 22, 30)}},
        {"12 AM is midnight",
         "01-15-02  12:05AM                  1 a",
         {"a", "", 1, 0, 0, Timed(2002, 1, 15, 0, 5)}},
        {"AM as its own token, grouped size",
         "01/15/2002  10:30 AM             1,234 file.txt",
         {"file.txt", "", 1234, 0, 0, Timed(2002, 1, 15, 10, 30)}},
        {"PM as its own token",
         "01/15/2002  12:05 PM                 5 noon",
         {"noon", "", 5, 0, 0, Timed(2002, 1, 15, 12, 5)}},
        // Hours, years and centuries of the usual form against both halves
        // of the day and both year widths.
        {"12 PM is noon", "01-15-02  12:05PM  5 a", {"a", "", 5, 0, 0, Timed(2002, 1, 15, 12, 5)}},
        {"11 PM", "01-15-69  11:59PM  5 a", {"a", "", 5, 0, 0, Timed(2069, 1, 15, 23, 59)}},
        {"a four-digit year below the pivot's",
         "12-31-1969  01:00AM  5 a",
         {"a", "", 5, 0, 0, Timed(1969, 12, 31, 1, 0)}},
        {"seconds, year first, point-grouped size",
         "2002-01-15  14:30:45          1.234.567 report.txt",
         {"report.txt", "", 1234567, 0, 0, Timed(2002, 1, 15, 14, 30), "", "", "", 45}},
        {"day first with dots, <dir> in lower case",
         "15.01.2002  10:30    <dir>  lower",
         {"lower", "", -1, 1, 0, Timed(2002, 1, 15, 10, 30)}},
        {"day first with slashes above 12",
         "15/01/2002  10:30                 5 x",
         {"x", "", 5, 0, 0, Timed(2002, 1, 15, 10, 30)}},
        {"name's own leading space after IIS padding",
         "01-15-02  10:30AM       <DIR>           space",
         {" space", "", -1, 1, 0, Timed(2002, 1, 15, 10, 30)}},
        {"name's spaces after a size",
         "01-15-02  10:30AM                  5  two  ",
         {" two  ", "", 5, 0, 0, Timed(2002, 1, 15, 10, 30)}},
        {"junction with target",
         "01/15/2002  10:30 AM    <JUNCTION>     Links [C:\\Users\\Links]",
         {"Links", "", -1, 0, 1, Timed(2002, 1, 15, 10, 30), "", "", "C:\\Users\\Links"}},
        {"symbolic link",
         "01/15/2002  10:30 AM    <SYMLINK>      a.txt [b.txt]",
         {"a.txt", "", -1, 0, 1, Timed(2002, 1, 15, 10, 30), "", "", "b.txt"}},
        {"directory link, no target",
         "01/15/2002  10:30 AM    <symlinkd>     docs",
         {"docs", "", -1, 0, 1, Timed(2002, 1, 15, 10, 30)}},
        {"24:00 is the next day's 00:00",
         "12-31-2001  24:00                 5 x",
         {"x", "", 5, 0, 0, Timed(2002, 1, 1, 0, 0)}},
        // At the edges of the usual form read at once.
        {"one-digit hour with its suffix",
         "01-15-02  1:30PM                  5 x",
         {"x", "", 5, 0, 0, Timed(2002, 1, 15, 13, 30)}},
        {"one-digit month and day",
         "1-5-02  10:30AM                  5 x",
         {"x", "", 5, 0, 0, Timed(2002, 1, 5, 10, 30)}},
        {"sixteen-digit size, digits in the name after it",
         "01-15-02  10:30AM   1234567890123456 7777",
         {"7777", "", 1234567890123456, 0, 0, Timed(2002, 1, 15, 10, 30)}},
        {"seventeen-digit size",
         "01-15-02  10:30AM  12345678901234567 x",
         {"x", "", 12345678901234567, 0, 0, Timed(2002, 1, 15, 10, 30)}},
        {"suffix in mixed case",
         "01-15-02  10:30Pm                  5 x",
         {"x", "", 5, 0, 0, Timed(2002, 1, 15, 22, 30)}},
        {"year first, one-digit month and day",
         "2002-1-5  14:30                  5 x",
         {"x", "", 5, 0, 0, Timed(2002, 1, 5, 14, 30)}},
        {"spaces before the date",
         "  01-15-02  10:30AM                  5 x",
         {"x", "", 5, 0, 0, Timed(2002, 1, 15, 10, 30)}},
        // At the edge of the first 64 bytes, where the tokens are found at
        // once.
        {"a size that ends at the 62nd byte",
         "01-15-02  10:30AM" + std::string(40, ' ') + "12345 name",
         {"name", "", 12345, 0, 0, Timed(2002, 1, 15, 10, 30)}},
        {"a size that ends at the 63rd byte",
         "01-15-02  10:30AM" + std::string(41, ' ') + "12345 name",
         {"name", "", 12345, 0, 0, Timed(2002, 1, 15, 10, 30)}},
        {"a size that ends at the 64th byte",
         "01-15-02  10:30AM" + std::string(42, ' ') + "12345 name",
         {"name", "", 12345, 0, 0, Timed(2002, 1, 15, 10, 30)}},
        {"a name that starts past the first 64 bytes",
         "01-15-02  10:30AM       <DIR>" + std::string(40, ' ') + "far",
         {std::string(30, ' ') + "far", "", -1, 1, 0, Timed(2002, 1, 15, 10, 30)}},
        {"a name that starts at the 64th byte",
         "01-15-02  10:30AM       <DIR>" + std::string(34, ' ') + "far",
         {std::string(24, ' ') + "far", "", -1, 1, 0, Timed(2002, 1, 15, 10, 30)}},
    };
    test::ExpectEntries(std::begin(cases), std::end(cases), EntryFormat::dos);
}

TEST(ExtendedDosTest, Rejected) {
    const RejectCase cases[] = {
        {"unknown marker", "01-15-02  10:30AM       <GARBAGE>      x"},
        {"negative size", "01-15-02  10:30AM                 -5 x"},
        {"unknown suffix", "01-15-02  10:30XM                  5 x"},
        {"bad grouping", "01-15-02  10:30AM               1,23 x"},
        {"no name", "01-15-02  10:30AM                  5"},
        {"one space after the size, no name", "01-15-02  10:30AM                  5 "},
        {"no size", "01-15-02  10:30AM"},
        {"a digit after the minutes", "01-15-02  10:301                  5 x"},
        {"a third colon", "01-15-02  10:30:                  5 x"},
        {"a letter in the minutes", "01-15-02  10:3xAM                  5 x"},
        {"a letter in the year", "01-15-0x  10:30AM                  5 x"},
        {"separators that differ", "01-15/02  10:30AM                  5 x"},
        {"a letter in a sixteen-digit size", "01-15-02  10:30AM   123456789012345x x"},
        {"a colon in the day", "01-1:-02  10:30AM                  5 x"},
        {"a high byte in the year", "01-15-0\xFA  10:30AM                  5 x"},
        {"a separator in a year-first date's year", "20/2-01-15  14:30                  5 x"},
        {"a suffix whose M has its high bit set", "01-15-02  10:30A\xCD                  5 x"},
        // A name of spaces only is no name, in the usual form and in the
        // others (spaces before the date, AM as its own token, a line whose
        // first 64 bytes hold no name).
        {"<DIR>, then spaces past the padding",
         "01-15-02  10:30AM       <DIR>" + std::string(14, ' ')},
        {"a size, then spaces", "01-15-02  10:30AM  1234   "},
        {"year first, <DIR>, then spaces", "2002-01-15  14:30:45  <DIR>" + std::string(14, ' ')},
        {"year first, a size, then spaces", "2002-01-15  14:30:45  1,234    "},
        {"spaces before the date, <DIR>, then spaces",
         "  01-15-02  10:30AM  <DIR>" + std::string(14, ' ')},
        {"AM as its own token, a size, then spaces", "01/15/2002  10:30 AM  1,234  "},
        {"a size, then spaces past the first 64 bytes",
         "01-15-02  10:30AM  5" + std::string(70, ' ')},
    };
    test::ExpectRejected(std::begin(cases), std::end(cases));
}

// A held line is joined with the next so that a name wrapped onto a line
// of its own is read; the join gives a DOS entry only when the held line
// lacks nothing but its name, and never a dls entry.
TEST(ExtendedDosTest, JoinedLines) {
    struct Case {
        const char* reason;
        const char* listing;
        const char* name;  // of the one entry; null: none
    };
    const Case cases[] = {
        {"a name on a line of its own", "01-15-02  10:30AM       <DIR>\nLong Folder Name\n",
         "Long Folder Name"},
        {"a file's name on a line of its own", "01-15-02  10:30AM   689\nLong File.txt\n",
         "Long File.txt"},
        {"a name after a held line with IIS's padding",
         "01-15-02  10:30AM  <DIR>          \nLong\n", "Long"},
        {"a wrapped name that starts with a space", "01-15-02  10:30AM  <DIR>          \n  x y\n",
         "  x y"},
        {"a size with padding after it", "01-15-02  10:30AM   689 \nLong File.txt\n",
         "Long File.txt"},
        {"a name past more than IIS's padding", "01-15-02  10:30AM  <DIR>              \nLong\n",
         nullptr},
        {"a size with two spaces after it", "01-15-02  10:30AM   689  \nLong File.txt\n", nullptr},
        {"the marker and name after a date and time", "01-15-02  10:30AM\n<DIR>          pub\n",
         nullptr},
        {"the time, marker and name after a date", "01-15-02\n10:30AM       <DIR>          pub\n",
         nullptr},
        {"a size and name after a date and time", "01-15-02  10:30AM\n689 iisstart.htm\n", nullptr},
        {"a dls name and size, then a line after a space", "notes.txt  1024\n A text file\n",
         nullptr},
        {"bytes and a number, then a line after a space", "\x90\x15_\xba\xe6  1\r F\xf9|\x1bK\r",
         nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        ftpdir::Options options;
        options.collectSkipped = true;
        ftpdir::Parser parser(options);
        parser.append(c.listing);
        const auto entries = parser.finish();
        if (c.name == nullptr) {
            EXPECT_EQ(entries.size(), 0u);
            EXPECT_EQ(parser.skipped().size(), 2u);
            continue;
        }
        ASSERT_EQ(entries.size(), 1u);
        EXPECT_EQ(entries[0].name, c.name);
        EXPECT_TRUE(parser.skipped().empty());
    }
}

}  // namespace
}  // namespace ftpdirlist
