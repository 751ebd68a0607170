// VMS-style lines of the extended dialect, as `DIRECTORY/FULL`-like
// listings write them, with their header and footer:
//   Directory DISK$USER:[ALICE]
//   NOTES.TXT;4        3  15-JAN-2002 10:30:45.12
//   BIN.DIR;1       12/16 15-JAN-2002 10:30  [SYSTEM]  (RWE,RWE,RE,)
//   Total of 2 files, 15/20 blocks.
// The name comes first; the size (used/allocated blocks, 512 bytes each),
// date, time, owner and protection follow in any order, the time right
// after the date and the protection last.
#include <cstdint>
#include <limits>

#include "extended/families.h"

namespace ftpdirlist {
namespace ext {

namespace {

using fields::Stamp;
using fields::TokenWalker;

constexpr std::int64_t kBlockBytes = 512;

// The most tokens of an entry: name, size, date, time, owner, protection;
// the fields after the name are each taken once at most.
constexpr std::size_t kMaxTokens = 6;

// "Directory DISK$USER:[NAME]", the header of each directory's part.
bool IsDirectoryHeader(TokenWalker& tokens) {
    const std::string_view path = tokens[1];
    return fields::EqualsFolded(tokens[0], "directory") && path.data() != nullptr &&
           tokens[2].data() == nullptr && path.back() == ']' &&
           path.find('[') != std::string_view::npos;
}

// "Total of 2 files, ..." and "Grand total of ...", the footers.
bool IsTotalFooter(TokenWalker& tokens) {
    if (fields::EqualsFolded(tokens[0], "total")) return fields::EqualsFolded(tokens[1], "of");
    return fields::EqualsFolded(tokens[0], "grand") && fields::EqualsFolded(tokens[1], "total") &&
           fields::EqualsFolded(tokens[2], "of");
}

// The place of each right in "RWED" counted from 1, kComma for the
// groups' separator, 0 for any other byte (a place no right can follow).
constexpr std::uint8_t kComma = 8;
struct RightPlaces {
    std::uint8_t of[256] = {};
    constexpr RightPlaces() {
        of[static_cast<unsigned char>('R')] = 1;
        of[static_cast<unsigned char>('W')] = 2;
        of[static_cast<unsigned char>('E')] = 3;
        of[static_cast<unsigned char>('D')] = 4;
        of[static_cast<unsigned char>(',')] = kComma;
    }
};
constexpr RightPlaces kRightPlaces;

// "(RWED,RWED,RE,)": four groups for system, owner, group and world, each
// some of R, W, E and D in that order.
bool ValidProtection(std::string_view text) {
    if (text.size() < 5 || text.front() != '(' || text.back() != ')') return false;
    int groups = 1;
    unsigned last = 0;  // the place of the group's last right, 0 at its start
    for (std::size_t i = 1; i + 1 < text.size(); ++i) {
        const unsigned at = kRightPlaces.of[static_cast<unsigned char>(text[i])];
        if (at == kComma) {
            ++groups;
            last = 0;
            continue;
        }
        // Another byte (0) or a right out of order.
        if (at <= last) return false;
        last = at;
    }
    return groups == 4;
}

// ReadBlocks for every token, byte by byte.
bool ReadOtherBlocks(std::string_view token, std::int64_t& size) {
    std::int64_t blocks = 0;
    // The used blocks end at the first byte that is no digit, which must be
    // the "/" before the allocated blocks.
    std::size_t digits = 0;
    for (; digits < token.size(); ++digits) {
        const unsigned digit = static_cast<unsigned char>(token[digits] - '0');
        if (digit > 9) break;
        if (digits < 18) blocks = blocks * 10 + digit;  // 18 digits cannot overflow
    }
    std::int64_t allocated;
    if (digits < token.size() &&
        (token[digits] != '/' || !fields::ReadNumber(token.substr(digits + 1), allocated))) {
        return false;
    }
    // Longer counts are read with the overflow test.
    if (digits == 0 || (digits > 18 && !fields::ReadNumber(token.substr(0, digits), blocks)) ||
        blocks > std::numeric_limits<std::int64_t>::max() / kBlockBytes) {
        return false;
    }
    size = blocks * kBlockBytes;
    return true;
}

// Blocks, "12" or used/allocated "12/16", in bytes (the used blocks).
// Inline: a line has one, most of them the used blocks alone.
FTPDIRLIST_ALWAYS_INLINE bool ReadBlocks(std::string_view token, std::int64_t& size) {
    std::int64_t blocks;
    // A shortcut for the usual form, the used blocks alone.
    if (FTPDIRLIST_SHORTCUTS && fields::ReadNumber(token, blocks)) {
        if (blocks > std::numeric_limits<std::int64_t>::max() / kBlockBytes) return false;
        size = blocks * kBlockBytes;
        return true;
    }
    return ReadOtherBlocks(token, size);
}

// The name: "NAME.TYPE;version", or without the version once the listing is
// known to be VMS. A ".DIR" type (any case) is a directory, named without it.
// A line that opens with spaces or a block count is the rest of an entry
// whose name stood on the line before: no name of its own.
bool ReadName(std::string_view line, std::string_view name, bool known, ParsedEntry& entry) {
    const std::size_t semicolon = name.rfind(';');
    std::string_view base = name;
    if (semicolon != std::string_view::npos) {
        const std::string_view version = name.substr(semicolon + 1);
        if (semicolon == 0 || version.empty() || !IsAllDigits(version)) return false;
        base = name.substr(0, semicolon);
    } else {
        std::int64_t blocks;
        if (!known || line[0] == ' ' || name[0] == '(' || name[0] == '[' ||
            ReadBlocks(name, blocks)) {
            return false;
        }
    }
    entry.name = name;
    if (base.size() > 4 && fields::EqualsFolded(base.substr(base.size() - 4), ".dir")) {
        entry.isDir = 1;
        entry.nameScratch.assign(base.data(), base.size() - 4);
        entry.nameScratch.append(name.data() + base.size(), name.size() - base.size());
        entry.name = entry.nameScratch;
    }
    return true;
}

// An owner in brackets, "[SYSTEM]" or "[GROUP,USER]", without them. A
// protection in brackets (three commas) is refused.
bool ReadBracketOwner(std::string_view token, std::string_view& owner) {
    if (token.size() < 3 || token.back() != ']') return false;
    const std::string_view inside = token.substr(1, token.size() - 2);
    int commas = 0;
    for (const char ch : inside) {
        if (ch == ',' && ++commas == 3) return false;
    }
    owner = inside;
    return true;
}

// True when `token` holds `ch`; a loop, since the tokens are short.
bool Holds(std::string_view token, char ch) {
    for (const char c : token) {
        if (c == ch) return true;
    }
    return false;
}

// An owner's bare word: no brackets, parentheses or commas, not a number.
bool IsBareOwner(std::string_view token) {
    bool digits = true;
    for (const char c : token) {
        if (c == '(' || c == ')' || c == '[' || c == ']' || c == ',') return false;
        digits = digits && fields::IsDigit(c);
    }
    return !digits;
}

}  // namespace

LineKind ReadVmsLine(std::string_view line, ListingState& state, Today& today, ParsedEntry& entry) {
    // An entry has at most kMaxTokens tokens; a line with one more is none
    // (unless a footer). The first five, or four, in one step when they lie
    // in the first window, as in the usual forms.
    TokenWalker tokens = TokensFor(line, state);
    if (!tokens.TakeInWindow<5>()) tokens.TakeInWindow<4>();
    const std::size_t n = tokens.Count(kMaxTokens);
    if (n == 0) return LineKind::none;

    const std::string_view name = tokens[0];
    const bool known = state.vmsHeader || state.family == EntryFormat::vms;
    if (!fields::IsDigit(name[0]) && name.find(';') == std::string_view::npos) {
        // No version: perhaps a header or footer.
        if (IsDirectoryHeader(tokens)) {
            state.vmsHeader = true;
            return SkipAs(state, ftpdir::SkipReason::title);
        }
        if (known && IsTotalFooter(tokens)) return SkipAs(state, ftpdir::SkipReason::total);
    }
    if (n > kMaxTokens || !ReadName(line, name, known, entry)) return LineKind::none;

    Stamp stamp;
    bool haveSize = false;
    bool haveDate = false;
    bool haveOwner = false;
    bool afterDate = false;   // the token before was the date
    bool impossible = false;  // a date or time of its shape that cannot exist
    entry.size = -1;
    for (std::size_t i = 1; i < n; ++i) {
        const std::string_view token = tokens[i];
        const char first = token[0];
        const bool timeHere = afterDate;
        afterDate = false;
        if (first == '(') {
            // The protection ends the line.
            if (!ValidProtection(token) || i + 1 != n) return LineKind::none;
            entry.attributes = token;
        } else if (first == '[') {
            if (haveOwner || !ReadBracketOwner(token, entry.extras.owner)) return LineKind::none;
            haveOwner = true;
        } else if (!haveDate && Holds(token, '-')) {
            if (!fields::ReadDayMonthNameYear(token, '-', stamp)) {
                if (!fields::NamedDateShape(token, '-')) return LineKind::none;
                impossible = true;
            }
            haveDate = true;
            afterDate = true;
        } else if (timeHere && Holds(token, ':')) {
            if (!fields::ReadClock(token, stamp)) {
                if (!fields::ClockShape(token)) return LineKind::none;
                impossible = true;
            }
        } else if (!haveSize && fields::IsDigit(first)) {
            if (!ReadBlocks(token, entry.size)) return LineKind::none;
            haveSize = true;
        } else if (!haveOwner && IsBareOwner(token)) {
            entry.extras.owner = token;  // an owner without brackets
            haveOwner = true;
        } else {
            return LineKind::none;
        }
    }
    // A name alone may go on with its fields on the next line.
    if (!haveDate) return LineKind::none;
    if (impossible || !StoreStamp(stamp, today, entry)) {
        return SkipAs(state, ftpdir::SkipReason::impossibleDate);
    }
    entry.extras.format = EntryFormat::vms;
    return LineKind::entry;
}

// Before the listing is known to be VMS, ReadName takes only a first token
// with a ";", and the one line without one that the reader takes is the
// "Directory" header (footers are read only in a known listing).
bool MayBeVmsLine(TokenWalker& tokens, std::size_t, const ListingState& state) {
    const std::string_view first = tokens[0];
    return state.vmsHeader || state.family == EntryFormat::vms ||
           first.find(';') != std::string_view::npos || fields::EqualsFolded(first, "directory");
}

}  // namespace ext
}  // namespace ftpdirlist
