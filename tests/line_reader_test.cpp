// The lines that the listing's bytes turn into, as the line parser sees
// them: cut at CR and LF, trimmed of spaces, empty lines skipped, lines
// carried across chunks, the unfinished last line kept for Finish.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core_helpers.h"

namespace {

using namespace std::string_literals;
using coretest::AppendChunk;
using coretest::CFtpDirList;
using coretest::ParsedEntry;

// Accepts every line as an entry named after the line, recording the texts.
ftpdirlist::LineKind EchoParse(void* context, std::string_view line, ParsedEntry& entry,
                               ftpdirlist::LineStyle& style) {
    static_cast<std::vector<std::string>*>(context)->emplace_back(line);
    entry.name = line;
    entry.dateTime.hasDate = 1;
    style = ftpdirlist::LineStyle::other;
    return ftpdirlist::LineKind::entry;
}

struct LineCase {
    const char* reason;
    std::vector<std::string> chunks;
    std::vector<std::string> byAppend;  // lines offered before Finish
    std::vector<std::string> byFinish;  // lines offered by Finish
};

const LineCase kLineCases[] = {
    {"inner spaces kept, outer dropped, empty lines skipped, unfinished tail waits",
     {"  abc  def  \r\n\r\n   ghi \n last  "},
     {"abc  def", "ghi"},
     {"last"}},
    {"a line runs across chunks; the tail across two more",
     {"ab", "cd\r\ne", "fg"},
     {"abcd"},
     {"efg"}},
    {"line ends and spaces only", {"\r\n  \r\n"}, {}, {}},
    {"tabs are content, only the final space goes", {"a\tb\t \n"}, {"a\tb\t"}, {}},
    {"tabs at both ends stay", {"\tlead\t\n"}, {"\tlead\t"}, {}},
    {"a NUL ends the line's text", {"x\0y\n"s}, {"x"}, {}},
    {"spaces before a NUL are inside the line", {"ab  \0cd  \n"s}, {"ab  "}, {}},
    {"a line that starts with NUL has an empty text", {"\0abc\n"s}, {""}, {}},
    {"no line end at all", {"abc"}, {}, {"abc"}},
    {"spaces between terminators", {" \r \n "}, {}, {}},
    {"LF CR, lone CR, CR LF, LF each end a line", {"a\n\rb\rc\r\nd\n"}, {"a", "b", "c", "d"}, {}},
    // "\xE4\xF6" is a-umlaut o-umlaut, 0xA0 a no-break space (Windows-1252).
    {"bytes from 0x80 up are content", {"\xE4\xF6 \xA0\n"}, {"\xE4\xF6 \xA0"}, {}},
    {"CR LF split over two chunks is one line end", {"a\r", "\nb\n"}, {"a", "b"}, {}},
    {"trailing spaces across a chunk border", {"ab  ", "  \r\n"}, {"ab"}, {}},
    {"leading spaces across a chunk border", {"\r\n  ", "  cd\n"}, {"cd"}, {}},
    {"one line over ten chunks",
     {"l", "o", "n", "g", " ", "l", "i", "n", "e", "\n"},
     {"long line"},
     {}},
    {"empty chunks add nothing", {"ab", "", "c\n", ""}, {"abc"}, {}},
    {"an unfinished line over two chunks waits for Finish", {"ab", "cd"}, {}, {"abcd"}},
    {"a NUL arriving in its own chunk", {"x", "\0"s, "y\n"}, {"x"}, {}},
    {"a line of NUL alone", {"\0\n"s}, {""}, {}},
    {"a tail of spaces after a last line end", {"a\n", "   "}, {"a"}, {}},
    {"nothing at all", {}, {}, {}},
};

TEST(LineReader, OffersTheLinesOfEachExample) {
    for (const LineCase& c : kLineCases) {
        SCOPED_TRACE(c.reason);
        std::vector<std::string> offered;
        coretest::ScriptedDriver list(&EchoParse, &offered);
        for (const std::string& chunk : c.chunks) AppendChunk(list, chunk);
        EXPECT_EQ(offered, c.byAppend);
        const std::size_t before = offered.size();
        coretest::EntryTable table = list.Finish();
        EXPECT_EQ(std::vector<std::string>(offered.begin() + before, offered.end()), c.byFinish);
        // Every accepted line is one entry, in the order offered.
        ASSERT_EQ(table.Size(), offered.size());
        for (std::size_t i = 0; i < offered.size(); ++i) EXPECT_EQ(table.Row(i).Name(), offered[i]);
    }
}

TEST(LineReader, NullOrEmptyDataIsNoInput) {
    std::vector<std::string> offered;
    coretest::ScriptedDriver list(&EchoParse, &offered);
    list.AppendData(nullptr, 5);
    AppendChunk(list, "");
    EXPECT_EQ(list.Finish().Size(), 0u);
    EXPECT_TRUE(offered.empty());
}

TEST(LineReader, LongLineKeptAcrossManyChunks) {
    // A line longer than any chunk, ending only in Finish.
    std::string line(100000, 'x');
    for (std::size_t i = 0; i < line.size(); i += 997) line[i] = ' ';
    line[0] = 'a';
    line.back() = 'z';
    std::vector<std::string> offered;
    coretest::ScriptedDriver list(&EchoParse, &offered);
    for (std::size_t at = 0; at < line.size(); at += 1000) AppendChunk(list, line.substr(at, 1000));
    EXPECT_TRUE(offered.empty());
    list.Finish();
    ASSERT_EQ(offered.size(), 1u);
    EXPECT_EQ(offered[0], line);
}

// Lines whose end, or a zero byte, a control byte or trailing spaces near
// it, fall where the driver's 64-byte window of a line and the 16 bytes
// after it meet.
TEST(LineReader, LineEndsAroundTheWindowEdge) {
    struct Mark {
        char byte;
        const char* reason;
    };
    const Mark kMarks[] = {
        {'\0', "a zero byte ends the text"},
        {'\t', "a tab is content"},
        {'\x0b', "another control byte below CR is content"},
        {' ', "spaces from the mark to the line end go"},
    };
    const std::string next(100, 'y');  // a long line after, so the window is whole
    for (std::size_t length = 56; length <= 100; ++length) {
        for (const Mark& mark : kMarks) {
            for (std::size_t at = length - 18; at <= length; ++at) {
                std::string line(length, 'x');
                std::string expected = line;
                if (mark.byte == ' ') {
                    line.replace(at, length - at, length - at, ' ');
                    expected.resize(at);
                } else if (at < length) {
                    line[at] = mark.byte;
                    expected = mark.byte == '\0' ? line.substr(0, at) : line;
                }
                for (const char* eol : {"\r\n", "\n", "\r"}) {
                    std::vector<std::string> offered;
                    coretest::ScriptedDriver list(&EchoParse, &offered);
                    AppendChunk(list, line + eol + next + eol);
                    const std::vector<std::string> want = {expected, next};
                    ASSERT_EQ(offered, want)
                        << mark.reason << ", length " << length << ", mark at " << at;
                }
            }
        }
    }
}

// Listings whose lines, joins and entries must not depend on how the bytes
// are cut into chunks.
std::vector<std::pair<std::string, std::string>> ChunkingListings() {
    std::vector<std::pair<std::string, std::string>> out = {
        {"line reader examples",
         "  abc  def  \r\n\r\n   ghi \n last  \r\nab\rcd\n\r \r\n"
         "a\tb\t \nx\0y\n-rw-r--r-- 1 u g 5 Jan 1 2001 ok\0 cut\n \r \n "s},
        {"joins across the cut",
         "Directory DISK$A:[B]\r\n\r\nLONG_NAME_OF_A_FILE.TXT;3\r\n"
         "      4  12-JAN-2002 10:30:45 [OWNER] (RWED,RWED,RE,)\r\n"
         "SHORT.TXT;1  1  1-FEB-2003 09:00:00 [OWNER] (RWED,RWED,RE,)\r\n"
         "LAST_ONE.TXT;2\r\n  7  3-MAR-2004 11:11:11 [OWNER] (RE,RE,RE,)"},
        {"mixed styles, no final line end",
         "total 3\n"
         "lrwxrwxrwx 1 u g 7 Jan 15 12:30 bin -> usr/bin\n"
         "01-15-02  10:30AM       <DIR>          My Folder\n"
         "-rw-r--r-- 1 u g 1234 Jan 15 2002 notes  .txt  "},
    };
    for (const char* file : {"examples/unix.txt", "examples/unix-cp1251.txt", "examples/dos.txt",
                             "examples/vms.txt"}) {
        out.emplace_back(file, coretest::ReadSourceFile(file));
    }
    return out;
}

TEST(LineReader, ChunkingChangesNoLineAndNoEntry) {
    for (const auto& [label, listing] : ChunkingListings()) {
        SCOPED_TRACE(label);
        ASSERT_FALSE(listing.empty());
        const coretest::Outcome whole = coretest::ParseChunks({listing}, coretest::kToday);
        ASSERT_FALSE(whole.entries.empty());
        const std::string_view all(listing);
        for (std::size_t cut = 0; cut <= all.size(); ++cut) {
            const coretest::Outcome split =
                coretest::ParseChunks({all.substr(0, cut), all.substr(cut)}, coretest::kToday);
            ASSERT_EQ(split.offered, whole.offered) << "cut at " << cut;
            ASSERT_EQ(split.entries, whole.entries) << "cut at " << cut;
        }
        std::vector<std::string_view> bytes;
        for (std::size_t i = 0; i < all.size(); ++i) bytes.push_back(all.substr(i, 1));
        const coretest::Outcome single = coretest::ParseChunks(bytes, coretest::kToday);
        EXPECT_EQ(single.offered, whole.offered);
        EXPECT_EQ(single.entries, whole.entries);
    }
}

}  // namespace
