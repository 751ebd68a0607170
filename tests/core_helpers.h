// Shared by the core tests: listings fed to CFtpDirList in chunks and a
// recording wrapper around the real line parser.
#pragma once

#include <cstddef>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "entries/entry_table.h"
#include "input/dir_list.h"
#include "model/entry.h"
#include "parse/parse_line.h"
#include "parse/today.h"
#include "test_support.h"

namespace coretest {

using ftpdirlist::CFtpDirList;
using ftpdirlist::EntryTable;
using ftpdirlist::FtpDirEntry;
using ftpdirlist::LocalDate;
using ftpdirlist::ParsedEntry;

using ftpdirlist::Entries;
using testsupport::HeapBytes;
using testsupport::kToday;

// Appends each chunk from a buffer of its own that is scribbled over and
// released right after the call: the list may keep no pointer into it.
template <class Driver>
void AppendChunk(Driver& list, std::string_view chunk) {
    HeapBytes copy(chunk);
    list.AppendData(copy.data(), copy.size());
    std::memset(const_cast<char*>(copy.data()), 0x5A, copy.size());
}

// A line parser scripted by a function, for tests of the driver's own logic.
template <bool keepSpaces>
struct ScriptedParserOf {
    static constexpr bool kKeepSpaces = keepSpaces;
    static constexpr bool kBlankCutIsEmpty = keepSpaces;
    static constexpr bool kExtras = false;
    using Fn = ftpdirlist::LineKind (*)(void* context, std::string_view line, ParsedEntry& entry,
                                        ftpdirlist::LineStyle& style);

    ScriptedParserOf(Fn f, void* c) : fn(f), context(c) {}
    ftpdirlist::LineKind Parse(const ftpdirlist::Line& line, const std::uint64_t*,
                               ParsedEntry& entry, ftpdirlist::LineStyle& style) {
        return fn(context, line.Text(), entry, style);
    }

    Fn fn;
    void* context;
};
using ScriptedDriver = ftpdirlist::ListingDriver<ScriptedParserOf<false>>;

// The real line parser with a fixed "today", as the driver runs it (with
// the line's read bound and window), recording every text offered.
struct RecordingParser {
    static constexpr bool kKeepSpaces = false;
    static constexpr bool kBlankCutIsEmpty = false;
    static constexpr bool kExtras = false;

    RecordingParser(LocalDate date, std::vector<std::string>* texts) : real(date), offered(texts) {}
    ftpdirlist::LineKind Parse(const ftpdirlist::Line& line, const std::uint64_t* spaces,
                               ParsedEntry& entry, ftpdirlist::LineStyle& style) {
        offered->emplace_back(line.Text());
        return real.Parse(line, spaces, entry, style);
    }

    ftpdirlist::ClassicLineParser real;
    std::vector<std::string>* offered;
};

struct Outcome {
    std::vector<std::string> offered;
    std::vector<FtpDirEntry> entries;
};

// Runs `chunks` through a driver with the real parser on `date`.
inline Outcome ParseChunks(const std::vector<std::string_view>& chunks, LocalDate date) {
    std::vector<std::string> offered;
    ftpdirlist::ListingDriver<RecordingParser> list(date, &offered);
    for (std::string_view chunk : chunks) AppendChunk(list, chunk);
    EntryTable table = list.Finish();
    return {std::move(offered), Entries(table)};
}

// The bytes of a file of the source tree, by its path relative to the root.
inline std::string ReadSourceFile(const std::string& relative) {
    std::ifstream in(std::string(FTPDIRLIST_SOURCE_DIR) + "/" + relative, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace coretest
