// Shared by the core tests: exact-size heap copies of test input, listings
// fed to CFtpDirList in chunks, a recording wrapper around the real line
// parser, and the table as plain values.
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

namespace ftpdirlist {

// Readable failure messages: texts with their bytes escaped.
inline void PrintTo(const FtpDirEntry& e, std::ostream* os) {
    auto text = [os](const std::string& s) {
        *os << '"';
        for (unsigned char ch : s) {
            if (ch >= 0x20 && ch < 0x7F && ch != '\\' && ch != '"') {
                *os << static_cast<char>(ch);
            } else {
                static const char hex[] = "0123456789ABCDEF";
                *os << "\\x" << hex[ch >> 4] << hex[ch & 15];
            }
        }
        *os << '"';
    };
    text(e.name);
    *os << ' ';
    text(e.attributes);
    *os << " size " << e.size << " dir " << int(e.isDir) << " link " << int(e.isLink);
    const FtpDateTime& d = e.dateTime;
    *os << " date " << int(d.hasDate) << ':' << d.year << '-' << d.month << '-' << d.day;
    *os << " time " << int(d.hasTime) << ':' << d.hour << ':' << d.minute;
}

}  // namespace ftpdirlist

namespace coretest {

using ftpdirlist::CFtpDirList;
using ftpdirlist::EntryTable;
using ftpdirlist::FtpDirEntry;
using ftpdirlist::LocalDate;
using ftpdirlist::ParsedEntry;

// A heap buffer of exactly the input's length: a read past its end is an
// AddressSanitizer error, not a silent read of a string literal's zero byte.
class HeapBytes {
public:
    explicit HeapBytes(std::string_view bytes)
        : size_(bytes.size()), data_(new char[bytes.empty() ? 1 : bytes.size()]) {
        if (!bytes.empty()) std::memcpy(data_.get(), bytes.data(), bytes.size());
    }
    const char* data() const { return data_.get(); }
    std::size_t size() const { return size_; }

private:
    std::size_t size_;
    std::unique_ptr<char[]> data_;
};

// Appends each chunk from a buffer of its own that is scribbled over and
// released right after the call: the list may keep no pointer into it.
template <class Driver>
void AppendChunk(Driver& list, std::string_view chunk) {
    HeapBytes copy(chunk);
    list.AppendData(copy.data(), copy.size());
    std::memset(const_cast<char*>(copy.data()), 0x5A, copy.size());
}

inline std::vector<FtpDirEntry> Entries(const EntryTable& table) {
    std::vector<FtpDirEntry> out;
    for (std::size_t i = 0; i < table.Size(); ++i) out.push_back(table.Entry(i));
    return out;
}

// A line parser scripted by a function, for tests of the driver's own logic.
template <bool keepSpaces>
struct ScriptedParserOf {
    static constexpr bool kKeepSpaces = keepSpaces;
    using Fn = int (*)(void* context, std::string_view line, ParsedEntry& entry, int& flagWord);

    ScriptedParserOf(Fn f, void* c) : fn(f), context(c) {}
    int Parse(const ftpdirlist::Line& line, const std::uint64_t*, ParsedEntry& entry,
              int& flagWord) {
        return fn(context, line.Text(), entry, flagWord);
    }

    Fn fn;
    void* context;
};
using ScriptedDriver = ftpdirlist::ListingDriver<ScriptedParserOf<false>>;

// The real line parser with a fixed "today", as the driver runs it (with
// the line's read bound and window), recording every text offered.
struct RecordingParser {
    static constexpr bool kKeepSpaces = false;

    RecordingParser(LocalDate date, std::vector<std::string>* texts) : real(date), offered(texts) {}
    int Parse(const ftpdirlist::Line& line, const std::uint64_t* spaces, ParsedEntry& entry,
              int& flagWord) {
        offered->emplace_back(line.Text());
        return real.Parse(line, spaces, entry, flagWord);
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

// The date used wherever a test needs a fixed "today".
constexpr LocalDate kToday{2002, 3, 10};

}  // namespace coretest
