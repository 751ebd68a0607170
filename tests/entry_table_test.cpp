// The entry table: arrival order, and once the listing is VMS-style, one
// entry per file name with the highest version, kept where the name first
// appeared.
#include <gtest/gtest.h>

#include <climits>
#include <string>
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

void AddAll(EntryTable& table, const std::vector<Add>& adds) {
    std::int64_t arrival = 0;
    for (const Add& a : adds) {
        ParsedEntry e;
        e.name = a.name;
        e.size = ++arrival;
        table.AddEntry(e, a.vms);
    }
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
        table.AddEntry(e, true);
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
    {"versions beyond 32 bits saturate",
     {{"F;99999999999", true}, {"F;2147483647", true}, {"G;-99999999999", true}},
     {{"F", INT_MAX, 1}, {"G", INT_MIN, 3}}},
    // "\xC4\xCE\xCA" is the Cyrillic DOK in Windows-1251.
    {"names are bytes",
     {{"\xC4\xCE\xCA;1", true}, {"\xC4\xCE\xCA;2", true}},
     {{"\xC4\xCE\xCA", 2, 2}}},
};

TEST(EntryTable, CollapseRules) {
    for (const CollapseCase& c : kCollapseCases) {
        SCOPED_TRACE(c.reason);
        EntryTable table;
        AddAll(table, c.adds);
        ExpectRows(table, c.rows);
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
    table.AddEntry(older, true);
    table.AddEntry(newer, true);
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
            table.AddEntry(e, true);
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
        table.AddEntry(e, true);
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
        table.AddEntry(e, false);
    }
    ASSERT_EQ(table.Size(), names.size());
    EntryTable moved = std::move(table);
    for (std::size_t i = 0; i < names.size(); ++i) {
        ASSERT_EQ(moved.Row(i).Name(), names[i]) << i;
        ASSERT_EQ(moved.Row(i).Attributes(), attributes[i]) << i;
    }
}

}  // namespace
