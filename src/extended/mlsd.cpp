// MLSD and MLST lines: a list of facts, one space, the name.
//   type=file;size=1048576;modify=20020115103045;perm=adfrw; notes.txt
//   type=OS.unix=slink:/etc/motd;UNIX.owner=root; motd
//    type=dir;modify=20020115103045; /home/alice/projects       (MLST)
// Every fact is "name=value;", the name in any case, the value possibly
// empty (a fact without a value, not an error). The facts end at the first
// space and the name is everything after it, spaces, ";" and "=" included.
// The facts are read in one pass over the line and nothing is allocated.
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "extended/families.h"
#include "extended/record.h"
#include "parse/bytes.h"
#include "parse/fields.h"

namespace ftpdirlist {
namespace ext {

namespace {

enum class Kind : std::uint8_t { file, dir, currentDir, parentDir, link };

// What the facts said, before it is stored.
struct Facts {
    Kind kind = Kind::file;
    std::int64_t size = -1;
    std::int64_t dirSize = -1;  // sizd
    fields::Stamp modified;
    bool hasModified = false;
    std::string_view perm;
    std::string_view mode;  // UNIX.mode
    bool hasPerm = false;
    std::string_view target;
    std::string_view owner;
    std::string_view group;
    int ownerRank = 0;  // which fact gave the owner: uid 1, owner 2, ownername 3
    int groupRank = 0;
};

// A key of up to 8 small letters and dots as one word, its first byte
// lowest, every byte with 0x20 set: what Folded gives for the key written
// in any case.
constexpr std::uint64_t Key(std::string_view key) {
    std::uint64_t word = 0;
    for (std::size_t i = 0; i < 8; ++i) {
        const unsigned char ch = i < key.size() ? static_cast<unsigned char>(key[i]) : 0;
        word |= std::uint64_t{ch | 0x20u} << (8 * i);
    }
    return word;
}

// Keys compared outside a case label, made at compile time.
constexpr std::uint64_t kUnixOs = Key("os.unix=");
constexpr std::uint64_t kModeTail = Key("e");    // unix.mod|e
constexpr std::uint64_t kOwnerTail = Key("er");  // unix.own|er
constexpr std::uint64_t kOwnerNameTail = Key("ername");
constexpr std::uint64_t kGroupTail = Key("up");  // unix.gro|up
constexpr std::uint64_t kGroupNameTail = Key("upname");

// The first (up to) 8 bytes of `text` as one word, first byte lowest, 0x20
// set in every byte. A letter then matches the same letter of a Key in
// either case and nothing else; a "." or "=" of a key also matches a
// control byte, and a padding byte of a key the byte 0, which the callers
// rule out with the size and those bytes. Bytes up to `end` (>= the
// text's end) may be read.
FTPDIRLIST_ALWAYS_INLINE std::uint64_t Folded(std::string_view text, const char* end) {
    const std::size_t n = text.size() < 8 ? text.size() : 8;
    std::uint64_t word = 0;
#if FTPDIRLIST_SWAR
    if (end - text.data() >= 8) {
        word = bytes::Load8(text.data());
        if (n < 8) word &= (std::uint64_t{1} << (8 * n)) - 1;
        return word | bytes::kOnes * 0x20;
    }
#else
    (void)end;
#endif
    for (std::size_t i = 0; i < n; ++i) {
        word |= std::uint64_t{static_cast<unsigned char>(text[i])} << (8 * i);
    }
    return word | bytes::kOnes * 0x20;
}

// Keeps `value` as owner or group when it is given and no better fact gave
// one before it.
void Rank(std::string_view value, int rank, std::string_view& field, int& fieldRank) {
    if (!value.empty() && rank > fieldRank) {
        field = value;
        fieldRank = rank;
    }
}

// "OS.unix=slink:/target" and "OS.unix=symlink", a target after ":" kept.
void ReadUnixLinkType(std::string_view value, const char* end, Facts& facts) {
    if (value.size() < 13 || Folded(value, end) != kUnixOs || value[2] != '.' || value[7] != '=') {
        return;
    }
    value.remove_prefix(8);
    const std::size_t colon = value.find(':');
    const std::string_view kind = value.substr(0, colon);
    if (!fields::EqualsFolded(kind, "slink") && !fields::EqualsFolded(kind, "symlink")) return;
    facts.kind = Kind::link;
    if (colon != std::string_view::npos) facts.target = value.substr(colon + 1);
}

void ReadType(std::string_view value, const char* end, Facts& facts) {
    if (value.size() > 4) {
        // Other types (devices, OS-specific kinds) are files to a client.
        ReadUnixLinkType(value, end, facts);
        return;
    }
    switch (Folded(value, end)) {
        case Key("file"):
            facts.kind = Kind::file;
            break;
        case Key("dir"):
            if (value.size() == 3) facts.kind = Kind::dir;
            break;
        case Key("cdir"):
            facts.kind = Kind::currentDir;
            break;
        case Key("pdir"):
            facts.kind = Kind::parentDir;
            break;
        default:
            break;
    }
}

// A size fact: empty is no size; anything but digits refuses the line.
bool ReadSize(std::string_view value, std::int64_t& size) {
    if (value.empty()) return true;
    return fields::ReadNumber(value, size);
}

// One fact into `facts`; false when its value is impossible. Unknown facts
// are ignored. The name's first eight bytes pick the fact in one switch.
bool ReadFact(std::string_view name, std::string_view value, const char* end, Facts& facts) {
    const std::size_t n = name.size();
    if (n > 8 && name[4] != '.') return true;  // no known fact
    const std::uint64_t tail = n > 8 ? Folded(name.substr(8), end) : 0;
    switch (Folded(name, end)) {
        case Key("type"):
            if (n == 4) ReadType(value, end, facts);
            return true;
        case Key("size"):
            return n != 4 || ReadSize(value, facts.size);
        case Key("sizd"):
            return n != 4 || ReadSize(value, facts.dirSize);
        case Key("perm"):
            if (n == 4) {
                facts.perm = value;
                facts.hasPerm = true;
            }
            return true;
        case Key("modify"):
            if (n != 6 || value.empty()) return true;
            facts.hasModified = true;
            return fields::ReadCompactStamp(value, facts.modified);
        case Key("unix.uid"):
            if (n == 8 && name[4] == '.') Rank(value, 1, facts.owner, facts.ownerRank);
            return true;
        case Key("unix.gid"):
            if (n == 8 && name[4] == '.') Rank(value, 1, facts.group, facts.groupRank);
            return true;
        case Key("unix.mod"):
            if (n == 9 && tail == kModeTail) facts.mode = value;
            return true;
        case Key("unix.own"):
            if (n == 10 && tail == kOwnerTail) Rank(value, 2, facts.owner, facts.ownerRank);
            if (n == 14 && tail == kOwnerNameTail) Rank(value, 3, facts.owner, facts.ownerRank);
            return true;
        case Key("unix.gro"):
            if (n == 10 && tail == kGroupTail) Rank(value, 2, facts.group, facts.groupRank);
            if (n == 14 && tail == kGroupNameTail) Rank(value, 3, facts.group, facts.groupRank);
            return true;
        default:
            return true;
    }
}

enum class Read : std::uint8_t { facts, notFacts, impossible };

// Where the bytes that delimit facts lie among n (at most 64) bytes from
// `base`, all readable: bit i of a mask is set when base[i] is that byte.
struct Delimiters {
    std::uint64_t semicolons = 0;
    std::uint64_t equals = 0;
    std::uint64_t spaces = 0;
};

Delimiters Scan(const char* base, std::size_t n) {
    Delimiters d;
    std::size_t i = 0;
#if defined(__SSE2__)
    if (n >= 16) {
        // 16 bytes at a time; the last 16 end at n and keep only the bits
        // of bytes not yet seen.
        const auto add = [&](std::size_t at, unsigned skip) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + at));
            const auto bits = [&](char ch) {
                const unsigned mask =
                    static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8(ch))));
                return static_cast<std::uint64_t>(mask >> skip) << (at + skip);
            };
            d.semicolons |= bits(';');
            d.equals |= bits('=');
            d.spaces |= bits(' ');
        };
        for (; i + 16 <= n; i += 16) add(i, 0);
        if (i < n) add(n - 16, static_cast<unsigned>(16 - (n - i)));
        return d;
    }
