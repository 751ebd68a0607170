// Every byte of every sample line replaced by each of the 256 byte values:
// the line parser and the listing driver must neither crash (the sanitizer
// build watches reads, overflow and leaks) nor find more entries than lines.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "input/dir_list.h"
#include "parse/parse_line.h"
#include "test_support.h"

namespace {

using ftpdirlist::CFtpDirList;
using ftpdirlist::LocalDate;
using ftpdirlist::ParsedEntry;
using ftpdirlist::Today;

constexpr LocalDate kToday = testsupport::kExamplesToday;

struct Sample {
    const char* line;
    const char* why;
};

const Sample kSamples[] = {
    {"-rw-r--r--   1 owner    group        1234 Jan 15  2002 notes.txt", "Unix, year"},
    {"drwxr-xr-x   2 owner    group        4096 Mar  3 12:30 photos", "Unix, time"},
    {"lrwxrwxrwx   1 root     root            7 Aug 30 23:59 latest -> releases/v1", "Unix link"},
    {"drwxr-xr-x   folder        3 Jul 17  2016 Shared Projects", "Unix, folder as link count"},
    {"-rw-r--r--   1 owner          77 Apr  1 07:45 no-group.txt", "Unix, no group column"},
    {"-rw-r--r--   1 owner    users         519 17 Jul  2017 day-first.txt", "Unix, day first"},
    {"- rw-r--r-- group 12 feb. 3, 2019 split-mode", "Unix, one-byte mode token"},
    {"01-15-02  10:30AM       <DIR>          My Folder", "DOS directory"},
    {"12-31-1999  12:05PM           1024 report.txt", "DOS file, four-digit year"},
    {"LOGIN.COM;7            3  12-JAN-2002 10:30:45  [ANNA]   (RWED,RWED,RE,)", "VMS file"},
    {"BACKUP.DIR;1   1   5-MAR-2001 09:00:12  [GROUP,ANNA]  (RWE,RWE,RE,E)", "VMS directory"},
};

std::size_t LineBound(const std::string& text) {
    std::size_t ends = 0;
    for (char ch : text) ends += (ch == '\r' || ch == '\n');
    return ends + 1;
}

bool Within(std::string_view view, const char* begin, std::size_t length) {
    return view.data() >= begin && view.data() + view.size() <= begin + length;
}

// The entry's texts must lie in the line or in the record's own buffers.
bool TextsAreOwned(std::string_view text, const ParsedEntry& entry, const char* line,
                   std::size_t length) {
    return text.empty() || Within(text, line, length) ||
           Within(text, entry.nameScratch.data(), entry.nameScratch.size()) ||
           Within(text, entry.attributesScratch.data(), entry.attributesScratch.size());
}

// Parses `line` alone from an exact-size copy; checks the result's shape.
void ParseAlone(const std::string& line, int& accepted) {
    const testsupport::HeapBytes copy(line);
    ParsedEntry entry;
    Today today(kToday);
    ftpdirlist::LineStyle style = ftpdirlist::LineStyle::other;
    const ftpdirlist::LineKind kind =
        ftpdirlist::ParseLine(ftpdirlist::Line(copy.view()), nullptr, entry, style, today);
    ASSERT_NE(kind, ftpdirlist::LineKind::header);
    accepted = kind == ftpdirlist::LineKind::entry ? 1 : 0;
    if (accepted == 1) {
        ASSERT_TRUE(TextsAreOwned(entry.name, entry, copy.data(), copy.size()));
        ASSERT_TRUE(TextsAreOwned(entry.attributes, entry, copy.data(), copy.size()));
    }
}

TEST(Mutation, EverySampleLineIsAnEntry) {
    // Otherwise the mutations below would start from a line that says nothing.
    for (const Sample& sample : kSamples) {
        int accepted = 0;
        ParseAlone(sample.line, accepted);
        EXPECT_EQ(accepted, 1) << sample.why;
    }
}

TEST(Mutation, EveryByteAtEveryPositionOfEverySampleLine) {
    for (const Sample& sample : kSamples) {
        const std::string original = sample.line;
        const std::string next = kSamples[0].line;
        for (std::size_t pos = 0; pos < original.size(); ++pos) {
            for (int value = 0; value < 256; ++value) {
                std::string line = original;
                line[pos] = static_cast<char>(value);
                SCOPED_TRACE(std::string(sample.why) + ", byte " + std::to_string(pos) + " = " +
                             std::to_string(value));

                // The line parser alone, on a line that may hold any byte.
                int accepted = 0;
                ASSERT_NO_FATAL_FAILURE(ParseAlone(line, accepted));

                // The driver, with a good line after it to be joined with.
                const std::string listing = line + "\r\n" + next;
                const testsupport::HeapBytes listingCopy(listing);
                CFtpDirList list(kToday);
                list.AppendData(listingCopy.data(), listingCopy.size());
                ASSERT_LE(list.Finish().Size(), LineBound(listing));
            }
        }
    }
}

}  // namespace
