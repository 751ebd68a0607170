// Every byte of each example line of the extended forms replaced by each of
// the 256 byte values, and every prefix of each line: the dispatcher must not
// crash (the sanitizer build watches reads, overflow and leaks), and the
// texts of an entry lie within the line or the record's scratch buffers.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "extended_helpers.h"
#include "fields/fields.h"

namespace ftpdirlist {
namespace {

bool Within(std::string_view view, std::string_view line, const std::string& scratch) {
    if (view.empty()) return true;
    const auto inside = [&](const char* begin, std::size_t size) {
        return view.data() >= begin && view.data() + view.size() <= begin + size;
    };
    return inside(line.data(), line.size()) || inside(scratch.data(), scratch.size());
}

void ParseChecked(const std::string& text) {
    const test::HeapBytes line(text);
    ParsedEntry entry;
    Today today(test::kToday);
    ext::ListingState state;
    const ext::LineKind kind = ext::ParseExtendedLine(line.view(), state, today, entry);
    if (kind != ext::LineKind::entry) return;
    EXPECT_TRUE(Within(entry.name, line.view(), entry.nameScratch));
    EXPECT_TRUE(Within(entry.attributes, line.view(), entry.attributesScratch));
    EXPECT_TRUE(Within(entry.extras.target, line.view(), entry.nameScratch));
    EXPECT_TRUE(Within(entry.extras.owner, line.view(), entry.nameScratch));
    EXPECT_TRUE(Within(entry.extras.group, line.view(), entry.nameScratch));
    EXPECT_FALSE(entry.name.empty());
    EXPECT_GE(entry.size, -1);
    const FtpDateTime& dt = entry.dateTime;
    // Every DOS and VMS entry is dated, and every Unix entry but one of a
    // one-word name (a line without a date); other families (a dls line of
    // a name and a size) may not be.
    const EntryFormat format = entry.extras.format;
    if (format == EntryFormat::dos ||
        (format == EntryFormat::unixStyle && entry.name.find(' ') != std::string_view::npos)) {
        EXPECT_EQ(dt.hasDate, 1) << entry.name;
    }
    if (dt.hasDate) {
        EXPECT_TRUE(fields::ValidDate(dt.month, dt.day)) << dt.month << "-" << dt.day;
    }
    if (dt.hasTime) {
        EXPECT_TRUE(fields::ValidClock(dt.hour, dt.minute, entry.extras.second));
    }
}

TEST(ExtendedMutationTest, EveryByteAtEveryPosition) {
    for (const char* file : {"unix-extended.txt", "dos-iis.txt", "vms-extended.txt"}) {
        std::ifstream in(std::string(FTPDIRLIST_SOURCE_DIR) + "/examples/" + file,
                         std::ios::binary);
        ASSERT_TRUE(in.good()) << file;
        std::string line;
        int lines = 0;
        while (std::getline(in, line)) {
            ++lines;
            if (!line.empty() && line.back() == '\r') line.pop_back();
            SCOPED_TRACE(EscapedBytes(line));
            for (std::size_t length = 0; length <= line.size(); ++length) {
                ParseChecked(line.substr(0, length));
            }
            for (std::size_t at = 0; at < line.size(); ++at) {
                std::string mutated = line;
                for (int byte = 0; byte < 256; ++byte) {
                    mutated[at] = static_cast<char>(byte);
                    ParseChecked(mutated);
                }
            }
        }
        EXPECT_GT(lines, 9) << file;
    }
}

}  // namespace
}  // namespace ftpdirlist
