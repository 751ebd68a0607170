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
inline void AppendChunk(CFtpDirList& list, std::string_view chunk) {
    HeapBytes copy(chunk);
    list.AppendData(copy.data(), copy.size());
    std::memset(const_cast<char*>(copy.data()), 0x5A, copy.size());
}

// The real line parser with a fixed "today", recording every text offered.
struct RecordingParser {
    explicit RecordingParser(LocalDate date) : today(date) {}

    static int Parse(void* context, std::string_view line, ParsedEntry& entry, int& flagWord) {
        auto* self = static_cast<RecordingParser*>(context);
        self->offered.emplace_back(line);
        return ftpdirlist::ParseLine(line, entry, flagWord, self->today);
    }

    ftpdirlist::Today today;
    std::vector<std::string> offered;
};

struct Outcome {
    std::vector<std::string> offered;
    std::vector<FtpDirEntry> entries;
};

// Runs `chunks` through a list driven by the real parser on `date`.
inline Outcome ParseChunks(const std::vector<std::string_view>& chunks, LocalDate date) {
    RecordingParser parser(date);
    CFtpDirList list(&RecordingParser::Parse, &parser);
    for (std::string_view chunk : chunks) AppendChunk(list, chunk);
    EntryTable table = list.Finish();
    return {std::move(parser.offered), Entries(table)};
}

// The bytes of a file of the source tree, by its path relative to the root.
inline std::string ReadSourceFile(const std::string& relative) {
    std::ifstream in(std::string(FTPDIRLIST_SOURCE_DIR) + "/" + relative, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace coretest
