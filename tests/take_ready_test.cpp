// The listing driver handing out entries while the listing arrives: the
// entries it hands out early are final (the tables taken after every chunk,
// then Finish's, add up to the whole listing's table, whatever the chunks),
// and a plain listing streams.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core_helpers.h"

namespace {

using ftpdirlist::AddRowTexts;
using ftpdirlist::EntryTable;
using ftpdirlist::ExtendedDirList;

struct Outcome {
    std::vector<std::string> rows;
    std::vector<ftpdirlist::SkippedLine> skipped;
    std::size_t early = 0;  // rows handed out before Finish
};

// Feeds `listing` in chunks of `chunk` bytes (0: whole), taking the ready
// rows after every chunk when `take` is set.
template <class Driver>
Outcome Feed(Driver& driver, std::string_view listing, std::size_t chunk, bool take) {
    Outcome run;
    driver.SetSkippedSink(&run.skipped);
    if (chunk == 0) chunk = listing.size() + 1;
    for (std::size_t at = 0; at < listing.size(); at += chunk) {
        coretest::AppendChunk(driver, listing.substr(at, chunk));
        if (!take) continue;
        const EntryTable ready = driver.TakeReady();
        run.early += ready.Size();
        AddRowTexts(ready, run.rows);
    }
    AddRowTexts(driver.Finish(), run.rows);
    driver.SetSkippedSink(nullptr);
    return run;
}

enum class Dialect { classic, extended, extendedKeepVersions };

Outcome FeedAs(Dialect dialect, std::string_view listing, std::size_t chunk, bool take) {
    if (dialect == Dialect::classic) {
        coretest::CFtpDirList driver(coretest::kToday);
        return Feed(driver, listing, chunk, take);
    }
    ExtendedDirList driver(coretest::kToday, dialect == Dialect::extendedKeepVersions);
    return Feed(driver, listing, chunk, take);
}

void ExpectSameRun(const Outcome& want, const Outcome& got, const std::string& label) {
    EXPECT_EQ(want.rows, got.rows) << label;
    ASSERT_EQ(want.skipped.size(), got.skipped.size()) << label;
    for (std::size_t i = 0; i < want.skipped.size(); ++i) {
        EXPECT_EQ(want.skipped[i].number, got.skipped[i].number) << label;
        EXPECT_EQ(want.skipped[i].text, got.skipped[i].text) << label;
        EXPECT_EQ(want.skipped[i].reason, got.skipped[i].reason) << label;
    }
}

// The listings of examples/ and tests/data/, by path relative to the root.
std::vector<std::string> ExampleListings() {
    std::vector<std::string> files;
    const std::filesystem::path root(FTPDIRLIST_SOURCE_DIR);
    for (const char* dir : {"examples", "tests/data", "tests/data/servers"}) {
        for (const auto& item : std::filesystem::directory_iterator(root / dir)) {
            if (item.path().extension() == ".txt") {
                files.push_back(std::string(dir) + "/" + item.path().filename().string());
            }
        }
    }
    return files;
}

TEST(TakeReady, ChunksAndTakesChangeNothing) {
    const std::vector<std::string> files = ExampleListings();
    ASSERT_GE(files.size(), 30u);
    for (const std::string& file : files) {
        const std::string listing = coretest::ReadSourceFile(file);
        for (const Dialect dialect :
             {Dialect::classic, Dialect::extended, Dialect::extendedKeepVersions}) {
            const Outcome whole = FeedAs(dialect, listing, 0, false);
            for (const std::size_t chunk : {std::size_t{1}, std::size_t{7}, std::size_t{65536}}) {
                const std::string label = file + " dialect " +
                                          std::to_string(static_cast<int>(dialect)) + " chunk " +
                                          std::to_string(chunk);
                const Outcome taken = FeedAs(dialect, listing, chunk, true);
                ExpectSameRun(whole, taken, label);
                if (dialect == Dialect::classic) {
                    EXPECT_EQ(taken.early, 0u) << label;
                }
            }
        }
    }
}

// How many rows the driver hands out once the whole listing but its end has
// arrived, in one chunk.
TEST(TakeReady, FinalRowsGoEarly) {
    const std::string unix1 = "-rw-r--r-- 1 a b 5 Jan  1 12:00 one\r\n";
    const std::string unix2 = "-rw-r--r-- 1 a b 5 Jan  2  2020 two\r\n";
    const std::string padded = "-rw-r--r-- 1 a b 5 2021-03-04  padded\r\n";
    const std::string unpadded = "-rw-r--r-- 1 a b 5 2021-03-05 unpadded\r\n";
    const std::string vms = "LOGIN.COM;7  3  12-JAN-2002 10:30:45  [ANNA]  (RWED,RWED,RE,)\r\n";
    const std::string vmsOld = "LOGIN.COM;6  3  11-JAN-2002 10:30:45  [ANNA]  (RWED,RWED,RE,)\r\n";
    struct Case {
        std::string listing;
        Dialect dialect;
        std::size_t early;
        const char* reason;
    };
    const Case cases[] = {
        {unix1 + unix2 + unix1, Dialect::extended, 3, "a plain Unix listing streams whole"},
        {"01-15-02  10:30AM       <DIR>          My Folder\r\n", Dialect::extended, 1, "DOS too"},
        {unix1 + unix2 + unix1, Dialect::classic, 0, "classic waits for a VMS line to come"},
        {unix1 + padded + unix1, Dialect::extended, 1, "an undecided pad holds back the rest"},
        {unix1 + padded + unpadded + unix1, Dialect::extended, 4, "an unpadded date decides"},
        {unix1 + vms + unix1 + vmsOld, Dialect::extended, 1, "a VMS row may collapse later"},
        {unix1 + vms + unix1 + vmsOld, Dialect::extendedKeepVersions, 4, "unless versions stay"},
        {vms + vmsOld, Dialect::extended, 0, "a VMS row awaiting its lookup"},
        {unix1 + "A_LONG_NAME.TXT;3\r\n", Dialect::extended, 1, "a held line holds back nothing"},
    };
    for (const Case& c : cases) {
        const Outcome run = FeedAs(c.dialect, c.listing, 0, true);
        EXPECT_EQ(run.early, c.early) << c.reason;
        ExpectSameRun(FeedAs(c.dialect, c.listing, 0, false), run, c.reason);
    }
}

// Rows handed out no longer count: a later version of a name collapses with
// the rows still held, and the table taken next holds only what came since.
TEST(TakeReady, TakenRowsLeaveTheDriver) {
    ExtendedDirList driver(coretest::kToday, false);
    const std::string unix1 = "-rw-r--r-- 1 a b 5 Jan  1 12:00 one\r\n";
    coretest::AppendChunk(driver, unix1 + unix1);
    EXPECT_EQ(driver.TakeReady().Size(), 2u);
    EXPECT_EQ(driver.TakeReady().Size(), 0u);
    coretest::AppendChunk(driver,
                          unix1 + "A.TXT;1  3  12-JAN-2002 10:30:45  [ANNA]  (RWED,RWED,RE,)\r\n");
    EXPECT_EQ(driver.TakeReady().Size(), 1u);
    coretest::AppendChunk(driver, "A.TXT;2  9  12-JAN-2002 10:30:45  [ANNA]  (RWED,RWED,RE,)\r\n");
    const EntryTable rest = driver.Finish();
    ASSERT_EQ(rest.Size(), 1u);
    EXPECT_EQ(rest.Row(0).Name(), "A.TXT");
    EXPECT_EQ(rest.Row(0).size, 9 * 512);  // blocks of 512 bytes
}

}  // namespace