#endif
    for (; i < n; ++i) {
        d.semicolons |= std::uint64_t{base[i] == ';'} << i;
        d.equals |= std::uint64_t{base[i] == '='} << i;
        d.spaces |= std::uint64_t{base[i] == ' '} << i;
    }
    return d;
}

// The facts from `p`, each "name=value;", up to the space after the last
// ";", which ends them; `p` is left on that space. notFacts when the text
// is not of that form (a space or the line's end inside a fact, no "=" or
// an empty name), impossible when a value is. One pass finds the
// delimiters of 64 bytes at a time.
Read ReadFacts(const char*& p, const char* end, Facts& facts) {
    constexpr std::size_t kWindow = 64;
    const char* base = p;
    std::size_t n = 0;  // bytes scanned from base
    Delimiters d;
    std::size_t at = 0;  // the current fact's first byte, from base
    for (;;) {
        if (at >= n) {
            base += at;
            at = 0;
            const std::size_t left = static_cast<std::size_t>(end - base);
            n = left < kWindow ? left : kWindow;
            d = Scan(base, n);
        }
        const std::uint64_t from = ~std::uint64_t{0} << at;
        const std::uint64_t stops = (d.semicolons | d.spaces) & from;
        std::size_t stop;
        std::uint64_t equalsBits = d.equals & from;
        if (stops != 0) {
            stop = bytes::LowestBit(stops);
            equalsBits &= (std::uint64_t{1} << stop) - 1;
        } else if (base + n == end) {
            return Read::notFacts;  // the line ends inside a fact
        } else if (at != 0) {
            n = 0;  // scan again from this fact's first byte
            continue;
        } else {
            // A fact longer than a window (a link's long target).
            stop = n;
            while (base + stop != end && base[stop] != ';' && base[stop] != ' ') ++stop;
            if (base + stop == end) return Read::notFacts;
        }
        if (base[stop] != ';') return Read::notFacts;
        std::size_t equals;
        if (equalsBits != 0) {
            equals = bytes::LowestBit(equalsBits);
        } else {
            equals = n;  // only a fact longer than a window gets here
            while (equals < stop && base[equals] != '=') ++equals;
            if (equals == stop) return Read::notFacts;
        }
        if (equals == at) return Read::notFacts;  // an empty name
        // A value may hold "=" (type=OS.unix=slink:...), never ";".
        const std::string_view name(base + at, equals - at);
        const std::string_view value(base + equals + 1, stop - equals - 1);
        if (!ReadFact(name, value, end, facts)) return Read::impossible;
        at = stop + 1;
        if (base + at == end) return Read::notFacts;  // no name
        if (base[at] == ' ') {
            p = base + at;
            return Read::facts;
        }
    }
}

