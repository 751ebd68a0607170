// DOS-style lines of the extended dialect, as IIS and Windows `dir` write
// them:
//   01-15-02  10:30AM       <DIR>          My Folder
//   2002-01-15  14:30:45          1,234,567 report.txt
//   15.01.2002  10:30 PM    <SYMLINKD>     docs [C:\Shared\docs]
// Date, time (12- or 24-hour), size or a <DIR>-like marker, name.
#include <cassert>

#include "extended/families.h"

// Every call in the function inlined, but for those marked noinline.
#if defined(__GNUC__) || defined(__clang__)
#define FTPDIRLIST_FLATTEN __attribute__((flatten))
#else
#define FTPDIRLIST_FLATTEN
#endif

namespace ftpdirlist {
namespace ext {

namespace {

using fields::Stamp;
using fields::TokenWalker;

// IIS pads "<DIR>" with ten spaces so that names line up with those after
// a size; a name after more spaces than that begins with the rest.
constexpr std::size_t kDirPadding = 10;

// The date: year first when the first number has four digits, day first
// with dots ("15.01.2002"), else month first unless the first number
// exceeds 12 ("15/01/2002").
FTPDIRLIST_ALWAYS_INLINE bool ReadDate(std::string_view token, Stamp& stamp) {
    // Two digits then "-" or "/", the usual start: month first, at once.
    if (FTPDIRLIST_SHORTCUTS && token.size() > 2 && (token[2] == '-' || token[2] == '/') &&
        fields::IsDigit(token[0]) && fields::IsDigit(token[1])) {
        return fields::ReadNumericDate(token, fields::DateOrder::mdyOrDmy, "-/", stamp);
    }
    std::size_t at = 0;
    while (at < token.size() && fields::IsDigit(token[at])) ++at;
    if (at == token.size()) return false;
    if (token[at] == '.') return fields::ReadNumericDate(token, fields::DateOrder::dmy, ".", stamp);
    const fields::DateOrder order = at == 4 ? fields::DateOrder::ymd : fields::DateOrder::mdyOrDmy;
    return fields::ReadNumericDate(token, order, "-/", stamp);
}

// The time: "14:30", "14:30:45", "10:30AM", "10:30pm", or "10:30" with
// "AM"/"PM" as the next token, `suffix` (absent or not: `glued` tells
// which was read).
FTPDIRLIST_ALWAYS_INLINE bool ReadTime(std::string_view token, std::string_view suffix,
                                       Stamp& stamp, bool& glued) {
    // The clock ends at the first byte that is neither a digit nor ":".
    // "hh:mm" then a suffix or nothing, the usual form, at once: five bytes
    // that ReadClock reads are digits and ":" only, so that a sixth byte of
    // neither kind ends them.
    const bool usual = FTPDIRLIST_SHORTCUTS && token.size() >= 5 &&
                       (token.size() == 5 || (!fields::IsDigit(token[5]) && token[5] != ':')) &&
                       fields::ReadClock(token.substr(0, 5), stamp);
    std::size_t clock = 5;
    if (!usual) {
        clock = 0;
        while (clock < token.size() && (fields::IsDigit(token[clock]) || token[clock] == ':')) {
            ++clock;
        }
        if (!fields::ReadClock(token.substr(0, clock), stamp)) return false;
    }
    glued = true;
    if (clock != token.size()) return fields::ApplyMeridiem(token.substr(clock), stamp, true);
    if (suffix.data() != nullptr && fields::ApplyMeridiem(suffix, stamp)) {
        glued = false;
        return true;
    }
    // A 12-hour clock with a separate suffix that is no AM or PM.
    return !(suffix.size() == 2 && fields::ToLower(suffix[1]) == 'm');
}

// The name after "<DIR>": past the padding of IIS, or past the spaces.
std::string_view NameAfterDir(TokenWalker& tokens, std::string_view dir) {
    const std::string_view line = tokens.Text();
    const std::string_view rest =
        line.substr(static_cast<std::size_t>(dir.data() - line.data()) + dir.size());
    if (rest.size() > kDirPadding &&
        rest.substr(0, kDirPadding).find_first_not_of(' ') == std::string_view::npos) {
        return rest.substr(kDirPadding);
    }
    return tokens.AfterSpaces(dir);
}

// Splits "name [target]", the form of junctions and symbolic links.
void SplitTarget(ParsedEntry& entry) {
    const std::string_view name = entry.name;
    if (name.size() < 4 || name.back() != ']') return;
    const std::size_t open = name.rfind(" [");
    if (open == std::string_view::npos || open == 0) return;
    entry.extras.target = name.substr(open + 2, name.size() - open - 3);
    entry.name = name.substr(0, open);
}

// True when the line has the shape of a DOS entry whose date or time
// cannot exist ("04-31-02  10:30AM  <DIR>  x", "01-15-02  25:10  12 x"): a
// numeric date, a clock with an optional AM or PM, a <...> marker or a
// size, and a name. Asked only after the date or the time failed to read.
FTPDIRLIST_NOINLINE bool ImpossibleDate(TokenWalker& tokens) {
    if (!fields::NumericDateShape(tokens[0], "-/.")) return false;
    const std::string_view time = tokens[1];
    std::size_t clock = 0;
    while (clock < time.size() && (fields::IsDigit(time[clock]) || time[clock] == ':')) ++clock;
    if (!fields::ClockShape(time.substr(0, clock))) return false;
    const auto meridiem = [](std::string_view text) {
        return fields::EqualsFolded(text, "am") || fields::EqualsFolded(text, "pm");
    };
    std::size_t size = 2;
    if (clock != time.size()) {
        if (!meridiem(time.substr(clock))) return false;
    } else if (meridiem(tokens[2])) {
        size = 3;
    }
    const std::string_view marker = tokens[size];
    std::int64_t bytes;
    return marker.data() != nullptr && tokens[size + 1].data() != nullptr &&
           ((marker[0] == '<' && marker.back() == '>') || fields::ReadGroupedNumber(marker, bytes));
}

// Every line by the tokens as the walker finds them, one by one where
// they do not lie in the first window.
FTPDIRLIST_NOINLINE LineKind ReadOtherForms(std::string_view line, ListingState& state,
                                            Today& today, ParsedEntry& entry) {
    TokenWalker tokens = TokensFor(line, state);
    // The first three tokens in one step when they lie in the first window,
    // as in the usual form.
    tokens.TakeInWindow<3>();
    Stamp stamp;
    bool glued = false;
    const std::string_view date = tokens[0];
    if (date.data() == nullptr || !fields::IsDigit(date[0])) return LineKind::none;
    if (!ReadDate(date, stamp) || tokens[1].data() == nullptr ||
        !ReadTime(tokens[1], tokens[2], stamp, glued)) {
        return ImpossibleDate(tokens) ? SkipAs(state, ftpdir::SkipReason::impossibleDate)
                                      : LineKind::none;
    }
    const std::string_view size = tokens[glued ? 2 : 3];
    if (size.data() == nullptr) return LineKind::none;

    std::string_view name;
    if (size[0] == '<') {
        entry.size = -1;
        if (fields::EqualsFolded(size, "<dir>")) {
            entry.isDir = 1;
            name = NameAfterDir(tokens, size);
        } else if (fields::EqualsFolded(size, "<junction>") ||
                   fields::EqualsFolded(size, "<symlink>") ||
                   fields::EqualsFolded(size, "<symlinkd>")) {
            entry.isLink = 1;
            name = tokens.AfterSpaces(size);
        } else {
            return LineKind::none;
        }
    } else {
        if (!fields::ReadGroupedNumber(size, entry.size, tokens.Readable())) {
            return LineKind::none;
        }
        name = tokens.AfterOneSpace(size);
    }
    // A name of spaces only is no name: Windows refuses such names.
    if (name.data() == nullptr || name.find_first_not_of(' ') == std::string_view::npos) {
        return LineKind::none;
    }
    if (!StoreStamp(stamp, today, entry)) return SkipAs(state, ftpdir::SkipReason::impossibleDate);
    entry.name = name;
    if (entry.isLink) SplitTarget(entry);
    entry.extras.format = EntryFormat::dos;
    return LineKind::entry;
}

// The first 63 bytes of a line as bits, to find where its tokens start
// and end: only a locator, which gives the tokens the walker gives (runs
// of bytes that are no space). Byte 63 stands for every byte from there
// on, so that each search finds a bit: no test of a found position but
// the caller's against kNone.
class FirstWindow {
public:
    static constexpr unsigned kNone = bytes::kWindow - 1;

