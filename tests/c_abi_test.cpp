// The three exported functions: exactly which bytes of the host's record and
// buffers each mode writes, and the module state from one listing to the next.
#include <gtest/gtest.h>

#include <climits>
#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "core_helpers.h"
#include "ftpdirlist/ftpdirlist.h"

namespace {

using namespace std::string_literals;

const char kListing[] =
    "drwxr-xr-x   2 user     group        4096 Jan 15  2002 dirname\r\n"
    "lrwxrwxrwx   1 user     group           7 Feb  3  2001 link -> target\r\n"
    "01-15-02  10:30AM       <DIR>          My Folder\r\n"
    "03-04-2021  12:30AM      6442450944 backup.vhd\r\n"
    "11-02-2023  01:07PM            512 notes.txt\r\n"
    "DATA.CSV;1  120  9-NOV-2023 07:00:00 [ANNA] (RWED,RWED,RE,)\r\n";

// The values of each entry of kListing as the host should receive them.
struct Values {
    std::string name;
    std::string attributes;
    std::int64_t size;
    std::int32_t year, month, day, hour, minute;
    unsigned char hasDate, hasTime;
};

const Values kValues[] = {
    {"dirname", "drwxr-xr-x", 4096, 2002, 1, 15, 0, 0, 1, 0},
    {"link -> target", "lrwxrwxrwx", 7, 2001, 2, 3, 0, 0, 1, 0},
    {"My Folder", "", -1, 2002, 1, 15, 10, 30, 1, 1},
    {"backup.vhd", "", 6442450944LL, 2021, 3, 4, 0, 30, 1, 1},
    {"notes.txt", "", 512, 2023, 11, 2, 13, 7, 1, 1},
    {"DATA.CSV", "(RWED,RWED,RE,)", -2, 2023, 11, 9, 7, 0, 1, 1},
};
constexpr int kCount = 6;

constexpr std::size_t kBuffer = 64;
constexpr unsigned char kItemPattern = 0xA5;
constexpr unsigned char kCanary = 0xCC;

enum class Fill { Zero, Canary, Leftover };

// The host's side: a record full of a pattern and two buffers.
struct Host {
    FtpDirItem item;
    unsigned char name[kBuffer];
    unsigned char attributes[kBuffer];

    explicit Host(Fill fill) {
        std::memset(&item, kItemPattern, sizeof item);
        std::memset(name, fill == Fill::Canary ? kCanary : 0, kBuffer);
        std::memset(attributes, fill == Fill::Canary ? kCanary : 0, kBuffer);
        if (fill == Fill::Leftover) std::memcpy(attributes, "xyz", 3);
        item.name = reinterpret_cast<char*>(name);
        item.attributes = reinterpret_cast<char*>(attributes);
    }

    void ExpectSame(const Host& expected) const {
        EXPECT_EQ(0, std::memcmp(&item, &expected.item, sizeof item)) << "record bytes differ";
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(name), kBuffer),
                  std::string(reinterpret_cast<const char*>(expected.name), kBuffer));
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(attributes), kBuffer),
                  std::string(reinterpret_cast<const char*>(expected.attributes), kBuffer));
    }
};

// A copy of `host` whose record points to the copy's own buffers.
Host Copy(const Host& host) {
    Host copy = host;
    copy.item.name = reinterpret_cast<char*>(copy.name);
    copy.item.attributes = reinterpret_cast<char*>(copy.attributes);
    return copy;
}

void SetValues(Host& host, const Values& v) {
    host.item.size = v.size;
    host.item.hasDate = v.hasDate;
    host.item.hasTime = v.hasTime;
    host.item.year = v.year;
    host.item.month = v.month;
    host.item.day = v.day;
    if (v.hasTime) {  // a year-form entry leaves the host's hour and minute
        host.item.hour = v.hour;
        host.item.minute = v.minute;
    }
}

class CAbi : public ::testing::Test {
protected:
    void SetUp() override {
        // The host may release its bytes as soon as InitFtpDirList returns.
        auto bytes = std::make_unique<coretest::HeapBytes>(std::string_view(kListing));
        ASSERT_EQ(InitFtpDirList(bytes->data(), static_cast<int32_t>(bytes->size())), kCount);
        std::memset(const_cast<char*>(bytes->data()), 0, bytes->size());
    }
    void TearDown() override { UnInitFtpDirList(); }
};

