// A Listing's views: each one equals its owning copy, whatever way it is
// reached; they outlive moves of the listing and the parser's next listing;
// the extras of every row come back whole, however long, repeated or empty.
#include <gtest/gtest.h>

#include <iterator>
#include <sstream>
#include <string>
#include <type_traits>
#include <vector>

#include "ftpdirlist/ftpdirlist.hpp"
#include "api_chunks.h"
#include "core_helpers.h"
#include "test_support.h"

namespace {

using ftpdir::Dialect;
using ftpdir::Entry;
using ftpdir::EntryView;
using ftpdir::Listing;

static_assert(std::is_nothrow_move_constructible<Listing>::value, "a move cannot fail");
static_assert(!std::is_copy_constructible<Listing>::value, "a listing owns its memory");
static_assert(std::is_convertible<ftpdir::TextView, std::string>::value, "texts convert");
static_assert(std::is_convertible<EntryView, Entry>::value, "views convert");
static_assert(std::is_convertible<Listing, std::vector<Entry>>::value, "listings convert");
static_assert(
    std::is_same<decltype(*std::declval<Listing::const_iterator>()), const EntryView&>::value,
    "iterators give views by reference");

const char* const kExamples[] = {
    "unix.txt", "unix-extended.txt", "unix-padding.txt", "unix-format.txt",  "unix-numeric.txt",
    "dos.txt",  "dos-iis.txt",       "vms.txt",          "vms-extended.txt", "mixed.txt",
    "mlsd.txt", "eplf.txt",          "mvs.txt",          "dls.txt",          "guardian.txt",
};

ftpdir::Options OptionsFor(Dialect dialect) {
    ftpdir::Options options;
    options.dialect = dialect;
    options.today = testsupport::ExamplesToday();
    return options;
}

// Every way of reaching entry i gives the same entry: operator[], the
// iterator, toEntry() both ways round, toEntries() and the conversion.
void ExpectEveryWayAgrees(const Listing& listing) {
    const std::vector<Entry> copies = listing.toEntries();
    const std::vector<Entry> converted = listing;
    ASSERT_EQ(copies.size(), listing.size());
    EXPECT_EQ(converted, copies);
    std::size_t i = 0;
    for (const EntryView& e : listing) {
        ASSERT_LT(i, listing.size());
        const Entry owned = e.toEntry();
        EXPECT_TRUE(e == owned && owned == e) << i;
        EXPECT_TRUE(e == listing[i]) << i;
        EXPECT_TRUE(copies[i] == e) << i;
        // The owning copy holds the same bytes elsewhere.
        EXPECT_EQ(owned.name, std::string(e.name));
        EXPECT_EQ(owned.facts, e.facts.str());
        ++i;
    }
    EXPECT_EQ(i, listing.size());
    EXPECT_TRUE(listing == copies && copies == listing);
}

class ViewsOfExamples : public ::testing::TestWithParam<const char*> {};

TEST_P(ViewsOfExamples, EqualTheirOwningCopiesInBothDialects) {
    const std::string text = coretest::ReadSourceFile(std::string("examples/") + GetParam());
    for (const Dialect dialect : {Dialect::extended, Dialect::classic}) {
        SCOPED_TRACE(dialect == Dialect::classic ? "classic" : "extended");
        const Listing whole = ftpdir::parse(text, OptionsFor(dialect));
        ExpectEveryWayAgrees(whole);
        // In 7-byte chunks the table is built in other steps: the same entries.
        const testsupport::ApiOutcome chunked = testsupport::ParseInChunks(
            text, testsupport::EveryNBytes(text.size(), 7), OptionsFor(dialect));
        EXPECT_TRUE(whole == chunked.entries);
    }
}

INSTANTIATE_TEST_SUITE_P(Examples, ViewsOfExamples, ::testing::ValuesIn(kExamples),
                         [](const ::testing::TestParamInfo<const char*>& param) {
                             return testsupport::ExampleTestName(param.param);
                         });

const char kUnix[] =
    "drwxr-xr-x   2 ftp      ftp          4096 Jan 02  2020 pub\r\n"
    "-rw-r--r--   1 root     wheel     1048576 Mar 15 14:30 archive.tar.gz\r\n"
    "lrwxrwxrwx   1 ftp      ftp            11 Apr 01  2021 latest -> archive.tar.gz\r\n";

TEST(ListingViews, StayValidWhenTheListingMovesAndTheParserGoesOn) {
    ftpdir::Parser parser(OptionsFor(Dialect::extended));
    parser.append(kUnix);
    Listing first = parser.finish();
    ASSERT_EQ(first.size(), 3u);
    const EntryView link = first[2];
    const Entry expected = link;
    // The parser's next listing lives apart from this one.
    parser.append("-rw-r--r--   1 a b 1 Jan 01  2020 other\r\n");
    const Listing second = parser.finish();
    ASSERT_EQ(second.size(), 1u);

    Listing moved = std::move(first);
    EXPECT_TRUE(first.empty());  // NOLINT(bugprone-use-after-move): a moved-from listing is empty
    EXPECT_EQ(first.begin(), first.end());
    EXPECT_TRUE(link == expected);
    EXPECT_EQ(link.name.data(), moved[2].name.data());  // the same bytes, not a copy
    EXPECT_EQ(link.target, "archive.tar.gz");

    Listing assigned = ftpdir::parse("-rw-r--r--   1 a b 1 Jan 01  2020 x\r\n");
    assigned = std::move(moved);
    EXPECT_TRUE(link == expected);
    EXPECT_EQ(assigned.size(), 3u);
    EXPECT_EQ(second[0].name, "other");
}

TEST(ListingViews, IterateByReferenceValueAndIndex) {
    const Listing listing = ftpdir::parse(kUnix, OptionsFor(Dialect::extended));
    std::vector<std::string> byRef, byConstRef, byValue, byIndex;
    for (auto& e : listing) byRef.push_back(e.name);
    for (const auto& e : listing) byConstRef.push_back(e.name);
    for (auto e : listing) byValue.push_back(e.name);
    for (std::size_t i = 0; i < listing.size(); ++i) byIndex.push_back(listing[i].name);
    const std::vector<std::string> names = {"pub", "archive.tar.gz", "latest"};
    EXPECT_EQ(byRef, names);
    EXPECT_EQ(byConstRef, names);
    EXPECT_EQ(byValue, names);
    EXPECT_EQ(byIndex, names);

    auto it = listing.begin();
    EXPECT_EQ(it->size, 4096);
    const auto before = it++;
    EXPECT_EQ(before->name, "pub");
    EXPECT_EQ((*it).owner, "root");
    EXPECT_EQ(std::distance(listing.begin(), listing.end()), 3);

    const std::vector<Entry> entries = ftpdir::parse(kUnix, OptionsFor(Dialect::extended));
    EXPECT_EQ(entries, listing.toEntries());
    const Listing none = ftpdir::parse("");
    EXPECT_TRUE(none.empty());
    EXPECT_EQ(none.begin(), none.end());
}

TEST(ListingViews, TextsBehaveAsStrings) {
    const Listing listing = ftpdir::parse(kUnix, OptionsFor(Dialect::extended));
    const EntryView e = listing[1];
    const std::string name = e.name;
    std::string assigned;
    assigned = e.group;
    std::ostringstream out;
    out << e.owner << '/' << e.group;
    EXPECT_EQ(name, "archive.tar.gz");
    EXPECT_TRUE(e.name == name && name == e.name);
    EXPECT_TRUE(e.attributes == "-rw-r--r--" && "-rw-r--r--" == e.attributes);
    EXPECT_EQ(assigned, "wheel");
    EXPECT_EQ(out.str(), "root/wheel");
    EXPECT_TRUE(e.target.empty());
    EXPECT_NE(e, listing[0]);
}

// The extras of one entry as the listing should give them.
struct Extras {
    std::string name, target, owner, group, facts;
};

struct ExtrasCase {
    const char* label;
    std::string listing;
    bool keepVersions;
    std::vector<Extras> expected;
};

std::string Repeat(char c, std::size_t n) { return std::string(n, c); }

// Twelve files in three rounds of versions, each round's owner longer or
// shorter than the last: the later versions merge into rows stored many
// entries before.
ExtrasCase InterleavedVersions() {
    const char* const owners[] = {"MID", "A", "LONGESTOWNER"};
    ExtrasCase c{"vms_versions_interleaved", "", false, {}};
    for (int round = 0; round < 3; ++round) {
        for (int file = 0; file < 12; ++file) {
            c.listing += "F" + std::to_string(file) + ".DAT;" + std::to_string(round + 1) +
                         "  1  1-JAN-2020 10:00 [" + owners[(round + file) % 3] +
                         "] (RWED,RWED,RE,)\r\n";
        }
    }
    for (int file = 0; file < 12; ++file) {
        c.expected.push_back(
            {"F" + std::to_string(file) + ".DAT", "", owners[(2 + file) % 3], "", ""});
    }
    return c;
}

std::vector<ExtrasCase> ExtrasCases() {
    const std::string longOwner = Repeat('o', 300);
    const std::string longGroup = Repeat('g', 70000);
    const std::string longTarget = Repeat('t', 5000);
    const std::string longFacts = "type=file;size=1;" + Repeat('x', 300) + "=y;";
    const auto unixLine = [](const std::string& owner, const std::string& group,
                             const std::string& name) {
        return "-rw-r--r--   1 " + owner + " " + group + "  1 Jan 01  2020 " + name + "\r\n";
    };
    return {
        {"repeated_owner_and_group",
         unixLine("ftp", "ftp", "a") + unixLine("ftp", "ftp", "b") + unixLine("ftp", "ftp", "c"),
         false,
         {{"a", "", "ftp", "ftp", ""}, {"b", "", "ftp", "ftp", ""}, {"c", "", "ftp", "ftp", ""}}},
        {"owner_changes_then_returns",
         unixLine("ftp", "ftp", "a") + unixLine("root", "ftp", "b") + unixLine("ftp", "root", "c"),
         false,
         {{"a", "", "ftp", "ftp", ""}, {"b", "", "root", "ftp", ""}, {"c", "", "ftp", "root", ""}}},
        {"long_owner_and_group",
         unixLine(longOwner, longGroup, "a") + unixLine(longOwner, longGroup, "b") +
             unixLine("x", "y", "c"),
         false,
         {{"a", "", longOwner, longGroup, ""},
          {"b", "", longOwner, longGroup, ""},
          {"c", "", "x", "y", ""}}},
        {"links_long_and_short",
         "lrwxrwxrwx   1 ftp ftp 1 Jan 01  2020 l1 -> " + longTarget + "\r\n" +
             "lrwxrwxrwx   1 ftp ftp 1 Jan 01  2020 l2 -> t\r\n" + unixLine("ftp", "ftp", "f"),
         false,
         {{"l1", longTarget, "ftp", "ftp", ""},
          {"l2", "t", "ftp", "ftp", ""},
          {"f", "", "ftp", "ftp", ""}}},
        {"no_owner_between_owners",
         unixLine("ftp", "ftp", "a") + "01-02-20  10:00AM       <DIR>          d\r\n" +
             unixLine("ftp", "ftp", "b"),
         false,
         {{"a", "", "ftp", "ftp", ""}, {"d", "", "", "", ""}, {"b", "", "ftp", "ftp", ""}}},
        {"facts_long_short_and_none",
         longFacts + " f1\r\ntype=file;size=2; f2\r\n" + unixLine("ftp", "ftp", "u"),
         false,
         {{"f1", "", "", "", longFacts},
          {"f2", "", "", "", "type=file;size=2;"},
          {"u", "", "ftp", "ftp", ""}}},
        // A later version replaces the stored row, its extras with it: the
        // newer owner, shorter or longer than the older one.
        {"vms_versions_take_the_newest_owner",
         "A.TXT;1  1  1-JAN-2020 10:00 [SYSTEM] (RWED,RWED,RE,)\r\n"
         "A.TXT;3  1  1-JAN-2020 10:00 [OP] (RWED,RWED,RE,)\r\n"
         "A.TXT;2  1  1-JAN-2020 10:00 [LONGERNAME] (RWED,RWED,RE,)\r\n"
         "B.TXT;1  1  1-JAN-2020 10:00 [OP] (RWED,RWED,RE,)\r\n"
         "B.TXT;9  1  1-JAN-2020 10:00 [LONGERNAME] (RWED,RWED,RE,)\r\n",
         false,
         {{"A.TXT", "", "OP", "", ""}, {"B.TXT", "", "LONGERNAME", "", ""}}},
        // After a line of another family the stored row is replaced in its
        // place when the newer texts fit, else anew.
        {"vms_versions_around_another_family",
         "A.TXT;1  1  1-JAN-2020 10:00 [LONGOWNER] (RWED,RWED,RE,)\r\n" + unixLine("u", "g", "x") +
             "A.TXT;2  1  1-JAN-2020 10:00 [OP] (RWED,RWED,RE,)\r\n" + unixLine("u", "g", "y") +
             "A.TXT;3  1  1-JAN-2020 10:00 [" + longOwner + "] (RWED,RWED,RE,)\r\n",
         false,
         {{"A.TXT", "", longOwner, "", ""}, {"x", "", "u", "g", ""}, {"y", "", "u", "g", ""}}},
        InterleavedVersions(),
        {"vms_versions_kept",
         "A.TXT;1  1  1-JAN-2020 10:00 [SYSTEM] (RWED,RWED,RE,)\r\n"
         "A.TXT;3  1  1-JAN-2020 10:00 [OP] (RWED,RWED,RE,)\r\n",
         true,
         {{"A.TXT;1", "", "SYSTEM", "", ""}, {"A.TXT;3", "", "OP", "", ""}}},
    };
}

class ListingExtras : public ::testing::TestWithParam<ExtrasCase> {};

TEST_P(ListingExtras, ComeBackWhole) {
    const ExtrasCase& c = GetParam();
    ftpdir::Options options = OptionsFor(Dialect::extended);
    options.keepVersions = c.keepVersions;
    const Listing listing = ftpdir::parse(c.listing, options);
    ASSERT_EQ(listing.size(), c.expected.size());
    for (std::size_t i = 0; i < listing.size(); ++i) {
        const EntryView e = listing[i];
        const Extras& x = c.expected[i];
        EXPECT_EQ(e.name, x.name) << i;
        EXPECT_TRUE(e.target == x.target) << i << ": target of " << x.name;
        EXPECT_TRUE(e.owner == x.owner) << i << ": owner " << e.owner.substr(0, 40);
        EXPECT_TRUE(e.group == x.group) << i << ": group of " << x.name;
        EXPECT_TRUE(e.facts == x.facts) << i << ": facts " << e.facts.substr(0, 40);
    }
    ExpectEveryWayAgrees(listing);
}

INSTANTIATE_TEST_SUITE_P(Rows, ListingExtras, ::testing::ValuesIn(ExtrasCases()),
                         [](const ::testing::TestParamInfo<ExtrasCase>& param) {
                             return std::string(param.param.label);
                         });

// Texts of the lengths around the span the table copies short texts in, the
// last ending where the listing does: whole, and cut at every byte (each
// chunk a heap copy of its own length), every text comes back as written.
TEST(ListingViews, TextsAroundTheCopySpanComeBackWhole) {
    std::string listing;
    std::vector<Entry> expected;
    for (std::size_t length : {1, 3, 4, 8, 15, 16, 17, 31, 32, 33, 40}) {
        Entry e;
        e.name = Repeat('n', length);
        e.owner = Repeat('o', length);
        e.group = Repeat('g', 41 - length);
        e.attributes = "-rw-r--r--";
        listing +=
            "-rw-r--r--   1 " + e.owner + " " + e.group + "  1 Jan 01  2020 " + e.name + "\r\n";
        expected.push_back(e);
    }
    listing.resize(listing.size() - 2);  // the last line ends the listing
    const auto expectTexts = [&](const std::vector<Entry>& got, const std::string& how) {
        ASSERT_EQ(got.size(), expected.size()) << how;
        for (std::size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].name, expected[i].name) << how << ", entry " << i;
            EXPECT_EQ(got[i].attributes, expected[i].attributes) << how << ", entry " << i;
            EXPECT_EQ(got[i].owner, expected[i].owner) << how << ", entry " << i;
            EXPECT_EQ(got[i].group, expected[i].group) << how << ", entry " << i;
        }
    };
    const testsupport::HeapBytes whole(listing);
    expectTexts(ftpdir::parse(whole.view(), OptionsFor(Dialect::extended)).toEntries(), "whole");
    for (std::size_t cut = 1; cut < listing.size(); ++cut) {
        expectTexts(
            testsupport::ParseInChunks(listing, {cut}, OptionsFor(Dialect::extended)).entries,
            "cut at " + std::to_string(cut));
    }
}

