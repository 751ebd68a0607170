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
