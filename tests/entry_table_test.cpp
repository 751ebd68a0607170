// The entry table: arrival order, and once the listing is VMS-style, one
// entry per file name with the highest version, kept where the name first
// appeared.
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "core_helpers.h"

namespace {

using coretest::EntryTable;
using coretest::ParsedEntry;

struct Add {
    std::string name;
    bool vms;
};

// What a row should hold: its name, its version and the arrival number
// (1-based) of the record it came from, which each record carries as size.
struct Expect {
    std::string name;
    std::int32_t version;
    std::int64_t from;
};

// `ahead`: as the driver adds, each lookup left to the next add, the table
// settled at the end.
void AddAll(EntryTable& table, const std::vector<Add>& adds, bool ahead = false) {
    std::int64_t arrival = 0;
    for (const Add& a : adds) {
        ParsedEntry e;
        e.name = a.name;
        e.size = ++arrival;
        if (ahead) {
            table.AddEntryAhead(e, a.vms);
        } else {
            AddEntry(table, e, a.vms);
        }
    }
    table.Settle();
}

void ExpectRows(const EntryTable& table, const std::vector<Expect>& rows) {
    ASSERT_EQ(table.Size(), rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(table.Row(i).Name(), rows[i].name);
        EXPECT_EQ(table.Row(i).version, rows[i].version);
        EXPECT_EQ(table.Row(i).size, rows[i].from);
    }
}

TEST(EntryTable, VersionCollapseStepByStep) {
    struct Step {
        const char* name;
        std::vector<Expect> after;
    };
    const Step steps[] = {
        {"README.TXT;1", {{"README.TXT", 1, 1}}},
        {"NOTES.TXT;2", {{"README.TXT", 1, 1}, {"NOTES.TXT", 2, 2}}},
        {"README.TXT;3", {{"README.TXT", 3, 3}, {"NOTES.TXT", 2, 2}}},
        {"README.TXT;2", {{"README.TXT", 3, 3}, {"NOTES.TXT", 2, 2}}},   // 2 is not above 3
        {"NOTES.TXT;2", {{"README.TXT", 3, 3}, {"NOTES.TXT", 2, 2}}},    // equal: first stays
        {"NOTES.TXT;10", {{"README.TXT", 3, 3}, {"NOTES.TXT", 10, 6}}},  // 10 is above 3 and 2
    };
    EntryTable table;
    std::int64_t arrival = 0;
    for (const Step& s : steps) {
        SCOPED_TRACE(s.name);
        std::string name = s.name;
        ParsedEntry e;
        e.name = name;
        e.size = ++arrival;
        AddEntry(table, e, true);
        ExpectRows(table, s.after);
    }
}

struct CollapseCase {
    const char* reason;
    std::vector<Add> adds;
    std::vector<Expect> rows;
};

const CollapseCase kCollapseCases[] = {
    {"before the flag names are not examined",
     {{"FOO", false}, {"FOO", false}, {"a;b;", false}},
     {{"FOO", 0, 1}, {"FOO", 0, 2}, {"a;b;", 0, 3}}},
    {"no version to compare: dropped",
     {{"FOO;", true}, {";X", true}, {";", true}, {"FOO", true}, {"", true}},
     {}},
    {"the version follows the last ';'", {{"A;B;2", true}}, {{"A;B", 2, 1}}},
    {"a version without digits is 0", {{"FOO;X", true}}, {{"FOO", 0, 1}}},
    {"versions are read as numbers",
     {{"FOO;007", true}, {"N;9", true}, {"N;10", true}},
     {{"FOO", 7, 1}, {"N", 10, 3}}},
    {"leading white space and sign",
     {{"F; 5", true}, {"G;+3", true}, {"H;5a", true}},
     {{"F", 5, 1}, {"G", 3, 2}, {"H", 5, 3}}},
    {"-1 is replaced by 0", {{"FOO;-1", true}, {"FOO;0", true}}, {{"FOO", 0, 2}}},
    {"0 is not replaced by -1", {{"FOO;0", true}, {"FOO;-1", true}}, {{"FOO", 0, 1}}},
    {"names compare with their letter case",
     {{"README.TXT;1", true}, {"readme.txt;2", true}},
     {{"README.TXT", 1, 1}, {"readme.txt", 2, 2}}},
    {"a replacement keeps the first position",
     {{"A;1", true}, {"B;1", true}, {"A;2", true}, {"C;1", true}},
     {{"A", 2, 3}, {"B", 1, 2}, {"C", 1, 4}}},
    {"only the first of the entries stored before the flag is replaced",
     {{"FOO", false}, {"FOO", false}, {"FOO;1", true}},
     {{"FOO", 1, 3}, {"FOO", 0, 2}}},
    {"an entry stored before the flag is not replaced by version 0",
     {{"FOO", false}, {"FOO;0", true}},
     {{"FOO", 0, 1}}},
    {"a full name stored before the flag matches a cut name",
     {{"FOO;1", false}, {"FOO;1;2", true}},
     {{"FOO;1", 2, 2}}},
    {"after the flag a ';' inside a name is a version separator", {{"a;b", true}}, {{"a", 0, 1}}},
    {"digits without a ';' are no version", {{"FILE123", true}}, {}},
    {"nine digits and ten",
     {{"N;999999999", true}, {"T;1234567890", true}},
     {{"N", 999999999, 1}, {"T", 1234567890, 2}}},
    {"versions beyond 32 bits saturate",
     {{"F;99999999999", true}, {"F;2147483647", true}, {"G;-99999999999", true}},
     {{"F", INT_MAX, 1}, {"G", INT_MIN, 3}}},
    // "\xC4\xCE\xCA" is the Cyrillic DOK in Windows-1251.
    {"names are bytes",
     {{"\xC4\xCE\xCA;1", true}, {"\xC4\xCE\xCA;2", true}},
     {{"\xC4\xCE\xCA", 2, 2}}},
};

// Every case with each lookup at once and with lookups deferred.
template <std::size_t N>
void ExpectCollapses(const CollapseCase (&cases)[N]) {
    for (const bool ahead : {false, true}) {
        for (const CollapseCase& c : cases) {
            SCOPED_TRACE(c.reason);
            SCOPED_TRACE(ahead ? "lookups deferred" : "lookups at once");
            EntryTable table;
            AddAll(table, c.adds, ahead);
            ExpectRows(table, c.rows);
        }
    }
}

TEST(EntryTable, CollapseRules) { ExpectCollapses(kCollapseCases); }

// Orders that take the previous-entry check and the deferred lookup: a
// deferred name merged into an earlier row, then compared with that row.
const CollapseCase kOrderCases[] = {
    {"adjacent versions of one name", {{"A;1", true}, {"A;3", true}, {"A;2", true}}, {{"A", 3, 2}}},
    {"a name met again after another merges into its first row",
     {{"A;1", true}, {"B;1", true}, {"A;2", true}, {"A;5", true}, {"A;4", true}},
     {{"A", 5, 4}, {"B", 1, 2}}},
    {"a lower version met again after another name is dropped",
     {{"A;3", true}, {"B;1", true}, {"A;1", true}, {"C;1", true}},
     {{"A", 3, 1}, {"B", 1, 2}, {"C", 1, 4}}},
    {"a name stored before the flag, then its versions",
     {{"A", false}, {"A;1", true}, {"A;2", true}, {"B;1", true}},
     {{"A", 2, 3}, {"B", 1, 4}}},
    {"a whole entry after a deferred one",
     {{"A;1", true}, {"A;1", false}, {"A;2", true}},
     {{"A", 2, 3}, {"A;1", 0, 2}}},
};

TEST(EntryTable, CollapseOrders) { ExpectCollapses(kOrderCases); }

// A deferred row merged into an earlier one hands over its attributes,
// whichever is longer, and the rows after it keep their texts.
TEST(EntryTable, DeferredMergeKeepsTexts) {
    struct Step {
        const char* name;
        const char* attributes;
    };
    struct Case {
        const char* reason;
        std::vector<Step> steps;
        std::vector<std::pair<std::string, std::string>> rows;  // name, attributes
    };
    const Case cases[] = {
        {"shorter attributes replace in place",
         {{"A;1", "(RWED)"}, {"B;1", "(R)"}, {"A;2", "(E)"}, {"C;1", "(W)"}},
         {{"A", "(E)"}, {"B", "(R)"}, {"C", "(W)"}}},
        {"longer attributes are taken from the merged row",
         {{"A;1", "(R)"}, {"B;1", "(R)"}, {"A;2", "(RWED,RWED)"}, {"C;1", "(W)"}},
         {{"A", "(RWED,RWED)"}, {"B", "(R)"}, {"C", "(W)"}}},
        {"empty attributes replace",
         {{"A;1", "(R)"}, {"B;1", ""}, {"A;2", ""}},
         {{"A", ""}, {"B", ""}}},
        {"into empty attributes",
         {{"A;1", ""}, {"B;1", "x"}, {"A;2", "(R)"}},
         {{"A", "(R)"}, {"B", "x"}}},
        {"a dropped row gives its bytes back",
         {{"A;2", "(R)"}, {"B;1", "(R)"}, {"A;1", "(WWWW)"}, {"C;1", "(E)"}, {"D;1", "(D)"}},
         {{"A", "(R)"}, {"B", "(R)"}, {"C", "(E)"}, {"D", "(D)"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        EntryTable table;
        for (const Step& step : c.steps) {
            std::string name = step.name;
            std::string attributes = step.attributes;
            ParsedEntry e;
            e.name = name;
            e.attributes = attributes;
            table.AddEntryAhead(e, true);
        }
        EntryTable moved(std::move(table));  // a move settles the table
        ASSERT_EQ(moved.Size(), c.rows.size());
        for (std::size_t i = 0; i < c.rows.size(); ++i) {
            EXPECT_EQ(moved.Row(i).Name(), c.rows[i].first);
            EXPECT_EQ(AttributesOf(moved.Row(i)), c.rows[i].second);
        }
    }
}

// Deferred lookups give the rows (and extras) of lookups at once, whatever
// the order: names met again within and beyond the entries that wait,
// versions up and down, whole entries in between, attributes that grow and
// shrink, and a table moved (settled) halfway; classic and extended entries.
TEST(EntryTable, DeferredLookupsMatchLookupsAtOnce) {
    const char* const kNames[] = {
        "A",     "B",    "C", "D", "E", "F", "G", "H", "I", "J", "K", "L", "MMMMMMMMMMMMMMMMMMMM",
        "N.DAT", "O.DIR"};
    const char* const kAttributes[] = {"", "(R)", "(RWED,RWED,RE,)", "(RWED,RWED,RWED,RWED)"};
    std::uint32_t seed = 12345;
    const auto next = [&seed](std::uint32_t n) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) % n;
    };
    for (const bool extended : {false, true}) {
        for (int round = 0; round < 300; ++round) {
            SCOPED_TRACE(round);
            SCOPED_TRACE(extended ? "extended" : "classic");
            // Few names make repeats near each other; many spread them out.
            const std::uint32_t names = 2 + next(14);
            const int count = 1 + static_cast<int>(next(60));
            struct Added {
                std::string name;
                const char* attributes;
                bool vms;
                std::string owner;
            };
            std::vector<Added> adds;
            for (int i = 0; i < count; ++i) {
                const bool vms = next(8) != 0;
                std::string name = kNames[next(names)];
                if (vms) name += ";" + std::to_string(next(5));
                adds.push_back({name, kAttributes[next(4)], vms, "owner" + std::to_string(i)});
            }
            const int moveAt = static_cast<int>(next(static_cast<std::uint32_t>(count) + 1));
            EntryTable atOnce;
            EntryTable ahead;
            for (int i = 0; i < count; ++i) {
                if (i == moveAt) ahead = EntryTable(std::move(ahead));
                for (EntryTable* table : {&atOnce, &ahead}) {
                    ParsedEntry e;
                    e.name = adds[i].name;
                    e.attributes = adds[i].attributes;
                    e.size = i + 1;
                    e.extras.owner = adds[i].owner;
                    if (extended) {
                        table->AddExtended(e, adds[i].vms, false);
                    } else {
                        table->AddEntryAhead(e, adds[i].vms);
                    }
                    if (table == &atOnce) table->Settle();
                }
            }
            ahead.Settle();
            ASSERT_EQ(ahead.Size(), atOnce.Size());
            for (std::size_t i = 0; i < atOnce.Size(); ++i) {
                SCOPED_TRACE(i);
                EXPECT_EQ(ftpdirlist::ToEntry(ahead.Row(i)), ftpdirlist::ToEntry(atOnce.Row(i)));
                EXPECT_EQ(ahead.Row(i).version, atOnce.Row(i).version);
                EXPECT_EQ(ahead.Extras(i).owner, atOnce.Extras(i).owner);
            }
        }
    }
}

TEST(EntryTable, ReplacementTakesEveryField) {
    std::string oldName = "DATA;1";
    std::string newName = "DATA;2";
    ParsedEntry older;
    older.name = oldName;
    older.attributes = "(RWED,RWED,RE,)";
    older.size = -2;
    older.dateTime = {2001, 5, 3, 9, 0, 1, 1};
    ParsedEntry newer;
    newer.name = newName;
    newer.attributes = "(R)";
    newer.size = 42;
    newer.isDir = 1;
    newer.isLink = 1;
    newer.dateTime = {1999, 12, 31, 23, 59, 0, 1};  // no time: hasTime 0

    EntryTable table;
    AddEntry(table, older, true);
    AddEntry(table, newer, true);
    ASSERT_EQ(table.Size(), 1u);
    ftpdirlist::FtpDirEntry expected = ftpdirlist::ToEntry(newer);
    expected.name = "DATA";
    EXPECT_EQ(ftpdirlist::ToEntry(table.Row(0)), expected);
}

TEST(EntryTable, ManyVersionsOfOneName) {
    constexpr int kVersions = 200000;
    for (const bool rising : {true, false}) {
        SCOPED_TRACE(rising ? "rising" : "falling");
        EntryTable table;
        for (int i = 1; i <= kVersions; ++i) {
            const int version = rising ? i : kVersions + 1 - i;
            const std::string name = "LOG.TXT;" + std::to_string(version);
            ParsedEntry e;
            e.name = name;
            e.size = version;
            AddEntry(table, e, true);
        }
        ASSERT_EQ(table.Size(), 1u);
        EXPECT_EQ(table.Row(0).Name(), "LOG.TXT");
        EXPECT_EQ(table.Row(0).version, kVersions);
        EXPECT_EQ(table.Row(0).size, kVersions);
    }
}

TEST(EntryTable, ManyNamesKeepTheirPlaces) {
    constexpr int kNames = 50000;
    EntryTable table;
    auto add = [&table](int n, int version, std::int64_t size) {
        const std::string name = "F" + std::to_string(n) + ";" + std::to_string(version);
        ParsedEntry e;
        e.name = name;
        e.size = size;
        AddEntry(table, e, true);
    };
    for (int n = 0; n < kNames; ++n) add(n, 1, n);
    for (int n = kNames - 1; n >= 0; n -= 2) add(n, 2, -n);  // every second name, backwards
    ASSERT_EQ(table.Size(), static_cast<std::size_t>(kNames));
    for (int n = 0; n < kNames; ++n) {
        const bool replaced = (kNames - 1 - n) % 2 == 0;
        ASSERT_EQ(table.Row(n).Name(), "F" + std::to_string(n)) << n;
        ASSERT_EQ(table.Row(n).version, replaced ? 2 : 1) << n;
        ASSERT_EQ(table.Row(n).size, replaced ? -n : n) << n;
    }
}

TEST(EntryTable, EntriesBeforeTheFlagJoinTheCollapse) {
    constexpr int kNames = 3000;
    std::vector<Add> adds;
    for (int n = 0; n < kNames; ++n) {
        adds.push_back({"N" + std::to_string(n), false});
        adds.push_back({"N" + std::to_string(n), false});
    }
    for (int n = kNames - 1; n >= 0; --n) adds.push_back({"N" + std::to_string(n) + ";1", true});
    EntryTable table;
    AddAll(table, adds);
    ASSERT_EQ(table.Size(), static_cast<std::size_t>(2 * kNames));
    for (int n = 0; n < kNames; ++n) {
        // The first of each pair is replaced by the VMS entry, the second stays.
        ASSERT_EQ(table.Row(2 * n).version, 1) << n;
        ASSERT_EQ(table.Row(2 * n).size, 2 * kNames + (kNames - n)) << n;
        ASSERT_EQ(table.Row(2 * n + 1).version, 0) << n;
        ASSERT_EQ(table.Row(2 * n + 1).size, 2 * n + 2) << n;
    }
}

TEST(EntryTable, TextsOfEverySizeStayIntact) {
    // Short and long texts, some longer than any block of text storage.
    std::vector<std::string> names;
    std::vector<std::string> attributes;
    for (int i = 0; i < 4000; ++i) {
        const std::size_t length = (i % 97 == 0) ? 20000 + i : static_cast<std::size_t>(i % 61);
        names.push_back(std::string(length, static_cast<char>('a' + i % 26)) + std::to_string(i));
        attributes.push_back(
            std::string(static_cast<std::size_t>(i % 7), static_cast<char>('A' + i % 26)));
    }
    EntryTable table;
    for (std::size_t i = 0; i < names.size(); ++i) {
        ParsedEntry e;
        std::string scratch = names[i];  // released before the table is read
        e.name = scratch;
        e.attributes = attributes[i];
        AddEntry(table, e, false);
    }
    ASSERT_EQ(table.Size(), names.size());
    EntryTable moved = std::move(table);
    for (std::size_t i = 0; i < names.size(); ++i) {
        ASSERT_EQ(moved.Row(i).Name(), names[i]) << i;
        ASSERT_EQ(AttributesOf(moved.Row(i)), attributes[i]) << i;
    }
}

}  // namespace

namespace {

using ftpdirlist::RowBlocks;
using ftpdirlist::RowExtras;

TEST(RowBlocks, PlacesOfRows) {
    constexpr std::size_t kFirst = RowBlocks::kFirstRows;
    constexpr std::size_t kDoubled = RowBlocks::kDoubledRows;
    constexpr std::size_t kMax = RowBlocks::kMaxRows;
    struct Case {
        const char* reason;
        std::size_t index;
        std::size_t block;
        std::size_t offset;
    };
    const Case cases[] = {
        {"the first row", 0, 0, 0},
        {"the last row of the first block", kFirst - 1, 0, kFirst - 1},
        {"the second block starts after the first", kFirst, 1, 0},
        {"the second block holds twice as many", 3 * kFirst - 1, 1, 2 * kFirst - 1},
        {"the third block", 3 * kFirst, 2, 0},
        {"the last doubled block starts", kDoubled - kMax, RowBlocks::kDoublings - 1, 0},
        {"the last row of the doubled blocks", kDoubled - 1, RowBlocks::kDoublings - 1, kMax - 1},
        {"the first block of constant size", kDoubled, RowBlocks::kDoublings, 0},
        {"inside it", kDoubled + kMax - 1, RowBlocks::kDoublings, kMax - 1},
        {"the next one", kDoubled + kMax, RowBlocks::kDoublings + 1, 0},
        {"far out", kDoubled + 5 * kMax + 7, RowBlocks::kDoublings + 5, 7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        const RowBlocks::Place place = RowBlocks::PlaceOf(c.index);
        EXPECT_EQ(place.block, c.block);
        EXPECT_EQ(place.offset, c.offset);
    }
    // Every block starts where the rows of the blocks before it end.
    std::size_t start = 0;
    for (std::size_t block = 0; block < RowBlocks::kDoublings + 3; ++block) {
        SCOPED_TRACE(block);
        EXPECT_EQ(RowBlocks::PlaceOf(start).block, block);
        EXPECT_EQ(RowBlocks::PlaceOf(start).offset, 0u);
        start += RowBlocks::RowsInBlock(block);
        EXPECT_EQ(RowBlocks::PlaceOf(start - 1).block, block);
        EXPECT_EQ(RowBlocks::PlaceOf(start - 1).offset, RowBlocks::RowsInBlock(block) - 1);
    }
}

void AddNamed(EntryTable& table, const std::string& name, bool vms, std::int64_t size) {
    ParsedEntry e;
    e.name = name;
    e.attributes = "-rw-r--r--";
    e.size = size;
    AddEntry(table, e, vms);
}

// A moved-from table is empty and takes entries again into memory of its
// own; the table moved to keeps its rows. Under AddressSanitizer a row
// written through a stale cursor is an error.
TEST(EntryTable, MovesLeaveTheSourceEmptyAndUsable) {
    for (const bool vms : {false, true}) {
        SCOPED_TRACE(vms ? "collapsing" : "appending");
        EntryTable first;
        AddNamed(first, "A;1", vms, 1);
        AddNamed(first, "B;1", vms, 2);
        EntryTable second(std::move(first));
        EXPECT_EQ(first.Size(), 0u);
        AddNamed(first, "A;2", vms, 3);  // not a newer version of second's A
        AddNamed(first, "C;1", vms, 4);
        ASSERT_EQ(first.Size(), 2u);
        EXPECT_EQ(first.Row(0).size, 3);
        EXPECT_EQ(first.Row(1).size, 4);

        EntryTable third;
        AddNamed(third, "Z;1", vms, 9);
        third = std::move(second);
        EXPECT_EQ(second.Size(), 0u);
        AddNamed(second, "A;5", vms, 5);
        ASSERT_EQ(second.Size(), 1u);
        ASSERT_EQ(third.Size(), 2u);
        EXPECT_EQ(third.Row(0).size, 1);
        EXPECT_EQ(third.Row(1).size, 2);
        EXPECT_EQ(third.Row(0).Name(), vms ? "A" : "A;1");

        first = EntryTable();  // the rows of `first` go; the others stay
        EXPECT_EQ(third.Row(1).Name(), vms ? "B" : "B;1");
        EXPECT_EQ(second.Row(0).size, 5);
    }
}

// An extended entry as added, or a row as it must read afterwards: name,
// size and the extras that vary.
struct Extended {
    std::string name;
    std::int64_t size;
    std::string target;
    std::string owner;
    std::int8_t second;
};

void AddExtendedAll(EntryTable& table, const std::vector<Extended>& adds, bool vms,
                    bool keepVersions) {
    for (const Extended& a : adds) {
        // Texts from buffers released before the table is read.
        std::string name = a.name;
        std::string target = a.target;
        std::string owner = a.owner;
        ParsedEntry e;
        e.name = name;
        e.size = a.size;
        e.extras.target = target;
        e.extras.owner = owner;
        e.extras.group = "staff";
        e.extras.second = a.second;
        e.extras.utc = 1;
        e.extras.format = ftpdirlist::EntryFormat::vms;
        table.AddExtended(e, vms, keepVersions);
    }
    table.Settle();
}

TEST(EntryTable, ExtendedEntriesKeepTheirExtras) {
    struct Case {
        const char* reason;
        bool vms;
        bool keepVersions;
        std::vector<Extended> adds;
        std::vector<Extended> rows;
    };
    const Case cases[] = {
        {"not VMS: stored as given",
         false,
         false,
         {{"a;1", 1, "t", "o", 5}, {"a;2", 2, "", "", -1}},
         {{"a;1", 1, "t", "o", 5}, {"a;2", 2, "", "", -1}}},
        {"collapsed: the highest version in the first row's place, with its extras",
         true,
         false,
         {{"A;1", 1, "x", "old", 1}, {"B;1", 2, "", "b", 2}, {"A;3", 3, "y", "new", 3}},
         {{"A", 3, "y", "new", 3}, {"B", 2, "", "b", 2}}},
        {"collapsed: a lower version changes nothing",
         true,
         false,
         {{"A;3", 1, "x", "kept", 1}, {"A;2", 2, "y", "lost", 2}},
         {{"A", 1, "x", "kept", 1}}},
        {"collapsed: a name without a version is stored whole, version 0",
         true,
         false,
         {{"NOTES", 1, "", "o", 0}, {"NOTES;1", 2, "", "p", 0}, {"OTHER", 3, "", "q", 0}},
         {{"NOTES", 2, "", "p", 0}, {"OTHER", 3, "", "q", 0}}},
        {"collapsed: ';' alone or at the start is no version",
         true,
         false,
         {{"X;", 1, "", "", 0}, {";4", 2, "", "", 0}},
         {{"X;", 1, "", "", 0}, {";4", 2, "", "", 0}}},
        {"collapsed: one digit after a ';' is a version, another byte makes version 0",
         true,
         false,
         {{"A;x", 1, "", "", 0},
          {"A;7", 2, "", "", 0},
          {"B;;5", 3, "", "", 0},
          {"B;;4", 4, "", "", 0},
          {"C;0", 5, "", "", 0},
          {"C;x", 6, "", "", 0}},
         {{"A", 2, "", "", 0}, {"B;", 3, "", "", 0}, {"C", 5, "", "", 0}}},
        {"keep versions: every version, the name with its ';N'",
         true,
         true,
         {{"A;1", 1, "", "o1", 1}, {"A;3", 2, "", "o3", 3}, {"A;2", 3, "", "o2", 2}},
         {{"A;1", 1, "", "o1", 1}, {"A;3", 2, "", "o3", 3}, {"A;2", 3, "", "o2", 2}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        EntryTable table;
        AddExtendedAll(table, c.adds, c.vms, c.keepVersions);
        ASSERT_EQ(table.Size(), c.rows.size());
        for (std::size_t i = 0; i < c.rows.size(); ++i) {
            SCOPED_TRACE(i);
            const RowExtras extras = table.Extras(i);
            EXPECT_EQ(table.Row(i).Name(), c.rows[i].name);
            EXPECT_EQ(table.Row(i).size, c.rows[i].size);
            EXPECT_EQ(extras.target, c.rows[i].target);
            EXPECT_EQ(extras.owner, c.rows[i].owner);
            EXPECT_EQ(extras.group, "staff");
            EXPECT_EQ(extras.second, c.rows[i].second);
            EXPECT_EQ(extras.utc, 1);
            EXPECT_EQ(extras.format, ftpdirlist::EntryFormat::vms);
        }
    }
}

TEST(EntryTable, ClassicRowsBesideExtendedOnesHaveNoExtras) {
    EntryTable table;
    AddNamed(table, "plain", false, 1);
    AddExtendedAll(table, {{"rich", 2, "to", "me", 7}}, false, false);
    AddNamed(table, "plain again", false, 3);
    ASSERT_EQ(table.Size(), 3u);
    EXPECT_EQ(table.Extras(0).owner, "");
    EXPECT_EQ(table.Extras(0).second, -1);
    EXPECT_EQ(table.Extras(1).owner, "me");
    EXPECT_EQ(table.Extras(2).format, ftpdirlist::EntryFormat::unknown);

    // A classic replacement of an extended row takes its (empty) extras too.
    EntryTable collapsing;
    AddExtendedAll(collapsing, {{"F;1", 1, "t", "o", 1}}, true, false);
    AddNamed(collapsing, "F;2", true, 2);
    ASSERT_EQ(collapsing.Size(), 1u);
    EXPECT_EQ(collapsing.Row(0).size, 2);
    EXPECT_EQ(collapsing.Extras(0).owner, "");
    EXPECT_EQ(collapsing.Extras(0).second, -1);
}

}  // namespace

namespace {

// The rest left by TakeFront checks new versions against the last VMS name
// in its own texts: the front may be gone by then.
TEST(EntryTable, RestOfTakeFrontCollapsesWithTheLastName) {
    for (const bool extended : {false, true}) {
        SCOPED_TRACE(extended ? "extended" : "classic");
        EntryTable table;
        const auto add = [&table, extended](std::string name, bool vms) {
            ParsedEntry e;
            e.name = name;
            if (extended) {
                table.AddExtended(e, vms, false);
            } else {
                table.AddEntryAhead(e, vms);
            }
        };
        add("OTHER", false);
        add("A;1", true);
        table.Settle();
        ASSERT_EQ(table.TakeFront(1).Size(), 1u);
        add("A;3", true);
        add("A;2", true);
        add("A;4", true);
        table.Settle();
        ASSERT_EQ(table.Size(), 1u);
        EXPECT_EQ(table.Row(0).Name(), "A");
        EXPECT_EQ(table.Row(0).version, 4);
    }
}

// Dates come back exactly as stored, packed or (a field beyond a byte, a
// flag beyond 1) kept whole; a replaced row takes the new date's form.
TEST(EntryTable, DatesComeBackExactly) {
    using ftpdirlist::EntryRow;
    using ftpdirlist::FtpDateTime;
    struct Case {
        const char* reason;
        FtpDateTime date;
        bool packed;
    };
    const Case cases[] = {
        {"a usual date and time", {2024, 12, 31, 23, 59, 1, 1}, true},
        {"no date, no time", {0, 0, 0, 0, 0, 0, 0}, true},
        {"fields at a byte's top", {1, 255, 255, 255, 255, 1, 1}, true},
        {"years of any size", {INT_MIN, 1, 1, 0, 0, 0, 1}, true},
        {"years of any size, up", {INT_MAX, 1, 1, 0, 0, 1, 0}, true},
        {"a day beyond a byte", {2001, 1, 256, 0, 0, 1, 0}, false},
        {"a negative minute", {2001, 1, 1, 0, -1, 0, 1}, false},
        {"a huge hour", {2001, 1, 1, INT_MAX, 0, 0, 1}, false},
        {"a negative month", {2001, INT_MIN, 1, 0, 0, 1, 0}, false},
        {"a flag beyond 1", {2001, 1, 1, 0, 0, 2, 0}, false},
        {"the date's flag beyond 1", {2001, 1, 1, 0, 0, 0, 2}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        for (const bool vms : {false, true}) {
            EntryTable table;
            std::string first = "F;1";
            std::string second = "F;2";
            ParsedEntry e;
            e.name = first;
            e.dateTime = vms ? FtpDateTime{1999, 1, 1, 0, 0, 1, 1} : c.date;
            AddEntry(table, e, vms);
            if (vms) {  // the date arrives by replacement
                e.name = second;
                e.dateTime = c.date;
                AddEntry(table, e, true);
            }
            ASSERT_EQ(table.Size(), 1u);
            const EntryRow& row = table.Row(0);
            EXPECT_EQ(row.DateTime(), c.date);
            EXPECT_EQ((row.dateBits & EntryRow::kWideDate) == 0, c.packed);
        }
    }
}

}  // namespace

namespace {

TEST(EntryTable, ExtendedAppendsAcrossBlocksKeepEveryField) {
    // Enough rows and texts to fill several row and text blocks, with now
    // and then an entry that needs more than the room at hand: a date that
    // does not pack, a pad before the name, no texts at all, a long text.
    using ftpdirlist::FtpDateTime;
    constexpr int kRows = 5000;
    std::vector<std::string> lines;  // " name", the pad's space first
    std::vector<std::string> owners;
    for (int i = 0; i < kRows; ++i) {
        const std::size_t length = i % 53 == 0 ? 30000 : static_cast<std::size_t>(i % 40);
        lines.push_back(" " + std::string(length, static_cast<char>('a' + i % 26)));
        owners.push_back(i % 5 == 0 ? "" : "owner" + std::to_string(i));
    }
    const auto dateOf = [](int i) {
        return i % 7 == 0 ? FtpDateTime{2001, 1, 300, 0, 0, 0, 1}
                          : FtpDateTime{2001, 2, 3, 4, i % 60, 1, 1};
    };
    EntryTable table;
    for (int i = 0; i < kRows; ++i) {
        ParsedEntry e;
        e.name = std::string_view(lines[i]).substr(1);
        e.attributes = i % 3 == 0 ? "" : "-rw-r--r--";
        e.size = i;
        e.dateTime = dateOf(i);
        e.extras.owner = owners[i];
        e.extras.facts = i % 11 == 0 ? "type=file;" : "";
        e.extras.padBeforeName = i % 13 == 0;
        table.AddExtended(e, false, false);
    }
    for (const bool restored : {false, true}) {
        if (restored) table.RestoreNamePads();
        ASSERT_EQ(table.Size(), static_cast<std::size_t>(kRows));
        for (int i = 0; i < kRows; ++i) {
            SCOPED_TRACE(i);
            const bool pad = restored && i % 13 == 0;
            ASSERT_EQ(table.Row(i).Name(), std::string_view(lines[i]).substr(pad ? 0 : 1));
            ASSERT_EQ(AttributesOf(table.Row(i)), i % 3 == 0 ? "" : "-rw-r--r--");
            ASSERT_EQ(table.Row(i).size, i);
            ASSERT_EQ(table.Row(i).DateTime(), dateOf(i));
            ASSERT_EQ(table.Extras(i).owner, owners[i]);
            ASSERT_EQ(table.Extras(i).facts, i % 11 == 0 ? "type=file;" : "");
            ASSERT_EQ(table.Extras(i).second, -1);
        }
    }
}

}  // namespace

namespace {

using ftpdirlist::StoredExtras;

// What row i of a shaped table holds: classic, extended with nothing
// beyond its format (a DOS line's), or extended with owner "o<i>" and
// second i % 60.
enum class Kind { classic, plain, rich };
using Shape = std::function<Kind(std::size_t)>;

// Rows 0 to `rows` - 1 into `table`, row i of size i and of kind shape(i);
// now and then a plain row's name follows a pad (the general path).
void AddShaped(EntryTable& table, std::size_t rows, const Shape& shape) {
    for (std::size_t i = 0; i < rows; ++i) {
        const std::string name = " f" + std::to_string(i);
        const std::string owner = "o" + std::to_string(i);
        ParsedEntry e;
        e.name = std::string_view(name).substr(1);
        e.size = static_cast<std::int64_t>(i);
        const Kind kind = shape(i);
        if (kind == Kind::classic) {
            AddEntry(table, e, false);
            continue;
        }
        e.extras.format = ftpdirlist::EntryFormat::dos;
        if (kind == Kind::rich) {
            e.extras.owner = owner;
            e.extras.second = static_cast<std::int8_t>(i % 60);
        } else if (i % 97 == 5) {
            e.extras.padBeforeName = 1;
        }
        table.AddExtended(e, false, false);
    }
    table.Settle();
}

// Row j of `table` is row `first` + j of the shape, with its own format and
// extras, read through Extras() and, below ExtrasCount(), in the extras'
// block of its row block at its offset.
void ExpectShaped(const EntryTable& table, std::size_t first, std::size_t rows,
                  const Shape& shape) {
    ASSERT_EQ(table.Size(), rows - first);
    for (std::size_t j = 0; j < table.Size(); ++j) {
        SCOPED_TRACE(first + j);
        const std::size_t i = first + j;
        const Kind kind = shape(i);
        const bool rich = kind == Kind::rich;
        const RowExtras x = table.Extras(j);
        ASSERT_EQ(table.Row(j).size, static_cast<std::int64_t>(i));
        ASSERT_EQ(x.format, kind == Kind::classic ? ftpdirlist::EntryFormat::unknown
                                                  : ftpdirlist::EntryFormat::dos);
        ASSERT_EQ(x.owner, rich ? "o" + std::to_string(i) : "");
        ASSERT_EQ(x.second, rich ? static_cast<std::int8_t>(i % 60) : -1);
        if (j >= table.ExtrasCount()) continue;
        const RowBlocks::Place place = RowBlocks::PlaceOf(j);
        const StoredExtras& slot = table.ExtrasBlock(place.block)[place.offset];
        ASSERT_EQ(slot.ownerLength, x.owner.size());
        ASSERT_EQ(slot.second, x.second);
    }
}

// `table` built in two parts at `front` reads as shaped.
void ExpectShapedInParts(std::size_t rows, std::size_t front, const Shape& shape) {
    SCOPED_TRACE(front);
    EntryTable whole;
    AddShaped(whole, rows, shape);
    EntryTable taken = whole.TakeFront(front);
    taken.RestoreNamePads();
    whole.RestoreNamePads();
    ExpectShaped(taken, 0, front, shape);
    ExpectShaped(whole, front, rows, shape);
}

// The extras follow the rows' blocks: every row reads its own on both sides
// of each block's end, whichever rows are classic, and a table handed over
// in two parts at a block's end keeps them.
TEST(EntryTable, ExtrasAcrossRowBlocks) {
    constexpr std::size_t kFirst = RowBlocks::kFirstRows;  // block 1 starts here
    constexpr std::size_t kThird = 3 * kFirst;             // block 2 starts here
    constexpr std::size_t kRows = 7 * kFirst + 40;         // into block 3
    struct Case {
        const char* reason;
        bool (*extended)(std::size_t);
    };
    const Case cases[] = {
        {"extended throughout", [](std::size_t) { return true; }},
        {"classic up to the second block", [](std::size_t i) { return i >= kFirst; }},
        {"classic rows on the first block's end",
         [](std::size_t i) { return i + 1 < kFirst || i > kFirst + 1; }},
        {"one extended row after classic ones in three blocks",
         [](std::size_t i) { return i == 7 * kFirst + 2; }},
        {"extended up to the first block's end only", [](std::size_t i) { return i < kFirst; }},
        {"every third row extended", [](std::size_t i) { return i % 3 == 1; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        const Shape shape = [&c](std::size_t i) {
            return c.extended(i) ? Kind::rich : Kind::classic;
        };
        EntryTable table;
        AddShaped(table, kRows, shape);
        ExpectShaped(table, 0, kRows, shape);
        // Every row up to the last extended one has a slot, and no other.
        std::size_t slots = 0;
        for (std::size_t i = 0; i < kRows; ++i) {
            if (c.extended(i)) slots = i + 1;
        }
        EXPECT_EQ(table.ExtrasCount(), slots);
        for (const std::size_t front : {kFirst - 1, kFirst, kFirst + 1, kThird}) {
            ExpectShapedInParts(kRows, front, shape);
        }
    }
}

// An extended row whose extras tell nothing but its format keeps the
// format in its row: a table of such rows allocates no extras, and beside
// rows with extras every row reads its own, handed over in parts too.
TEST(EntryTable, RowsWithOnlyAFormatNeedNoExtras) {
    constexpr std::size_t kFirst = RowBlocks::kFirstRows;
    constexpr std::size_t kRows = 3 * kFirst + 40;  // into block 2
    struct Case {
        const char* reason;
        Kind (*kind)(std::size_t);
        std::size_t slotsAtLeast;  // the rows up to the last rich one
        bool noSlots;
    };
    const Case cases[] = {
        {"plain throughout", [](std::size_t) { return Kind::plain; }, 0, true},
        {"plain and classic", [](std::size_t i) { return i % 2 ? Kind::plain : Kind::classic; },
         0, true},
        {"one rich row in the second block",
         [](std::size_t i) { return i == kFirst + 7 ? Kind::rich : Kind::plain; }, kFirst + 8,
         false},
        {"rich up to the first block's end, then plain",
         [](std::size_t i) { return i < kFirst ? Kind::rich : Kind::plain; }, kFirst, false},
        {"every third row rich",
         [](std::size_t i) { return i % 3 == 0 ? Kind::rich : Kind::plain; }, kRows - 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        EntryTable table;
        AddShaped(table, kRows, c.kind);
        table.RestoreNamePads();
        ExpectShaped(table, 0, kRows, c.kind);
        EXPECT_GE(table.ExtrasCount(), c.slotsAtLeast);
        if (c.noSlots) {
            EXPECT_EQ(table.ExtrasCount(), 0u);
        }
        for (const std::size_t front : {kFirst - 1, kFirst + 1}) {
            ExpectShapedInParts(kRows, front, c.kind);
        }
    }
}

// A newer version of a VMS file writes the extras of its first row, which
// may lie blocks before the last one, by every path a version takes: its
// lookup deferred, checked against the last name, compared with a row
// already stored, a classic version clearing them, a classic row taking
// its first extras; a new date leaves them alone.
TEST(EntryTable, LaterVersionsWriteEarlierRowsExtras) {
    constexpr std::size_t kNames = 3 * RowBlocks::kFirstRows + 30;
    const std::size_t newer[] = {0, 1022, 1023, 1024, 1025, 3071, 3072, kNames - 1};
    std::vector<std::string> owners(kNames);
    EntryTable table;
    const auto add = [&table, &owners](std::size_t k, int version, bool extended) {
        const std::string name = "F" + std::to_string(k) + ";" + std::to_string(version);
        const std::string owner = "v" + std::to_string(version) + "-" + std::to_string(k);
        ParsedEntry e;
        e.name = name;
        e.size = version;
        if (!extended) {
            table.AddEntryAhead(e, true);
            owners[k] = "";
            return;
        }
        e.extras.owner = owner;
        table.AddExtended(e, true, false);
        owners[k] = owner;
    };
    for (std::size_t k = 0; k < kNames; ++k) add(k, 1, true);
    for (const std::size_t k : newer) add(k, 2, true);  // deferred lookups
    add(1024, 4, true);                                 // then the last name
    add(1024, 3, true);                                 // a lower one, dropped
    add(1024, 5, true);
    table.Settle();
    add(1024, 6, true);  // against the row stored
    add(1025, 7, false);
    table.Settle();
    ASSERT_EQ(table.Size(), kNames);
    const ftpdirlist::FtpDateTime date{2020, 1, 2, 3, 4, 1, 1};
    table.RedateRow(1023, date);
    for (std::size_t k = 0; k < kNames; ++k) {
        SCOPED_TRACE(k);
        ASSERT_EQ(table.Row(k).Name(), "F" + std::to_string(k));
        ASSERT_EQ(table.Extras(k).owner, owners[k]);
    }
    EXPECT_EQ(table.Row(1024).version, 6);
    EXPECT_EQ(table.Row(1025).version, 7);
    EXPECT_EQ(table.Row(1023).DateTime(), date);

    // Classic VMS rows over two blocks, then an extended version of one of
    // the second block's: the rows before it get slots, as constructed.
    EntryTable classic;
    for (std::size_t k = 0; k < RowBlocks::kFirstRows + 100; ++k) {
        AddNamed(classic, "C" + std::to_string(k) + ";1", true, 1);
    }
    ParsedEntry e;
    e.name = "C1050;2";
    e.extras.owner = "rich";
    classic.AddExtended(e, true, false);
    classic.Settle();
    EXPECT_EQ(classic.ExtrasCount(), 1051u);
    EXPECT_EQ(classic.Extras(1050).owner, "rich");
    EXPECT_EQ(classic.Extras(1049).owner, "");
    EXPECT_EQ(classic.Extras(1049).second, -1);
    EXPECT_EQ(classic.Extras(0).owner, "");
}

}  // namespace
