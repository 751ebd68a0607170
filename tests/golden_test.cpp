// Whole listings against their expected tables: the listings of examples/
// and those of tests/data/, through the listing object with a fixed "today"
// and through the three exported functions with the system clock.
//
// NAME.expected sits beside NAME.txt (tests/data/examples/NAME.expected for
// examples/NAME.txt). Lines starting with '#' are comments; "today Y-M-D"
// gives the date that dates the entries with a time; every other line is one
// entry, fields separated by one tab: name, attributes, size, flags ("d"
// directory, "l" link, "dl" both, "-" neither), date Y-M-D (with a leading
// "~" when its year follows from "today"), time H:M or "-". In the texts,
// \xHH stands for one byte and \\ for a backslash.
#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "core_helpers.h"
#include "ftpdirlist/ftpdirlist.h"

namespace {

namespace fs = std::filesystem;
using coretest::FtpDirEntry;
using coretest::LocalDate;

struct ExpectedEntry {
    FtpDirEntry entry;
    bool yearFromToday;  // a timed Unix-style entry
};

struct Golden {
    std::string label;
    std::string listing;
    LocalDate today{0, 0, 0};
    std::vector<ExpectedEntry> entries;
};

std::string Unescape(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == '\\') {
            out.push_back('\\');
            ++i;
        } else if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x') {
            out.push_back(static_cast<char>(std::stoi(text.substr(i + 2, 2), nullptr, 16)));
            i += 3;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

std::vector<std::string> Split(const std::string& line, char by) {
    std::vector<std::string> fields;
    std::string field;
    std::istringstream in(line);
    while (std::getline(in, field, by)) fields.push_back(field);
    if (!line.empty() && line.back() == by) fields.emplace_back();
    return fields;
}

// Y-M-D, each part a signed decimal number.
LocalDate ParseDate(const std::string& text) {
    const std::vector<std::string> parts = Split(text, '-');
    if (parts.size() != 3) throw std::runtime_error("bad date: " + text);
    return {std::stoi(parts[0]), std::stoi(parts[1]), std::stoi(parts[2])};
}

Golden LoadGolden(const std::string& listingPath, const std::string& expectedPath) {
    Golden g;
    g.label = listingPath;
    g.listing = coretest::ReadSourceFile(listingPath);
    std::istringstream in(coretest::ReadSourceFile(expectedPath));
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        if (line.rfind("today ", 0) == 0) {
            g.today = ParseDate(line.substr(6));
            continue;
        }
        const std::vector<std::string> f = Split(line, '\t');
        if (f.size() != 6) throw std::runtime_error(expectedPath + ": bad line: " + line);
        ExpectedEntry e{};
        e.entry.name = Unescape(f[0]);
        e.entry.attributes = Unescape(f[1]);
        e.entry.size = std::stoll(f[2]);
        e.entry.isDir = f[3].find('d') != std::string::npos;
        e.entry.isLink = f[3].find('l') != std::string::npos;
        e.yearFromToday = f[4][0] == '~';
        const LocalDate date = ParseDate(e.yearFromToday ? f[4].substr(1) : f[4]);
        e.entry.dateTime.hasDate = 1;
        e.entry.dateTime.year = date.year;
        e.entry.dateTime.month = date.month;
        e.entry.dateTime.day = date.day;
        if (f[5] != "-") {
            const std::size_t colon = f[5].find(':');
            e.entry.dateTime.hasTime = 1;
            e.entry.dateTime.hour = std::stoi(f[5].substr(0, colon));
            e.entry.dateTime.minute = std::stoi(f[5].substr(colon + 1));
        }
        g.entries.push_back(e);
    }
    return g;
}

std::vector<Golden> AllGoldens() {
    std::vector<Golden> out;
    const fs::path root(FTPDIRLIST_SOURCE_DIR);
    std::vector<fs::path> expectations;
    for (const char* dir : {"tests/data", "tests/data/examples"}) {
        for (const auto& item : fs::directory_iterator(root / dir)) {
            if (item.path().extension() == ".expected") expectations.push_back(item.path());
        }
    }
    std::sort(expectations.begin(), expectations.end());
    for (const fs::path& expected : expectations) {
        const bool example = expected.parent_path().filename() == "examples";
        const std::string stem = expected.stem().string();
        const std::string listing =
            example ? "examples/" + stem + ".txt" : "tests/data/" + stem + ".txt";
        const std::string relative = fs::relative(expected, root).generic_string();
        out.push_back(LoadGolden(listing, relative));
    }
    return out;
}

// The year that a listing dated `today` gives an entry of this month and day.
std::int32_t YearFrom(const LocalDate& today, const ftpdirlist::FtpDateTime& d) {
    const std::int64_t entry = std::int64_t{d.month} * 31 + d.day;
    const std::int64_t limit = std::int64_t{today.month} * 31 + today.day + 1;
    return entry > limit ? today.year - 1 : today.year;
}

std::vector<FtpDirEntry> Expected(const Golden& g, const LocalDate& today) {
    std::vector<FtpDirEntry> out;
    for (const ExpectedEntry& e : g.entries) {
        out.push_back(e.entry);
        if (e.yearFromToday) out.back().dateTime.year = YearFrom(today, e.entry.dateTime);
    }
    return out;
}