// The iterator walks the rows block by block, each with its extras' block:
// across every block's end, in both dialects, whole or taken in two parts
// (the rest then lies in a table of its own), it gives what indexing gives,
// each entry its own.
TEST(ListingViews, IterateAcrossRowBlocks) {
    const std::size_t count = 7200;  // into the fourth block of rows
    std::string listing;
    std::vector<std::size_t> cuts;  // where the listing is cut into two appends
    for (std::size_t i = 0; i < count; ++i) {
        if (i == 1024 || i == 3100) cuts.push_back(listing.size());
        listing += "-rw-r--r--   1 u" + std::to_string(i % 7) + " g" + std::to_string(i) +
                   " 1 Jan 02  2020 f" + std::to_string(i) + "\r\n";
    }
    const auto expectRows = [](const Listing& entries, std::size_t first, bool extended) {
        std::size_t i = first;
        for (const EntryView& e : entries) {
            ASSERT_EQ(e.name, "f" + std::to_string(i));
            ASSERT_TRUE(e == entries[i - first]) << i;
            ASSERT_EQ(e.owner, extended ? "u" + std::to_string(i % 7) : "");
            ASSERT_EQ(e.group, extended ? "g" + std::to_string(i) : "");
            ++i;
        }
        EXPECT_EQ(i, first + entries.size());
    };
    for (const Dialect dialect : {Dialect::extended, Dialect::classic}) {
        const bool extended = dialect == Dialect::extended;
        const Listing entries = ftpdir::parse(listing, OptionsFor(dialect));
        ASSERT_EQ(entries.size(), count);
        expectRows(entries, 0, extended);
        if (!extended) continue;
        for (const std::size_t cut : cuts) {
            SCOPED_TRACE(cut);
            ftpdir::Parser parser(OptionsFor(dialect));
            parser.append(std::string_view(listing).substr(0, cut));
            const Listing front = parser.takeReady();
            parser.append(std::string_view(listing).substr(cut));
            const Listing rest = parser.finish();
            ASSERT_EQ(front.size() + rest.size(), count);
            expectRows(front, 0, true);
            expectRows(rest, front.size(), true);
        }
    }
}

