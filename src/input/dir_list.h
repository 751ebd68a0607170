// The parser object of one listing: takes the listing in chunks, cuts it into
// lines, offers each line to the line parser, joins lines that do not parse
// alone, and collects the entries.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "entries/entry_table.h"
#include "model/entry.h"
#include "parse/today.h"

namespace ftpdirlist {

// A line that yielded no entry: its number in the listing (1-based; CR LF,
// a lone CR and a lone LF each end one line) and its text as parsed.
struct SkippedLine {
    std::uint64_t number;
    std::string text;
};

class CFtpDirList {
public:
    // Decides one line: 1 and `entry` filled when it is an entry, else 0;
    // sets `flagWord` (bit 0: a VMS-style line). The real one is ParseLine.
    using ParseFn = int (*)(void* context, std::string_view line, ParsedEntry& entry,
                            int& flagWord);

    // Lines parsed by ParseLine, with the year of timed Unix-style entries
    // from the system's local date.
    CFtpDirList();
    // The same with a fixed "today".
    explicit CFtpDirList(LocalDate today);
    // Lines decided by `parse` (tests drive the line logic with it).
    CFtpDirList(ParseFn parse, void* context);

    CFtpDirList(const CFtpDirList&) = delete;
    CFtpDirList& operator=(const CFtpDirList&) = delete;

    // Lines that yield no entry are appended to `*sink` from now on; null
    // stops it. The sink must outlive the calls that may write to it.
    void SetSkippedSink(std::vector<SkippedLine>* sink) { skipped_ = sink; }

    // Parses every line of `data` whose line end has arrived. The bytes are
    // read only during the call; the unfinished last line is kept (copied)
    // until the next chunk or Finish. Throws only std::bad_alloc.
    void AppendData(const char* data, std::size_t length);

    // Parses what is left and hands over the entries. Call once, last.
    EntryTable Finish();

    // Bit 0 set once a VMS-style line has been accepted.
    int Flags() const { return flags_; }

private:
    static int ParseWithClock(void* context, std::string_view line, ParsedEntry& entry,
                              int& flagWord);

    void Scan(const char* p, const char* end);
    const char* SkipSeparators(const char* p, const char* end);
    void EmitLine(const char* begin, std::size_t length, std::uint64_t number);
    // `readable`: bytes up to there may be read past the line (the chunk's
    // end, or the line's own end); `spaces`, unless null: the spaces among
    // the 64 bytes at the line's start, already found.
    void EmitText(const char* begin, std::size_t length, bool cutAtZero, std::uint64_t number,
                  const char* readable, const std::uint64_t* spaces);
    void LineFailed(std::string_view line, std::uint64_t number);
    bool TryLine(std::string_view text, const char* readable, const std::uint64_t* spaces);
    void Skip(std::string_view text, std::uint64_t number);

    int flags_ = 0;
    EntryTable entries_;
    ParseFn parse_;
    void* context_;
    Today today_;
    ParsedEntry record_;

    // The unfinished last line, from its first byte, while its end has not
    // arrived (empty when there is none: a line never starts with a space).
    std::string carry_;
    std::uint64_t carryNumber_ = 0;

    // A line that did not parse alone, kept to be tried joined with the next.
    std::string pendingLine_;
    std::uint64_t pendingNumber_ = 0;
    bool hasPending_ = false;
    std::string joined_;

    std::uint64_t lineBreaks_ = 0;
    bool lastWasCR_ = false;
    std::vector<SkippedLine>* skipped_ = nullptr;
};

}  // namespace ftpdirlist