// Entry by entry, so that a failure names the entry and its fields.
void ExpectTable(const std::vector<FtpDirEntry>& got, const std::vector<FtpDirEntry>& expected) {
    for (std::size_t i = 0; i < std::min(got.size(), expected.size()); ++i) {
        EXPECT_EQ(got[i], expected[i]) << "entry " << i;
    }
    EXPECT_EQ(got.size(), expected.size());
}

TEST(Golden, EveryExampleListingHasItsTable) {
    const fs::path root(FTPDIRLIST_SOURCE_DIR);
    int examples = 0;
    for (const auto& item : fs::directory_iterator(root / "examples")) {
        if (item.path().extension() != ".txt") continue;
        ++examples;
        const fs::path expected =
            root / "tests/data/examples" / (item.path().stem().string() + ".expected");
        EXPECT_TRUE(fs::exists(expected))
            << "write " << expected.filename() << " in tests/data/examples";
    }
    EXPECT_GE(examples, 4);
}

TEST(Golden, ListingsGiveTheirTables) {
    const std::vector<Golden> goldens = AllGoldens();
    ASSERT_GE(goldens.size(), 8u);
    for (const Golden& g : goldens) {
        SCOPED_TRACE(g.label);
        ASSERT_FALSE(g.listing.empty());
        ASSERT_NE(g.today.year, 0) << "no 'today' line";
        ExpectTable(coretest::ParseChunks({g.listing}, g.today).entries, Expected(g, g.today));
        // The years written in the file are those of its "today".
        for (const ExpectedEntry& e : g.entries) {
            if (e.yearFromToday) {
                EXPECT_EQ(e.entry.dateTime.year, YearFrom(g.today, e.entry.dateTime));
            }
        }
    }
}

// The listing with every line end written as `eol`, and without the last
// one when `finalEnd` is false.
std::string WithLineEnds(const std::string& listing, const std::string& eol, bool finalEnd) {
    std::vector<std::string> lines;
    std::string line;
    for (std::size_t i = 0; i < listing.size(); ++i) {
        const char ch = listing[i];
        if (ch == '\r' || ch == '\n') {
            lines.push_back(line);
            line.clear();
            if (ch == '\r' && i + 1 < listing.size() && listing[i + 1] == '\n') ++i;
        } else {
            line.push_back(ch);
        }
    }
    if (!line.empty()) lines.push_back(line);
    std::string out;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        out += lines[i];
        if (finalEnd || i + 1 < lines.size()) out += eol;
    }
    return out;
}

TEST(Golden, LineEndsDoNotChangeTheTable) {
    struct Variant {
        const char* reason;
        const char* eol;
        bool finalEnd;
    };
    const Variant variants[] = {
        {"CR LF", "\r\n", true},
        {"LF", "\n", true},
        {"CR", "\r", true},
        {"LF CR", "\n\r", true},
        {"CR LF, no final line end", "\r\n", false},
        {"LF, no final line end", "\n", false},
    };
    for (const Golden& g : AllGoldens()) {
        const std::vector<FtpDirEntry> expected = Expected(g, g.today);
        for (const Variant& v : variants) {
            SCOPED_TRACE(g.label + ", " + v.reason);
            const std::string listing = WithLineEnds(g.listing, v.eol, v.finalEnd);
            ExpectTable(coretest::ParseChunks({listing}, g.today).entries, expected);
        }
    }
}

LocalDate SystemToday() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

// What a host reads of every entry.
std::vector<FtpDirEntry> ReadThroughExports(const std::string& listing) {
    const int32_t count = testsupport::InitExact(listing);
    std::vector<FtpDirEntry> out;
    for (int32_t i = 0; i < count; ++i) {
        const testsupport::HostItem read = testsupport::ReadAsHost(i);
        const FtpDirItem& item = read.item;
        FtpDirEntry e;
        e.name = read.name;
        e.attributes = read.attributes;
        e.size = item.size;
        e.dateTime = {item.year,   item.month,   item.day,    item.hour,
                      item.minute, item.hasTime, item.hasDate};
        out.push_back(e);
    }
    UnInitFtpDirList();
    return out;
}

TEST(Golden, ExportedFunctionsGiveTheTables) {
    for (const Golden& g : AllGoldens()) {
        SCOPED_TRACE(g.label);
        // Read the clock on both sides of the call; retry across midnight.
        std::vector<FtpDirEntry> got;
        LocalDate today{};
        for (int attempt = 0; attempt < 3; ++attempt) {
            const LocalDate before = SystemToday();
            got = ReadThroughExports(g.listing);
            today = SystemToday();
            if (before.year == today.year && before.month == today.month && before.day == today.day)
                break;
        }
        std::vector<FtpDirEntry> expected = Expected(g, today);
        for (FtpDirEntry& e : expected) {
            // The host sees no flags, only the default text of an entry
            // without attributes; the record leaves hour and minute at 0.
            if (e.attributes.empty()) e.attributes = e.isLink ? "l" : e.isDir ? "d" : "";
            e.isDir = 0;
            e.isLink = 0;
            if (!e.dateTime.hasTime) e.dateTime.hour = e.dateTime.minute = 0;
        }
        ExpectTable(got, expected);
    }
}

}  // namespace
