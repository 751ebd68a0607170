// The listing driver with a scripted line parser: which texts are offered,
// which lines are joined, which entries are kept, which lines are dropped,
// and when the listing turns VMS-style.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "core_helpers.h"

namespace {

using namespace std::string_literals;
using coretest::AppendChunk;
using coretest::CFtpDirList;
using coretest::ParsedEntry;
using ftpdirlist::LineKind;
using ftpdirlist::LineStyle;

struct Verdict {
    bool accept;
    bool vms;          // a VMS-style line, accepted or not
    std::string name;  // the entry's name; the text itself when empty
};

// Decides each text by a table; texts not in it are rejected, not VMS-style.
struct Script {
    std::map<std::string, Verdict> verdicts;
    std::vector<std::string> offered;
    bool allFresh = true;  // every text found a newly constructed record

    static LineKind Parse(void* context, std::string_view line, ParsedEntry& entry,
                          LineStyle& style) {
        auto* self = static_cast<Script*>(context);
        self->offered.emplace_back(line);
        const ftpdirlist::FtpDateTime fresh;
        if (!entry.name.empty() || !entry.attributes.empty() || entry.size != 0 ||
            entry.isDir != 0 || entry.isLink != 0 || !(entry.dateTime == fresh)) {
            self->allFresh = false;
        }
        // Leave something in every field, as a parser that fails late does.
        entry.attributes = "lrwxrwxrwx";
        entry.size = 7;
        entry.isDir = 1;
        entry.isLink = 1;
        entry.dateTime = {2001, 2, 3, 4, 5, 1, 1};
        const auto it = self->verdicts.find(std::string(line));
        if (it == self->verdicts.end()) return LineKind::none;
        const Verdict& v = it->second;
        style = v.vms ? LineStyle::vms : LineStyle::other;
        entry.name = v.name.empty() ? std::string_view(it->first) : std::string_view(v.name);
        return v.accept ? LineKind::entry : LineKind::none;
    }
};

using Skipped = std::vector<std::pair<std::uint64_t, std::string>>;

struct DriverRun {
    std::vector<std::string> offered;
    std::vector<std::string> names;
    std::vector<std::int32_t> versions;
    Skipped skipped;
    bool allFresh;
};

DriverRun Drive(const std::vector<std::string>& chunks,
                const std::map<std::string, Verdict>& verdicts) {
    Script script{verdicts, {}, true};
    std::vector<ftpdirlist::SkippedLine> skipped;
    coretest::ScriptedDriver list(&Script::Parse, &script);
    list.SetSkippedSink(&skipped);
    for (const std::string& chunk : chunks) AppendChunk(list, chunk);
    const coretest::EntryTable table = list.Finish();
    DriverRun run{std::move(script.offered), {}, {}, {}, script.allFresh};
    for (std::size_t i = 0; i < table.Size(); ++i) {
        run.names.emplace_back(table.Row(i).Name());
        run.versions.push_back(table.Row(i).version);
    }
    for (const auto& s : skipped) run.skipped.emplace_back(s.number, s.text);
    return run;
}

const Verdict kAccept{true, false, ""};

struct JoinCase {
    const char* reason;
    std::vector<std::string> chunks;
    std::map<std::string, Verdict> verdicts;
    std::vector<std::string> offered;
    std::vector<std::string> names;
    Skipped skipped;
};

const JoinCase kJoinCases[] = {
    {"a rejected line between two accepted ones is dropped when the next is accepted",
     {"L1\nL2\nL3\n"},
     {{"L1", kAccept}, {"L3", kAccept}},
     {"L1", "L2", "L3"},
     {"L1", "L3"},
     {{2, "L2"}}},
    {"two lines that fail alone are joined by one space",
     {"L1\nL2\n"},
     {{"L1 L2", kAccept}},
     {"L1", "L2", "L1 L2"},
     {"L1 L2"},
     {}},
    {"a failed join leaves the newer line pending for the next",
     {"L1\nL2\nL3\n"},
     {{"L2 L3", kAccept}},
     {"L1", "L2", "L1 L2", "L3", "L2 L3"},
     {"L2 L3"},
     {{1, "L1"}}},
    {"three lines are never tried together",
     {"L1\nL2\nL3\n"},
     {},
     {"L1", "L2", "L1 L2", "L3", "L2 L3"},
     {},
     {{1, "L1"}, {2, "L2"}, {3, "L3"}}},
    {"a pending line followed by an accepted one is dropped without a join",
     {"L1\nL2\n"},
     {{"L2", kAccept}},
     {"L1", "L2"},
     {"L2"},
     {{1, "L1"}}},
    {"a listing of one rejected line", {"L1"}, {}, {"L1"}, {}, {{1, "L1"}}},
    {"after an accepted join nothing is pending",
     {"L1\nL2\nL3\nL4\nL5\n"},
     {{"L1 L2", kAccept}, {"L3 L4", kAccept}},
     {"L1", "L2", "L1 L2", "L3", "L4", "L3 L4", "L5"},
     {"L1 L2", "L3 L4"},
     {{5, "L5"}}},
    {"an accepted '.' still releases the pending line",
     {"L1\nDOT\nL3\n"},
     {{"DOT", {true, false, "."}}, {"L3", kAccept}},
     {"L1", "DOT", "L3"},
     {"L3"},
     {{1, "L1"}, {2, "DOT"}}},
    {"'.' and '..' are skipped lines, '...' and '.x' are names",
     {"A\nB\nC\nD\n"},
     {{"A", {true, false, "."}},
      {"B", {true, false, ".."}},
      {"C", {true, false, "..."}},
      {"D", {true, false, ".x"}}},
     {"A", "B", "C", "D"},
     {"...", ".x"},
     {{1, "A"}, {2, "B"}}},
    {"a join accepted as '..' uses up both lines",
     {"L1\nL2\nL3\n"},
     {{"L1 L2", {true, false, ".."}}},
     {"L1", "L2", "L1 L2", "L3"},
     {},
     {{1, "L1 L2"}, {3, "L3"}}},
    {"a join keeps the inner bytes of both lines",
     {"a  b\nc\td \n"},
     {{"a  b c\td", kAccept}},
     {"a  b", "c\td", "a  b c\td"},
     {"a  b c\td"},
     {}},
    {"a join uses a line's text up to its NUL",
     {"x\0y\nz\n"s},
     {{"x z", kAccept}},
     {"x", "z", "x z"},
     {"x z"},
     {}},
    {"the pending line carries from one chunk into the next",
     {"L1\n", "L2\n"},
     {{"L1 L2", kAccept}},
     {"L1", "L2", "L1 L2"},
     {"L1 L2"},
     {}},
    {"a rejected last complete line joins the tail that Finish parses",
     {"L1\nL", "2"},
     {{"L1 L2", kAccept}},
     {"L1", "L2", "L1 L2"},
     {"L1 L2"},
     {}},
    {"a listing without line ends is one line",
     {"L1 only"},
     {{"L1 only", kAccept}},
     {"L1 only"},
     {"L1 only"},
     {}},
    {"line numbers count CR LF, lone CR and lone LF as one line end each",
     {"a\r\n\r\nb\n\rc\rd"},
     {},
     {"a", "b", "a b", "c", "b c", "d", "c d"},
     {},
     {{1, "a"}, {3, "b"}, {5, "c"}, {6, "d"}}},
    {"a CR LF split between chunks ends one line",
     {"a\r", "\n\nb"},
     {},
     {"a", "b", "a b"},
     {},
     {{1, "a"}, {3, "b"}}},
};

TEST(Driver, PendingLinesAndJoins) {
    for (const JoinCase& c : kJoinCases) {
        SCOPED_TRACE(c.reason);
        const DriverRun run = Drive(c.chunks, c.verdicts);
        EXPECT_EQ(run.offered, c.offered);
        EXPECT_EQ(run.names, c.names);
        EXPECT_EQ(run.skipped, c.skipped);
        EXPECT_TRUE(run.allFresh);
    }
}

struct FlagCase {
    const char* reason;
    std::string listing;
    std::map<std::string, Verdict> verdicts;
    std::vector<std::string> names;
    std::vector<std::int32_t> versions;  // above 0 only once the listing is VMS-style
};

const Verdict kVms{true, true, ""};

const FlagCase kFlagCases[] = {
    {"the first VMS line's own entry is already taken as VMS-style",
     "BAR;2\nFOO;3\nFOO;5\n",
     {{"BAR;2", kAccept}, {"FOO;3", kVms}, {"FOO;5", kAccept}},
     {"BAR;2", "FOO"},
     {0, 5}},
    {"a rejected VMS line leaves the listing as it was",
     "X;1\nA;1\n",
     {{"X;1", {false, true, ""}}, {"A;1", kAccept}},
     {"A;1"},
     {0}},
    {"a dropped '.' still makes the listing VMS-style",
     "DOT\nA;1\nB\n",
     {{"DOT", {true, true, "."}}, {"A;1", kAccept}, {"B", kAccept}},
     {"A"},
     {1}},
    {"a joined VMS line sets the flag",
     "L1\nL2\n",
     {{"L1", {false, true, ""}}, {"L1 L2", {true, true, "F;2"}}},
     {"F"},
     {2}},
    {"later lines without the flag leave it set",
     "A;1\nB;1\n",
     {{"A;1", kVms}, {"B;1", kAccept}},
     {"A", "B"},
     {1, 1}},
};

TEST(Driver, VmsFlagOfAcceptedLines) {
    for (const FlagCase& c : kFlagCases) {
        SCOPED_TRACE(c.reason);
        const DriverRun run = Drive({c.listing}, c.verdicts);
        EXPECT_EQ(run.names, c.names);
        EXPECT_EQ(run.versions, c.versions);
        EXPECT_TRUE(run.allFresh);
    }
}

// A parser that says header for texts whose first byte other than a space
// is "H", entry for "E", none otherwise, recording what it is offered.
LineKind HeaderParse(void* context, std::string_view line, ParsedEntry& entry, LineStyle& style) {
    static_cast<std::vector<std::string>*>(context)->emplace_back(line);
    style = LineStyle::other;
    entry.name = line;
    entry.dateTime.hasDate = 1;
    const std::size_t at = line.find_first_not_of(' ');
    if (at == std::string_view::npos) return LineKind::none;
    if (line[at] == 'H') return LineKind::header;
    return line[at] == 'E' ? LineKind::entry : LineKind::none;
}

template <bool keepSpaces>
DriverRun DriveHeaders(const std::vector<std::string>& chunks) {
    std::vector<std::string> offered;
    std::vector<ftpdirlist::SkippedLine> skipped;
    ftpdirlist::ListingDriver<coretest::ScriptedParserOf<keepSpaces>> list(&HeaderParse, &offered);
    list.SetSkippedSink(&skipped);
    for (const std::string& chunk : chunks) AppendChunk(list, chunk);
    const coretest::EntryTable table = list.Finish();
    DriverRun run{std::move(offered), {}, {}, {}, true};
    for (std::size_t i = 0; i < table.Size(); ++i) run.names.emplace_back(table.Row(i).Name());
    for (const auto& line : skipped) run.skipped.emplace_back(line.number, line.text);
    return run;
}

TEST(Driver, HeaderLinesAreSkippedAtOnceAndNeverJoined) {
    const DriverRun run = DriveHeaders<false>({"x\nH1\ny\nE1\nH2\n"});
    // "x" cannot join the header, so it is skipped before it; "y" is held
    // and released by the entry after it.
    const std::vector<std::string> offered = {"x", "H1", "y", "E1", "H2"};
    EXPECT_EQ(run.offered, offered);
    EXPECT_EQ(run.names, std::vector<std::string>{"E1"});
    const Skipped skipped = {{1, "x"}, {2, "H1"}, {3, "y"}, {5, "H2"}};
    EXPECT_EQ(run.skipped, skipped);
}

TEST(Driver, KeptSpacesReachTheParserAndBlankLinesStillSeparate) {
    struct Case {
        const char* reason;
        std::vector<std::string> chunks;
        std::vector<std::string> offered;
        Skipped skipped;
    } const cases[] = {
        {"leading and trailing spaces stay", {"  E1  \r\n E2\n"}, {"  E1  ", " E2"}, {}},
        {"lines of spaces only are not offered, but count",
         {"E1\n   \n\n  E2\n"},
         {"E1", "  E2"},
         {}},
        {"spaces that open a line wait for its end across chunks",
         {"E1\n  ", " E", "2 \n   ", "\n"},
         {"E1", "   E2 "},
         {}},
        {"a join keeps the spaces of both lines",
         {" a \n b\n"},
         {" a ", " b", " a   b"},
         {{1, " a "}, {2, " b"}}},
        {"the last line without an end, spaces only", {"E1\n  "}, {"E1"}, {}},
        {"a line blank before its zero byte is not offered, and the join goes over it",
         {"a\n", std::string("  \0z\n", 5), "b\n", std::string(" \0", 2)},
         {"a", "b", "a b"},
         {{1, "a"}, {3, "b"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        const DriverRun run = DriveHeaders<true>(c.chunks);
        EXPECT_EQ(run.offered, c.offered);
        EXPECT_EQ(run.skipped, c.skipped);
    }
}

TEST(Driver, SpacesAfterCrLfOpenTheNextLineInBothSpaceModes) {
    struct Case {
        const char* reason;
        std::vector<std::string> chunks;
        std::vector<std::string> kept;     // offered with kept spaces
        std::vector<std::string> trimmed;  // offered without them
        Skipped skippedKept;
        Skipped skippedTrimmed;
    } const cases[] = {
        {"more spaces than a word, a blank line, and a tab after spaces",
         {"E1\r\n          E2\r\n   \r\n  H1\r\n \tx\r\n"},
         {"E1", "          E2", "  H1", " \tx"},
         {"E1", "E2", "H1", "\tx"},
         {{4, "  H1"}, {5, " \tx"}},
         {{4, "H1"}, {5, "\tx"}}},
        {"spaces after a CR LF run on into the next chunk",
         {"E1\r\n   ", "  H1\r\n"},
         {"E1", "     H1"},
         {"E1", "H1"},
         {{2, "     H1"}},
         {{2, "H1"}}},
        {"a lone LF after spaces still ends a line",
         {"E1\r\n  \nH1\n"},
         {"E1", "H1"},
         {"E1", "H1"},
         {{3, "H1"}},
         {{3, "H1"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        const DriverRun kept = DriveHeaders<true>(c.chunks);
        EXPECT_EQ(kept.offered, c.kept);
        EXPECT_EQ(kept.skipped, c.skippedKept);
        const DriverRun trimmed = DriveHeaders<false>(c.chunks);
        EXPECT_EQ(trimmed.offered, c.trimmed);
        EXPECT_EQ(trimmed.skipped, c.skippedTrimmed);
    }
}

TEST(Driver, IsReusableAfterFinish) {
    const std::string first =
        "-rw-r--r-- 1 u g 5 Jan 5 2002 a\r\nnot an entry\r\nX.TXT;1 1 1-JAN-2001 10:00 [U] (R)\r\n";
    const std::string second = "garbage\n-rw-r--r-- 1 u g 7 Feb 6 2003 b\n";
    const auto names = [](const coretest::EntryTable& table) {
        std::vector<std::string> out;
        for (std::size_t i = 0; i < table.Size(); ++i) out.emplace_back(table.Row(i).Name());
        return out;
    };
    std::vector<ftpdirlist::SkippedLine> skipped;
    CFtpDirList list(coretest::kToday);
    list.SetSkippedSink(&skipped);
    AppendChunk(list, first.substr(0, 20));  // the second listing must not see this carry
    AppendChunk(list, first.substr(20));
    const coretest::EntryTable one = list.Finish();
    AppendChunk(list, second.substr(0, 30));
    AppendChunk(list, second.substr(30));
    const coretest::EntryTable two = list.Finish();

    CFtpDirList fresh(coretest::kToday);
    AppendChunk(fresh, second);
    const coretest::EntryTable expected = fresh.Finish();

    EXPECT_EQ(names(one), (std::vector<std::string>{"a", "X.TXT"}));
    EXPECT_EQ(names(two), names(expected));
    EXPECT_EQ(coretest::Entries(two), coretest::Entries(expected));
    // Line numbers start again at 1, and the first table is still whole.
    ASSERT_EQ(skipped.size(), 2u);
    EXPECT_EQ(skipped[1].number, 1u);
    EXPECT_EQ(skipped[1].text, "garbage");
    EXPECT_EQ(coretest::Entries(one).size(), 2u);
    EXPECT_EQ(one.Row(1).version, 1);
}

TEST(Driver, RealParserJoinsLongVmsNameWithItsLine) {
    const coretest::Outcome out = coretest::ParseChunks(
        {"A_LONG_NAME.TXT;4\r\n   12  1-FEB-2003 09:30:00 [OWNER] (RWED,RWED,RE,)\r\n"},
        coretest::kToday);
    const std::vector<std::string> offered = {
        "A_LONG_NAME.TXT;4", "12  1-FEB-2003 09:30:00 [OWNER] (RWED,RWED,RE,)",
        "A_LONG_NAME.TXT;4 12  1-FEB-2003 09:30:00 [OWNER] (RWED,RWED,RE,)"};
    EXPECT_EQ(out.offered, offered);
    ASSERT_EQ(out.entries.size(), 1u);
    EXPECT_EQ(out.entries[0].name, "A_LONG_NAME.TXT");
    EXPECT_EQ(out.entries[0].attributes, "(RWED,RWED,RE,)");
}

// The names of a listing's entries, parsed whole and one byte at a time by
// the dialect's driver with the real parser: the two must agree.
template <class Driver, class... Args>
std::vector<std::string> NamesOf(const std::string& listing, Args... args) {
    std::vector<std::string> whole;
    std::vector<std::string> bytewise;
    for (const bool oneByte : {false, true}) {
        Driver list(args...);
        if (oneByte) {
            for (const char ch : listing) AppendChunk(list, std::string_view(&ch, 1));
        } else {
            AppendChunk(list, listing);
        }
        const coretest::EntryTable table = list.Finish();
        std::vector<std::string>& names = oneByte ? bytewise : whole;
        for (std::size_t i = 0; i < table.Size(); ++i) names.emplace_back(table.Row(i).Name());
    }
    EXPECT_EQ(whole, bytewise);
    return whole;
}

// What the real parsers of both dialects make of VMS versions among lines of
// other families, and of lines whose text ends at a zero byte.
TEST(Driver, VersionCollapseAndZeroCutLinesInBothDialects) {
    const std::string unixFoo = "-rw-r--r-- 1 u g 5 Jan 15  2002 FOO.TXT\n";
    const std::string vmsFoo = "FOO.TXT;2 3 15-JAN-2002 10:30:45 [X] (RWED,RWED,RE,)\n";
    const std::string vmsBar = "BAR.TXT;1 3 15-JAN-2002 10:30:45 [X] (RWED,RWED,RE,)\n";
    const std::string vmsFoo3 = "FOO.TXT;3 4 16-JAN-2002 10:30:45 [X] (RWED,RWED,RE,)\n";
    const std::string tail = "  2  12-JAN-2002 10:30:45 [SYSTEM] (RWED,RWED,RE,)\n";
    using Names = std::vector<std::string>;
    struct Case {
        const char* reason;
        std::string listing;
        Names extended;
        Names classic;  // the classic rule: from the first VMS line on, every entry collapses
    } const cases[] = {
        {"a Unix entry does not merge with a later VMS version of its name",
         unixFoo + vmsFoo,
         {"FOO.TXT", "FOO.TXT"},
         {"FOO.TXT"}},
        {"nor with a VMS line in front",
         vmsBar + unixFoo + vmsFoo,
         {"BAR.TXT", "FOO.TXT", "FOO.TXT"},
         {"BAR.TXT", "FOO.TXT"}},
        {"the versions of one VMS file collapse across a Unix line",
         vmsFoo + unixFoo + vmsFoo3,
         {"FOO.TXT", "FOO.TXT"},
         {"FOO.TXT"}},
        {"an empty line between a VMS name and its line", "NAME;1\n\n" + tail, {"NAME"}, {"NAME"}},
        {"a VMS name alone after a Unix line, which no family reads alone, joins its line",
         unixFoo + "NAME;1\n" + tail,
         {"FOO.TXT", "NAME"},
         {"FOO.TXT", "NAME"}},
        {"a VMS line marks only a classic listing, whose later entries without a version go",
         vmsBar + unixFoo + unixFoo,
         {"BAR.TXT", "FOO.TXT", "FOO.TXT"},
         {"BAR.TXT"}},
        {"a zero byte alone is an empty line in the extended dialect",
         "NAME;1\n" + std::string("\0x\n", 3) + tail,
         {"NAME"},
         {}},
        {"so are spaces before a zero byte",
         "NAME;1\n" + std::string("   \0x\n", 6) + tail,
         {"NAME"},
         {}},
        {"text before a zero byte is a line of its own, which parts a VMS name from its line",
         "NAME;1\n" + std::string("x\0y\n", 4) + tail,
         {},
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        EXPECT_EQ((NamesOf<ftpdirlist::ExtendedDirList>(c.listing, coretest::kToday, false)),
                  c.extended);
        EXPECT_EQ(NamesOf<CFtpDirList>(c.listing, coretest::kToday), c.classic);
    }
}

// Every line starts from a record as newly constructed: a reset leaves
// nothing of the last line in any field, the extras included.
TEST(Driver, ResetRecordIsNewlyConstructed) {
    ParsedEntry entry;
    entry.name = "name";
    entry.attributes = "-rw-r--r--";
    entry.size = 7;
    entry.isDir = 1;
    entry.isLink = 1;
    entry.dateTime = {2001, 2, 3, 4, 5, 1, 1};
    entry.extras.target = "t";
    entry.extras.owner = "o";
    entry.extras.group = "g";
    entry.extras.facts = "type=file;";
    entry.extras.second = 30;
    entry.extras.utc = 1;
    entry.extras.format = ftpdirlist::EntryFormat::mlsd;
    entry.extras.padBeforeName = 1;
    entry.Reset();
    const ParsedEntry fresh;
    const ftpdirlist::EntryExtras& x = entry.extras;
    const ftpdirlist::EntryExtras& y = fresh.extras;
    EXPECT_TRUE(entry.name.data() == nullptr && entry.name.empty());
    EXPECT_TRUE(entry.attributes.empty() && entry.size == 0 && entry.isDir == 0 &&
                entry.isLink == 0 && entry.dateTime == fresh.dateTime);
    EXPECT_TRUE(x.target.empty() && x.owner.empty() && x.group.empty() && x.facts.empty());
    EXPECT_EQ(x.second, y.second);
    EXPECT_EQ(x.utc, y.utc);
    EXPECT_EQ(x.format, y.format);
    EXPECT_EQ(x.padBeforeName, y.padBeforeName);
}

}  // namespace
