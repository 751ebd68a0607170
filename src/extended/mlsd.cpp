// MLSD and MLST lines: a list of facts, one space, the name.
//   type=file;size=1048576;modify=20020115103045;perm=adfrw; notes.txt
//   type=OS.unix=slink:/etc/motd;UNIX.owner=root; motd
//    type=dir;modify=20020115103045; /home/alice/projects       (MLST)
// Every fact is "name=value;", the name in any case, the value possibly
// empty (a fact without a value, not an error). The facts end at the first
// space or TAB and the name is everything after it, spaces, ";" and "="
// included; some servers leave out the ";" of the last fact. A fact name
// is a letter then letters, digits, ".", "-" or "_"; a value holds no
// control byte; one fact at least is one this reader knows (type, size,
// sizd, modify, create, perm, unique, the UNIX ones). A fact list without
// its last ";" ends at the first space only when no "; " follows on the
// line (else a value held a space). Lines of other text, random bytes
// above all, fail one of these tests.
// The facts are read in one pass over the line and nothing is allocated.
#include <cstdint>

#include "extended/families.h"
#include "extended/record.h"
#include "parse/bytes.h"
#include "fields/fields.h"

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
    bool known = false;  // a fact this reader knows was given
};

// Fact names and type values are compared as folded words
// (fields::FoldedKey, fields::FoldedWord): a "." or "=" also matches one
// control byte, which the readers rule out by testing that byte.
constexpr std::uint64_t kType = fields::FoldedKey("type");
constexpr std::uint64_t kSize = fields::FoldedKey("size");
constexpr std::uint64_t kSizd = fields::FoldedKey("sizd");
constexpr std::uint64_t kPerm = fields::FoldedKey("perm");
constexpr std::uint64_t kModify = fields::FoldedKey("modify");
constexpr std::uint64_t kCreate = fields::FoldedKey("create");
constexpr std::uint64_t kUnique = fields::FoldedKey("unique");
constexpr std::uint64_t kUnixUid = fields::FoldedKey("unix.uid");
constexpr std::uint64_t kUnixGid = fields::FoldedKey("unix.gid");
constexpr std::uint64_t kUnixMod = fields::FoldedKey("unix.mod");  // then "e"
constexpr std::uint64_t kUnixOwn = fields::FoldedKey("unix.own");  // then "er" or "ername"
constexpr std::uint64_t kUnixGro = fields::FoldedKey("unix.gro");  // then "up" or "upname"
constexpr std::uint64_t kE = fields::FoldedKey("e");
constexpr std::uint64_t kEr = fields::FoldedKey("er");
constexpr std::uint64_t kErname = fields::FoldedKey("ername");
constexpr std::uint64_t kUp = fields::FoldedKey("up");
constexpr std::uint64_t kUpname = fields::FoldedKey("upname");
constexpr std::uint64_t kFile = fields::FoldedKey("file");
constexpr std::uint64_t kDir = fields::FoldedKey("dir");
constexpr std::uint64_t kCdir = fields::FoldedKey("cdir");
constexpr std::uint64_t kPdir = fields::FoldedKey("pdir");
constexpr std::uint64_t kOsUnix = fields::FoldedKey("os.unix=");

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
    if (value.size() < 13 || fields::FoldedWord(value.data(), 8, end) != kOsUnix ||
        value[2] != '.' || value[7] != '=') {
        return;
    }
    value.remove_prefix(8);
    const std::size_t colon = value.find(':');
    const std::string_view kind = value.substr(0, colon);
    if (!fields::EqualsFolded(kind, "slink") && !fields::EqualsFolded(kind, "symlink")) return;
    facts.kind = Kind::link;
    if (colon != std::string_view::npos) facts.target = value.substr(colon + 1);
}

// Other types than these (devices, OS-specific kinds) are files to a
// client.
void ReadType(std::string_view value, const char* end, Facts& facts) {
    switch (value.size()) {
        case 3:
            if (fields::FoldedWord(value.data(), 3, end) == kDir) facts.kind = Kind::dir;
            return;
        case 4: {
            const std::uint64_t word = fields::FoldedWord(value.data(), 4, end);
            if (word == kFile) {
                facts.kind = Kind::file;
            } else if (word == kCdir) {
                facts.kind = Kind::currentDir;
            } else if (word == kPdir) {
                facts.kind = Kind::parentDir;
            }
            return;
        }
        default:
            ReadUnixLinkType(value, end, facts);
            return;
    }
}

