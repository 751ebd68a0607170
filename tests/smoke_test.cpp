#include <gtest/gtest.h>

#include "ftpdirlist/ftpdirlist.hpp"

TEST(Smoke, ParsesOneLineOfEachStyle) {
    const char listing[] =
        "total 2\r\n"
        "-rw-r--r--   1 owner group 1234 Jan 15 2002 notes.txt\r\n"
        "01-15-02  10:30AM       <DIR>          My Folder\r\n";
    auto entries = ftpdir::parse(listing);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].name, "notes.txt");
    EXPECT_EQ(entries[1].name, "My Folder");
    EXPECT_EQ(entries[1].size, -1);
}
