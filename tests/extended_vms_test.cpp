// The extended dialect's VMS family and the dispatcher's family order.
// Today is 10 March 2002.
#include <gtest/gtest.h>

#include "extended_helpers.h"

namespace ftpdirlist {
namespace {

using test::AcceptCase;
using test::Dated;
using test::RejectCase;
using test::Timed;

const std::string kProtection = "(RWED,RWED,RE,)";

TEST(ExtendedVmsTest, Accepted) {
    const AcceptCase cases[] = {
        {"no owner or protection, hundredths",
         "NOTES.TXT;4   3  15-JAN-2002 10:30:45.12",
         {"NOTES.TXT;4", "", 1536, 0, 0, Timed(2002, 1, 15, 10, 30), "", "", "", 45}},
        {"usual form",
         "README.TXT;3  2  12-JAN-2002 10:30:45  [SYSTEM]  " + kProtection,
         {"README.TXT;3", kProtection, 1024, 0, 0, Timed(2002, 1, 12, 10, 30), "SYSTEM", "", "",
          45}},
        {"directory, used/allocated, group and user",
         "BIN.DIR;1  12/16 15-JAN-2002 10:30 [GROUP,USER] (RWE,RWE,RE,E)",
         {"BIN;1", "(RWE,RWE,RE,E)", 6144, 1, 0, Timed(2002, 1, 15, 10, 30), "GROUP,USER"}},
        {"date without a time",
         "A.TXT;1 3 15-JAN-2002 [SYSTEM] " + kProtection,
         {"A.TXT;1", kProtection, 1536, 0, 0, Dated(2002, 1, 15), "SYSTEM"}},
        {"owner without brackets",
         "A.TXT;1 3 15-JAN-2002 10:30 SYSTEM " + kProtection,
         {"A.TXT;1", kProtection, 1536, 0, 0, Timed(2002, 1, 15, 10, 30), "SYSTEM"}},
        {"owner before the size",
         "A.TXT;1 [SYSTEM] 3 15-JAN-2002 10:30 " + kProtection,
         {"A.TXT;1", kProtection, 1536, 0, 0, Timed(2002, 1, 15, 10, 30), "SYSTEM"}},
        {"date before the size",
         "A.TXT;1 15-JAN-2002 10:30 3 [SYSTEM] " + kProtection,
         {"A.TXT;1", kProtection, 1536, 0, 0, Timed(2002, 1, 15, 10, 30), "SYSTEM"}},
        {"lower case name with a Unix type letter",
         "bin.dir;1 1 15-JAN-2002 10:30",
         {"bin;1", "", 512, 1, 0, Timed(2002, 1, 15, 10, 30)}},
        {"lower case name, month in lower case",
         "sys$login.com;2 1 15-jan-2002 10:30",
         {"sys$login.com;2", "", 512, 0, 0, Timed(2002, 1, 15, 10, 30)}},
        {"French month in capitals",
         "A.TXT;1 3 15-JUI-2002 10:30",
         {"A.TXT;1", "", 1536, 0, 0, Timed(2002, 7, 15, 10, 30)}},
        {"empty protection groups",
         "A.TXT;1 3 15-JAN-2002 10:30 [SYSTEM] (,,,)",
         {"A.TXT;1", "(,,,)", 1536, 0, 0, Timed(2002, 1, 15, 10, 30), "SYSTEM"}},
    };
    test::ExpectEntries(std::begin(cases), std::end(cases), EntryFormat::vms);
}

TEST(ExtendedVmsTest, NamesWithoutVersionInAKnownListing) {
    ext::ListingState known;
    known.vmsHeader = true;
    const AcceptCase cases[] = {
        {"file",
         "NOTES.TXT 3 15-JAN-2002 10:30 [SYSTEM] " + kProtection,
         {"NOTES.TXT", kProtection, 1536, 0, 0, Timed(2002, 1, 15, 10, 30), "SYSTEM"}},
        {"directory",
         "SUB.DIR 1 15-JAN-2002 10:30",
         {"SUB", "", 512, 1, 0, Timed(2002, 1, 15, 10, 30)}},
    };
    test::ExpectEntries(std::begin(cases), std::end(cases), EntryFormat::vms, known);
    const RejectCase unknown[] = {
        {"no version in a listing not known as VMS", "NOTES.TXT 3 15-JAN-2002 10:30"},
    };
    test::ExpectRejected(std::begin(unknown), std::end(unknown));
    // The rest of an entry whose name stood alone on the line before, so
    // that the driver joins the two.
    const RejectCase rest[] = {
        {"indented", "  NOTES.TXT 3 15-JAN-2002 10:30"},
        {"block count first", "1426  21-MAR-2002 19:41:37.98  [SYSTEM]  " + kProtection},
        {"indented block count", "        1426  21-MAR-2002 19:41:37.98  [SYSTEM]  " + kProtection},
        {"used/allocated first", "12/16  21-MAR-2002 19:41:37.98"},
    };
    test::ExpectRejected(std::begin(rest), std::end(rest), known);
}

TEST(ExtendedVmsTest, HeaderAndFooters) {
    ext::ListingState state;
    EXPECT_EQ(test::ParseExt("Directory DISK$USER:[ALICE]", state).kind, ext::LineKind::header);
    EXPECT_TRUE(state.vmsHeader);
    EXPECT_EQ(test::ParseExt("Total of 2 files, 15/20 blocks.", state).kind, ext::LineKind::header);
    EXPECT_EQ(test::ParseExt("Grand total of 1 directory, 2 files, 15/20 blocks.", state).kind,
              ext::LineKind::header);
    EXPECT_EQ(state.family, EntryFormat::unknown);
    // A footer before anything VMS is no line of any family.
    EXPECT_EQ(test::ParseExt("Total of 2 files, 15/20 blocks.").kind, ext::LineKind::none);
}

TEST(ExtendedVmsTest, Rejected) {
    const RejectCase cases[] = {
        {"three protection groups", "A.TXT;1 3 15-JAN-2002 10:30 [SYSTEM] (RWED,RWED,RE)"},
        {"rights out of order", "A.TXT;1 3 15-JAN-2002 10:30 [SYSTEM] (RWDE,RWED,RE,)"},
        {"unknown right", "A.TXT;1 3 15-JAN-2002 10:30 [SYSTEM] (RWEDX,RWED,RE,)"},
        {"owner in parentheses", "A.TXT;1 3 15-JAN-2002 10:30 (SYSTEM) " + kProtection},
        {"protection in brackets", "A.TXT;1 3 15-JAN-2002 10:30 [SYSTEM] [RWED,RWED,RE,]"},
        {"protection not last", "A.TXT;1 3 15-JAN-2002 10:30 " + kProtection + " [SYSTEM]"},
        {"unknown month", "A.TXT;1 3 15-XYZ-2002 10:30"},
        {"numeric month", "A.TXT;1 3 15-01-2002 10:30"},
        {"version not a number", "A.TXT;X 3 15-JAN-2002 10:30"},
        {"name alone: joined with the next line", "A.TXT;1"},
    };
    test::ExpectRejected(std::begin(cases), std::end(cases));
}

// Lines just outside the usual form ("NAME;V SIZE DATE TIME [OWNER]
// (RIGHTS)", or a name alone) read as the general walk reads them.
TEST(ExtendedVmsTest, NearTheUsualForm) {
    const AcceptCase accepted[] = {
        {"spaces after the protection",
         "A.TXT;1  3  15-JAN-2002 10:30:45  [SYSTEM]  " + kProtection + "  ",
         {"A.TXT;1", kProtection, 1536, 0, 0, Timed(2002, 1, 15, 10, 30), "SYSTEM", "", "", 45}},
        {"two semicolons: the version after the last",
         "A;1;2 3 15-JAN-2002 10:30 [SYSTEM] " + kProtection,
         {"A;1;2", kProtection, 1536, 0, 0, Timed(2002, 1, 15, 10, 30), "SYSTEM"}},
        {"owner across the 64th byte",
         "LONG_NAME_123456.DAT;12  1234/5000  15-JAN-2002 10:30:45.12  [GROUP1,OPERATOR]  "
         "(RWED,RWED,RWED,RE)",
         {"LONG_NAME_123456.DAT;12", "(RWED,RWED,RWED,RE)", 631808, 0, 0,
          Timed(2002, 1, 15, 10, 30), "GROUP1,OPERATOR", "", "", 45}},
        {"name longer than 64 bytes",
         std::string(70, 'N') + ".TXT;1 3 15-JAN-2002 10:30 [SYSTEM] " + kProtection,
         {std::string(70, 'N') + ".TXT;1", kProtection, 1536, 0, 0, Timed(2002, 1, 15, 10, 30),
          "SYSTEM"}},
        {"directory in lower case, used/allocated",
         "sub.dir;12 4/8 15-JAN-2002 10:30 [G,U] (RWED,RWED,RWED,RWED)",
         {"sub;12", "(RWED,RWED,RWED,RWED)", 2048, 1, 0, Timed(2002, 1, 15, 10, 30), "G,U"}},
        {"29 February of a leap year, a leap second",
         "A.TXT;1 3 29-FEB-2004 23:59:60.99 [SYSTEM] " + kProtection,
         {"A.TXT;1", kProtection, 1536, 0, 0, Timed(2004, 2, 29, 23, 59), "SYSTEM", "", "", 60}},
        {"24:00 on the last day of a year",
         "A.TXT;1 3 31-DEC-2002 24:00:00.00 [SYSTEM] " + kProtection,
         {"A.TXT;1", kProtection, 1536, 0, 0, Timed(2003, 1, 1, 0, 0), "SYSTEM", "", "", 0}},
        {"a month name of another language",
         "A.TXT;1 3 15-OKT-2002 10:30 [SYSTEM] " + kProtection,
         {"A.TXT;1", kProtection, 1536, 0, 0, Timed(2002, 10, 15, 10, 30), "SYSTEM"}},
        {"a name of one byte",
         "A;1 3 15-JAN-2002 10:30 [SYSTEM] " + kProtection,
         {"A;1", kProtection, 1536, 0, 0, Timed(2002, 1, 15, 10, 30), "SYSTEM"}},
        {"indented, with a version",
         "   A.TXT;1 3 15-JAN-2002 10:30 [SYSTEM] " + kProtection,
         {"A.TXT;1", kProtection, 1536, 0, 0, Timed(2002, 1, 15, 10, 30), "SYSTEM"}},
        {"a byte that folds to the dot before DIR",
         "A\x0E"
         "DIR;1 3 15-JAN-2002 10:30 [SYSTEM] " +
             kProtection,
         {"A\x0E"
          "DIR;1",
          kProtection, 1536, 0, 0, Timed(2002, 1, 15, 10, 30), "SYSTEM"}},
    };
    test::ExpectEntries(std::begin(accepted), std::end(accepted), EntryFormat::vms);
    const RejectCase rejected[] = {
        {"a seventh token", "A.TXT;1 3 15-JAN-2002 10:30 [SYSTEM] " + kProtection + " X"},
        {"a space inside the protection", "A.TXT;1 3 15-JAN-2002 10:30 [SYSTEM] (RWED, RWED,RE,)"},
        {"size with a dash", "A.TXT;1 3-4 15-JAN-2002 10:30 [SYSTEM] " + kProtection},
        {"protection in the owner's place",
         "A.TXT;1 3 15-JAN-2002 10:30 [RWED,RWED,RE,] " + kProtection},
        {"empty version", "A.TXT; 3 15-JAN-2002 10:30 [SYSTEM] " + kProtection},
        {"version followed by a letter", "A.TXT;1X 3 15-JAN-2002 10:30 [SYSTEM] " + kProtection},
        {"version alone", ";1 3 15-JAN-2002 10:30 [SYSTEM] " + kProtection},
        {"a semicolon alone", "; 3 15-JAN-2002 10:30 [SYSTEM] " + kProtection},
        {"name alone with spaces after it", "A.TXT;1   "},
        {"name alone, longer than 64 bytes", std::string(70, 'N') + ".TXT;1"},
        {"a word alone", "Directory"},
    };
    test::ExpectRejected(std::begin(rejected), std::end(rejected));
    const RejectCase impossible[] = {
        {"no such day", "A.TXT;1 3 31-APR-2002 10:30 [SYSTEM] " + kProtection},
        {"29 February of a common year", "A.TXT;1 3 29-FEB-2001 10:30 [SYSTEM] " + kProtection},
    };
    test::ExpectSkippedAs(std::begin(impossible), std::end(impossible),
                          ftpdir::SkipReason::impossibleDate);
}

// The protection as a listing's line reads it, with bytes of the input
// after the line (so that the reader may read many at a time), and as a
// line of exactly its length: both must agree, and give `valid`.
TEST(ExtendedVmsTest, ProtectionWithBytesAfterTheLine) {
    struct Case {
        const char* rights;
        bool valid;
    };
    const Case cases[] = {
        {"(RWED,RWED,RE,)", true},
        {"(,,,)", true},
        {"(R,W,E,D)", true},
        {"(RWED,RWED,RWED,RWED)", true},  // past 16 bytes
        {"(RWED,RWED,RED,DW)", false},    // "DW" across the 16th byte
        {"(RWED,RWED,RWE,D)", true},      // 17 bytes: the first half reads them all
        {"(RWED,RWED,RWED,D)", true},     // 18: the second half reads the last right
        {"(RWED,RWED,RWE,DR)", false},    // ... "DR" across the halves
        {"(RWED,RWED,RWED,WR)", false},
        {"(RWDE,RWED,RE,)", false},
        {"(RRED,,,)", false},
        {"(RWED,RWED,RE)", false},
        {"(RWED,RWED,RE,,)", false},
        {"(RWEX,,,)", false},
        {"(RW)D,RWED,RE,)", false},  // a closing parenthesis inside
        {"(RWED,RWED,RE,))", false},
        {"(rwed,,,)", false},
        {"(RWED,RWED,RWED,RWED,R)", false},
        {"(RWED,RWED,RWED,RWED,,,,,,,,,,,,,)", false},  // longer than 32 bytes
        {"(D,,,R)", true},
        {"(RWED,,,D)", true},
        {"(R\xC8,,,)", false},  // a byte above 0x7F after a right
        {"(R,\x80,,)", false},  // ... and after a comma
        {"(R(,,,)", false},
        {"(RWED,RWED,RWED,RWED,)", false},  // five groups in 22 bytes
    };
    ParsedEntry parsed;
    for (const Case& c : cases) {
        const std::string line = std::string("A.TXT;1 3 15-JAN-2002 10:30 [SYSTEM] ") + c.rights;
        SCOPED_TRACE(EscapedBytes(line));
        const test::ExtResult got = test::ParseExtInListing(line, parsed);
        test::ExpectSameResult(got, test::ParseExt(line));
        EXPECT_EQ(got.kind == ext::LineKind::entry, c.valid);
        if (c.valid) {
            EXPECT_EQ(got.entry.attributes, c.rights);
        }
    }
}

// The usual form's fields at the limits of the reads that take many bytes
// at once (owner, block count, a directory's name), as a listing's line and
// as a line of exactly its length: both must agree, and give `name` (empty
// for a line that is no entry). One record for all rows, as the driver
// keeps one: a directory's name is built in its scratch buffer.
TEST(ExtendedVmsTest, UsualFormWithBytesAfterTheLine) {
    struct Case {
        const char* reason;
        std::string line;
        std::string name;
    };
    const std::string rest = "  15-JAN-2002 10:30:45.12  ";
    const std::string usual = "  3" + rest + "[SYSTEM]  " + kProtection;
    const Case cases[] = {
        {"commas of the protection right after a short owner", "A.TXT;1  3" + rest + "[A]  (,,,)",
         "A.TXT;1"},
        {"two commas in the owner", "A.TXT;1  3" + rest + "[A,B,C]  " + kProtection, "A.TXT;1"},
        {"three commas in the owner", "A.TXT;1  3" + rest + "[A,B,C,D]  " + kProtection, ""},
        {"empty brackets", "A.TXT;1  3" + rest + "[]  " + kProtection, ""},
        {"16 bytes in the brackets", "A.TXT;1  3" + rest + "[GROUP1234,OWNER]  " + kProtection,
         "A.TXT;1"},
        {"17 bytes in the brackets", "A.TXT;1  3" + rest + "[GROUP12345,OWNER]  " + kProtection,
         "A.TXT;1"},
        {"three commas past 16 bytes",
         "A.TXT;1  3" + rest + "[A,B,GROUP12345678,C]  " + kProtection, ""},
        {"16 digits of blocks", "A.TXT;1  9999999999999999" + rest + "[S]  " + kProtection,
         "A.TXT;1"},
        {"the most blocks that fit", "A.TXT;1  18014398509481983" + rest + "[S]  " + kProtection,
         "A.TXT;1"},
        {"one block too many", "A.TXT;1  18014398509481984" + rest + "[S]  " + kProtection, ""},
        {"a directory", "BIN.DIR;1" + usual, "BIN;1"},
        {"a directory's name of 32 bytes", "ABCDEFGHIJKLMNOPQRSTUVWXYZ.DIR;1" + usual,
         "ABCDEFGHIJKLMNOPQRSTUVWXYZ;1"},
        {"a shorter directory's name after a longer one", "B.dir;22" + usual, "B;22"},
        {"a directory's name of 33 bytes", "ABCDEFGHIJKLMNOPQRSTUVWXYZ0.DIR;1" + usual,
         "ABCDEFGHIJKLMNOPQRSTUVWXYZ0;1"},
        {"a version of 16 bytes", "A.DIR;123456789012345" + usual, "A;123456789012345"},
        {"a version of 17 bytes", "A.DIR;1234567890123456" + usual, "A;1234567890123456"},
        {"owner across the 64th byte, protection after it",
         "LONG_NAME_1234567.DAT;12  1234/5000  15-JAN-2002 10:30:45.12  [GROUP1,OPERATOR]  "
         "(RWED,RWED,RWED,RE)",
         "LONG_NAME_1234567.DAT;12"},
        {"protection from the 65th byte",
         "LONG_NAME_1.DIR;12  1234  15-JAN-2002 10:30:45.12  [GROUP1,OP]  (RWED,RWED,RWED,RE)",
         "LONG_NAME_1;12"},
        {"protection across the 64th byte",
         "LONG_NAME_1.DIR;12  1234  15-JAN-2002 10:30:45.12  [GROUP1,O]  (RWED,RWED,RWED,RE)",
         "LONG_NAME_1;12"},
    };
    ParsedEntry parsed;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.reason) + ": " + EscapedBytes(c.line));
        const test::ExtResult got = test::ParseExtInListing(c.line, parsed);
        test::ExpectSameResult(got, test::ParseExt(c.line));
        ASSERT_EQ(got.kind == ext::LineKind::entry, !c.name.empty());
        if (!c.name.empty()) {
            EXPECT_EQ(got.entry.name, c.name);
        }
    }
}

