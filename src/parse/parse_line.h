// Parsing one listing line: dispatch by the first token, and one parser per
// listing style.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "model/entry.h"
#include "model/line_kind.h"
#include "parse/today.h"
#include "parse/tokens.h"

namespace ftpdirlist {

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

// The verdict of a style parser: 1 (an entry) or 0.
constexpr LineKind EntryIf(int accepted) {
    return accepted != 0 ? LineKind::entry : LineKind::none;
}

// Parses `line` into `entry`, which the caller passes newly reset. Returns
// entry when the line is a directory entry and `entry` holds it, none
// otherwise (never header); sets `style` to vms for a line taken as
// VMS-style, whether or not it is then accepted, else to other. `spaces`,
// unless null, gives the spaces among the 64 bytes at line.begin (bit i set
// when line.begin[i] is a space). The texts in `entry` point into the line
// or into the entry's scratch buffers. `today` gives the year of Unix-style
// entries that carry a time. Never throws except std::bad_alloc from growing
// a scratch buffer. Inline: the driver calls it for every line.
FTPDIRLIST_ALWAYS_INLINE LineKind ParseLine(const Line& line, const std::uint64_t* spaces,
                                            ParsedEntry& entry, LineStyle& style, Today& today) {
    style = LineStyle::other;
    TokenScanner tokens(line, spaces);
    const std::string_view first = tokens.Next();
    if (first.data() == nullptr) return LineKind::none;

    if (kUnixTypeByte[static_cast<unsigned char>(first[0])]) {
        return EntryIf(ParseUnixTokens(first, tokens, entry, today));
    }
    const std::size_t semicolon = bytes::Find(first.data(), first.size(), line.readable, ';');
    if (semicolon != first.size()) {
        // Marked before the line is examined further: the listing counts as
        // VMS-style only if this line is accepted, which the driver decides.
        style = LineStyle::vms;
        return EntryIf(ParseVmsTokens(first, semicolon, tokens, entry));
    }
    return EntryIf(ParseDosTokens(first, tokens, entry));
}

// The classic dialect's line parser, as the listing driver holds it: leading
// and trailing spaces are trimmed before it sees a line (kKeepSpaces false);
// Parse returns entry or none, never header. Holds the listing's "today".
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

    FTPDIRLIST_ALWAYS_INLINE LineKind Parse(const Line& line, const std::uint64_t* spaces,
                                            ParsedEntry& entry, LineStyle& style) {
        return ParseLine(line, spaces, entry, style, today_);
    }

private:
    Today today_;
};

}  // namespace ftpdirlist