void Store(const Facts& facts, std::string_view name, ParsedEntry& entry) {
    entry.extras.format = EntryFormat::mlsd;
    entry.name = name;
    switch (facts.kind) {
        case Kind::file:
            break;
        case Kind::dir:
            entry.isDir = 1;
            break;
        case Kind::currentDir:
            entry.isDir = 1;
            entry.name = ".";
            break;
        case Kind::parentDir:
            entry.isDir = 1;
            entry.name = "..";
            break;
        case Kind::link:
            entry.isLink = 1;
            entry.extras.target = facts.target;
            break;
    }
    entry.size = facts.size >= 0 ? facts.size : facts.dirSize;
    entry.attributes = facts.hasPerm ? facts.perm : facts.mode;
    entry.extras.owner = facts.owner;
    entry.extras.group = facts.group;
    if (facts.hasModified) StoreStamp(facts.modified, entry, true);
}

}  // namespace

LineKind ReadMlsdLine(std::string_view line, ListingState& state, Today& /*today*/,
                      ParsedEntry& entry) {
    const char* p = line.data();
    const char* const end = p + line.size();
    if (p == end) return LineKind::none;
    // A leading space opens an MLST reply line, or is the whole (empty)
    // fact list of an MLSD line.
    const bool leadingSpace = *p == ' ';
    if (leadingSpace) ++p;
    const char* const afterSpace = p;
    Facts facts;
    const Read read = ReadFacts(p, end, facts);
    if (read == Read::facts) {
        if (p + 1 == end) return LineKind::none;  // no name
        Store(facts, std::string_view(p + 1, static_cast<std::size_t>(end - p - 1)), entry);
        return LineKind::entry;
    }
    // " name": a name alone, which only a listing known to be MLSD tells
    // apart from another family's indented line.
    if (read == Read::impossible || !leadingSpace || afterSpace == end ||
        state.family != EntryFormat::mlsd) {
        return LineKind::none;
    }
    Store(Facts{}, std::string_view(afterSpace, static_cast<std::size_t>(end - afterSpace)), entry);
    return LineKind::entry;
}

}  // namespace ext
}  // namespace ftpdirlist