// A size fact: empty is no size; anything but digits refuses the line.
bool ReadSize(std::string_view value, std::int64_t& size) {
    if (value.empty()) return true;
    return fields::ReadNumber(value, size);
}

// A fact name: a letter, then letters, digits, ".", "-" or "_".
bool IsFactName(std::string_view name) {
    const auto letter = [](char ch) { return static_cast<unsigned char>((ch | 0x20) - 'a') < 26; };
    if (name.empty() || !letter(name[0])) return false;
    for (const char ch : name) {
        if (!letter(ch) && !fields::IsDigit(ch) && ch != '.' && ch != '-' && ch != '_')
            return false;
    }
    return true;
}

// A fact value: any bytes but control bytes (the separators are found
// before).
bool IsFactValue(std::string_view value) {
    for (const char ch : value) {
        const auto byte = static_cast<unsigned char>(ch);
        if (byte < 0x20 || byte == 0x7F) return false;
    }
    return true;
}

// One fact into `facts`; false when its value is impossible. Unknown facts
// are ignored. The name's length, then one or two words, pick the fact.
bool ReadFact(std::string_view name, std::string_view value, const char* end, Facts& facts) {
    const char* p = name.data();
    switch (name.size()) {
        case 4: {
            const std::uint64_t word = fields::FoldedWord(p, 4, end);
            facts.known |= word == kType || word == kSize || word == kSizd || word == kPerm;
            if (word == kType) {
                ReadType(value, end, facts);
            } else if (word == kSize) {
                return ReadSize(value, facts.size);
            } else if (word == kSizd) {
                return ReadSize(value, facts.dirSize);
            } else if (word == kPerm) {
                facts.perm = value;
                facts.hasPerm = true;
            }
            return true;
        }
        case 6: {
            const std::uint64_t word = fields::FoldedWord(p, 6, end);
            facts.known |= word == kModify || word == kCreate || word == kUnique;
            if (word != kModify || value.empty()) return true;
            facts.hasModified = true;
            return fields::ReadCompactStamp(value, facts.modified);
        }
        case 8: {
            const std::uint64_t word = fields::FoldedWord(p, 8, end);
            if (p[4] != '.') return true;
            facts.known |= word == kUnixUid || word == kUnixGid;
            if (word == kUnixUid) Rank(value, 1, facts.owner, facts.ownerRank);
            if (word == kUnixGid) Rank(value, 1, facts.group, facts.groupRank);
            return true;
        }
        case 9:
            if (p[4] == '.' && fields::FoldedWord(p, 8, end) == kUnixMod &&
                fields::FoldedWord(p + 8, 1, end) == kE) {
                facts.mode = value;
                facts.known = true;
            }
            return true;
        case 10:
        case 14: {
            if (p[4] != '.') return true;
            const std::uint64_t word = fields::FoldedWord(p, 8, end);
            const std::uint64_t tail = fields::FoldedWord(p + 8, name.size() - 8, end);
            const int rank = name.size() == 10 ? 2 : 3;
            if (word == kUnixOwn && tail == (rank == 2 ? kEr : kErname)) {
                Rank(value, rank, facts.owner, facts.ownerRank);
                facts.known = true;
            } else if (word == kUnixGro && tail == (rank == 2 ? kUp : kUpname)) {
                Rank(value, rank, facts.group, facts.groupRank);
                facts.known = true;
            }
            return true;
        }
        default:
            return true;
    }
}

enum class Read : std::uint8_t { facts, notFacts, impossible };

// Where the fact at `p` ends: `stop` is the offset of the first ";",
// space or TAB (false when the line ends first), `equals` that of the first "="
// before it (`stop` when there is none). The 32 or 16 bytes at p are
// compared at once where they lie in the line; a fact that is longer, or
// near the line's end, is walked byte by byte.
FTPDIRLIST_ALWAYS_INLINE bool FindFactEnd(const char* p, const char* end, std::size_t& stop,
                                          std::size_t& equals) {
#if FTPDIRLIST_SSE2
    if (end - p >= 16) {
        const auto masks = [](const char* at, unsigned& stops, unsigned& equalSigns) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
            stops = static_cast<unsigned>(
                _mm_movemask_epi8(_mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8(';')),
                                                            _mm_cmpeq_epi8(v, _mm_set1_epi8(' '))),
                                               _mm_cmpeq_epi8(v, _mm_set1_epi8('\t')))));
            equalSigns =
                static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8('='))));
        };
        unsigned stops;
        unsigned equalSigns;
        masks(p, stops, equalSigns);
        if (stops == 0 && end - p >= 32) {
            unsigned moreStops;
            unsigned moreEquals;
            masks(p + 16, moreStops, moreEquals);
            stops = moreStops << 16;
            equalSigns |= moreEquals << 16;
        }
        if (stops != 0) {
            stop = bytes::LowestBit(stops);
            equalSigns &= (1u << stop) - 1;
            equals = equalSigns != 0 ? bytes::LowestBit(equalSigns) : stop;
            return true;
        }
    }