TEST(ExtendedDispatchTest, ListingFamilyFirstThenTheOthers) {
    ext::ListingState state;
    test::ExtResult r = test::ParseExt("total 12", state);
    EXPECT_EQ(r.kind, ext::LineKind::header);
    EXPECT_EQ(state.family, EntryFormat::unknown);

    r = test::ParseExt("-rw-r--r-- 1 u g 5 Jan 15  2001 a", state);
    EXPECT_EQ(r.kind, ext::LineKind::entry);
    EXPECT_EQ(state.family, EntryFormat::unixStyle);

    // A line the listing's family refuses goes to the others, and a record
    // that a refusing reader half filled is reset first.
    r = test::ParseExt("01-15-02  10:30AM       <DIR>          d", state);
    EXPECT_EQ(r.kind, ext::LineKind::entry);
    EXPECT_EQ(r.format, EntryFormat::dos);
    EXPECT_EQ(r.entry.attributes, "");
    EXPECT_EQ(state.family, EntryFormat::dos);

    r = test::ParseExt("-rw-r--r-- 1 u g 5 Jan 15  2001 b", state);
    EXPECT_EQ(r.format, EntryFormat::unixStyle);

    r = test::ParseExt("not a listing line", state);
    EXPECT_EQ(r.kind, ext::LineKind::none);
    EXPECT_EQ(r.entry, FtpDirEntry{});
    EXPECT_EQ(state.family, EntryFormat::unixStyle);
}

}  // namespace
}  // namespace ftpdirlist