// Each view is built from its own row alone: entries of every date shape
// (none, a date, a date and time, with seconds), texts present or absent,
// follow one another in every order without one taking a field of the
// entry before it.
TEST(ListingViews, NeighboursOfOtherShapesLeaveNothingBehind) {
    const std::string lines[] = {
        "type=file;size=5;modify=20200102030405;UNIX.owner=ann; withSeconds\r\n",
        "type=file;size=6; noDate\r\n",
        "-rw-r--r--   1 bob staff 7 Jan 02  2019 dateOnly\r\n",
        "lrwxrwxrwx   1 cy wheel 8 Mar 15 14:30 dateAndTime -> elsewhere\r\n",
    };
    // Every line before and after every other, and after itself.
    std::string listing;
    std::vector<Entry> expected;
    for (const std::string& first : lines) {
        for (const std::string& second : lines) {
            for (const std::string* line : {&first, &second}) {
                listing += *line;
                const Listing alone = ftpdir::parse(*line, OptionsFor(Dialect::extended));
                ASSERT_EQ(alone.size(), 1u) << *line;
                expected.push_back(alone[0]);
            }
        }
    }
    const Listing entries = ftpdir::parse(listing, OptionsFor(Dialect::extended));
    ASSERT_EQ(entries.size(), expected.size());
    std::size_t i = 0;
    for (const EntryView& e : entries) {
        EXPECT_TRUE(e == expected[i]) << i << ": " << expected[i].name;
        ++i;
    }
    EXPECT_TRUE(entries == expected);
    // Reading an entry twice through the iterator, or through a copy of it,
    // gives it again.
    auto it = std::next(entries.begin(), 3);
    const auto copy = it;
    EXPECT_TRUE(*it == expected[3] && *it == expected[3] && *copy == expected[3]);
    ++it;
    EXPECT_TRUE(*copy == expected[3] && *it == expected[4]);
}

// Dates whose fields go beyond a byte (the classic dialect gives them as
// the line writes them) come back whole.
TEST(ListingViews, WideDatesComeBackWhole) {
    const Listing entries = ftpdir::parse(
        "-rw-r--r--   1 a b 1 Jan 300 2020 x\r\n-rw-r--r--   1 a b 1 Mar 3 12:345 y\r\n",
        OptionsFor(Dialect::classic));
    ASSERT_EQ(entries.size(), 2u);
    ASSERT_TRUE(entries[0].date.has_value());
    EXPECT_EQ(*entries[0].date, (ftpdir::Date{2020, 1, 300}));
    EXPECT_FALSE(entries[0].time.has_value());
    ASSERT_TRUE(entries[1].date.has_value() && entries[1].time.has_value());
    EXPECT_EQ(entries[1].date->month, 3);
    EXPECT_EQ(entries[1].date->day, 3);
    EXPECT_EQ(*entries[1].time, (ftpdir::Time{12, 345}));
}

}  // namespace
