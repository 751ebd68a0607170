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

// The style parsers, entered with the line's first token and the scanner
// just after it. Each returns 1 when `entry` holds an entry, else 0.
int ParseUnixTokens(std::string_view mode, TokenScanner& tokens, ParsedEntry& entry, Today& today);
int ParseVmsTokens(std::string_view first, std::size_t semicolon, TokenScanner& tokens,
                   ParsedEntry& entry);
int ParseDosTokens(std::string_view date, TokenScanner& tokens, ParsedEntry& entry);

// The first bytes of a Unix-style mode (a file type letter), looked up in one
// load rather than a chain of compares.
struct UnixTypeBytes {
    bool byte[256] = {};
    constexpr UnixTypeBytes() {
        for (const char type : {'-', 'b', 'c', 'd', 'l', 'p', 's'}) {
            byte[static_cast<unsigned char>(type)] = true;
        }
    }
    constexpr bool operator[](unsigned char b) const { return byte[b]; }
};
inline constexpr UnixTypeBytes kUnixTypeByte{};

// Parses `line` into `entry`, which the caller passes newly reset. Returns 1
// when the line is a directory entry and `entry` holds it, 0 otherwise; sets
// `flagWord` to 0, or to kVmsLine for a VMS-style line. `spaces`, unless
// null, gives the spaces among the 64 bytes at line.begin (bit i set when
// line.begin[i] is a space). The texts in `entry` point into the line or into
// the entry's scratch buffers. `today` gives the year of Unix-style entries
// that carry a time. Never throws except std::bad_alloc from growing a
// scratch buffer. Inline: the driver calls it for every line.
FTPDIRLIST_ALWAYS_INLINE int ParseLine(const Line& line, const std::uint64_t* spaces,
                                       ParsedEntry& entry, int& flagWord, Today& today) {
    flagWord = 0;
    TokenScanner tokens(line, spaces);
    const std::string_view first = tokens.Next();
    if (first.data() == nullptr) return 0;

    if (kUnixTypeByte[static_cast<unsigned char>(first[0])]) {
        return ParseUnixTokens(first, tokens, entry, today);
    }
    const std::size_t semicolon = bytes::Find(first.data(), first.size(), line.readable, ';');
    if (semicolon != first.size()) {
        // Marked before the line is examined further: the listing counts as
        // VMS-style only if this line is accepted, which the driver decides.
        flagWord |= kVmsLine;
        return ParseVmsTokens(first, semicolon, tokens, entry);
    }
    return ParseDosTokens(first, tokens, entry);
}

// The classic dialect's line parser, as the listing driver holds it: leading
// and trailing spaces are trimmed before it sees a line (kKeepSpaces false);
// Parse returns 1 for an entry, 0 for a line to be tried joined with the
// next (it never reports a header line, 2). Holds the listing's "today".
class ClassicLineParser {
public:
    static constexpr bool kKeepSpaces = false;
    // The text before a zero byte is offered even when it is empty.
    static constexpr bool kBlankCutIsEmpty = false;
    static constexpr bool kExtras = false;

    // Timed Unix-style entries are dated from the system's local clock.
    ClassicLineParser() = default;
    // ... or from a fixed date.
    explicit ClassicLineParser(LocalDate today) : today_(today) {}

    FTPDIRLIST_ALWAYS_INLINE int Parse(const Line& line, const std::uint64_t* spaces,
                                       ParsedEntry& entry, int& flagWord) {
        return ParseLine(line, spaces, entry, flagWord, today_);
    }

private:
    Today today_;
};

}  // namespace ftpdirlist
