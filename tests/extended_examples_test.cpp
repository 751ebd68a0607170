// The example listings of the extended forms, read line by line through the
// dispatcher as the driver reads them (a line that is no entry is tried
// again joined with the next), from exact-size heap copies.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <vector>

#include "extended_helpers.h"

namespace ftpdirlist {
namespace {

struct Read {
    std::string name;
    std::string target;
    std::string owner;
    std::int64_t size;
    int isDir;
    int isLink;
    FtpDateTime dateTime;
    EntryFormat format;
};

struct Listing {
    std::vector<Read> entries;
    int headers = 0;
    std::vector<std::string> skipped;

    const Read* Find(const std::string& name) const {
        for (const Read& r : entries) {
            if (r.name == name) return &r;
        }
        return nullptr;
    }
};

Listing ReadExample(const char* file) {
    std::ifstream in(std::string(FTPDIRLIST_SOURCE_DIR) + "/examples/" + file, std::ios::binary);
    EXPECT_TRUE(in.good()) << file;
    std::stringstream text;
    text << in.rdbuf();
    Listing listing;
    ext::ListingState state;
    std::string line;
    std::string pending;
    bool hasPending = false;
    const auto tryLine = [&](const std::string& bytes, std::size_t held = 0) {
        ext::ListingState before = state;
        const test::ExtResult r = test::ParseExt(bytes, state, test::kToday, held);
        if (r.kind == ext::LineKind::header) ++listing.headers;
        if (r.kind == ext::LineKind::entry) {
            listing.entries.push_back({r.entry.name, r.target, r.owner, r.entry.size, r.entry.isDir,
                                       r.entry.isLink, r.entry.dateTime, r.format});
        }
        if (r.kind == ext::LineKind::none) state = before;
        return r.kind;
    };
    while (std::getline(text, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.find_first_not_of(' ') == std::string::npos) continue;
        if (tryLine(line) != ext::LineKind::none) {
            if (hasPending) listing.skipped.push_back(pending);
            hasPending = false;
            continue;
        }
        if (hasPending && tryLine(pending + " " + line, pending.size()) == ext::LineKind::entry) {
            hasPending = false;
            continue;
        }
        if (hasPending) listing.skipped.push_back(pending);
        pending = line;
        hasPending = true;
    }
    if (hasPending) listing.skipped.push_back(pending);
    return listing;
}

TEST(ExtendedExamplesTest, Unix) {
    const Listing l = ReadExample("unix-extended.txt");
    EXPECT_EQ(l.entries.size(), 21u);
    EXPECT_EQ(l.headers, 1);
    EXPECT_TRUE(l.skipped.empty()) << l.skipped.front();
    for (const Read& r : l.entries) EXPECT_EQ(r.format, EntryFormat::unixStyle) << r.name;
    const Read* lib = l.Find("lib");
    ASSERT_NE(lib, nullptr);
    EXPECT_EQ(lib->target, "usr/lib");
    EXPECT_EQ(lib->isLink, 1);
    const Read* big = l.Find("big.iso");
    ASSERT_NE(big, nullptr);
    EXPECT_EQ(big->size, 125435904);
    const Read* korean = l.Find("korean.txt");
    ASSERT_NE(korean, nullptr);
    EXPECT_EQ(korean->dateTime, test::Timed(2001, 12, 8, 19, 57));
    const Read* php = l.Find("x.php");
    ASSERT_NE(php, nullptr);
    EXPECT_EQ(php->owner, "Domain Users");
    EXPECT_NE(l.Find("star*"), nullptr);
}

TEST(ExtendedExamplesTest, UnixVariants) {
    const Listing l = ReadExample("unix-variants.txt");
    EXPECT_EQ(l.entries.size(), 17u);
    EXPECT_EQ(l.headers, 3);  // the totals and 31 April
    EXPECT_TRUE(l.skipped.empty()) << l.skipped.front();
    EXPECT_EQ(l.Find("april-31"), nullptr);
    const struct {
        const char* name;
        std::int64_t size;
        FtpDateTime dateTime;
    } wants[] = {
        {"chinese.txt", 100, test::Timed(2002, 2, 12, 20, 57)},
        {"gbk-year.txt", 100, test::Dated(1970, 6, 15)},
        {"unpadded", 100, test::Timed(2002, 1, 1, 0, 5)},
        {"report.txt", 100, test::Timed(2001, 10, 8, 9, 47)},
        {"data", 90112, test::Dated(2001, 6, 21)},
        {"htdocs", 512, test::Timed(2002, 1, 1, 11, 49)},
        {"negative", -1, test::Dated(2008, 4, 9)},
        {"kilobytes", -1, test::Dated(2008, 4, 9)},
        {"vcsa6", -1, test::Timed(2002, 2, 1, 20, 30)},
        {"docs", 512, FtpDateTime{}},
    };
    for (const auto& w : wants) {
        const Read* r = l.Find(w.name);
        ASSERT_NE(r, nullptr) << w.name;
        EXPECT_EQ(r->format, EntryFormat::unixStyle) << w.name;
        EXPECT_EQ(r->size, w.size) << w.name;
        EXPECT_EQ(r->dateTime, w.dateTime) << w.name;
    }
}

TEST(ExtendedExamplesTest, DosIis) {
    const Listing l = ReadExample("dos-iis.txt");
    EXPECT_EQ(l.entries.size(), 11u);
    EXPECT_EQ(l.headers, 1);  // 30 February
    // A date and time, then a marker and name: two lines, no entry.
    EXPECT_EQ(l.skipped.size(), 2u);
    EXPECT_NE(l.Find("A Folder Name Wrapped Onto Its Own Line"), nullptr);
    const Read* links = l.Find("Links");
    ASSERT_NE(links, nullptr);
    EXPECT_EQ(links->target, "C:\\Users\\Links");
    const Read* grouped = l.Find("grouped.bin");
    ASSERT_NE(grouped, nullptr);
    EXPECT_EQ(grouped->size, 1234567);
    const Read* lower = l.Find("lower");
    ASSERT_NE(lower, nullptr);
    EXPECT_EQ(lower->isDir, 1);
}

TEST(ExtendedExamplesTest, Vms) {
    const Listing l = ReadExample("vms-extended.txt");
    EXPECT_EQ(l.entries.size(), 8u);
    EXPECT_EQ(l.headers, 3);  // the title, the total and 31 April
    EXPECT_TRUE(l.skipped.empty()) << l.skipped.front();
    const Read* wrapped = l.Find("A-VERY-LONG-FILE-NAME-THAT-WRAPS.TXT;1");
    ASSERT_NE(wrapped, nullptr);
    EXPECT_EQ(wrapped->size, 7 * 512);
    EXPECT_EQ(wrapped->owner, "ALICE");
    const Read* bin = l.Find("BIN;1");
    ASSERT_NE(bin, nullptr);
    EXPECT_EQ(bin->isDir, 1);
    EXPECT_EQ(bin->size, 12 * 512);
    EXPECT_NE(l.Find("PLAIN.TXT"), nullptr);
    EXPECT_NE(l.Find("sys$login.com;2"), nullptr);
}

}  // namespace
}  // namespace ftpdirlist
