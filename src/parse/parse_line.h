// Parsing one listing line: dispatch by the first token, and one parser per
// listing style.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "model/entry.h"
#include "parse/today.h"
#include "parse/tokens.h"

namespace ftpdirlist {

// Bit of the flag word set for a line that is taken as VMS-style, whether or
// not that line is then accepted.
constexpr int kVmsLine = 1;

// Parses `line` into `entry`, which the caller passes newly reset. Returns 1
// when the line is a directory entry and `entry` holds it, 0 otherwise; sets
// `flagWord` to 0, or to kVmsLine for a VMS-style line. The texts in `entry`
// point into `line` or into the entry's scratch buffers. `today` gives the
// year of Unix-style entries that carry a time. Never throws except
// std::bad_alloc from growing a scratch buffer.
int ParseLine(std::string_view line, ParsedEntry& entry, int& flagWord, Today& today);
// The same, told that the bytes up to `readable` (>= the line's end) may be
// read (never written or used as part of the line), and, unless `spaces` is
// null, given the spaces among the 64 bytes at the line's start (bit i set
// when line[i] is a space), which saves work.
inline int ParseLine(std::string_view line, const char* readable, const std::uint64_t* spaces,
                     ParsedEntry& entry, int& flagWord, Today& today);

// The style parsers, entered with the line's first token and the cursor just
// after it.
int ParseUnixLine(std::string_view mode, Cursor& cursor, ParsedEntry& entry, Today& today);
int ParseVmsLine(std::string_view first, std::size_t semicolon, Cursor& cursor, ParsedEntry& entry);
int ParseDosLine(std::string_view date, Cursor& cursor, ParsedEntry& entry);

// The same parsers reading the rest of the line from a TokenScanner (what
// ParseLine uses); the Cursor forms above wrap these.
int ParseUnixTokens(std::string_view mode, TokenScanner& tokens, ParsedEntry& entry, Today& today);
int ParseVmsTokens(std::string_view first, std::size_t semicolon, TokenScanner& tokens,
                   ParsedEntry& entry);
int ParseDosTokens(std::string_view date, TokenScanner& tokens, ParsedEntry& entry);

// Inline: the driver calls it for every line.
FTPDIRLIST_ALWAYS_INLINE int ParseLine(std::string_view line, const char* readable,
                                       const std::uint64_t* spaces, ParsedEntry& entry,
                                       int& flagWord, Today& today) {
    flagWord = 0;
    TokenScanner tokens =
        spaces != nullptr ? TokenScanner(line.data(), line.data() + line.size(), readable, *spaces)
                          : TokenScanner(line.data(), line.data() + line.size(), readable);
    const std::string_view first = tokens.Next();
    if (first.data() == nullptr) return 0;

    switch (first[0]) {
        case '-':
        case 'b':
        case 'c':
        case 'd':
        case 'l':
        case 'p':
        case 's':
            return ParseUnixTokens(first, tokens, entry, today);
        default:
            break;
    }
    const std::size_t semicolon = bytes::Find(first.data(), first.size(), readable, ';');
    if (semicolon != first.size()) {
        // Marked before the line is examined further: the listing counts as
        // VMS-style only if this line is accepted, which the driver decides.
        flagWord |= kVmsLine;
        return ParseVmsTokens(first, semicolon, tokens, entry);
    }
    return ParseDosTokens(first, tokens, entry);
}

}  // namespace ftpdirlist