    // `spaces`: bit i set when line[i] is a space (bits past the line's
    // end ignored).
    FirstWindow(std::uint64_t spaces, std::size_t size)
        : spaces_(spaces | ~std::uint64_t{0} << (size < kNone ? size : kNone)) {}

    // The first space at or after `from`, or the line's end, when either
    // lies in the window; else kNone (and kNone from kNone).
    unsigned Space(unsigned from) const { return First(spaces_ >> from << from); }

    // The first byte at or after `from` that is no space; kNone when the
    // window holds none (and from kNone).
    unsigned Token(unsigned from) const {
        return First((~spaces_ | std::uint64_t{1} << kNone) >> from << from);
    }

private:
    static unsigned First(std::uint64_t bits) {
        return static_cast<unsigned>(bytes::LowestBit(bits));
    }

    std::uint64_t spaces_;  // bit i: line[i] is a space or lies past the line's end; bit kNone set
};

// The usual forms, "01-15-02  10:30AM       <DIR>          name" and
// "01-15-2002  10:30 PM          1,234 name", with the date at the line's
// first byte and the tokens up to the size or marker in the first 63
// bytes: FirstWindow locates them and every field is read by the same
// readers as in ReadOtherForms, so that the line reads as it would there.
// False, and `entry` untouched, for every other line (links and junctions
// among them) and for a line whose date or time does not read:
// ReadOtherForms then reads it. `line` starts with a digit.
FTPDIRLIST_ALWAYS_INLINE bool ReadUsualForm(std::string_view line, ListingState& state,
                                            Today& today, ParsedEntry& entry, LineKind& kind) {
    assert(!line.empty() && fields::IsDigit(line[0]));
    const char* p = line.data();
    const std::size_t n = line.size();
    // As far as the driver allows, with the spaces it found, for the line
    // it handed over (as TokensFor); else within the line alone.
    const ScanBounds& bounds = state.scan;
    const bool handed = bounds.begin == p;
    const char* readable = handed ? bounds.readable : p + n;
    const FirstWindow window(
        handed && bounds.spaces != nullptr
            ? *bounds.spaces
            : bytes::SpaceMask64(p, n < bytes::kWindow ? n : bytes::kWindow, readable),
        n);
    constexpr unsigned kNone = FirstWindow::kNone;
    // A search from kNone gives kNone: one test at the end of the chain.
    const unsigned dateEnd = window.Space(0);
    const unsigned timeAt = window.Token(dateEnd);
    const unsigned timeEnd = window.Space(timeAt);
    unsigned sizeAt = window.Token(timeEnd);
    unsigned sizeEnd = window.Space(sizeAt);
    if (sizeEnd == kNone) return false;
    Stamp stamp;
    bool glued = false;
    if (!ReadDate({p, dateEnd}, stamp) ||
        !ReadTime({p + timeAt, timeEnd - timeAt}, {p + sizeAt, sizeEnd - sizeAt}, stamp, glued)) {
        return false;
    }
    if (!glued) {
        // The token after the time was its AM or PM.
        sizeAt = window.Token(sizeEnd);
        sizeEnd = window.Space(sizeAt);
        if (sizeEnd == kNone) return false;
    }
    const std::string_view size(p + sizeAt, sizeEnd - sizeAt);
    std::string_view name;
    std::int64_t bytes = -1;
    if (size[0] == '<') {
        // NameAfterDir: past the padding when it is all spaces, else from
        // the first byte that is no space; a byte that is no space in the
        // window, so that the name is no spaces only.
        const unsigned nameAt = window.Token(sizeEnd);
        if (!fields::EqualsFolded(size, "<dir>") || nameAt == kNone) return false;
        const std::size_t from = nameAt <= sizeEnd + kDirPadding ? nameAt : sizeEnd + kDirPadding;
        name = {p + from, n - from};
    } else {
        // The name after the size and one space, as AfterOneSpace gives it,
        // when a byte that is no space follows in the window (else
        // ReadOtherForms tells whether the name is spaces only).
        if (window.Token(sizeEnd) == kNone || !fields::ReadGroupedNumber(size, bytes, readable)) {
            return false;
        }
        name = {p + sizeEnd + 1, n - sizeEnd - 1};
    }
    entry.size = bytes;
    entry.isDir = bytes < 0;
    if (!StoreStamp(stamp, today, entry)) {
        kind = SkipAs(state, ftpdir::SkipReason::impossibleDate);
        return true;
    }
    entry.name = name;
    entry.extras.format = EntryFormat::dos;
    kind = LineKind::entry;
    return true;
}

// A line that starts with a digit: the usual form, else other forms.
// Flattened: the usual form's readers are inlined here whatever their
// number of callers in this file.
FTPDIRLIST_FLATTEN FTPDIRLIST_NOINLINE LineKind ReadDigitFirst(std::string_view line,
                                                               ListingState& state, Today& today,
                                                               ParsedEntry& entry) {
    LineKind kind;
    if (ReadUsualForm(line, state, today, entry, kind)) return kind;
    return ReadOtherForms(line, state, today, entry);
}

}  // namespace

LineKind ReadDosLine(std::string_view line, ListingState& state, Today& today, ParsedEntry& entry) {
    // A shortcut: a build without it reads every line as other forms.
    if (FTPDIRLIST_SHORTCUTS && !line.empty() && line[0] != ' ') {
        // Every form starts with a digit: a line that starts with another
        // byte is none, as ReadOtherForms finds.
        return fields::IsDigit(line[0]) ? ReadDigitFirst(line, state, today, entry)
                                        : LineKind::none;
    }
    return ReadOtherForms(line, state, today, entry);
}

bool JoinSuppliesOnlyName(ParsedEntry& entry, std::string_view held) {
    // A dls line is whole on its own line, and a line that starts with a
    // space continues the description above it (the dls reader skips it):
    // joined, almost any word and number would read as an entry.
    if (entry.extras.format == EntryFormat::dls) return false;
    if (entry.extras.format != EntryFormat::dos) return true;
    // The name starts at the joining space at the earliest (after a held
    // line that ends in the ten spaces of IIS's <DIR> padding).
    const char* joint = held.data() + held.size();
    if (entry.name.data() < joint) return false;
    std::size_t end = held.size();
    while (end > 0 && held[end - 1] == ' ') --end;
    std::size_t begin = end;
    while (begin > 0 && held[begin - 1] != ' ') --begin;
    const std::string_view last = held.substr(begin, end - begin);
    std::int64_t size;
    if (last.empty() ||
        !((last[0] == '<' && last.back() == '>') || fields::ReadGroupedNumber(last, size))) {
        return false;
    }
    // The joining space is no byte of the name: the wrapped line holds all
    // of it, spaces it starts with included.
    if (entry.name.data() == joint) entry.name.remove_prefix(1);
    return true;
}

// ReadDate and ImpossibleDate both need the first token to start as a
// numeric date, whose first number has at most four digits.
bool MayBeDosLine(TokenWalker& tokens, std::size_t, const ListingState&) {
    return fields::NumericDateSeparator(tokens[0], "-/.") != 0;
}

}  // namespace ext
}  // namespace ftpdirlist