#endif
    const char* q = p;
    const char* firstEquals = nullptr;
    for (; q != end && *q != ';' && *q != ' ' && *q != '\t'; ++q) {
        if (*q == '=' && firstEquals == nullptr) firstEquals = q;
    }
    if (q == end) return false;
    stop = static_cast<std::size_t>(q - p);
    equals = firstEquals != nullptr ? static_cast<std::size_t>(firstEquals - p) : stop;
    return true;
}

// The facts from `p`, each "name=value;", up to the space or TAB after
// the last one, which ends them (the last ";" may be missing); `p` is left
// on that space or TAB. notFacts when the text is not of that form (the
// line's end inside a fact, a fact without "=", a name or value of another
// shape, no known fact), impossible when a value is.
Read ReadFacts(const char*& p, const char* end, Facts& facts) {
    for (;;) {
        std::size_t stop;
        std::size_t equals;
        if (!FindFactEnd(p, end, stop, equals) || equals == stop) return Read::notFacts;
        // A value may hold "=" (type=OS.unix=slink:...), never ";".
        const std::string_view name(p, equals);
        const std::string_view value(p + equals + 1, stop - equals - 1);
        if (!IsFactName(name) || !IsFactValue(value)) return Read::notFacts;
        if (!ReadFact(name, value, end, facts)) return Read::impossible;
        p += stop;
        if (*p == ';') {
            ++p;
            if (p == end) return Read::notFacts;  // no name
            if (*p != ' ' && *p != '\t') continue;
        } else if (std::string_view(p, static_cast<std::size_t>(end - p)).find("; ") !=
                   std::string_view::npos) {
            return Read::notFacts;
        }
        return facts.known ? Read::facts : Read::notFacts;
    }
}

// `text` is the facts as the line gives them. False when the modify fact
// names a day that does not exist, such as 29 February of a common year
// (the fact reader knows no year's length).
bool Store(const Facts& facts, std::string_view text, std::string_view name, Today& today,
           ParsedEntry& entry) {
    if (facts.hasModified) {
        if (!StoreStamp(facts.modified, today, entry)) return false;
        entry.extras.utc = 1;
    }
    entry.extras.format = EntryFormat::mlsd;
    entry.extras.facts = text;
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
    return true;
}

}  // namespace

LineKind ReadMlsdLine(std::string_view line, ListingState& state, Today& today,
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
        const std::string_view text(afterSpace, static_cast<std::size_t>(p - afterSpace));
        const std::string_view name(p + 1, static_cast<std::size_t>(end - p - 1));
        return Store(facts, text, name, today, entry) ? LineKind::entry : LineKind::none;
    }
    // " name": a name alone, which only a listing known to be MLSD tells
    // apart from another family's indented line.
    if (read == Read::impossible || !leadingSpace || afterSpace == end ||
        state.family != EntryFormat::mlsd) {
        return LineKind::none;
    }
    Store(Facts{}, {}, std::string_view(afterSpace, static_cast<std::size_t>(end - afterSpace)),
          today, entry);  // no facts: nothing to refuse
    return LineKind::entry;
}

// Outside a listing known to be MLSD the reader takes only facts: after
// one space at most, a first fact whose name starts with a letter
// (IsFactName) and ends at its "=" (FindFactEnd), both in the first token.
bool MayBeMlsdLine(fields::TokenWalker& tokens, std::size_t, const ListingState& state) {
    if (state.family == EntryFormat::mlsd) return true;
    const std::string_view first = tokens[0];
    return first.data() != nullptr && first.data() - tokens.Text().data() <= 1 &&
           fields::IsLetter(first[0]) &&
           bytes::Find(first.data(), first.size(), tokens.Readable(), '=') != first.size();
}

}  // namespace ext
}  // namespace ftpdirlist
