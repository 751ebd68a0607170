// The dispatcher's filters (FamilyEntry::fewest, MayRead) spare only calls
// that would return none: every line a family's reader takes, as an entry
// or a header, must pass its family's filter. Checked over the example
// listings of every family, every prefix of their lines, and lines written
// at the filters' edges, each read in a fresh listing and in one already of
// the family (its titles seen).
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

// Every family that takes `text` in either state passes its filter.
void ExpectFiltersPass(const std::string& text) {
    const test::HeapBytes line(text);
    for (std::size_t i = 0; i < ext::kFamilyCount; ++i) {
        const ext::FamilyEntry& family = ext::kFamilies[i];
        for (const ext::ListingState& start : {ext::ListingState{}, OpenState(family.format)}) {
            ext::ListingState state = start;
            ParsedEntry entry;
            Today today(test::kToday);
            if (family.read(line.view(), state, today, entry) == ext::LineKind::none) continue;
            EXPECT_TRUE(ext::MayRead(family, line.view()))
                << "family " << i << " takes \"" << text << "\"";
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
        {"a line longer than one 64-byte window",
         std::string(70, ' ') + "-rw-r--r-- 1 owner group 512 Jan 15 2002 far.txt"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        ExpectFiltersPass(c.line);
    }
}

}  // namespace
}  // namespace ftpdirlist
