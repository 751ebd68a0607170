// Hostile and huge listings: one line of 64 MiB, millions of empty lines,
// a million versions of one VMS file, bytes that are no text, digit runs of
// thousands of bytes in every numeric field. Bounds on time are generous:
// they catch work that grows with the square of the input, nothing finer
// (the speed itself is measured in bench/).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "ftpdirlist/ftpdirlist.h"
#include "ftpdirlist/ftpdirlist.hpp"
#include "test_support.h"

namespace {

using testsupport::HeapBytes;
using testsupport::InitExact;

constexpr std::int64_t kInt64Max = std::numeric_limits<std::int64_t>::max();
constexpr std::int32_t kInt32Max = std::numeric_limits<std::int32_t>::max();
constexpr double kQuadraticBoundSeconds = 60.0;

ftpdir::Options FixedToday() {
    ftpdir::Options options;
    options.dialect = ftpdir::Dialect::classic;
    const ftpdirlist::LocalDate today = testsupport::kExamplesToday;
    options.today = ftpdir::Date{today.year, today.month, today.day};
    return options;
}

// Parses an exact-size heap copy of `listing`.
std::vector<ftpdir::Entry> Parse(const std::string& listing) {
    const HeapBytes copy(listing);
    return ftpdir::parse(copy.view(), FixedToday());
}

// The same through the streaming API in chunks of `chunk` bytes, each in a
// buffer of its own that is released right after the call.
std::vector<ftpdir::Entry> ParseInChunks(std::string_view listing, std::size_t chunk,
                                         ftpdir::Parser& parser) {
    for (std::size_t at = 0; at < listing.size(); at += chunk) {
        const std::size_t n = std::min(chunk, listing.size() - at);
        const HeapBytes copy(listing.substr(at, n));
        parser.append(copy.view());
    }
    return parser.finish();
}
std::vector<ftpdir::Entry> ParseInChunks(const std::string& listing, std::size_t chunk,
                                         ftpdir::Options options = FixedToday()) {
    ftpdir::Parser parser(options);
    return ParseInChunks(listing, chunk, parser);
}

// A literal's bytes, zero bytes inside included.
template <std::size_t N>
std::string Bytes(const char (&text)[N]) {
    return std::string(text, N - 1);
}

template <typename F>
double Seconds(F&& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

TEST(HostileInput, OneLineOf64MiBWithoutLineEnd) {
    const std::string head = "-rw-r--r--   1 owner group 5 Jan 15  2002 ";
    std::string listing = head;
    listing.resize(std::size_t{64} << 20, 'n');
    const std::size_t nameLength = listing.size() - head.size();

    ASSERT_EQ(InitExact(listing), 1);
    const testsupport::HostItem read = testsupport::ReadAsHost(0);
    ASSERT_EQ(read.item.nameLength, static_cast<std::int32_t>(nameLength));
    EXPECT_EQ(read.name, listing.substr(head.size()));
    EXPECT_EQ(read.item.size, 5);
    UnInitFtpDirList();

    ftpdir::Options unlimited = FixedToday();
    unlimited.maxLineLength = 0;
    const auto chunked = ParseInChunks(listing, std::size_t{1} << 20, unlimited);
    ASSERT_EQ(chunked.size(), 1u);
    EXPECT_EQ(chunked[0].name.size(), nameLength);

    // One token of 64 MiB is no entry of any style.
    const std::string token(std::size_t{64} << 20, '7');
    EXPECT_EQ(InitExact(token), 0);
    EXPECT_TRUE(Parse(token).empty());
}

TEST(HostileInput, TenMillionLineEndsAndNothingElse) {
    std::string listing;
    listing.reserve(20'000'000);
    for (int i = 0; i < 10'000'000; ++i) listing += "\r\n";
    EXPECT_EQ(InitExact(listing), 0);
    ftpdir::Options options = FixedToday();
    options.collectSkipped = true;
    ftpdir::Parser parser(options);
    parser.append(listing);
    EXPECT_TRUE(parser.finish().empty());
    EXPECT_TRUE(parser.skipped().empty());  // empty lines are not lines that failed
    EXPECT_TRUE(ParseInChunks(listing, 4093).empty());
}

TEST(HostileInput, MillionVersionsOfOneVmsFileRisingAndFalling) {
    // Versions 1..500000, then 499999 down to 0. The entry keeps the values
    // of the line with the highest version, and its place.
    constexpr int kPeak = 500'000;
    std::vector<int> versions;
    for (int v = 1; v <= kPeak; ++v) versions.push_back(v);
    for (int v = kPeak - 1; v >= 0; --v) versions.push_back(v);
    std::string listing = "Directory DISK$USERS:[ANNA]\r\n\r\n";
    for (int v : versions) {
        listing += "DATA.LOG;" + std::to_string(v) + "  3  " + std::to_string(v % 28 + 1) +
                   "-JAN-2002 " + std::to_string(v % 24) + ":" + std::to_string(v % 60) +
                   ":00  [ANNA]  (RWED,RWED,RE,)\r\n";
    }
    listing += "\r\nTotal of 1000000 files.\r\n";

    std::vector<ftpdir::Entry> entries;
    const double seconds = Seconds([&] { entries = Parse(listing); });
    EXPECT_LT(seconds, kQuadraticBoundSeconds);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, "DATA.LOG");
    EXPECT_EQ(entries[0].size, -2);
    ASSERT_TRUE(entries[0].date && entries[0].time);
    EXPECT_EQ(entries[0].date->day, kPeak % 28 + 1);
    EXPECT_EQ(entries[0].time->hour, kPeak % 24);
    EXPECT_EQ(entries[0].time->minute, kPeak % 60);
    EXPECT_EQ(InitExact(listing), 1);
    UnInitFtpDirList();
}

// A reader that searched for LF anew from each line of a CR-only listing
// would read the whole rest of the listing per line.
TEST(HostileInput, ManyLinesWithOneKindOfLineEnd) {
    constexpr int kLines = 500'000;
    for (const char* end : {"\r", "\n", "\n\r"}) {
        SCOPED_TRACE(end[0] == '\r' ? "CR only" : end[1] == '\0' ? "LF only" : "LF CR");
        std::string listing;
        for (int i = 0; i < kLines; ++i)
            listing += "01-15-02  10:30AM   12 file" + std::to_string(i) + end;
        std::vector<ftpdir::Entry> entries;
        const double seconds = Seconds([&] { entries = Parse(listing); });
        EXPECT_LT(seconds, kQuadraticBoundSeconds);
        ASSERT_EQ(entries.size(), static_cast<std::size_t>(kLines));
        EXPECT_EQ(entries.back().name, "file" + std::to_string(kLines - 1));
        EXPECT_LT(Seconds([&] { entries = ParseInChunks(listing, 65536); }),
                  kQuadraticBoundSeconds);
        EXPECT_EQ(entries.size(), static_cast<std::size_t>(kLines));
    }
}

TEST(HostileInput, BytesThatAreNoText) {
    struct Case {
        const char* why;
        std::string line;
        std::size_t count;
        std::string name;
        std::int32_t month;
    };
    const Case cases[] = {
        {"high bytes in a name are kept as they are",
         Bytes("-rw-r--r-- 1 o g 5 Jan 15 2002 \x80\xFF\xE4\x9F"), 1, "\x80\xFF\xE4\x9F", 1},
        {"a zero byte ends the line's text", Bytes("-rw-r--r-- 1 o g 5 Jan 15 2002 ab\0cd"), 1,
         "ab", 1},
        {"a zero byte before the name leaves no entry", Bytes("-rw-r--r-- 1 o g 5 Jan\0 15 2002 x"),
         0, "", 0},
        // янв and ЯНВ in Windows-1251.
        {"lower-case Windows-1251 month key", "-rw-r--r-- 1 o g 5 \xFF\xED\xE2 15 2002 x", 1, "x",
         1},
        {"upper-case Windows-1251 letters are not folded",
         "-rw-r--r-- 1 o g 5 \xDF\xCD\xC2 15 2002 x", 0, "", 0},
        {"a high byte in a DOS month counts below zero and passes the upper limit",
         "0\x80-15-02  10:30AM  12 x", 1, "x", -176},
        // ÄÖÜ in Windows-1252.
        {"a VMS name of high bytes", "\xC4\xD6\xDC;2 1 12-JAN-2002 10:30:45 [A] (R)", 1,
         "\xC4\xD6\xDC", 1},
        {"only zero bytes", std::string(4096, '\0'), 0, "", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        const auto entries = Parse(c.line);
        ASSERT_EQ(entries.size(), c.count);
        if (c.count == 1) {
            EXPECT_EQ(entries[0].name, c.name);
            ASSERT_TRUE(entries[0].date);
            EXPECT_EQ(entries[0].date->month, c.month);
        }
    }

    // Zero, high bytes, spaces and line ends everywhere: no style's marker
    // (mode letter, ";", ":") is among them, so nothing is an entry.
    std::mt19937 random(7);
    std::string soup(std::size_t{4} << 20, '\0');
    for (char& ch : soup) {
        const unsigned pick = random() % 132;
        ch = pick < 128 ? static_cast<char>(0x80 + pick) : "\0 \r\n"[pick - 128];
    }
    EXPECT_EQ(InitExact(soup), 0);
    EXPECT_TRUE(ParseInChunks(soup, 777).empty());
}

TEST(HostileInput, DigitRunsOfThousandsOfBytesInEveryNumericField) {
    const std::string nines(5000, '9');
    const std::string zeros(5000, '0');
    using Get = std::int64_t (*)(const ftpdir::Entry&);
    const Get size = [](const ftpdir::Entry& e) { return e.size; };
    const Get day = [](const ftpdir::Entry& e) -> std::int64_t { return e.date->day; };
    const Get month = [](const ftpdir::Entry& e) -> std::int64_t { return e.date->month; };
    const Get year = [](const ftpdir::Entry& e) -> std::int64_t { return e.date->year; };
    const Get hour = [](const ftpdir::Entry& e) -> std::int64_t { return e.time->hour; };
    const Get minute = [](const ftpdir::Entry& e) -> std::int64_t { return e.time->minute; };
    const std::string vmsTail = "  [ANNA]  (RWED,RWED,RE,)";
    struct Case {
        const char* why;
        std::string listing;
        std::size_t count;
        Get get;
        std::int64_t value;
    };
    const Case cases[] = {
        {"Unix size saturates", "-rw-r--r-- 1 o g " + nines + " Jan 15 2002 n", 1, size, kInt64Max},
        {"Unix size after leading zeros", "-rw-r--r-- 1 o g " + zeros + "42 Jan 15 2002 n", 1, size,
         42},
        {"Unix link count is not read", "-rw-r--r-- " + nines + " o g 5 Jan 15 2002 n", 1, size, 5},
        {"Unix day saturates", "-rw-r--r-- 1 o g 5 Jan " + nines + " 2002 n", 1, day, kInt32Max},
        {"Unix day of zeros is no day", "-rw-r--r-- 1 o g 5 Jan " + zeros + " 2002 n", 0, size, 0},
        {"Unix year saturates", "-rw-r--r-- 1 o g 5 Jan 15 " + nines + " n", 1, year, kInt32Max},
        {"Unix year after leading zeros", "-rw-r--r-- 1 o g 5 Jan 15 " + zeros + "2002 n", 1, year,
         2002},
        {"Unix hour saturates", "-rw-r--r-- 1 o g 5 Jan 15 " + nines + ":30 n", 1, hour, kInt32Max},
        {"Unix minute saturates", "-rw-r--r-- 1 o g 5 Jan 15 12:" + nines + " n", 1, minute,
         kInt32Max},
        {"timed Unix entry with a huge day lies in last year",
         "-rw-r--r-- 1 o g 5 Dec " + nines + " 12:30 n", 1, year, 2023},
        {"VMS version saturates and stays the highest",
         "A.TXT;" + nines + " 1 3-JAN-2002 10:30:45" + vmsTail +
             "\r\nA.TXT;5 1 4-JAN-2002 10:30:45" + vmsTail,
         1, day, 3},
        {"VMS version after leading zeros is compared by value",
         "A.TXT;" + zeros + "7 1 3-JAN-2002 10:30:45" + vmsTail +
             "\r\nA.TXT;6 1 4-JAN-2002 10:30:45" + vmsTail,
         1, day, 3},
        {"VMS block count is not read", "A.TXT;1 " + nines + " 3-JAN-2002 10:30:45" + vmsTail, 1,
         size, -2},
        {"VMS day saturates", "A.TXT;1 1 " + nines + "-JAN-2002 10:30:45" + vmsTail, 1, day,
         kInt32Max},
        {"VMS year saturates", "A.TXT;1 1 3-JAN-" + nines + " 10:30:45" + vmsTail, 1, year,
         kInt32Max},
        {"VMS hour saturates", "A.TXT;1 1 3-JAN-2002 " + nines + ":30:45" + vmsTail, 1, hour,
         kInt32Max},
        {"VMS minute saturates", "A.TXT;1 1 3-JAN-2002 10:" + nines + vmsTail, 1, minute,
         kInt32Max},
        {"DOS month passes 12", nines + "-15-02  10:30AM  12 n", 0, size, 0},
        {"DOS month after leading zeros", zeros + "1-15-02  10:30AM  12 n", 1, month, 1},
        {"DOS day passes 31", "01-" + nines + "-02  10:30AM  12 n", 0, size, 0},
        {"DOS day after leading zeros", "01-" + zeros + "15-02  10:30AM  12 n", 1, day, 15},
        {"DOS year passes 3000", "01-15-" + nines + "  10:30AM  12 n", 0, size, 0},
        {"DOS year after leading zeros is widened", "01-15-" + zeros + "2  10:30AM  12 n", 1, year,
         2002},
        {"DOS hour passes 12", "01-15-02  " + nines + ":30AM  12 n", 0, size, 0},
        {"DOS hour after leading zeros", "01-15-02  " + zeros + "10:30AM  12 n", 1, hour, 10},
        {"DOS minute passes 59", "01-15-02  10:" + nines + "AM  12 n", 0, size, 0},
        {"DOS minute after leading zeros", "01-15-02  10:" + zeros + "30PM  12 n", 1, minute, 30},
        {"DOS size saturates", "01-15-02  10:30AM  " + nines + " n", 1, size, kInt64Max},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        const auto entries = Parse(c.listing);
        ASSERT_EQ(entries.size(), c.count);
        if (c.count == 1) {
            ASSERT_TRUE(entries[0].date && ((c.get != hour && c.get != minute) || entries[0].time));
            EXPECT_EQ(c.get(entries[0]), c.value);
        }
    }
}

}  // namespace

// A line over Options::maxLineLength is a skipped line cut at the limit,
// whole or in chunks of any size, in both dialects; the line end does not
// count, and neither do the spaces that open a classic line.
TEST(LineLimit, LongerLinesAreSkippedCut) {
    const std::string entry = "-rw-r--r-- 1 a b 5 Jan  1 12:00 one";  // 35 bytes
    const std::string held = "A_LONG_NAME.TXT;3";
    using Skip = std::pair<std::uint64_t, std::string>;  // number, text; reason lineTooLong
    struct Case {
        std::string listing;
        std::size_t limit;
        std::size_t entries;
        std::vector<Skip> skipped;
        bool classicOnly;  // false: both dialects
        const char* reason;
    };
    const std::string two = entry + "\r\n" + entry + "\n";
    const std::string cut = entry.substr(0, 34);
    const std::string spaces(100, ' ');
    const Case cases[] = {
        {two, 35, 2, {}, false, "exactly at the limit"},
        {two, 34, 0, {{1, cut}, {2, cut}}, false, "one byte over"},
        {entry + "\r\n" + entry, 34, 0, {{1, cut}, {2, cut}}, false, "the last line unended"},
        {entry + spaces + "\n" + entry + "\n", 40, 1, {{1, entry}}, false, "cut, then trimmed"},
        {entry + "xxxxxxxx\n" + entry + "\n", 40, 1, {{1, entry + "xxxxx"}}, false, "next line"},
        {held + "\n" + entry + "xx\n" + entry + "\n",
         35,
         1,
         {{1, held}, {2, entry}},
         false,
         "a held line goes first and is not joined"},
        {"     " + entry + "\n", 35, 1, {}, true, "leading spaces are separators in classic"},
        {spaces + "\r\n" + entry + "\n", 35, 1, {}, false, "a line of spaces only is no line"},
        {entry + spaces + "x\n", 0, 0, {}, false, "0: no limit"},
    };
    for (const Case& c : cases) {
        for (const ftpdir::Dialect dialect :
             {ftpdir::Dialect::classic, ftpdir::Dialect::extended}) {
            if (c.classicOnly && dialect == ftpdir::Dialect::extended) continue;
            for (const std::size_t chunk : {c.listing.size(), std::size_t{1}, std::size_t{7}}) {
                ftpdir::Options options = FixedToday();
                options.dialect = dialect;
                options.collectSkipped = true;
                options.maxLineLength = c.limit;
                ftpdir::Parser parser(options);
                const std::vector<ftpdir::Entry> entries = ParseInChunks(c.listing, chunk, parser);
                const std::string label = std::string(c.reason) + ", chunk " +
                                          std::to_string(chunk) +
                                          (dialect == ftpdir::Dialect::classic ? ", classic" : "");
                if (c.limit == 0) {
                    // The long line is no entry but no line over a limit either.
                    for (const ftpdir::SkippedLine& s : parser.skipped()) {
                        EXPECT_NE(s.reason, ftpdir::SkipReason::lineTooLong) << label;
                    }
                    continue;
                }
                EXPECT_EQ(entries.size(), c.entries) << label;
                std::vector<Skip> got;
                for (const ftpdir::SkippedLine& s : parser.skipped()) {
                    got.emplace_back(s.number, s.text);
                    const bool tooLong = s.number != 1 || s.text != held;
                    EXPECT_EQ(s.reason == ftpdir::SkipReason::lineTooLong, tooLong) << label;
                }
                EXPECT_EQ(got, c.skipped) << label;
            }
        }
    }
    EXPECT_STREQ(ftpdir::skipReasonName(ftpdir::SkipReason::lineTooLong), "line-too-long");
}

// A line that never ends, fed in 64 KiB chunks, is kept no further than
// the default limit: what is reported of it is its first MiB.
TEST(LineLimit, NeverEndingLineKeepsItsFirstMiB) {
    const std::string chunk(std::size_t{64} << 10, 'n');
    for (const ftpdir::Dialect dialect : {ftpdir::Dialect::classic, ftpdir::Dialect::extended}) {
        ftpdir::Options options = FixedToday();
        options.dialect = dialect;
        options.collectSkipped = true;
        ftpdir::Parser parser(options);
        for (int i = 0; i < 1024; ++i) parser.append(chunk);  // 64 MiB
        parser.append("\n" + std::string(100, 'y'));
        EXPECT_TRUE(parser.finish().empty());
        ASSERT_EQ(parser.skipped().size(), 2u);
        EXPECT_EQ(parser.skipped()[0].reason, ftpdir::SkipReason::lineTooLong);
        EXPECT_EQ(parser.skipped()[0].text, std::string(std::size_t{1} << 20, 'n'));
        EXPECT_EQ(parser.skipped()[1].reason, ftpdir::SkipReason::notListingLine);
        EXPECT_EQ(parser.skipped()[1].number, 2u);
    }
}
