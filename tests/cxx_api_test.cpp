// The C++ API against the C ABI: the same entries, byte for byte, however
// the listing is cut into chunks; fixed "today", skipped lines, parser
// reuse, and parsers running on two threads at once.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <fstream>
#include <limits>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "ftpdirlist/ftpdirlist.h"
#include "ftpdirlist/ftpdirlist.hpp"
#include "api_chunks.h"
#include "skip_reason_cases.h"
#include "test_support.h"

namespace {

// These tests hold the C++ API to the C interface: the classic dialect.
ftpdir::Options Classic() {
    ftpdir::Options options;
    options.dialect = ftpdir::Dialect::classic;
    return options;
}

using namespace std::string_literals;

// What a host learns about one entry through the C ABI. `marker` is what
// GetFtpDirItem writes into an empty attribute buffer ("d", "l" or "").
struct HostRow {
    std::string name;
    std::string attributes;
    std::string marker;
    std::int64_t size = 0;
    std::optional<ftpdir::Date> date;
    std::optional<ftpdir::Time> time;

    bool operator==(const HostRow& o) const {
        return name == o.name && attributes == o.attributes && marker == o.marker &&
               size == o.size && date == o.date && time == o.time;
    }
};

void PrintTo(const HostRow& r, std::ostream* os) {
    *os << "{name \"" << r.name << "\", attributes \"" << r.attributes << "\", marker \""
        << r.marker << "\", size " << r.size;
    if (r.date) *os << ", date " << r.date->year << "-" << r.date->month << "-" << r.date->day;
    if (r.time) *os << ", time " << r.time->hour << ":" << r.time->minute;
    *os << "}";
}

// Parses through the C ABI from a heap copy of exactly the listing's length.
std::vector<HostRow> ParseWithCAbi(const std::string& listing) {
    // The library must not keep the host's bytes: InitExact releases them.
    const std::int32_t count = testsupport::InitExact(listing);

    std::vector<HostRow> rows;
    for (std::int32_t i = 0; i < count; ++i) {
        const testsupport::HostItem read = testsupport::ReadAsHost(i);
        const FtpDirItem& item = read.item;
        HostRow row;
        row.name = read.name;
        (item.attributesLength == 0 ? row.marker : row.attributes) = read.attributes;
        row.size = item.size;
        if (item.hasDate == 1) row.date = ftpdir::Date{item.year, item.month, item.day};
        if (item.hasTime == 1) row.time = ftpdir::Time{item.hour, item.minute};
        rows.push_back(row);
    }
    UnInitFtpDirList();
    return rows;
}

// The same view of the C++ API's entries.
std::vector<HostRow> AsHostRows(const std::vector<ftpdir::Entry>& entries) {
    std::vector<HostRow> rows;
    for (const ftpdir::Entry& e : entries) {
        HostRow row;
        row.name = e.name;
        row.attributes = e.attributes;
        if (e.attributes.empty()) row.marker = e.isLink ? "l" : e.isDir ? "d" : "";
        row.size = e.size;
        row.date = e.date;
        row.time = e.time;
        rows.push_back(row);
    }
    return rows;
}

using Outcome = testsupport::ApiOutcome;
using testsupport::EveryNBytes;
using testsupport::SameSkipped;

Outcome ParseInChunks(const std::string& listing, const std::vector<std::size_t>& cuts,
                      ftpdir::Options options = Classic()) {
    return testsupport::ParseInChunks(listing, cuts, options);
}

std::string ReadSample(const std::string& relative) {
    std::ifstream in(std::string(FTPDIRLIST_SOURCE_DIR) + "/" + relative, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    EXPECT_TRUE(in.good() || in.eof()) << relative;
    return text.str();
}

struct Listing {
    const char* label;
    std::string text;
};

std::vector<Listing> Listings() {
    std::vector<Listing> all = {
        {"unix", ReadSample("examples/unix.txt")},
        {"unix_cp1251", ReadSample("examples/unix-cp1251.txt")},
        {"dos", ReadSample("examples/dos.txt")},
        {"vms", ReadSample("examples/vms.txt")},
        {"mixed", ReadSample("examples/mixed.txt")},
        // Line ends of every kind, CR LF at chunk edges, no final line end.
        {"line_ends",
         "-rw-r--r-- 1 a b 10 Jan 1 2020 one\r"
         "-rw-r--r-- 1 a b 20 Jan 2 2020 two\n\r\n"
         "junk\n\n"
         "-rw-r--r-- 1 a b 30 Jan 3 2020 three"},
        // A VMS name on a line of its own, joined with the next line, and
        // versions collapsed.
        {"vms_wrapped",
         "LONG_FILE_NAME_ON_ITS_OWN_LINE.TXT;2\r\n"
         "        5  1-JAN-2020 10:00:00 [A] (RWED,,,)\r\n"
         "LONG_FILE_NAME_ON_ITS_OWN_LINE.TXT;1  4  1-JAN-2019 10:00:00 [A] (RWED,,,)\r\n"},
        // Entries that give a time: the year comes from the clock on both sides.
        {"timed", "-rw-r--r-- 1 a b 1 Jan 1 00:00 jan\r\ndrwxr-xr-x 1 a b 2 Dec 31 23:59 dec\r\n"},
        // A zero byte ends a line's text; spaces before it stay.
        {"zero_byte", "-rw-r--r-- 1 a b 7 Mar 3 2003 nul  \0tail\r\nx\r\n"s},
        {"empty", ""},
        {"only_line_ends", "\r\n\n\r  \r\n"},
    };
    return all;
}

void PrintTo(const Listing& listing, std::ostream* os) { *os << listing.label; }

std::vector<Listing> ShortListings() {
    std::vector<Listing> all = Listings();
    std::vector<Listing> picked;
    for (Listing& l : all) {
        if (l.text.size() <= 200) picked.push_back(std::move(l));
    }
    return picked;
}

std::string LabelOf(const ::testing::TestParamInfo<Listing>& info) { return info.param.label; }

class CxxMatchesCAbi : public ::testing::TestWithParam<Listing> {};
class CxxChunkPairs : public ::testing::TestWithParam<Listing> {};

TEST_P(CxxMatchesCAbi, OneShotParse) {
    const std::string& text = GetParam().text;
    EXPECT_EQ(AsHostRows(ftpdir::parse(text, Classic())), ParseWithCAbi(text));
}

TEST_P(CxxMatchesCAbi, EverySplitPointAndByteByByte) {
    const std::string& text = GetParam().text;
    const std::vector<HostRow> expected = ParseWithCAbi(text);
    const Outcome whole = ParseInChunks(text, {});
    ASSERT_EQ(AsHostRows(whole.entries), expected);

    std::vector<std::vector<std::size_t>> chunkings;
    for (std::size_t cut = 1; cut < text.size(); ++cut) chunkings.push_back({cut});
    for (std::size_t n : {1, 2, 3, 7, 64}) chunkings.push_back(EveryNBytes(text.size(), n));
    for (const auto& cuts : chunkings) {
        const Outcome got = ParseInChunks(text, cuts);
        ASSERT_EQ(got.entries, whole.entries)
            << "first cut at " << cuts.front() << " of " << cuts.size();
        ASSERT_TRUE(SameSkipped(got.skipped, whole.skipped))
            << "skipped lines differ; first cut at " << cuts.front();
    }
}

TEST_P(CxxChunkPairs, EveryPairOfSplitPoints) {
    const std::string& text = GetParam().text;
    const Outcome whole = ParseInChunks(text, {});
    for (std::size_t a = 1; a < text.size(); ++a) {
        for (std::size_t b = a; b < text.size(); ++b) {
            const Outcome got = ParseInChunks(text, {a, b});
            ASSERT_EQ(got.entries, whole.entries) << "cuts at " << a << " and " << b;
            ASSERT_TRUE(SameSkipped(got.skipped, whole.skipped)) << "cuts " << a << "," << b;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Listings, CxxMatchesCAbi, ::testing::ValuesIn(Listings()), LabelOf);
INSTANTIATE_TEST_SUITE_P(ShortListings, CxxChunkPairs, ::testing::ValuesIn(ShortListings()),
                         LabelOf);

TEST(CxxOptions, FixedTodayGivesTheYearOfTimedEntries) {
    struct Case {
        ftpdir::Date today;
        const char* line;
        std::int32_t year;
        const char* reason;
    } cases[] = {
        {{2024, 3, 10}, "-rw-r--r-- 1 a b 1 Mar 10 12:00 f", 2024, "today itself"},
        {{2024, 3, 10},
         "-rw-r--r-- 1 a b 1 Mar 11 12:00 f",
         2024,
         "one day ahead is still this year"},
        {{2024, 3, 10}, "-rw-r--r-- 1 a b 1 Mar 12 12:00 f", 2023, "two days ahead is last year"},
        {{2024, 1, 1}, "-rw-r--r-- 1 a b 1 Dec 31 23:59 f", 2023, "new year's day"},
        {{2024, 12, 31}, "-rw-r--r-- 1 a b 1 Jan 1 00:00 f", 2024, "new year's eve"},
        {{2024, 3, 10}, "-rw-r--r-- 1 a b 1 Dec 31 2019 f", 2019, "a year given stays"},
    };
    for (const Case& c : cases) {
        ftpdir::Options options = Classic();
        options.today = c.today;
        const auto entries = ftpdir::parse(c.line, options);
        ASSERT_EQ(entries.size(), 1u) << c.reason;
        ASSERT_TRUE(entries[0].date.has_value()) << c.reason;
        EXPECT_EQ(entries[0].date->year, c.year) << c.reason;
    }
}

// The classic dialect gives the numbers a line writes, as its header
// warns: no range of the calendar holds for them.
TEST(CxxClassic, DatesAndTimesAreTheNumbersTheLineWrites) {
    struct Case {
        const char* reason;
        const char* line;
        ftpdir::Date date;
        ftpdir::Time time;
    } const cases[] = {
        {"DOS: month and day 0", "0-0-0 10:30AM 1 f", {2000, 0, 0}, {10, 30}},
        {"Unix: day 99", "-rw-r--r-- 1 a b 1 Jan 99 1999 f", {1999, 1, 99}, {0, 0}},
        {"VMS: day 45, hour 99, minute -1",
         "A.TXT;1 3 45-JAN-2002 99:-1 [U] (R)",
         {2002, 1, 45},
         {99, -1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        const auto entries = ftpdir::parse(c.line, Classic());
        ASSERT_EQ(entries.size(), 1u);
        EXPECT_EQ(entries[0].date, c.date);
        EXPECT_EQ(entries[0].time.value_or(ftpdir::Time{}), c.time);
    }
}

TEST(CxxOptions, SkippedLinesCarryTheirNumbers) {
    struct Case {
        std::string listing;
        std::vector<std::pair<std::uint64_t, std::string>> skipped;
        const char* reason;
    } cases[] = {
        {"junk\r\n-rw-r--r-- 1 a b 1 Jan 1 2020 f\r\n", {{1, "junk"}}, "CR LF is one line end"},
        {"a\rb\rc\r", {{1, "a"}, {2, "b"}, {3, "c"}}, "a lone CR ends a line"},
        {"\n\r\n\rjunk  \n", {{4, "junk"}}, "empty lines count; outer spaces go"},
        {"  junk 2  \r\n", {{1, "junk 2"}}, "leading spaces go too"},
        {"total 5\n   \nLONG.TXT;1\n 3 1-JAN-2020 10:00:00 [A] (RWED,,,)\n",
         {{1, "total 5"}},
         "a line joined into an entry is not skipped"},
        {"-rw-r--r-- 1 a b 1 Jan 1 2020 f\nlast", {{2, "last"}}, "no final line end"},
        {"", {}, "empty listing"},
    };
    for (const ftpdir::Dialect dialect : {ftpdir::Dialect::classic, ftpdir::Dialect::extended}) {
        for (const Case& c : cases) {
            ftpdir::Options options;
            options.dialect = dialect;
            options.collectSkipped = true;
            ftpdir::Parser parser(options);
            parser.append(c.listing);
            parser.finish();
            std::vector<std::pair<std::uint64_t, std::string>> got;
            for (const auto& s : parser.skipped()) got.emplace_back(s.number, s.text);
            EXPECT_EQ(got, c.skipped)
                << c.reason << (dialect == ftpdir::Dialect::classic ? " (classic)" : " (extended)");
        }
    }
}

// Each reason comes from where the line is refused, and only that line is
// skipped; the classic dialect, which tells no reasons, gives the generic one
// to every line it skips (and still reports the "." and ".." it drops).
TEST(CxxOptions, SkippedLinesSayWhy) {
    for (const testsupport::SkipReasonCase& c : testsupport::kSkipReasonCases) {
        ftpdir::Options options;
        options.collectSkipped = true;
        ftpdir::Parser parser(options);
        parser.append(c.listing);
        EXPECT_EQ(parser.finish().size(), 1u) << c.name;
        ASSERT_EQ(parser.skipped().size(), 1u) << c.name;
        const ftpdir::SkippedLine& line = parser.skipped()[0];
        EXPECT_EQ(line.number, c.number) << c.name;
        EXPECT_EQ(line.text, c.text) << c.name;
        EXPECT_STREQ(ftpdir::skipReasonName(line.reason), c.name);

        options.dialect = ftpdir::Dialect::classic;
        ftpdir::Parser classic(options);
        classic.append(c.listing);
        classic.finish();
        for (const ftpdir::SkippedLine& s : classic.skipped()) {
            const bool dotRow = c.reason == ftpdir::SkipReason::dotEntry && s.number == c.number;
            EXPECT_EQ(s.reason,
                      dotRow ? ftpdir::SkipReason::dotEntry : ftpdir::SkipReason::notListingLine)
                << c.name << " (classic): " << s.text;
        }
    }
    EXPECT_STREQ(ftpdir::skipReasonName(static_cast<ftpdir::SkipReason>(200)),
                 "not-a-listing-line");
}

// "." and ".." are reported wherever they stand, in line order with the
// line held before them.
TEST(CxxOptions, DotEntriesAreSkippedWithTheirReason) {
    ftpdir::Options options;
    options.collectSkipped = true;
    ftpdir::Parser parser(options);
    parser.append(
        "junk\r\n"
        "drwxr-xr-x 2 a b 512 Jan  1  2020 .\r\n"
        "-rw-r--r-- 1 a b 5 Jan  1  2020 f\r\n"
        "drwxr-xr-x 9 a b 512 Jan  1  2020 ..\r\n");
    EXPECT_EQ(parser.finish().size(), 1u);
    const std::pair<std::uint64_t, ftpdir::SkipReason> expected[] = {
        {1, ftpdir::SkipReason::notListingLine},
        {2, ftpdir::SkipReason::dotEntry},
        {4, ftpdir::SkipReason::dotEntry},
    };
    ASSERT_EQ(parser.skipped().size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(parser.skipped()[i].number, expected[i].first) << "in line order";
        EXPECT_EQ(parser.skipped()[i].reason, expected[i].second) << i;
    }
}

TEST(CxxParser, SkippedStaysEmptyUnlessAskedFor) {
    ftpdir::Parser parser(Classic());
    parser.append("junk\r\nmore junk\r\n");
    parser.finish();
    EXPECT_TRUE(parser.skipped().empty());
}

TEST(CxxParser, FinishStartsAFreshListing) {
    ftpdir::Options options = Classic();
    options.collectSkipped = true;
    ftpdir::Parser parser(options);
    // A VMS-style entry, then an unfinished line: neither the style, nor the
    // kept bytes, nor the line count may reach the next listing.
    parser.append("A.TXT;1  3  1-JAN-2020 10:00:00 [A] (RWED,,,)\r\n-rw-r--r-- 1 a b 1 Jan");
    ASSERT_EQ(parser.finish().size(), 1u);
    ASSERT_EQ(parser.skipped().size(), 1u);
    EXPECT_EQ(parser.skipped()[0].number, 2u);

    parser.append(" 1 2020 f\r\n-rw-r--r-- 1 a b 5 Jan 1 2020 g\r\n");
    const auto entries = parser.finish();
    ASSERT_EQ(entries.size(), 1u) << "a VMS-style listing would drop names without a version";
    EXPECT_EQ(entries[0].name, "g");
    ASSERT_EQ(parser.skipped().size(), 1u);
    EXPECT_EQ(parser.skipped()[0].number, 1u) << "line numbers start again";
    EXPECT_EQ(parser.skipped()[0].text, "1 2020 f") << "the kept line was dropped";
}

// The entries handed out early own their texts: they stay readable while
// the parser goes on and after it is gone; finish() gives only the rest,
// and a finished listing hands out nothing more.
TEST(CxxParser, TakenEntriesOutliveTheParser) {
    const std::string unix1 = "-rw-r--r-- 1 a b 5 Jan  1 12:00 first\r\n";
    ftpdir::Listing early;
    ftpdir::Listing rest;
    {
        ftpdir::Parser parser;
        parser.append(unix1 + "-rw-r--r-- 1 a b 6 Jan  1 12:00 sec");
        early = parser.takeReady();
        EXPECT_TRUE(parser.takeReady().empty());
        parser.append("ond\r\n" + unix1);
        rest = parser.finish();
        EXPECT_TRUE(parser.takeReady().empty());
    }
    ASSERT_EQ(early.size(), 1u);
    EXPECT_EQ(early[0].name, "first");
    ASSERT_EQ(rest.size(), 2u);
    EXPECT_EQ(rest[0].name, "second");
    EXPECT_EQ(rest[1].name, "first");

    ftpdir::Parser classic(Classic());
    classic.append(unix1);
    EXPECT_TRUE(classic.takeReady().empty());
    EXPECT_EQ(classic.finish().size(), 1u);
}

TEST(CxxParser, MovedParserGoesOn) {
    const std::string text = ReadSample("examples/dos.txt");
    ftpdir::Parser first;
    first.append(std::string_view(text).substr(0, text.size() / 2));
    ftpdir::Parser second = std::move(first);
    second.append(std::string_view(text).substr(text.size() / 2));
    EXPECT_EQ(second.finish(), ftpdir::parse(text));
}

// A moved-from parser: safe to destroy, to assign to, and to use, where it
// starts a new listing with the options it had.
TEST(CxxParser, MovedFromParserKeepsItsOptions) {
    const std::string text = "junk\r\n" + ReadSample("examples/unix.txt");
    ftpdir::Options options = Classic();
    options.collectSkipped = true;
    options.today = ftpdir::Date{2001, 2, 3};
    ftpdir::Parser first(options);
    first.append("junk\r\nmore junk\r\n");  // the first is skipped, the second kept to join
    ftpdir::Parser second = std::move(first);
    EXPECT_TRUE(first.skipped().empty());
    first.append(text);
    EXPECT_EQ(first.finish(), ftpdir::parse(text, options)) << "the dialect and today stayed";
    ftpdir::Parser fresh(options);
    fresh.append(text);
    fresh.finish();
    EXPECT_EQ(first.skipped().size(), fresh.skipped().size()) << "and so did collectSkipped";
    EXPECT_FALSE(first.skipped().empty());
    EXPECT_EQ(second.skipped().size(), 1u) << "the skipped line moved along";

    ftpdir::Parser third = std::move(second);
    EXPECT_EQ(second.finish(), std::vector<ftpdir::Entry>{}) << "finish alone: an empty listing";
    ftpdir::Parser extended;
    extended = std::move(third);  // takes third's options as well
    extended.append(text);
    EXPECT_EQ(extended.finish(), ftpdir::parse(text, options));
    second = std::move(first);  // assigned after use
    second.append(text);
    EXPECT_EQ(second.finish(), ftpdir::parse(text, options));
    ftpdir::Parser destroyed = std::move(second);
}  // `second` is destroyed moved-from

// skipped() reads what append() has decided: asking twice, or not at all
// until finish(), gives the same lines.
TEST(CxxParser, SkippedIsAPlainAccessor) {
    ftpdir::Options options = Classic();
    options.collectSkipped = true;
    ftpdir::Parser asking(options);
    ftpdir::Parser quiet(options);
    const std::string chunks[] = {"junk\r\n", "-rw-r--r-- 1 a b 1 Jan 1 2020 f\r\nmore ", "junk"};
    std::size_t seen = 0;
    for (const std::string& chunk : chunks) {
        asking.append(chunk);
        quiet.append(chunk);
        const ftpdir::Parser& view = asking;
        EXPECT_GE(view.skipped().size(), seen);
        seen = view.skipped().size();
        EXPECT_EQ(view.skipped().size(), seen) << "reading twice changes nothing";
    }
    EXPECT_EQ(seen, 1u) << "the unfinished line is not decided yet";
    asking.finish();
    quiet.finish();
    ASSERT_EQ(asking.skipped().size(), 2u);
    ASSERT_EQ(quiet.skipped().size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(asking.skipped()[i].number, quiet.skipped()[i].number);
        EXPECT_EQ(asking.skipped()[i].text, quiet.skipped()[i].text);
    }
}

// Any value of Options::today is safe (the sanitizer build watches the
// date arithmetic) and is clamped to the documented range.
TEST(CxxOptions, ExtremeTodaysAreClamped) {
    constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    struct Case {
        const char* reason;
        ftpdir::Date today;
        std::int32_t year;  // of a January entry with a time
    } cases[] = {
        {"the lowest year", {kMin, 6, 15}, ftpdir::kTodayYearMin},
        {"year 0", {0, 6, 15}, ftpdir::kTodayYearMin},
        {"the highest year", {kMax, 6, 15}, ftpdir::kTodayYearMax},
        {"beyond the range", {10000, 6, 15}, ftpdir::kTodayYearMax},
        {"the range's ends are kept", {ftpdir::kTodayYearMax, 6, 15}, ftpdir::kTodayYearMax},
        {"month and day far below: 1 January, the 15th is ahead", {2024, kMin, kMin}, 2023},
        {"month and day far above: 31 December", {2024, kMax, kMax}, 2024},
        {"month 13 counts as December", {2024, 13, 1}, 2024},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        ftpdir::Options options = Classic();
        options.today = c.today;
        options.dialect = ftpdir::Dialect::classic;
        const auto entries = ftpdir::parse("-rw-r--r-- 1 a b 1 Jan 15 10:30 f\r\n", options);
        ASSERT_EQ(entries.size(), 1u);
        ASSERT_TRUE(entries[0].date.has_value());
        EXPECT_EQ(entries[0].date->year, c.year);
    }
}

// A date without a year resolves within the years today is clamped to, in
// both dialects, even when the nearest (extended) or last year (classic)
// lies outside them.
TEST(CxxOptions, YearlessDatesStayWithinTheTodayRange) {
    constexpr ftpdir::Dialect kExt = ftpdir::Dialect::extended;
    constexpr ftpdir::Dialect kCls = ftpdir::Dialect::classic;
    struct Case {
        ftpdir::Dialect dialect;
        ftpdir::Date today;
        const char* date;  // month, day and time of a Unix line
        ftpdir::Date expected;
        const char* reason;
    } cases[] = {
        {kExt, {1, 1, 1}, "Dec 31 10:00", {1, 12, 31}, "year 0 would be nearest"},
        {kExt, {9999, 12, 31}, "Jan  1 10:00", {9999, 1, 1}, "year 10000 would be nearest"},
        {kExt, {1, 1, 1}, "Feb 29 10:00", {4, 2, 29}, "29 February: no leap year before 4"},
        {kExt, {9999, 12, 31}, "Feb 29 10:00", {9996, 2, 29}, "29 February: the last leap year"},
        {kExt, {2101, 3, 1}, "Feb 29 10:00", {2096, 2, 29}, "29 February: back to a leap year"},
        {kExt, {2, 1, 1}, "Dec 31 10:00", {1, 12, 31}, "inside the range nothing moves"},
        {kCls, {1, 1, 1}, "Dec 31 10:00", {1, 12, 31}, "last year would be year 0"},
        {kCls, {9999, 12, 31}, "Jan  1 10:00", {9999, 1, 1}, "the highest year stays this year"},
        {kCls, {2, 1, 1}, "Dec 31 10:00", {1, 12, 31}, "year 2 still goes back"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        ftpdir::Options options;
        options.dialect = c.dialect;
        options.today = c.today;
        const auto entries =
            ftpdir::parse(std::string("-rw-r--r-- 1 a b 1 ") + c.date + " f\r\n", options);
        ASSERT_EQ(entries.size(), 1u);
        ASSERT_TRUE(entries[0].date.has_value());
        EXPECT_EQ(*entries[0].date, c.expected);
    }
}

// The code page a listing's month names reveal, beyond the single-byte ones
// that ftpls converts (its tests cover those and the chunking).
TEST(CxxMonthCodePage, MonthNamesOfEveryCodePage) {
    struct Case {
        const char* listing;
        ftpdir::CodePage page;
        const char* reason;
    } cases[] = {
        {"-rw-r--r-- 1 a b 9 f\xc3\xa9vr. 3 2022 x\n", ftpdir::CodePage::utf8, "UTF-8"},
        {"-rw-r--r-- 1 a b 9 12\x8c\x8e  8 19:57 x\n", ftpdir::CodePage::shiftJis, "Shift_JIS"},
        {"-rw-r--r-- 1 a b 9 12\xbf\xf9  8 19:57 x\n", ftpdir::CodePage::eucKr, "EUC-KR"},
        {"-rw-r--r-- 1 a b 9 Jan 12 2021 x\n", ftpdir::CodePage::unknown, "ASCII reveals none"},
        {"12 15 2021 \xe9t\xe9\n", ftpdir::CodePage::unknown, "numbers are no evidence"},
        {"\xff\xed\xe2 M\xe4r\n", ftpdir::CodePage::cp1251, "a tie: the first in order"},
        {"\xfano\tpa\x9f\r\n\xfano", ftpdir::CodePage::iso8859_2, "tabs and line ends part"},
    };
    for (const Case& c : cases) {
        ftpdir::MonthCodePage pages;
        const testsupport::HeapBytes bytes(c.listing);
        pages.append(bytes.view());
        EXPECT_EQ(pages.finish(), c.page) << c.reason;
    }
    EXPECT_STREQ(ftpdir::codePageName(ftpdir::CodePage::koi8r), "KOI8-R");
    EXPECT_STREQ(ftpdir::codePageName(static_cast<ftpdir::CodePage>(200)), "unknown");
}

// The calendar helpers the C++ API offers hosts.
TEST(CxxCalendar, LeapYearsAndMonthLengths) {
    struct Case {
        std::int32_t year;
        std::int32_t month;
        int days;
    } cases[] = {
        {2024, 2, 29},  {2023, 2, 28}, {1900, 2, 28}, {2000, 2, 29}, {2023, 4, 30},
        {2023, 12, 31}, {2023, 0, 0},  {2023, 13, 0}, {-4, 2, 29},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ftpdir::daysInMonth(c.year, c.month), c.days) << c.year << "-" << c.month;
        if (c.month == 2) {
            EXPECT_EQ(ftpdir::isLeapYear(c.year), c.days == 29) << c.year;
        }
    }
}

// Two parsers at once on different threads, one with a fixed today, one on
// the clock and collecting skipped lines: nothing may be shared between them
// (the C ABI's module state included).
TEST(CxxThreads, TwoListingsAtOnce) {
    const std::string unix = ReadSample("examples/unix.txt");
    const std::string mixed = ReadSample("examples/mixed.txt");
    ftpdir::Options fixed = Classic();
    fixed.today = ftpdir::Date{2024, 6, 15};
    const auto unixExpected = ftpdir::parse(unix, fixed);
    const auto mixedExpected = ParseInChunks(mixed, {});

    std::atomic<int> failures{0};
    auto unixWorker = [&] {
        for (std::size_t n = 1; n <= 96; ++n) {
            if (ParseInChunks(unix, EveryNBytes(unix.size(), n), fixed).entries != unixExpected)
                ++failures;
        }
    };
    auto mixedWorker = [&] {
        for (std::size_t n = 1; n <= 96; ++n) {
            const Outcome got = ParseInChunks(mixed, EveryNBytes(mixed.size(), n));
            if (got.entries != mixedExpected.entries ||
                !SameSkipped(got.skipped, mixedExpected.skipped))
                ++failures;
        }
    };
    std::thread a(unixWorker);
    std::thread b(mixedWorker);
    a.join();
    b.join();
    EXPECT_EQ(failures.load(), 0);
}

}  // namespace
