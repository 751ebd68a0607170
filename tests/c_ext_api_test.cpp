// The extended C API through its shared library: every example listing gives
// the C++ API's entries and skipped lines field for field, in both dialects
// and in chunks of any size; bad arguments are refused without a crash;
// options, versioned records and the reuse of a handle behave as the header
// says.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "api_chunks.h"
#include "core_helpers.h"
#include "skip_reason_cases.h"
#include "ftpdirlist/ftpdirlist.hpp"
#include "ftpdirlist/ftpdirlist_ext.h"

namespace {

struct ParserFree {
    void operator()(ftpdir_parser* p) const { ftpdir_parser_free(p); }
};
using Handle = std::unique_ptr<ftpdir_parser, ParserFree>;

Handle NewParser() {
    ftpdir_parser* p = nullptr;
    EXPECT_EQ(ftpdir_parser_new(&p), FTPDIR_OK);
    return Handle(p);
}

// A record as the C++ API's entry, so that the two compare with ==.
ftpdir::Entry ToEntry(const ftpdir_entry& r) {
    ftpdir::Entry e;
    e.name.assign(r.name, r.name_length);
    e.attributes.assign(r.attributes, r.attributes_length);
    e.target.assign(r.target, r.target_length);
    e.owner.assign(r.owner, r.owner_length);
    e.group.assign(r.group, r.group_length);
    e.size = r.size;
    e.isDir = r.is_dir != 0;
    e.isLink = r.is_link != 0;
    if (r.has_date) e.date = ftpdir::Date{r.year, r.month, r.day};
    if (r.has_time) {
        e.time = ftpdir::Time{r.hour, r.minute};
        if (r.second >= 0) e.time->second = r.second;
    }
    e.utc = r.utc != 0;
    e.facts.assign(r.facts, r.facts_length);
    e.format = static_cast<ftpdir::Format>(r.format);
    return e;
}

// Every text of the record is zero-ended and the format name agrees.
void ExpectWellFormed(const ftpdir_entry& r) {
    EXPECT_EQ(r.name[r.name_length], '\0');
    EXPECT_EQ(r.attributes[r.attributes_length], '\0');
    EXPECT_EQ(r.target[r.target_length], '\0');
    EXPECT_EQ(r.owner[r.owner_length], '\0');
    EXPECT_EQ(r.group[r.group_length], '\0');
    EXPECT_STREQ(r.format_name, ftpdir_format_name(r.format));
    if (!r.has_time) {
        EXPECT_EQ(r.second, -1);
    }
}

// The results of the last finished listing, read through the C API.
testsupport::ApiOutcome Results(const ftpdir_parser* p) {
    testsupport::ApiOutcome out;
    for (std::size_t i = 0; i < ftpdir_entry_count(p); ++i) {
        ftpdir_entry r;
        EXPECT_EQ(ftpdir_entry_get(p, i, &r, sizeof r), FTPDIR_OK);
        ExpectWellFormed(r);
        out.entries.push_back(ToEntry(r));
    }
    for (std::size_t i = 0; i < ftpdir_skipped_count(p); ++i) {
        std::uint64_t number = 0;
        const char* text = nullptr;
        std::size_t length = 0;
        EXPECT_EQ(ftpdir_skipped_get(p, i, &number, &text, &length), FTPDIR_OK);
        out.skipped.push_back({number, std::string(text, length),
                               static_cast<ftpdir::SkipReason>(ftpdir_skipped_reason(p, i))});
    }
    return out;
}

void SetOptions(ftpdir_parser* p, const ftpdir::Options& o) {
    ASSERT_EQ(
        ftpdir_set_dialect(p, o.dialect == ftpdir::Dialect::classic ? FTPDIR_DIALECT_CLASSIC
                                                                    : FTPDIR_DIALECT_EXTENDED),
        FTPDIR_OK);
    ASSERT_EQ(o.today ? ftpdir_set_today(p, o.today->year, o.today->month, o.today->day)
                      : ftpdir_set_today(p, 0, 0, 0),
              FTPDIR_OK);
    ASSERT_EQ(ftpdir_set_keep_versions(p, o.keepVersions), FTPDIR_OK);
    ASSERT_EQ(ftpdir_set_collect_skipped(p, o.collectSkipped), FTPDIR_OK);
}

// Feeds `listing` in chunks of `chunk` bytes, each an exact-size heap copy
// released at once, and finishes.
testsupport::ApiOutcome ParseInChunks(ftpdir_parser* p, const std::string& listing,
                                      std::size_t chunk) {
    for (std::size_t at = 0; at < listing.size(); at += chunk) {
        const testsupport::HeapBytes bytes(std::string_view(listing).substr(at, chunk));
        EXPECT_EQ(ftpdir_feed(p, bytes.data(), bytes.size()), FTPDIR_OK);
    }
    std::size_t count = 0;
    EXPECT_EQ(ftpdir_finish(p, &count), FTPDIR_OK);
    EXPECT_EQ(count, ftpdir_entry_count(p));
    return Results(p);
}

struct Example {
    const char* file;
    bool keepVersions;
};

constexpr Example kExamples[] = {
    {"unix.txt", false},         {"unix-extended.txt", false},
    {"unix-cp1251.txt", false},  {"unix-numeric.txt", false},
    {"dos.txt", false},          {"dos-iis.txt", false},
    {"vms.txt", false},          {"vms.txt", true},
    {"vms-extended.txt", false}, {"mixed.txt", false},
    {"mlsd.txt", false},         {"eplf.txt", false},
    {"os2.txt", false},          {"ibmi.txt", false},
    {"ibmi-dmy.txt", false},
    {"mvs.txt", false},          {"mvs-members.txt", false},
    {"jes.txt", false},          {"cms.txt", false},
    {"guardian.txt", false},     {"wince.txt", false},
    {"vshell.txt", false},       {"os9.txt", false},
    {"dls.txt", false},          {"nortel.txt", false},
};

class CExtExamplesTest : public ::testing::TestWithParam<Example> {};

TEST_P(CExtExamplesTest, FieldsMatchTheCxxApiInBothDialectsAndAnyChunks) {
    const std::string listing =
        coretest::ReadSourceFile(std::string("examples/") + GetParam().file);
    ASSERT_FALSE(listing.empty());
    for (const auto dialect : {ftpdir::Dialect::extended, ftpdir::Dialect::classic}) {
        ftpdir::Options options;
        options.dialect = dialect;
        options.today = testsupport::ExamplesToday();
        options.keepVersions = GetParam().keepVersions;
        options.collectSkipped = true;
        const testsupport::ApiOutcome expected = testsupport::ParseInChunks(listing, {}, options);
        if (dialect == ftpdir::Dialect::extended) {
            ASSERT_FALSE(expected.entries.empty());
        }
        Handle p = NewParser();
        SetOptions(p.get(), options);
        // One handle for every chunk size: each listing starts clean.
        for (const std::size_t chunk : {listing.size(), std::size_t{1}, std::size_t{7}}) {
            SCOPED_TRACE(std::string(dialect == ftpdir::Dialect::classic ? "classic" : "extended") +
                         ", chunks of " + std::to_string(chunk));
            const testsupport::ApiOutcome got = ParseInChunks(p.get(), listing, chunk);
            EXPECT_TRUE(got.entries == expected.entries);
            EXPECT_TRUE(testsupport::SameSkipped(got.skipped, expected.skipped));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Examples, CExtExamplesTest, ::testing::ValuesIn(kExamples),
                         [](const ::testing::TestParamInfo<Example>& param) {
                             return testsupport::ExampleTestName(param.param.file) +
                                    (param.param.keepVersions ? "_versions" : "");
                         });

const char kListing[] =
    "total 2\r\n"
    "-rw-r--r--   1 anna staff 1234 Jan 15 10:30 notes.txt\r\n"
    "lrwxrwxrwx   1 root root     7 Aug 30  2001 latest -> releases/v1\r\n"
    "garbage\r\n";

TEST(CExtApi, NullHandleAndBadArgumentsAreRefusedWithoutACrash) {
    ftpdir_entry r;
    std::uint64_t number = 0;
    std::size_t count = 7;
    struct Case {
        const char* call;
        int32_t status;
    };
    const Case nullHandle[] = {
        {"ftpdir_parser_new(nullptr)", ftpdir_parser_new(nullptr)},
        {"ftpdir_set_dialect", ftpdir_set_dialect(nullptr, FTPDIR_DIALECT_CLASSIC)},
        {"ftpdir_set_today", ftpdir_set_today(nullptr, 2024, 6, 15)},
        {"ftpdir_set_keep_versions", ftpdir_set_keep_versions(nullptr, 1)},
        {"ftpdir_set_collect_skipped", ftpdir_set_collect_skipped(nullptr, 1)},
        {"ftpdir_feed", ftpdir_feed(nullptr, kListing, sizeof kListing - 1)},
        {"ftpdir_finish", ftpdir_finish(nullptr, &count)},
        {"ftpdir_entry_get", ftpdir_entry_get(nullptr, 0, &r, sizeof r)},
        {"ftpdir_skipped_get", ftpdir_skipped_get(nullptr, 0, &number, nullptr, nullptr)},
    };
    for (const Case& c : nullHandle) EXPECT_EQ(c.status, FTPDIR_ERROR_ARGUMENT) << c.call;
    EXPECT_EQ(count, 0u) << "a failed finish reports no entries";
    EXPECT_EQ(ftpdir_entry_count(nullptr), 0u);
    EXPECT_EQ(ftpdir_skipped_count(nullptr), 0u);
    ftpdir_parser_free(nullptr);

    Handle p = NewParser();
    ASSERT_EQ(ftpdir_set_collect_skipped(p.get(), 1), FTPDIR_OK);
    ASSERT_EQ(ftpdir_feed(p.get(), kListing, sizeof kListing - 1), FTPDIR_OK);
    ASSERT_EQ(ftpdir_finish(p.get(), nullptr), FTPDIR_OK);
    ASSERT_EQ(ftpdir_entry_count(p.get()), 2u);
    ASSERT_EQ(ftpdir_skipped_count(p.get()), 2u);
    std::memset(&r, 0x5A, sizeof r);
    const ftpdir_entry untouched = r;
    const Case badArgument[] = {
        {"dialect 2", ftpdir_set_dialect(p.get(), 2)},
        {"dialect -1", ftpdir_set_dialect(p.get(), -1)},
        {"null data, length 1", ftpdir_feed(p.get(), nullptr, 1)},
        {"entry index = count", ftpdir_entry_get(p.get(), 2, &r, sizeof r)},
        {"entry index SIZE_MAX", ftpdir_entry_get(p.get(), SIZE_MAX, &r, sizeof r)},
        {"null out", ftpdir_entry_get(p.get(), 0, nullptr, sizeof r)},
        {"out_size below version 1", ftpdir_entry_get(p.get(), 0, &r, FTPDIR_ENTRY_SIZE_V1 - 1)},
        {"out_size 0", ftpdir_entry_get(p.get(), 0, &r, 0)},
        {"skipped index = count", ftpdir_skipped_get(p.get(), 2, &number, nullptr, nullptr)},
    };
    for (const Case& c : badArgument) EXPECT_EQ(c.status, FTPDIR_ERROR_ARGUMENT) << c.call;
    EXPECT_EQ(std::memcmp(&r, &untouched, sizeof r), 0) << "a refused call wrote the record";
    // A refused call changes nothing: the results are still there.
    EXPECT_EQ(ftpdir_feed(p.get(), nullptr, 0), FTPDIR_OK);
    EXPECT_EQ(ftpdir_entry_count(p.get()), 2u);
    EXPECT_EQ(ftpdir_skipped_get(p.get(), 1, nullptr, nullptr, nullptr), FTPDIR_OK);
}

TEST(CExtApi, SkippedLinesOnlyWhenCollectedWithNumbersAndTrimmedTexts) {
    Handle p = NewParser();
    const std::string listing = std::string(kListing) + "   spaced out  \n";
    EXPECT_TRUE(ParseInChunks(p.get(), listing, 5).skipped.empty());
    ASSERT_EQ(ftpdir_set_collect_skipped(p.get(), 1), FTPDIR_OK);
    const testsupport::ApiOutcome got = ParseInChunks(p.get(), listing, 5);
    ASSERT_EQ(got.skipped.size(), 3u);
    EXPECT_EQ(got.skipped[0].number, 1u);
    EXPECT_EQ(got.skipped[0].text, "total 2");
    EXPECT_EQ(got.skipped[1].number, 4u);
    EXPECT_EQ(got.skipped[2].number, 5u);
    EXPECT_EQ(got.skipped[2].text, "spaced out");
    const char* text = nullptr;
    ASSERT_EQ(ftpdir_skipped_get(p.get(), 2, nullptr, &text, nullptr), FTPDIR_OK);
    EXPECT_STREQ(text, "spaced out");
}

// The reason and its name as the C++ API gives them; -1 where there is no line.
TEST(CExtApi, SkippedLinesSayWhy) {
    for (const testsupport::SkipReasonCase& c : testsupport::kSkipReasonCases) {
        Handle p = NewParser();
        ASSERT_EQ(ftpdir_set_collect_skipped(p.get(), 1), FTPDIR_OK);
        const testsupport::ApiOutcome got = ParseInChunks(p.get(), c.listing, 3);
        ASSERT_EQ(got.skipped.size(), 1u) << c.name;
        EXPECT_EQ(got.skipped[0].number, c.number) << c.name;
        EXPECT_EQ(got.skipped[0].reason, c.reason) << c.name;
        EXPECT_STREQ(ftpdir_skip_reason_name(ftpdir_skipped_reason(p.get(), 0)), c.name);
        EXPECT_EQ(ftpdir_skipped_reason(p.get(), 1), -1) << c.name;
    }
    EXPECT_EQ(ftpdir_skipped_reason(nullptr, 0), -1);
    EXPECT_STREQ(ftpdir_skip_reason_name(FTPDIR_SKIP_DOT_ENTRY), "dot-entry");
    EXPECT_STREQ(ftpdir_skip_reason_name(FTPDIR_SKIP_LINE_TOO_LONG), "line-too-long");
    for (const int32_t outside : {-1, FTPDIR_SKIP_LINE_TOO_LONG + 1, INT32_MAX}) {
        EXPECT_STREQ(ftpdir_skip_reason_name(outside), "not-a-listing-line") << outside;
    }
}

TEST(CExtApi, OptionsChangeOnlyBetweenListingsAndStay) {
    Handle p = NewParser();
    ASSERT_EQ(ftpdir_set_today(p.get(), 2002, 3, 10), FTPDIR_OK);
    ASSERT_EQ(ftpdir_feed(p.get(), kListing, 20), FTPDIR_OK);
    EXPECT_EQ(ftpdir_set_dialect(p.get(), FTPDIR_DIALECT_CLASSIC), FTPDIR_ERROR_STATE);
    EXPECT_EQ(ftpdir_set_today(p.get(), 2001, 1, 1), FTPDIR_ERROR_STATE);
    EXPECT_EQ(ftpdir_set_keep_versions(p.get(), 1), FTPDIR_ERROR_STATE);
    EXPECT_EQ(ftpdir_set_collect_skipped(p.get(), 1), FTPDIR_ERROR_STATE);
    ASSERT_EQ(ftpdir_feed(p.get(), kListing + 20, sizeof kListing - 21), FTPDIR_OK);
    ASSERT_EQ(ftpdir_finish(p.get(), nullptr), FTPDIR_OK);
    ftpdir_entry r;
    ASSERT_EQ(ftpdir_entry_get(p.get(), 0, &r, sizeof r), FTPDIR_OK);
    EXPECT_EQ(r.year, 2002) << "the today set before the refused changes";
    EXPECT_EQ(r.format, FTPDIR_FORMAT_UNIX);
    EXPECT_EQ(ftpdir_skipped_count(p.get()), 0u);

    // Between listings: the classic dialect, kept for the next listings.
    ASSERT_EQ(ftpdir_set_dialect(p.get(), FTPDIR_DIALECT_CLASSIC), FTPDIR_OK);
    for (int listing = 0; listing < 2; ++listing) {
        const testsupport::ApiOutcome got = ParseInChunks(p.get(), kListing, 3);
        ASSERT_EQ(got.entries.size(), 2u);
        EXPECT_EQ(got.entries[1].name, "latest -> releases/v1");
        EXPECT_EQ(got.entries[1].format, ftpdir::Format::unknown);
    }
}

TEST(CExtApi, ResultsStayValidWhileTheNextListingIsFed) {
    Handle p = NewParser();
    ParseInChunks(p.get(), kListing, sizeof kListing);
    ftpdir_entry first;
    ASSERT_EQ(ftpdir_entry_get(p.get(), 1, &first, sizeof first), FTPDIR_OK);
    const std::string more(5000, 'x');
    ASSERT_EQ(ftpdir_feed(p.get(), more.data(), more.size()), FTPDIR_OK);
    EXPECT_EQ(std::string(first.target, first.target_length), "releases/v1");
    EXPECT_EQ(ftpdir_entry_count(p.get()), 2u);
    std::size_t count = 9;
    ASSERT_EQ(ftpdir_finish(p.get(), &count), FTPDIR_OK);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(ftpdir_entry_count(p.get()), 0u);
    // An empty listing, then the first one again: the same entries.
    ASSERT_EQ(ftpdir_finish(p.get(), &count), FTPDIR_OK);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(ParseInChunks(p.get(), kListing, 1).entries.size(), 2u);
}

TEST(CExtApi, AnOlderRecordIsWrittenUpToItsSizeOnly) {
    Handle p = NewParser();
    ParseInChunks(p.get(), kListing, sizeof kListing);
    unsigned char bytes[sizeof(ftpdir_entry) + 16];
    std::memset(bytes, 0xA5, sizeof bytes);
    ASSERT_EQ(
        ftpdir_entry_get(p.get(), 1, reinterpret_cast<ftpdir_entry*>(bytes), FTPDIR_ENTRY_SIZE_V1),
        FTPDIR_OK);
    for (std::size_t i = FTPDIR_ENTRY_SIZE_V1; i < sizeof bytes; ++i) {
        ASSERT_EQ(bytes[i], 0xA5) << "byte " << i << " past the host's record";
    }
    ftpdir_entry r;
    std::memcpy(&r, bytes, sizeof r);
    EXPECT_EQ(r.is_link, 1);
    EXPECT_EQ(r.utc, 0);
    EXPECT_EQ(std::string(r.name, r.name_length), "latest");
}

// The header's format constants name the C++ API's formats.
TEST(CExtApi, FormatNamesMatchTheCxxApi) {
    EXPECT_STREQ(ftpdir_version(), FTPDIR_VERSION_STRING);
    EXPECT_EQ(ftpdir_api_version(), FTPDIR_API_VERSION);
    for (int32_t f = FTPDIR_FORMAT_UNKNOWN; f <= FTPDIR_FORMAT_UNIX_NUMERIC; ++f) {
        EXPECT_STREQ(ftpdir_format_name(f), ftpdir::formatName(static_cast<ftpdir::Format>(f)));
    }
    for (const int32_t f : {-1, FTPDIR_FORMAT_UNIX_NUMERIC + 1, INT32_MAX, INT32_MIN}) {
        EXPECT_STREQ(ftpdir_format_name(f), "unknown") << f;
    }
}

}  // namespace
