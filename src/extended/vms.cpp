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
#include <cstring>
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

#if FTPDIRLIST_SSE2
// The rights and commas among the 16 bytes at p, p[i] against p[i + 1]
// (all 17 readable): bit i of `fitting` is set when p[i] is ",", or one of
// R, W, E and D followed by a byte that may follow it in a protection (a
// right placed after it in "RWED", a comma, or the closing parenthesis);
// of `commas` when p[i] is ",". Each byte XOR 0x51, as a signed byte,
// orders the rights as "RWED" does, the comma and the parenthesis above
// them. A following byte of any other kind fits too: it is tested at its
// own place.
struct RightBits {
    unsigned fitting;
    unsigned commas;
};

FTPDIRLIST_ALWAYS_INLINE RightBits RightBitsAt(const char* p) {
    const __m128i order = _mm_set1_epi8(0x51);
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i placed = _mm_xor_si128(v, order);
    const __m128i after =
        _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 1)), order);
    const __m128i comma = _mm_cmpeq_epi8(v, _mm_set1_epi8(','));
    // "D" (0x44) and "E" (0x45) in one compare.
    const __m128i rights = _mm_or_si128(
        _mm_cmpeq_epi8(_mm_or_si128(v, _mm_set1_epi8(1)), _mm_set1_epi8('E')),
        _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('R')), _mm_cmpeq_epi8(v, _mm_set1_epi8('W'))));
    const __m128i fitting =
        _mm_or_si128(comma, _mm_and_si128(rights, _mm_cmpgt_epi8(after, placed)));
    return {static_cast<unsigned>(_mm_movemask_epi8(fitting)),
            static_cast<unsigned>(_mm_movemask_epi8(comma))};
}

// ValidProtection for a text of 5 to 32 bytes opened and closed by its
// parentheses, with 33 bytes readable at p: all bytes inside at once. A
// group's rights are in order when each right after a right is placed
// after it; a ")" inside is no right, so that only the last byte inside
// may be followed by one. Both halves are read whatever the length (the
// bits past the text are masked off): the usual protections lie on both
// sides of 17 bytes, so a test of the length would go either way.
FTPDIRLIST_ALWAYS_INLINE bool ValidProtection32(const char* p, std::size_t n) {
    RightBits bits = RightBitsAt(p);
    const RightBits high = RightBitsAt(p + 16);
    bits.fitting |= high.fitting << 16;
    bits.commas |= high.commas << 16;
    // The bytes inside.
    const std::uint32_t inside = ((std::uint32_t{1} << (n - 1)) - 1) & ~std::uint32_t{1};
    if ((bits.fitting & inside) != inside) return false;
    // Three commas: two cleared leave one.
    std::uint32_t commas = bits.commas & inside;
    commas &= commas - 1;
    commas &= commas - 1;
    return commas != 0 && (commas & (commas - 1)) == 0;
}
#endif

