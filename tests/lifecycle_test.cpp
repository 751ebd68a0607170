// The C ABI used in every wrong order a host might manage: reads with no
// listing open, bad indices, null records and buffers, double release,
// double open, null data, and many open/read/release cycles (leaks show up
// under LeakSanitizer and valgrind).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <string>

#include "ftpdirlist/ftpdirlist.h"
#include "test_support.h"

namespace {

constexpr std::int32_t kInt32Min = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kInt32Max = std::numeric_limits<std::int32_t>::max();

const char kListing[] =
    "01-15-02  10:30AM       <DIR>          My Folder\r\n"
    "12-31-1999  12:05PM           1024 report.txt\r\n";

using testsupport::InitExact;

// A record filled with a pattern, to see whether a call wrote anything.
FtpDirItem Patterned() {
    FtpDirItem item;
    std::memset(&item, 0xA5, sizeof item);
    return item;
}

void ExpectUntouched(std::int32_t index, std::int32_t mode) {
    FtpDirItem item = Patterned();
    const FtpDirItem before = item;
    GetFtpDirItem(index, &item, mode);
    EXPECT_EQ(std::memcmp(&item, &before, sizeof item), 0) << "index " << index << " mode " << mode;
}

std::string NameOf(std::int32_t index) { return testsupport::ReadAsHost(index).name; }

class Lifecycle : public ::testing::Test {
protected:
    void TearDown() override { UnInitFtpDirList(); }
};

TEST_F(Lifecycle, ReadsWithNoListingOpenDoNothing) {
    UnInitFtpDirList();  // nothing open, whatever ran before
    for (std::int32_t mode : {0, 1, 2}) ExpectUntouched(0, mode);

    ASSERT_EQ(InitExact(kListing), 2);
    UnInitFtpDirList();
    for (std::int32_t mode : {0, 1, 2}) ExpectUntouched(0, mode);
    UnInitFtpDirList();  // a second release does nothing
    for (std::int32_t mode : {0, 1, 2}) ExpectUntouched(0, mode);
}

TEST_F(Lifecycle, IndicesOutsideTheTableDoNothing) {
    ASSERT_EQ(InitExact(kListing), 2);
    for (std::int32_t index : {-1, 2, 3, kInt32Min, kInt32Max}) {
        for (std::int32_t mode : {0, 1, 2, -1}) ExpectUntouched(index, mode);
    }
    EXPECT_EQ(NameOf(1), "report.txt");  // the listing is still open and intact
}

TEST_F(Lifecycle, NullRecordAndNullBuffers) {
    ASSERT_EQ(InitExact(kListing), 2);
    for (std::int32_t mode : {0, 1, 2}) GetFtpDirItem(0, nullptr, mode);

    struct Case {
        std::int32_t mode;
        const char* why;
    };
    const Case cases[] = {
        {0, "texts mode skips both buffers and still writes the values"},
        {2, "values mode writes no directory marker through a null buffer"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        FtpDirItem item = Patterned();
        item.name = nullptr;
        item.attributes = nullptr;
        GetFtpDirItem(0, &item, c.mode);
        EXPECT_EQ(item.name, nullptr);
        EXPECT_EQ(item.attributes, nullptr);
        EXPECT_EQ(item.size, -1);
        EXPECT_EQ(item.hasDate, 1);
        EXPECT_EQ(item.year, 2002);
    }

    // Only the name buffer given: the name arrives, nothing else is touched.
    FtpDirItem item{};
    GetFtpDirItem(1, &item, 1);
    std::unique_ptr<char[]> name(new char[static_cast<std::size_t>(item.nameLength)]);
    item.name = name.get();
    GetFtpDirItem(1, &item, 0);
    EXPECT_EQ(std::string(name.get(), static_cast<std::size_t>(item.nameLength)), "report.txt");
    EXPECT_EQ(item.size, 1024);
}

TEST_F(Lifecycle, NullDataOrNoLengthIsAnEmptyListingThatClosesTheOpenOne) {
    struct Case {
        const char* data;
        std::int32_t length;
        const char* why;
    };
    const Case cases[] = {
        {nullptr, 10, "null data with a positive length"},
        {nullptr, kInt32Max, "null data with the largest length"},
        {nullptr, 0, "null data, no length"},
        {kListing, 0, "data of no length"},
        {kListing, -1, "a negative length"},
        {kListing, kInt32Min, "the most negative length"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        ASSERT_EQ(InitExact(kListing), 2);
        EXPECT_EQ(InitFtpDirList(c.data, c.length), 0);
        ExpectUntouched(0, 2);  // the listing opened before is gone
    }
}

TEST_F(Lifecycle, OpeningTwiceReplacesTheFirstListing) {
    ASSERT_EQ(InitExact(kListing), 2);
    ASSERT_EQ(InitExact("-rw-r--r-- 1 o g 5 Jan 15 2002 only.txt\n"), 1);
    EXPECT_EQ(NameOf(0), "only.txt");
    ExpectUntouched(1, 0);
    // A listing without entries closes the one before as well.
    EXPECT_EQ(InitExact("total 0\r\n"), 0);
    ExpectUntouched(0, 1);
}

// Hosts mostly read in order, but any order must give the same entries,
// across the blocks the table keeps its rows in (the first ones hold 1024,
// 2048 and 4096 rows), and nothing of a listing may show through the next.
TEST_F(Lifecycle, ReadsInAnyOrderGiveTheSameEntries) {
    constexpr std::int32_t kEntries = 9000;
    std::string listing;
    for (std::int32_t i = 0; i < kEntries; ++i) {
        listing +=
            "-rw-r--r-- 1 o g " + std::to_string(i) + " Jan 15 2002 f" + std::to_string(i) + "\r\n";
    }
    ASSERT_EQ(InitExact(listing), kEntries);
    const auto expectEntry = [](std::int32_t index) {
        const testsupport::HostItem read = testsupport::ReadAsHost(index);
        ASSERT_EQ(read.name, "f" + std::to_string(index));
        ASSERT_EQ(read.item.size, index);
    };
    struct Order {
        std::int32_t first, step;
        const char* reason;
    };
    const Order kOrders[] = {
        {0, 1, "in order, through every block"},
        {kEntries - 1, -1, "backwards, entering each block at its end"},
        {0, 1023, "strides that land on and around block edges"},
        {kEntries - 1, -2047, "long strides backwards"},
    };
    for (const Order& order : kOrders) {
        SCOPED_TRACE(order.reason);
        for (std::int32_t i = order.first; i >= 0 && i < kEntries; i += order.step) {
            expectEntry(i);
        }
    }
    // Edges of the blocks, each neighbour read right after the other.
    for (std::int32_t edge : {1024, 3072, 7168}) {
        for (std::int32_t i : {edge, edge - 1, edge + 1, edge - 1, edge}) expectEntry(i);
    }
    ExpectUntouched(kEntries, 0);
    // A smaller listing after a read far into the big one.
    ASSERT_EQ(InitExact(kListing), 2);
    EXPECT_EQ(NameOf(1), "report.txt");
    ExpectUntouched(2, 1);
    ExpectUntouched(5000, 0);
}

TEST_F(Lifecycle, HundredThousandCycles) {
    const std::string listing = kListing;
    for (int cycle = 0; cycle < 100'000; ++cycle) {
        ASSERT_EQ(InitExact(listing), 2);
        FtpDirItem item{};
        GetFtpDirItem(cycle % 2, &item, 1);
        ASSERT_EQ(item.nameLength, cycle % 2 == 0 ? 9 : 10);
        if (cycle % 3 != 0) UnInitFtpDirList();  // some cycles leave it to the next Init
    }
}

}  // namespace
