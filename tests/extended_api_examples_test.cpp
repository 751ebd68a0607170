// One example listing per family end to end through the C++ API: read whole
// and in 1-byte chunks (each an exact-size heap copy), in both dialects, the
// entries and skipped lines agree; the extended dialect finds the family's
// entries. Field values are checked by ftpls's goldens of the same listings
// (tests/tool/extended/examples/) and, for the classic dialect, by the
// golden test.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "ftpdirlist/ftpdirlist.hpp"
#include "api_chunks.h"

namespace {

using ftpdir::Dialect;
using ftpdir::Format;

struct Case {
    const char* file;  // in examples/
    Format format;     // of every entry; unknown: several families
    std::size_t entries;
    std::size_t skipped;
    std::size_t withVersions;  // entries with keepVersions
    const char* reason;
};

constexpr Case kCases[] = {
    {"unix.txt", Format::unixStyle, 20, 3, 20, "ls -l with devices, links, code-page names"},
    {"unix-extended.txt", Format::unixStyle, 21, 1, 21, "the other date forms and column shapes"},
    {"unix-cp1251.txt", Format::unixStyle, 3, 1, 3, "Cyrillic months and a localised total"},
    {"unix-padding.txt", Format::unixStyle, 17, 3, 17, "date column padding, no mode, no clock"},
    {"unix-format.txt", Format::unixStyle, 3, 1, 3, "dates not padded: a name keeps its space"},
    {"unix-numeric.txt", Format::unixNumeric, 4, 2, 4, "octal modes and Unix seconds; . and .. skipped"},
    {"dos.txt", Format::dos, 7, 1, 7, "12-hour clock, two-digit years, <DIR>"},
    {"dos-iis.txt", Format::dos, 11, 3, 11, "grouped sizes, seconds, junctions"},
    {"vms.txt", Format::vms, 6, 2, 9, "versions collapse, a wrapped name"},
    {"vms-extended.txt", Format::vms, 8, 3, 8, "columns in other orders, no version"},
    {"mixed.txt", Format::unknown, 8, 3, 8, "Unix and DOS lines, and lines of neither"},
    {"mlsd.txt", Format::mlsd, 8, 2, 8, "facts; cdir and pdir are skipped"},
    {"eplf.txt", Format::eplf, 4, 0, 4, "Unix seconds, UTC"},
    {"os2.txt", Format::os2, 6, 0, 6, "three-digit years"},
    {"ibmi.txt", Format::ibmi, 7, 0, 7, "object types, members without a date"},
    {"ibmi-dmy.txt", Format::ibmi, 6, 0, 6, "day first, told by a day above 12 after a date it rereads"},
    {"mvs.txt", Format::mvs, 12, 1, 12, "datasets, migrated and pseudo directories"},
    {"mvs-members.txt", Format::mvsMember, 5, 1, 5, "members with and without statistics"},
    {"jes.txt", Format::jes, 5, 1, 5, "one entry per job"},
    {"cms.txt", Format::cms, 6, 0, 6, "record length x count, the older date"},
    {"guardian.txt", Format::guardian, 5, 2, 5, "volume line and header"},
    {"wince.txt", Format::windowsCe, 4, 4, 4, "month-name dates, <DIR> after the name"},
    {"vshell.txt", Format::vshell, 4, 0, 4, "a final / is a directory"},
    {"os9.txt", Format::os9, 4, 2, 4, "yy/mm/dd hhmm, hex sectors"},
    {"dls.txt", Format::dls, 7, 1, 7, "dates or none; a description's second line"},
    {"nortel.txt", Format::nortel, 3, 0, 3, "weekday after the date"},
};

std::string ReadExample(const char* file) {
    std::ifstream in(std::string(FTPDIRLIST_SOURCE_DIR) + "/examples/" + file, std::ios::binary);
    EXPECT_TRUE(in.good()) << file;
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

ftpdir::Options OptionsFor(Dialect dialect, bool keepVersions = false) {
    ftpdir::Options options;
    options.dialect = dialect;
    options.today = testsupport::ExamplesToday();
    options.keepVersions = keepVersions;
    return options;
}

using Read = testsupport::ApiOutcome;

Read ReadInChunks(const std::string& listing, std::size_t chunkSize,
                  const ftpdir::Options& options) {
    return testsupport::ParseInChunks(listing, testsupport::EveryNBytes(listing.size(), chunkSize),
                                      options);
}

void ExpectSame(const Read& whole, const Read& chunked) {
    EXPECT_TRUE(whole.entries == chunked.entries);
    EXPECT_TRUE(testsupport::SameSkipped(whole.skipped, chunked.skipped));
}

class ExtendedApiExamplesTest : public ::testing::TestWithParam<Case> {};

TEST_P(ExtendedApiExamplesTest, ChunkedEqualsWholeInBothDialects) {
    const Case& c = GetParam();
    const std::string listing = ReadExample(c.file);
    for (const Dialect dialect : {Dialect::extended, Dialect::classic}) {
        SCOPED_TRACE(dialect == Dialect::extended ? "extended" : "classic");
        const ftpdir::Options options = OptionsFor(dialect);
        const Read whole = ReadInChunks(listing, listing.size(), options);
        EXPECT_TRUE(whole.entries == ftpdir::parse(listing, options));
        ExpectSame(whole, ReadInChunks(listing, 1, options));
    }
}

TEST_P(ExtendedApiExamplesTest, ExtendedFindsTheFamilysEntries) {
    const Case& c = GetParam();
    const std::string listing = ReadExample(c.file);
    const Read read = ReadInChunks(listing, 1, OptionsFor(Dialect::extended));
    EXPECT_EQ(read.entries.size(), c.entries);
    EXPECT_EQ(read.skipped.size(), c.skipped);
    for (const ftpdir::Entry& e : read.entries) {
        EXPECT_FALSE(e.name.empty());
        EXPECT_NE(e.format, Format::unknown) << e.name;
        EXPECT_EQ(e.facts.empty(), e.format != Format::mlsd) << e.name;
        if (c.format != Format::unknown) {
            EXPECT_EQ(e.format, c.format) << e.name;
        }
    }
    const ftpdir::Options keep = OptionsFor(Dialect::extended, true);
    const Read versions = ReadInChunks(listing, 1, keep);
    EXPECT_EQ(versions.entries.size(), c.withVersions);
    EXPECT_TRUE(versions.entries == ftpdir::parse(listing, keep));
}

// Versions are collapsed for VMS entries only, also after a VMS line: a
// ";N" in the name of another family's entry is part of the name.
TEST(ExtendedApiVersionsTest, OnlyVmsEntriesLoseTheirVersion) {
    const std::string listing =
        "ARCHIVE.DIR;3   1  1-MAR-2002 10:00:00  [ANNA]  (RWE,RWE,RE,E)\r\n"
        "-rw-r--r--   1 anna  staff  40 Mar  3  2002 unix;7\r\n"
        "-rw-r--r--   1 anna  staff  41 Mar  4  2002 unix;7\r\n"
        "03-04-02  11:00AM            50 dos;2\r\n"
        "ARCHIVE.DIR;2   1  1-FEB-2002 10:00:00  [ANNA]  (RWE,RWE,RE,E)\r\n";
    const Read read = ReadInChunks(listing, 1, OptionsFor(Dialect::extended));
    std::vector<std::string> names;
    for (const ftpdir::Entry& e : read.entries) names.push_back(e.name);
    EXPECT_EQ(names, (std::vector<std::string>{"ARCHIVE", "unix;7", "unix;7", "dos;2"}));
}

// An MLSD entry carries its fact list as the line gives it, through the
// table and in any chunks; a name alone has none.
TEST(ExtendedApiFactsTest, MlsdEntriesKeepTheirFacts) {
    const std::string listing =
        "type=file;size=5;unique=801g3a;media-type=text/plain; a b.txt\r\n"
        "Type=dir;UNIX.mode=0755;x.empty=; sub\r\n"
        " alone\r\n";
    const Read read = ReadInChunks(listing, 1, OptionsFor(Dialect::extended));
    std::vector<std::string> facts;
    for (const ftpdir::Entry& e : read.entries) facts.push_back(e.facts);
    EXPECT_EQ(facts,
              (std::vector<std::string>{"type=file;size=5;unique=801g3a;media-type=text/plain;",
                                        "Type=dir;UNIX.mode=0755;x.empty=;", ""}));
}

INSTANTIATE_TEST_SUITE_P(Examples, ExtendedApiExamplesTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& param) {
                             return testsupport::ExampleTestName(param.param.file);
                         });

}  // namespace