// "(RWED,RWED,RE,)": four groups for system, owner, group and world, each
// some of R, W, E and D in that order. May read up to `readable` (>= the
// text's end): a text of up to 32 bytes is then read at once.
FTPDIRLIST_ALWAYS_INLINE bool ValidProtection(std::string_view text, const char* readable) {
    if (text.size() < 5 || text.front() != '(' || text.back() != ')') return false;
#if FTPDIRLIST_SSE2
    if (text.size() <= 32 && readable - text.data() >= 33) {
        return ValidProtection32(text.data(), text.size());
    }
#else
    (void)readable;
#endif
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
// Inline: a line has one, most of them the used blocks alone. May read up
// to `readable` (>= the token's end).
FTPDIRLIST_ALWAYS_INLINE bool ReadBlocks(std::string_view token, std::int64_t& size,
                                         const char* readable) {
    // A shortcut for the usual form, the used blocks alone.
#if FTPDIRLIST_SSE2
    // Up to 16 digits, too few to overflow, read at once.
    if (token.size() - 1 < 16 && readable - token.data() >= 16) {
        const std::int64_t blocks = SixteenDigits(token.data(), token.size());
        if (blocks >= 0) {
            size = blocks * kBlockBytes;
            return true;
        }
    }
#else
    std::int64_t blocks;
    if (FTPDIRLIST_SHORTCUTS && fields::ReadNumber(token, blocks, readable)) {
        if (blocks > std::numeric_limits<std::int64_t>::max() / kBlockBytes) return false;
        size = blocks * kBlockBytes;
        return true;
    }
#endif
    return ReadOtherBlocks(token, size);
}

// Where the name's version starts: the place of its last ";" when only
// digits follow it (none included), std::string_view::npos when it has no
// ";", name.size() when other bytes follow the last one.
std::size_t VersionSemicolon(std::string_view name) {
    // The digits that end the name, back to the byte before them.
    std::size_t at = name.size();
    while (at > 0 && fields::IsDigit(name[at - 1])) --at;
    if (at == 0) return std::string_view::npos;  // all digits
    if (name[at - 1] == ';') return at - 1;
    return name.find(';') == std::string_view::npos ? std::string_view::npos : name.size();
}

// A directory's name, "NAME.DIR;V" without its type, "NAME;V", in the
// record's scratch buffer: `end` is where the base ends (after the type).
// May read up to `readable` (>= the name's end): with kDirScratch bytes
// readable, a name of up to 32 bytes is copied by two moves of fixed size,
// into a scratch buffer kept at least that long (the view is of its first
// bytes).
constexpr std::size_t kDirScratch = 48;
FTPDIRLIST_ALWAYS_INLINE void TakeDirName(std::string_view name, std::size_t end,
                                          const char* readable, ParsedEntry& entry) {
    std::string& scratch = entry.nameScratch;
    const std::size_t base = end - 4;
    const std::size_t version = name.size() - end;
    // A shortcut: the base's 32 bytes, then the version's 16 after it.
    if (FTPDIRLIST_SHORTCUTS && name.size() <= 32 && version <= 16 &&
        readable - name.data() >= static_cast<std::ptrdiff_t>(kDirScratch)) {
        if (scratch.size() < kDirScratch) scratch.resize(kDirScratch);
        char* out = &scratch[0];
        std::memcpy(out, name.data(), 32);
        std::memcpy(out + base, name.data() + end, 16);
        entry.name = std::string_view(out, base + version);
        return;
    }
    scratch.assign(name.data(), base);
    scratch.append(name.data() + end, version);
    entry.name = scratch;
}

// The name whose base (without the version) ends at `end`; a ".DIR" type
// (any case) is a directory's, named without it. May read up to
// `readable` (>= the name's end).
FTPDIRLIST_ALWAYS_INLINE void TakeName(std::string_view name, std::size_t end, const char* readable,
                                       ParsedEntry& entry) {
    entry.name = name;
    if (end <= 4) return;
    // ".dir" folded as EqualsFolded folds, the four bytes in one compare:
    // the only bytes that OR 0x20 makes "d", "i" or "r" are those letters
    // in either case ("." is compared as it is).
    std::uint32_t type;
    std::uint32_t dir;
    std::uint32_t fold;
    std::memcpy(&type, name.data() + end - 4, sizeof type);
    std::memcpy(&dir, ".dir", sizeof dir);
    std::memcpy(&fold, "\0\x20\x20\x20", sizeof fold);
    if ((type | fold) == dir) {
        entry.isDir = 1;
        TakeDirName(name, end, readable, entry);
    }
}

// The name: "NAME.TYPE;version", or without the version once the listing is
// known to be VMS. A ".DIR" type (any case) is a directory, named without it.
// A line that opens with spaces or a block count is the rest of an entry
// whose name stood on the line before: no name of its own.
// May read up to `readable` (>= the line's end).
bool ReadName(std::string_view line, std::string_view name, bool known, const char* readable,
              ParsedEntry& entry) {
    const std::size_t semicolon = VersionSemicolon(name);
    if (semicolon != std::string_view::npos) {
        if (semicolon == 0 || semicolon >= name.size() - 1) return false;
        TakeName(name, semicolon, readable, entry);
        return true;
    }
    std::int64_t blocks;
    if (!known || line[0] == ' ' || name[0] == '(' || name[0] == '[' ||
        ReadBlocks(name, blocks, readable)) {
        return false;
    }
    TakeName(name, name.size(), readable, entry);
    return true;
}

#if FTPDIRLIST_SSE2
// The commas among the n bytes at p (n <= 16, 16 bytes readable), bit i
// for p[i].
FTPDIRLIST_ALWAYS_INLINE unsigned CommasAt(const char* p, std::size_t n) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const unsigned commas =
        static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8(','))));
    return commas & ((1u << n) - 1);
}
#endif