TEST_F(CAbi, ModeOneWritesTheTwoLengthsOnly) {
    for (int index = 0; index < kCount; ++index) {
        SCOPED_TRACE(index);
        Host host(Fill::Canary);
        Host expected = Copy(host);
        expected.item.nameLength = static_cast<int32_t>(kValues[index].name.size());
        expected.item.attributesLength = static_cast<int32_t>(kValues[index].attributes.size());
        GetFtpDirItem(index, &host.item, 1);
        expected.item.name = host.item.name;
        expected.item.attributes = host.item.attributes;
        host.ExpectSame(expected);
    }
}

struct ModeCase {
    const char* reason;
    int index;
    int mode;
    Fill fill;
    std::string name;        // bytes expected at the start of the name buffer
    std::string attributes;  // bytes expected at the start of the attribute buffer
};

const ModeCase kModeCases[] = {
    {"texts copied exactly, no end byte", 0, 0, Fill::Canary, "dirname", "drwxr-xr-x"},
    {"a mode text is no default text", 0, 0, Fill::Zero, "dirname", "drwxr-xr-x"},
    {"link keeps its mode text in mode 0", 1, 0, Fill::Zero, "link -> target", "lrwxrwxrwx"},
    {"directory without text: 'd' into a zero-filled buffer", 2, 0, Fill::Zero, "My Folder",
     "d\0"s},
    {"directory without text: a buffer with bytes is left", 2, 0, Fill::Canary, "My Folder", ""},
    {"directory without text: earlier text is left", 2, 0, Fill::Leftover, "My Folder", "xyz"},
    {"file without text: the buffer stays empty", 4, 0, Fill::Zero, "notes.txt", ""},
    {"size above 4 GiB", 3, 0, Fill::Canary, "backup.vhd", ""},
    {"VMS entry", 5, 0, Fill::Canary, "DATA.CSV", "(RWED,RWED,RE,)"},
    {"mode 2 copies no text: directory gets 'd'", 0, 2, Fill::Zero, "", "d\0"s},
    {"mode 2: a link gets 'l'", 1, 2, Fill::Zero, "", "l\0"s},
    {"mode 7 as mode 2", 1, 7, Fill::Zero, "", "l\0"s},
    {"mode -1 as mode 2", 1, -1, Fill::Zero, "", "l\0"s},
    {"mode 2: DOS directory", 2, 2, Fill::Zero, "", "d\0"s},
    {"mode 2: earlier text blocks the default", 2, 2, Fill::Leftover, "", "xyz"},
    {"mode 2: a file stays empty", 4, 2, Fill::Zero, "", ""},
    {"mode 2: VMS file stays empty", 5, 2, Fill::Zero, "", ""},
    {"mode 2 with canary buffers touches neither", 1, 2, Fill::Canary, "", ""},
};

TEST_F(CAbi, ModesWriteExactlyTheirBytes) {
    for (const ModeCase& c : kModeCases) {
        SCOPED_TRACE(c.reason);
        Host host(c.fill);
        Host expected = Copy(host);
        std::memcpy(expected.name, c.name.data(), c.name.size());
        std::memcpy(expected.attributes, c.attributes.data(), c.attributes.size());
        SetValues(expected, kValues[c.index]);
        GetFtpDirItem(c.index, &host.item, c.mode);
        expected.item.name = host.item.name;
        expected.item.attributes = host.item.attributes;
        host.ExpectSame(expected);
    }
}

