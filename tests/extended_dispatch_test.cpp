// The dispatcher's filters (FamilyEntry::fewest and the shape of a line)
// spare only calls that would return none: the dispatcher reads every line
// as offering it to every family would, the listing's own family first.
// Checked over the example listings of every family, every prefix of their
// lines, and lines written at the filters' edges, each read in a fresh
// listing and in one already of each family (its titles seen).
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "extended/families.h"
#include "extended_helpers.h"

namespace ftpdirlist {
namespace {

// A listing already of `family`, every family's titles seen.
ext::ListingState OpenState(EntryFormat family) {
    ext::ListingState state;
    state.family = family;
    state.vmsHeader = state.mvsDatasets = state.mvsMembers = state.jesJobs = state.guardian = true;
    return state;
}

// What the dispatcher gives without its filters: the listing's family
// first, then every other family in order, each from a fresh record.
struct Plain {
    ext::LineKind kind = ext::LineKind::none;
    EntryFormat format = EntryFormat::unknown;
};
Plain ReadPlainly(std::string_view line, ext::ListingState& state) {
    Today today(test::kToday);
    std::vector<const ext::FamilyEntry*> order;
    for (std::size_t i = 0; i < ext::kFamilyCount; ++i) {
        if (ext::kFamilies[i].format == state.family)
            order.insert(order.begin(), &ext::kFamilies[i]);
        else
            order.push_back(&ext::kFamilies[i]);
    }
    for (const ext::FamilyEntry* family : order) {
        ParsedEntry entry;
        const ext::LineKind kind = family->read(line, state, today, entry);
        if (kind != ext::LineKind::none) return {kind, family->format};
    }
    return {};
}

// A listing whose last entry the dispatcher read from `first`: its family's
// reader is kept and asked first.
ext::ListingState KeptState(const char* first) {
    ext::ListingState state;
    const test::HeapBytes line{std::string(first)};
    ParsedEntry entry;
    Today today(test::kToday);
    EXPECT_EQ(ext::ParseExtendedLine(line.view(), state, today, entry), ext::LineKind::entry)
        << first;
    return state;
}

// The dispatcher and the plain reading agree on `text` in every state.
void ExpectFiltersPass(const std::string& text) {
    const test::HeapBytes line(text);
    static const std::vector<ext::ListingState> kept = {
        KeptState("-rw-r--r-- 1 u g 5 Jan 15  2002 a"),
        KeptState("01-15-02  10:30AM  12 a"),
        KeptState("A.TXT;1  3  15-JAN-2002 10:30:45.12  [SYSTEM]  (RWED,RWED,RE,)"),
        KeptState("type=file;size=1; a"),
        KeptState("notes.txt  1024  A text file"),
    };
    std::vector<ext::ListingState> starts = kept;
    starts.push_back(ext::ListingState{});
    for (std::size_t i = 0; i < ext::kFamilyCount; ++i) {
        starts.push_back(OpenState(ext::kFamilies[i].format));
        // Of the family, no titles seen: the titled families' other filter.
        ext::ListingState untitled;
        untitled.family = ext::kFamilies[i].format;
        starts.push_back(untitled);
    }
    for (const ext::ListingState& start : starts) {
        ext::ListingState state = start;
        ParsedEntry entry;
        Today today(test::kToday);
        const ext::LineKind kind = ext::ParseExtendedLine(line.view(), state, today, entry);
        ext::ListingState plainState = start;
        const Plain plain = ReadPlainly(line.view(), plainState);
        EXPECT_EQ(kind, plain.kind)
            << "\"" << text << "\" in a listing of format " << static_cast<int>(start.family);
        if (kind == ext::LineKind::entry && plain.kind == kind) {
            EXPECT_EQ(entry.extras.format, plain.format) << "\"" << text << "\"";
        }
    }
}

TEST(ExtendedFilterTest, FiltersPassEveryLineOfTheExamples) {
    std::size_t lines = 0;
    for (const char* file :
         {"unix-extended.txt", "unix.txt",   "unix-cp1251.txt",  "unix-numeric.txt",
          "dos-iis.txt",       "dos.txt",    "vms-extended.txt", "vms.txt",
          "mlsd.txt",          "eplf.txt",   "os2.txt",          "ibmi.txt", "ibmi-dmy.txt",
          "wince.txt",         "vshell.txt", "os9.txt",          "dls.txt",
          "nortel.txt",        "mvs.txt",    "mvs-members.txt",  "jes.txt",
          "guardian.txt",      "cms.txt",    "mixed.txt"}) {
        std::ifstream in(std::string(FTPDIRLIST_SOURCE_DIR) + "/examples/" + file,
                         std::ios::binary);
        ASSERT_TRUE(in.good()) << file;
        std::string line;
        while (std::getline(in, line)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            // Every prefix: fewer tokens, down to none.
            for (std::size_t n = 0; n <= line.size(); ++n) ExpectFiltersPass(line.substr(0, n));
            ++lines;
        }
    }
    EXPECT_GT(lines, 150u);
}

TEST(ExtendedFilterTest, FiltersPassLinesAtTheirEdges) {
    struct Case {
        const char* reason;
        std::string line;
    };
    const Case cases[] = {
        {"a rule of two groups (Windows CE, OS-9)", "---- --"},
        {"Windows CE titles, four words", "Size Date Time Name"},
        {"OS-9 titles, seven words", "Owner Last Modified Attributes Sector Bytecount Name"},
        {"a Unix `total` line, two tokens", "total 12"},
        {"a translated `total` word of a legacy code page", "\xE8\xF2\xEE\xE3\xEE 8"},
        {"a Unix mode of unknown type", "?rw-r--r-- 1 u g 5 Jan 15 2002 x"},
        {"an EPLF line, '+' first", "+i8388621.44468,m839956783,r,s10376,\tnotes"},
        {"a VMS name alone", "NOTES.TXT;4"},
        {"an indented VMS continuation", "        3  15-JAN-2002 10:30:45.12  [ALICE]"},
        {"an MLSD name alone after its space", " notes.txt"},
        {"a line of spaces only", "   "},
        {"a Nortel line of five tokens", "notes.txt   1014196  06/03/04  Thur.   10:20:03"},
        {"an OS/2 line without attributes", "  36611    04-23-103   10:57  test1.file"},
        {"a DOS line, three tokens and a name", "01-15-02  10:30AM  12 a"},
        {"MVS dataset titles, three words", "Volume Unit Referred"},
        {"member titles, three words", "Name VV.MM Created"},
        {"load library titles, three words", "Name Size TTR"},
        {"JES titles, two words", "JOBNAME JOBID"},
        {"Guardian titles, three words", "File Code EOF"},
        {"MLSD facts alone, one token", "type=dir;"},
        {"facts whose first name starts with a digit", "9type=file;size=1; a"},
        {"facts whose first name starts with a byte above 0x7F", "\xC3\xA9=1;size=1; a"},
        {"facts after two spaces", "  type=file;size=1; a"},
        {"a dls name and size, two tokens", "notes.txt  1024"},
        {"a dls name alone", "notes.txt"},
        {"a dls line after a space", " notes.txt  1024  A text file"},
        {"a line longer than one 64-byte window",
         std::string(70, ' ') + "-rw-r--r-- 1 owner group 512 Jan 15 2002 far.txt"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        ExpectFiltersPass(c.line);
    }
}

// Lines of each family that lie at the edge of its FamilyFilter (a byte,
// a token or a count the filter tests): the family reads each in a fresh
// listing, and the dispatcher reads each as offering it to every family.
TEST(ExtendedFilterTest, FamilyFiltersPassTheirFamilysLines) {
    struct Case {
        const char* reason;
        std::string line;
        EntryFormat family;
    };
    const Case cases[] = {
        {"DOS: a four-digit year first", "2002-01-15  14:30  12 a", EntryFormat::dos},
        {"DOS: a one-digit day before a dot", "5.01.2002  10:30  12 a", EntryFormat::dos},
        {"DOS: slashes, a date that cannot exist", "04/31/02  10:30AM  <DIR>  x", EntryFormat::dos},
        {"VMS: a name that starts with a digit", "1NOTES.TXT;2  3  15-JAN-2002 10:30:45.12", EntryFormat::vms},
        {"VMS: the header", "Directory DISK$USER:[ALICE]", EntryFormat::vms},
        {"VMS: the header in small letters", "directory DISK$USER:[ALICE]", EntryFormat::vms},
        {"MLSD: an MLST line, one space first", " type=file;size=1024; notes.txt", EntryFormat::mlsd},
        {"MLSD: capitals, digits, dots, dashes in a fact name", "Type=file;UNIX.mode2-x_y=0644; a b", EntryFormat::mlsd},
        {"MLSD: one fact, no ';'", "type=dir notes", EntryFormat::mlsd},
        {"OS/2: attribute letters A, H, S, R", "  36611  A H S R  04-23-103  10:57  a", EntryFormat::os2},
        {"OS/2: DIR in small letters", "  0  dir  05-12-97  16:44  PSFONTS", EntryFormat::os2},
        {"OS/2: a one-digit month", "  36611  4-23-103  10:57  a", EntryFormat::os2},
        {"IBM i: an object type, three tokens", "ALICE  *MEM  LIB.FILE/MEMB.MBR", EntryFormat::ibmi},
        {"IBM i: a size, six tokens", "ALICE  8192 01/15/02 10:30:45 *STMF a", EntryFormat::ibmi},
        {"Windows CE: a three-letter month", "2048    Feb-28-1998  05:23:30   name <DIR>", EntryFormat::windowsCe},
        {"Windows CE: a rule", "----  ----", EntryFormat::windowsCe},
        {"Windows CE: titles in capitals", "SIZE  DATE  TIME  NAME", EntryFormat::windowsCe},
        {"Nortel: five tokens", "a  1  06/03/04  Mon.  10:20:03", EntryFormat::nortel},
        {"dls: a name, a size and words", "notes.txt  1024  A text file", EntryFormat::dls},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        ext::ListingState fresh;
        EXPECT_EQ(ReadPlainly(c.line, fresh).format, c.family) << c.line;
        ExpectFiltersPass(c.line);
    }
}

// Lines next to a family's that its filter refuses, which no family reads
// otherwise either: the filter refuses only what its reader would.
TEST(ExtendedFilterTest, FamilyFiltersRefuseOnlyWhatTheirReadersRefuse) {
    for (const char* line : {
             "        1426  21-MAR-2022 19:41:37.98  [OPERATOR]  (RWED,RWED,RWED,RE)",
             "PROJECT_5.LIS;1", "12345-01-02  10:30  12 a", "  =file;size=1; a",
             "  type=file;size=1; a", "a  1  06/03/04  Mon.  10:20:03  b",
             "ALICE  8192 01/15/02 10:30:45", "2048  28-Feb-1998  05:23:30  name",
             "  36611  B  04-23-103  10:57  a", "226 Transfer complete, 66919 bytes"}) {
        SCOPED_TRACE(line);
        ExpectFiltersPass(line);
    }
}

}  // namespace
}  // namespace ftpdirlist