// An owner in brackets, "[SYSTEM]" or "[GROUP,USER]", without them. A
// protection in brackets (three commas) is refused. May read up to
// `readable` (>= the token's end): an owner of up to 16 bytes is then
// read at once, a longer one a comma at a time.
FTPDIRLIST_ALWAYS_INLINE bool ReadBracketOwner(std::string_view token, const char* readable,
                                               std::string_view& owner) {
    if (token.size() < 3 || token.back() != ']') return false;
    const std::string_view inside(token.data() + 1, token.size() - 2);
#if FTPDIRLIST_SSE2
    if (inside.size() <= 16 && readable - inside.data() >= 16) {
        // At most two commas: two cleared leave none.
        unsigned commas = CommasAt(inside.data(), inside.size());
        commas &= commas - 1;
        if ((commas & (commas - 1)) != 0) return false;
        owner = inside;
        return true;
    }
#endif
    std::size_t at = 0;
    for (int commas = 0;; ++commas) {
        at += bytes::Find(inside.data() + at, inside.size() - at, readable, ',');
        if (at == inside.size()) break;
        if (commas == 2) return false;
        ++at;
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

// The usual forms, read from their places: a name alone, whose entry goes
// on with its fields on the next line; that line, opened by spaces and a
// block count, no entry of its own (as ReadName reads a first token without
// a version there); and "NAME.TYPE;V  SIZE  DD-MMM-YYYY HH:MM:SS.hh
// [OWNER]  (RWED,RWED,RE,)" with its first four tokens in the first
// window. Each field is read by its one reader, as the walk reads it at
// that place. False when the line has another form or a field of it does
// not read: the walk then reads the line. Inline: ReadVmsLine tries it
// first on every line.
FTPDIRLIST_ALWAYS_INLINE bool ReadUsualForm(std::string_view line, TokenWalker& tokens,
                                            ListingState& state, Today& today, ParsedEntry& entry,
                                            LineKind& kind) {
    // The tokens are taken from a copy of the walk's scanner: a line of
    // another form is then walked from its start.
    TokenScanner scanner = tokens.Scanner();
    std::string_view t[4];
    if (!scanner.TakeInWindow(t)) {
        // One token is no header or footer (they have more) and no entry
        // (no date), whatever it holds.
        std::string_view first[1];
        if (!scanner.TakeInWindow(first) || scanner.Rest().data() != nullptr) return false;
        kind = LineKind::none;
        return true;
    }
    const std::string_view name = t[0];
    // A version of one digit, the most usual, where VersionSemicolon finds it.
    const bool oneDigit =
        name.size() >= 3 && name[name.size() - 2] == ';' && fields::IsDigit(name[name.size() - 1]);
    const std::size_t semicolon = oneDigit ? name.size() - 2 : VersionSemicolon(name);
    if (semicolon == std::string_view::npos) {
        // A first token of digits is no header or footer.
        if (line[0] != ' ' || !fields::IsDigit(name[0])) return false;
        kind = LineKind::none;
        return true;
    }
    // A version, as ReadName reads it (its ";" from the second byte to two
    // before the end, in one unsigned compare): the name is no header or
    // footer.
    if (semicolon - 1 >= name.size() - 2) return false;
    const char* readable = tokens.Readable();
    // The name first, as the walk would take it: a line that the walk then
    // reads gets the same name from it.
    TakeName(name, semicolon, readable, entry);
    Stamp stamp;
    if (!ReadBlocks(t[1], entry.size, readable) ||
        !fields::ReadDayMonthNameYear(t[2], '-', stamp, readable) ||
        !fields::ReadClock(t[3], stamp, readable)) {
        return false;
    }
    // The owner, then the protection, the sixth and last token: the rest of
    // the line (a valid protection holds no space; ValidProtection refuses
    // an absent one).
    const std::string_view owner = scanner.Next();
    if (owner.data() == nullptr || owner[0] != '[' ||
        !ReadBracketOwner(owner, readable, entry.extras.owner)) {
        return false;
    }
    const std::string_view rights = scanner.Rest();
    if (!ValidProtection(rights, readable)) return false;
    entry.attributes = rights;
    if (!StoreStamp(stamp, today, entry)) {
        kind = SkipAs(state, ftpdir::SkipReason::impossibleDate);
        return true;
    }
    entry.extras.format = EntryFormat::vms;
    kind = LineKind::entry;
    return true;
}

// The walk: each token after the name taken by its shape, in any order.
// Out of line: the usual forms leave few lines to it.
FTPDIRLIST_NOINLINE LineKind ReadOtherVmsLine(std::string_view line, ListingState& state,
                                              Today& today, ParsedEntry& entry) {
    TokenWalker tokens = TokensFor(line, state);
    const bool known = state.vmsHeader || state.family == EntryFormat::vms;
    // An entry has at most kMaxTokens tokens; a line with one more is none
    // (unless a footer). The first five, or four, in one step when they lie
    // in the first window.
    if (!tokens.TakeInWindow<5>()) tokens.TakeInWindow<4>();
    const std::size_t n = tokens.Count(kMaxTokens);
    if (n == 0) return LineKind::none;

    const std::string_view name = tokens[0];
    if (!fields::IsDigit(name[0]) && name.find(';') == std::string_view::npos) {
        // No version: perhaps a header or footer.
        if (IsDirectoryHeader(tokens)) {
            state.vmsHeader = true;
            return SkipAs(state, ftpdir::SkipReason::title);
        }
        if (known && IsTotalFooter(tokens)) return SkipAs(state, ftpdir::SkipReason::total);
    }
    if (n > kMaxTokens || !ReadName(line, name, known, tokens.Readable(), entry)) {
        return LineKind::none;
    }

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
            if (!ValidProtection(token, tokens.Readable()) || i + 1 != n) return LineKind::none;
            entry.attributes = token;
        } else if (first == '[') {
            if (haveOwner || !ReadBracketOwner(token, tokens.Readable(), entry.extras.owner)) {
                return LineKind::none;
            }
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
            if (!ReadBlocks(token, entry.size, tokens.Readable())) return LineKind::none;
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

}  // namespace

LineKind ReadVmsLine(std::string_view line, ListingState& state, Today& today, ParsedEntry& entry) {
    // A shortcut: a build without shortcuts reads every line by the walk.
    if (FTPDIRLIST_SHORTCUTS) {
        TokenWalker tokens = TokensFor(line, state);
        LineKind kind;
        if (ReadUsualForm(line, tokens, state, today, entry, kind)) return kind;
    }
    return ReadOtherVmsLine(line, state, today, entry);
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