TEST_F(CAbi, SizesReachTheHostLowByteFirst) {
    struct SizeCase {
        int index;
        unsigned char bytes[8];
    };
    const SizeCase cases[] = {
        {2, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},  // -1, DOS directory
        {5, {0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},  // -2, VMS entry
        {3, {0x00, 0x00, 0x00, 0x80, 0x01, 0x00, 0x00, 0x00}},  // 6442450944
        {0, {0x00, 0x10, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}},  // 4096
    };
    const std::uint16_t probe = 1;
    if (*reinterpret_cast<const unsigned char*>(&probe) != 1) GTEST_SKIP() << "big-endian host";
    for (const SizeCase& c : cases) {
        SCOPED_TRACE(c.index);
        Host host(Fill::Zero);
        GetFtpDirItem(c.index, &host.item, 2);
        const unsigned char* raw = reinterpret_cast<const unsigned char*>(&host.item);
        EXPECT_EQ(0, std::memcmp(raw + offsetof(FtpDirItem, size), c.bytes, 8));
    }
}

TEST_F(CAbi, NullBuffersAreNeverTouched) {
    for (const int mode : {0, 2}) {
        SCOPED_TRACE(mode);
        Host host(Fill::Zero);
        host.item.name = nullptr;
        Host expected = Copy(host);
        expected.item.name = nullptr;
        std::memcpy(expected.attributes, "d", 2);
        SetValues(expected, kValues[2]);
        GetFtpDirItem(2, &host.item, mode);
        expected.item.attributes = host.item.attributes;
        host.ExpectSame(expected);

        Host noAttributes(Fill::Zero);
        noAttributes.item.attributes = nullptr;
        Host expected2 = Copy(noAttributes);
        expected2.item.attributes = nullptr;
        if (mode == 0) std::memcpy(expected2.name, "My Folder", 9);
        SetValues(expected2, kValues[2]);
        GetFtpDirItem(2, &noAttributes.item, mode);
        expected2.item.name = noAttributes.item.name;
        noAttributes.ExpectSame(expected2);
    }
}

TEST_F(CAbi, IndexOutsideTheTableOrNullItemDoesNothing) {
    for (const int index : {-1, kCount, kCount + 100, INT_MIN, INT_MAX}) {
        for (const int mode : {0, 1, 2}) {
            SCOPED_TRACE(testing::Message() << "index " << index << " mode " << mode);
            Host host(Fill::Zero);
            const Host before = Copy(host);
            GetFtpDirItem(index, &host.item, mode);
            Host expected = Copy(before);
            expected.item.name = host.item.name;
            expected.item.attributes = host.item.attributes;
            host.ExpectSame(expected);
        }
    }
    for (const int mode : {0, 1, 2}) GetFtpDirItem(0, nullptr, mode);
}

// The module state from one call to the next, without the fixture's listing.
TEST(CAbiLifecycle, OpenCloseAndReopen) {
    auto readName = [](int index) {
        Host host(Fill::Zero);
        GetFtpDirItem(index, &host.item, 0);
        return std::string(reinterpret_cast<const char*>(host.name));
    };
    const std::string two = "01-15-02 10:30AM 1 a\r\n01-15-02 10:30AM 2 b\r\n";
    const std::string one = "01-15-02 10:30AM 3 c\r\n";

    EXPECT_EQ(InitFtpDirList(two.data(), static_cast<int32_t>(two.size())), 2);
    EXPECT_EQ(readName(1), "b");
    // A second Init without UnInit replaces the open listing.
    EXPECT_EQ(InitFtpDirList(one.data(), static_cast<int32_t>(one.size())), 1);
    EXPECT_EQ(readName(0), "c");
    EXPECT_EQ(readName(1), "");
    UnInitFtpDirList();
    EXPECT_EQ(readName(0), "");
    UnInitFtpDirList();  // a second call does nothing
    EXPECT_EQ(readName(0), "");
    EXPECT_EQ(InitFtpDirList(two.data(), static_cast<int32_t>(two.size())), 2);
    EXPECT_EQ(readName(0), "a");
    // A listing without entries closes the earlier one too.
    const std::string none = "total 0\r\n01-15-02 10:30AM <DIR> .\r\n01-15-02 10:30AM <DIR> ..\r\n";
    EXPECT_EQ(InitFtpDirList(none.data(), static_cast<int32_t>(none.size())), 0);
    EXPECT_EQ(readName(0), "");
    UnInitFtpDirList();
}

TEST(CAbiLifecycle, NoDataIsAnEmptyListing) {
    const std::string line = "01-15-02 10:30AM 1 a\r\n";
    ASSERT_EQ(InitFtpDirList(line.data(), static_cast<int32_t>(line.size())), 1);
    // One past the end of a heap buffer: any read of it is an ASan error.
    const coretest::HeapBytes byte("x");
    const char* past = byte.data() + 1;
    struct NoData {
        const char* reason;
        const char* data;
        int32_t length;
    };
    const NoData cases[] = {
        {"null data", nullptr, 10},
        {"zero length", past, 0},
        {"negative length", past, -1},
        {"most negative length", past, INT32_MIN},
    };
    for (const NoData& c : cases) {
        SCOPED_TRACE(c.reason);
        EXPECT_EQ(InitFtpDirList(c.data, c.length), 0);
        Host host(Fill::Zero);
        const Host before = Copy(host);
        GetFtpDirItem(0, &host.item, 0);
        Host expected = Copy(before);
        expected.item.name = host.item.name;
        expected.item.attributes = host.item.attributes;
        host.ExpectSame(expected);
    }
    UnInitFtpDirList();
}

}  // namespace
