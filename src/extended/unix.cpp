// Unix-style lines of the extended dialect: what `ls -l` prints in every
// locale, and the variants servers write.
//   drwxr-xr-x  2 owner group  4096 Jan 15 12:30 name
//   -rw-r--r--  1 ftp ftp125435904 Apr  9  2008 glued group and size
//   crw-rw-rw-  1 root sys 13,   2 Jan 15  2002 null
//   -rw-r--r--  1 alice staff  512 2002-01-15 10:30:45.123456789 +0100 notes
//   -rw-r--r--  1 alice staff  512  8. Dez 19:57 Bericht
//   lrwxrwxrwx  1 root root      7 Jan 15  2002 lib -> usr/lib
// The columns are found by the date's shape, not counted from the left: the
// date is the first run of tokens that reads as a date right after a token
// ending in a digit; the size is that token, the link count, owner and group
// what lies between the mode and the size.
//
// A link's name is split from its target at the first " -> ": a name that
// holds the arrow itself cannot be told from a target that does, and
// names with an arrow are the rarer (the target is often a path someone
// else chose). Names keep every byte, `ls -F` marks included.
#include <cstdint>

#include "extended/families.h"
#include "fields/month_names.h"

namespace ftpdirlist {
namespace ext {

namespace {

using fields::Stamp;
using fields::TokenWalker;

constexpr std::string_view kLinkArrow = " -> ";

// A type letter that systems write: file, directory, link, block and
// character device, FIFO, socket, door (D), network special (n), whiteout
// (w), Plan 9's append-only file (a), and '?' for a type ls cannot tell. A
// line with any other letter there is no listing line.
struct TypeLetters {
    bool is[256] = {};
    constexpr TypeLetters() {
        for (const char ch : std::string_view("-dlbcpsDnwa?"))
            is[static_cast<unsigned char>(ch)] = true;
    }
};

constexpr TypeLetters kTypeLetters;

bool IsTypeLetter(char ch) { return kTypeLetters.is[static_cast<unsigned char>(ch)]; }

// 1 for the directory's type letter, 0 for every other byte.
struct DirectoryLetter {
    std::uint8_t is[256] = {};
    constexpr DirectoryLetter() { is[static_cast<unsigned char>('d')] = 1; }
};

constexpr DirectoryLetter kDirectoryLetter;

// The nine rights characters: r, w and x of owner, group and others, with
// setuid, setgid, sticky and mandatory-locking letters where ls puts them.
constexpr std::string_view kRightsAllowed[9] = {"r-",     "w-", "x-sS", "r-",  "w-",
                                                "x-sSlL", "r-", "w-",   "x-tT"};

// Bit i of entry b: byte b may stand at rights position i.
struct RightsTable {
    std::uint16_t at[256] = {};
    constexpr RightsTable() {
        for (int i = 0; i < 9; ++i) {
            for (const char ch : kRightsAllowed[i]) {
                at[static_cast<unsigned char>(ch)] |= static_cast<std::uint16_t>(1u << i);
            }
        }
    }
};

constexpr RightsTable kRights;

#if FTPDIRLIST_SWAR
// The first eight rights as one word when each is its letter ("rwxrwxrw",
// byte 0 lowest).
constexpr std::uint64_t PackedRights() {
    std::uint64_t word = 0;
    for (int i = 7; i >= 0; --i) word = word << 8 | static_cast<unsigned char>("rwxrwxrw"[i]);
    return word;
}
constexpr std::uint64_t kRightsLetters = PackedRights();
#endif

FTPDIRLIST_ALWAYS_INLINE bool ValidRights(std::string_view rights) {
    if (rights.size() != 9) return false;
#if FTPDIRLIST_SWAR
    // A shortcut: the usual rights, each of the first eight its letter or
    // '-', in one word test; the last right by the table.
    const std::uint64_t word = bytes::Load8(rights.data());
    if ((bytes::NonZeroBytes(word ^ kRightsLetters) &
         bytes::NonZeroBytes(word ^ (bytes::kOnes * '-'))) == 0) {
        return (kRights.at[static_cast<unsigned char>(rights[8])] >> 8 & 1u) != 0;
    }
#endif
    unsigned all = 1;
    for (std::size_t i = 0; i < 9; ++i) {
        all &= kRights.at[static_cast<unsigned char>(rights[i])] >> i;
    }
    return all & 1;
}

// NetWare rights in brackets: "[RWCEAFMS]" with '-' for a right not held,
// or the held rights alone in the server's order ("[RWCEMFA]"); each right
// at most once.
bool ValidNetWareRights(std::string_view text) {
    static constexpr std::string_view kNetWare = "RWCEAFMS";
    if (text.size() < 3 || text.size() > kNetWare.size() + 2 || text.front() != '[' ||
        text.back() != ']') {
        return false;
    }
    unsigned seen = 0;
    for (const char ch : text.substr(1, text.size() - 2)) {
        if (ch == '-') continue;
        const std::size_t right = kNetWare.find(ch);
        if (right == std::string_view::npos || (seen >> right & 1u) != 0) return false;
        seen |= 1u << right;
    }
    return true;
}

// Rights cut short by embedded servers: the first six or eight of the nine
// ("rwxr-x", "rw-r--rw"), each valid at its place. Other lengths are no
// rights.
bool ValidTruncatedRights(std::string_view rights) {
    if (rights.size() != 6 && rights.size() != 8) return false;
    for (std::size_t i = 0; i < rights.size(); ++i) {
        if ((kRights.at[static_cast<unsigned char>(rights[i])] >> i & 1u) == 0) return false;
    }
    return true;
}

// A mode token: a type letter and nine rights with an optional '+', '@' or
// '.' mark, or a type letter glued to NetWare rights.
FTPDIRLIST_ALWAYS_INLINE bool ValidModeToken(std::string_view mode) {
    if (mode.size() < 10 || !IsTypeLetter(mode[0])) return false;
    if (mode[1] == '[') return ValidNetWareRights(mode.substr(1));
    if (mode.size() == 11 && mode[10] != '+' && mode[10] != '@' && mode[10] != '.') return false;
    return mode.size() <= 11 && ValidRights(mode.substr(1, 9));
}

// A rights token after a one-letter mode: NetWare rights, or nine rights
// with an optional mark.
bool ValidRightsToken(std::string_view rights) {
    if (rights.data() == nullptr) return false;
    if (ValidNetWareRights(rights)) return true;
    if (rights.size() == 10 && rights[9] != '+' && rights[9] != '@' && rights[9] != '.') {
        return false;
    }
    return rights.size() <= 10 && ValidRights(rights.substr(0, 9));
}

// Reads the mode: one token, or a type letter and a rights token (NetWare
// writes "d [RWCEAFMS]"), joined with one space in the attribute text.
// `next` becomes the index of the first token after it; `linkCount` is set
// when the mode token holds the link count too.
bool ReadMode(TokenWalker& tokens, ParsedEntry& entry, std::size_t& next, bool& linkCount) {
    const std::string_view mode = tokens[0];
    if (mode.size() == 1 && IsTypeLetter(mode[0])) {
        const std::string_view rights = tokens[1];
        if (!ValidRightsToken(rights)) return false;
        entry.attributesScratch.assign(mode.data(), mode.size());
        entry.attributesScratch.push_back(' ');
        entry.attributesScratch.append(rights.data(), rights.size());
        entry.attributes = entry.attributesScratch;
        next = 2;
        return true;
    }
    next = 1;
    if (ValidModeToken(mode)) {
        entry.attributes = mode;
        return true;
    }
    // A truncated mode, short NetWare rights ("d[RWCE]"), or a mode glued
    // to the link count ("drwxr-xr-x1732", "drwxr-x---+1464"): the digits
    // are the count.
    const std::string_view rights = mode.substr(1);
    if (IsTypeLetter(mode[0]) && (ValidTruncatedRights(rights) || ValidNetWareRights(rights))) {
        entry.attributes = mode;
        return true;
    }
    std::size_t end = 10;
    if (mode.size() > 11 && (mode[10] == '+' || mode[10] == '@' || mode[10] == '.')) end = 11;
    if (mode.size() <= end || !IsAllDigits(mode.substr(end)) ||
        !ValidModeToken(mode.substr(0, end))) {
        return false;
    }
    entry.attributes = mode.substr(0, end);
    linkCount = true;
    return true;
}

bool EndsInDigit(std::string_view token) { return !token.empty() && fields::IsDigit(token.back()); }

// The day of ReadDay past the usual forms: with a day marker or a final
// '.' or ','.
FTPDIRLIST_NOINLINE bool ReadMarkedDay(std::string_view token, std::int32_t& day) {
    token = fields::DropLast(fields::DropLast(token, ','), '.');
    fields::Marker marker;
    return token.size() <= 2 + 3 && fields::ReadMarkedNumber(token, day, marker) &&
           marker != fields::Marker::year;
}

// A day: digits with an optional day marker ("15日") or a final '.' or ','.
FTPDIRLIST_ALWAYS_INLINE bool ReadDay(std::string_view token, std::int32_t& day) {
    // The usual forms, one or two digits, read alike: days of one and of
    // two digits alternate in a listing.
    if (token.size() <= 2) {
        const unsigned first = static_cast<unsigned char>(token[0]) - '0';
        const unsigned last = static_cast<unsigned char>(token.back()) - '0';
        const unsigned two = static_cast<unsigned>(token.size()) - 1;
        if ((first <= 9) & (last <= 9)) {
            day = static_cast<std::int32_t>(first * (1 + 9 * two) + last * two);
            return true;
        }
    }
    if (!fields::IsDigit(token[0])) return false;
    // Through a copy: the caller's stamp then need not live in memory.
    std::int32_t marked = day;
    const bool read = ReadMarkedDay(token, marked);
    day = marked;
    return read;
}

// The year of ReadYear past the usual form: with a year marker or a final
// '.'.
FTPDIRLIST_NOINLINE bool ReadMarkedYear(std::string_view token, std::int32_t& year) {
    token = fields::DropLast(token, '.');
    fields::Marker marker;
    if (!fields::ReadMarkedNumber(token, year, marker) || marker == fields::Marker::day) {
        return false;
    }
    std::size_t digits = 0;
    while (digits < token.size() && fields::IsDigit(token[digits])) ++digits;
    return digits == 4;
}

// A year: four digits with an optional year marker ("2002年") or final '.'.
FTPDIRLIST_ALWAYS_INLINE bool ReadYear(std::string_view token, std::int32_t& year) {
    if (token.size() == 4) {  // the usual form
        const int high = TwoDigits(token.data());
        const int low = TwoDigits(token.data() + 2);
        if ((high | low) < 0) return false;
        year = high * 100 + low;
        return true;
    }
    if (!fields::IsDigit(token[0])) return false;
    // Through a copy, as in ReadDay.
    std::int32_t marked = year;
    const bool read = ReadMarkedYear(token, marked);
    year = marked;
    return read;
}

// A month name of any language and code page, with an optional final ',';
// all-digit tokens are no month names here (they are days and years).
FTPDIRLIST_ALWAYS_INLINE int ReadMonthName(std::string_view token) {
    if (FTPDIRLIST_SHORTCUTS && token.size() == 3) {
        // A shortcut: three letters hold no ',', '.' or digit; the English
        // names at once, other letters by the lookup of three letters.
        int month = fields::usual_form::FindEnglishMonth(token.data());
        if (month != 0) return month;
        if (kThreeLetters.Find(token, month)) return month;
    }
    token = fields::DropLast(token, ',');
    if (token.empty() || IsAllDigits(fields::DropLast(token, '.'))) return 0;
    return LookupMonthName(token).month;
}

// True when `token` has the shape of a clock time ("ab:11", "19:57"): a
// colon inside a short token of letters and digits.
bool LooksLikeClock(std::string_view token) {
    if (token.data() == nullptr || token.size() < 3 || token.size() > 8) return false;
    const std::size_t colon = token.find(':');
    if (colon == 0 || colon == std::string_view::npos || colon + 1 == token.size()) return false;
    for (const char ch : token) {
        if (ch != ':' && !fields::IsDigit(ch) && !fields::IsLetter(ch)) {
            return false;
        }
    }
    return true;
}

// True when `right` follows `left` after exactly one space in the line.
bool OneSpaceApart(std::string_view left, std::string_view right) {
    return right.data() == left.data() + left.size() + 1;
}

// "0:5": a clock time with unpadded minutes, as some embedded servers
// write it after the month and day, read after the token failed as a year
// (which may have left its digits in the stamp).
FTPDIRLIST_NOINLINE bool ReadUnpaddedTime(std::string_view token, Stamp& stamp) {
    stamp.year = -1;
    return fields::ReadUnpaddedClock(token, stamp);
}

// `read` (a reader out of line) on a copy of `stamp`, copied back: the
// caller's stamp then need not live in memory.
template <typename Reader>
FTPDIRLIST_ALWAYS_INLINE bool ReadIntoCopy(Reader read, std::string_view token, Stamp& stamp) {
    Stamp copy = stamp;
    const bool done = read(token, copy);
    stamp = copy;
    return done;
}

// ReadYearOrTime past its usual forms.
FTPDIRLIST_NOINLINE bool ReadOtherYearOrTime(std::string_view token, Stamp& stamp) {
    if (fields::ReadClock(token, stamp, true)) return true;
    return ReadYear(token, stamp.year);
}

// What follows the day and month: a year, or a clock time ("19:57", or
// "19.57" as some locales write it).
FTPDIRLIST_ALWAYS_INLINE bool ReadYearOrTime(std::string_view token, Stamp& stamp) {
    if (token.data() == nullptr) return false;
    // A shortcut: four bytes that read as a year hold no clock time.
    if (FTPDIRLIST_SHORTCUTS && token.size() == 4 && ReadYear(token, stamp.year)) return true;
    // A shortcut: ReadClock's usual form, kept inline.
    if (FTPDIRLIST_SHORTCUTS && fields::usual_form::ReadHourMinute(token, stamp, true)) return true;
    return ReadIntoCopy(ReadOtherYearOrTime, token, stamp);
}

// "+0100": the zone that `ls --full-time` prints after the time, dropped.
bool IsZone(std::string_view token) {
    return token.size() == 5 && (token[0] == '+' || token[0] == '-') &&
           IsAllDigits(token.substr(1));
}

// A day and a month in one token, split by a no-break space (UTF-8, or the
// one byte of the ISO-8859 and Windows code pages), as Czech ls writes them.
bool SplitAtNoBreakSpace(std::string_view token, std::string_view& left, std::string_view& right) {
    for (std::size_t i = 0; i < token.size(); ++i) {
        const auto byte = static_cast<unsigned char>(token[i]);
        std::size_t width = 0;
        if (byte == 0xC2 && i + 1 < token.size() &&
            static_cast<unsigned char>(token[i + 1]) == 0xA0) {
            width = 2;
        } else if (byte == 0xA0 && i > 0 &&
                   (fields::IsDigit(token[i - 1]) || token[i - 1] == '.')) {
            width = 1;
        }
        if (width != 0) {
            left = token.substr(0, i);
            right = token.substr(i + width);
            return !left.empty() && !right.empty();
        }
    }
    return false;
}

// A month with its marker glued to a day with its marker, as ls in
// Chinese writes them ("6月12日", in UTF-8 or GBK): the month name is the
// digits and the two or three bytes of the marker; the rest must be a day
// with its day marker.
bool SplitGluedMonthDay(std::string_view token, std::string_view& month, std::string_view& day) {
    std::size_t digits = 0;
    while (digits < token.size() && fields::IsDigit(token[digits])) ++digits;
    if (digits == 0 || digits > 2 || token.size() < digits + 4 ||
        static_cast<unsigned char>(token[digits]) < 0x80) {
        return false;
    }
    for (const std::size_t width : {std::size_t{3}, std::size_t{2}}) {
        if (LookupMonthName(token.substr(0, digits + width)).month == 0) continue;
        std::int32_t value;
        fields::Marker marker;
        day = token.substr(digits + width);
        month = token.substr(0, digits + width);
        return fields::IsDigit(day[0]) && fields::ReadMarkedNumber(day, value, marker) &&
               marker == fields::Marker::day;
    }
    return false;
}

// Month, day, then year or time: "Jan 15 2002", "1月 15日 10:30".
FTPDIRLIST_ALWAYS_INLINE bool ReadMonthFirst(std::string_view month, std::string_view day,
                                             std::string_view yearOrTime, Stamp& stamp) {
    if (day.data() == nullptr || !ReadDay(day, stamp.day)) return false;
    stamp.month = ReadMonthName(month);
    return stamp.month != 0 && fields::ValidDate(stamp.month, stamp.day) &&
           (ReadYearOrTime(yearOrTime, stamp) || ReadIntoCopy(ReadUnpaddedTime, yearOrTime, stamp));
}

// ReadMonthFirst out of line, for the walk's many readings of a date.
bool MonthFirst(std::string_view month, std::string_view day, std::string_view yearOrTime,
                Stamp& stamp) {
    return ReadMonthFirst(month, day, yearOrTime, stamp);
}

// Whether a date that ends in `yearOrTime` after `before` has the narrow
// form that servers pad to the width of the other: a year left-aligned
// after one space ("Mar  1 2003 ", "4. Mär 2021 ") is one column narrower
// than a time ("19:57"); a year right-aligned after two spaces is not.
bool LeftAlignedYear(std::string_view before, std::string_view yearOrTime, const Stamp& stamp) {
    return stamp.hour < 0 && OneSpaceApart(before, yearOrTime);
}

// Day, month, then year or time: "15 Jan 2002", "8. Dez 19:57",
// "26. Juli, 20:10", "8. 5. 2026" (a numeric month needs its dot).
bool DayFirst(std::string_view day, std::string_view month, std::string_view yearOrTime,
              Stamp& stamp) {
    if (month.data() == nullptr || !ReadDay(day, stamp.day)) return false;
    stamp.month = ReadMonthName(month);
    if (stamp.month == 0 && day.back() == '.' && month.size() > 1 && month.back() == '.' &&
        !fields::ReadNumber32(month.substr(0, month.size() - 1), stamp.month)) {
        stamp.month = 0;
    }
    return fields::ValidDate(stamp.month, stamp.day) && ReadYearOrTime(yearOrTime, stamp);
}

// Year, month, day: "2026. máj 8.", "2002年 1月 15日".
bool YearFirst(std::string_view year, std::string_view month, std::string_view day, Stamp& stamp) {
    if (month.data() == nullptr || day.data() == nullptr || !ReadYear(year, stamp.year) ||
        !ReadDay(day, stamp.day)) {
        return false;
    }
    stamp.month = ReadMonthName(month);
    return fields::ValidDate(stamp.month, stamp.day);
}

// A numeric date: "2002-01-15 [10:30[:45.123] [+0100]]", "2002/01/15
// 17:12", "15.01.2002 10:30", "01-15 2002", "01-15 10:30", "8.12. 19:57".
// `last` is the index of its last token; `narrow` tells a year-first date
// alone, which ls pads by one column to the width of "12-05 19:57".
bool NumericDate(TokenWalker& tokens, std::size_t i, Stamp& stamp, std::size_t& last,
                 bool& narrow) {
    const std::string_view date = tokens[i];
    last = i;
    const bool yearFirst = fields::ReadNumericDate(date, fields::DateOrder::ymd, "-/", stamp);
    if (yearFirst || fields::ReadNumericDate(date, fields::DateOrder::dmy, ".", stamp)) {
        // The time is optional: a date alone is followed by the name; a
        // clock that cannot exist ("25:10") is no name.
        if (fields::ReadClock(tokens[i + 1], stamp)) {
            last = i + 1;
            if (IsZone(tokens[i + 2])) last = i + 2;
        } else if (fields::ClockShape(tokens[i + 1])) {
            return false;
        }
        narrow = yearFirst && last == i;
        return true;
    }
    const bool monthDay = fields::ReadMonthDay(date, "-", stamp);
    if (!monthDay && !(date.back() == '.' &&
                       fields::ReadMonthDay(date.substr(0, date.size() - 1), ".", stamp, true))) {
        return false;
    }
    if (!ReadYearOrTime(tokens[i + 1], stamp)) return false;
    last = i + 1;
    narrow = LeftAlignedYear(date, tokens[i + 1], stamp);
    return true;
}

// The Chinese forms, "6月12日 20:57" and "1970年 6月15日" (the year keeps its
// marker), which start with a digit and end in the bytes of a marker.
bool GluedDate(TokenWalker& tokens, std::size_t i, Stamp& stamp, std::size_t& last) {
    const std::string_view first = tokens[i];
    if (static_cast<unsigned char>(first.back()) < 0x80) return false;
    std::string_view left;
    std::string_view right;
    stamp = Stamp{};
    if (SplitGluedMonthDay(first, left, right) && MonthFirst(left, right, tokens[i + 1], stamp)) {
        last = i + 1;
        return true;
    }
    stamp = Stamp{};
    const std::string_view next = tokens[i + 1];
    if (first.size() > 4 && next.data() != nullptr && SplitGluedMonthDay(next, left, right) &&
        YearFirst(first, left, right, stamp)) {
        last = i + 1;
        return true;
    }
    return false;
}

// The date that starts at token i, in any of its shapes; `last` is the
// index of its last token, `narrow` whether the form is one that servers
// pad (LeftAlignedYear, NumericDate).
bool MatchDate(TokenWalker& tokens, std::size_t i, Stamp& stamp, std::size_t& last, bool& narrow) {
    const std::string_view first = tokens[i];
    narrow = false;
    // A shortcut: digits alone or with a final '.' ("15", "8.") have no
    // separator inside, which a numeric date needs, and end in no marker,
    // which a glued date ends in.
    const bool plainDay = FTPDIRLIST_SHORTCUTS && IsAllDigits(fields::DropLast(first, '.'));
    if (fields::IsDigit(first[0]) && !plainDay &&
        (NumericDate(tokens, i, stamp, last, narrow) || GluedDate(tokens, i, stamp, last))) {
        return true;
    }
    stamp = Stamp{};
    bool read = MonthFirst(first, tokens[i + 1], tokens[i + 2], stamp);
    if (read) {
        // "Oct 08, 2002 09:47": the comma form writes a year and a time.
        if (stamp.hour < 0 && tokens[i + 1].back() == ',' &&
            fields::ReadClock(tokens[i + 3], stamp)) {
            last = i + 3;
            return true;
        }
    } else {
        stamp = Stamp{};
        read = DayFirst(first, tokens[i + 1], tokens[i + 2], stamp);
    }
    if (read) {
        last = i + 2;
        narrow = LeftAlignedYear(tokens[i + 1], tokens[i + 2], stamp);
        return true;
    }
    stamp = Stamp{};
    // A year-first date whose month and day begin a month-first date are
    // a size and that date ("500 2002 Jan 15 2002" with a numeric group);
    // so are they when a clock follows that is none ("4604 Dec 19 ab:11"):
    // a year is never taken from the size column.
    Stamp later;
    if (YearFirst(first, tokens[i + 1], tokens[i + 2], stamp) &&
        !MonthFirst(tokens[i + 1], tokens[i + 2], tokens[i + 3], later) &&
        !LooksLikeClock(tokens[i + 3])) {
        last = i + 2;
        return true;
    }
    std::string_view left;
    std::string_view right;
    if (!SplitAtNoBreakSpace(first, left, right)) return false;
    last = i + 1;
    stamp = Stamp{};
    read = DayFirst(left, right, tokens[i + 1], stamp);
    if (!read) {
        stamp = Stamp{};
        read = MonthFirst(left, right, tokens[i + 1], stamp);
    }
    if (!read) return false;
    narrow = LeftAlignedYear(first, tokens[i + 1], stamp);
    return true;
}

// A size with a unit, "512B" (bytes, exact), "33.5k", "2KB", "1.5MiB" (any
// case): `size` becomes the bytes of a "B" size and -1 for the others,
// which are rounded. False for any other token.
bool ReadUnitSize(std::string_view token, std::int64_t& size) {
    std::string_view unit = token;
    std::size_t digits = 0;
    while (digits < token.size() && fields::IsDigit(token[digits])) ++digits;
    if (digits == 0) return false;
    std::size_t end = digits;
    if (end < token.size() && token[end] == '.') {
        ++end;
        while (end < token.size() && fields::IsDigit(token[end])) ++end;
        if (end == digits + 1) return false;
    }
    unit = token.substr(end);
    if (fields::EqualsFolded(unit, "b")) {
        return end == digits && fields::ReadNumber(token.substr(0, digits), size);
    }
    if (unit.empty() || std::string_view("kmgtpe").find(unit[0] | 0x20) == std::string_view::npos) {
        return false;
    }
    unit.remove_prefix(1);
    if (!unit.empty() && !fields::EqualsFolded(unit, "b") && !fields::EqualsFolded(unit, "ib")) {
        return false;
    }
    size = -1;
    return true;
}

// A size that gives no byte count: a negative number ("-528"), which no
// file has, or a rounded size with a unit (ReadUnitSize). `size` becomes
// -1 (or the bytes of an exact "512B").
bool ReadUnknownSize(std::string_view token, std::int64_t& size) {
    if (token.size() > 1 && token[0] == '-' && IsAllDigits(token.substr(1))) {
        size = -1;
        return true;
    }
    return ReadUnitSize(token, size);
}

// The tokens between the mode and the size: an optional link count (or
// "folder"), then owner and group. With more than two tokens, a number at
// the end stands alone as the group (an owner with spaces); otherwise the
// owner is the first token and the group the rest (a group with spaces).
// `counted`: the link count was read with the mode.
void ReadOwnerAndGroup(TokenWalker& tokens, std::size_t from, std::size_t to, ParsedEntry& entry,
                       bool counted) {
    if (!counted && from < to && (IsAllDigits(tokens[from]) || tokens[from] == "folder")) ++from;
    if (from >= to) return;
    const std::string_view first = tokens[from];
    const std::string_view last = tokens[to - 1];
    if (to - from == 1) {
        entry.extras.owner = first;
    } else if (to - from > 2 && IsAllDigits(last) && !IsAllDigits(first)) {
        entry.extras.owner = TokenWalker::Span(first, tokens[to - 2]);
        entry.extras.group = last;
    } else {
        entry.extras.owner = first;
        entry.extras.group = TokenWalker::Span(tokens[from + 1], last);
    }
}

// The offset just past `token`, a token of the line that `tokens` walks.
std::size_t EdgeOf(TokenWalker& tokens, std::string_view token) {
    return static_cast<std::size_t>(token.data() + token.size() - tokens.Text().data());
}

// A size glued to the group ("ftpadmin125435904", a group column too narrow
// for its name): the digits at the token's end are the size. The line alone
// cannot tell such a token from a group that ends in digits before a size,
// or from garbage; the listing can: servers glue the two when both columns
// are full, and the size column is right-aligned, so the token ends where
// the size column of the Unix entry before it ended (state.unixSizeEdge).
// Without an entry before it, or where the columns do not line up, the
// token is no size and the line is refused. The owner must stand alone
// before it, after an optional link count.
FTPDIRLIST_NOINLINE bool ReadGluedGroup(TokenWalker& tokens, std::size_t modeEnd,
                                        std::size_t sizeAt, bool counted, const ListingState& state,
                                        ParsedEntry& entry) {
    const std::string_view size = tokens[sizeAt];
    if (state.unixSizeEdge == 0 || EdgeOf(tokens, size) != state.unixSizeEdge) return false;
    std::size_t digits = size.size();
    while (digits > 0 && fields::IsDigit(size[digits - 1])) --digits;
    if (digits == 0) return false;  // too large
    const char glue = size[digits - 1];
    if (!fields::IsLetter(glue) && static_cast<unsigned char>(glue) < 0x80) return false;
    std::size_t owner = modeEnd;
    if (!counted && sizeAt - owner >= 2 &&
        (IsAllDigits(tokens[owner]) || tokens[owner] == "folder")) {
        ++owner;
    }
    if (sizeAt - owner != 1) return false;
    if (!fields::ReadNumber(size.substr(digits), entry.size)) return false;
    entry.extras.owner = tokens[owner];
    entry.extras.group = size.substr(0, digits);
    return true;
}

// The size before the date at token `date`, and the owner and group before
// it. Device files give "major, minor" in its place and no size; a size
// glued to the group is read by ReadGluedGroup. The size column's edge is
// noted in `state` for the lines after.
bool ReadSizeAndOwners(TokenWalker& tokens, std::size_t modeEnd, std::size_t date, char type,
                       bool counted, ListingState& state, ParsedEntry& entry) {
    const std::size_t sizeAt = date - 1;
    const std::string_view size = tokens[sizeAt];
    const bool device = type == 'c' || type == 'b';
    if (device && sizeAt > modeEnd && tokens[sizeAt - 1].back() == ',' &&
        IsAllDigits(tokens[sizeAt - 1].substr(0, tokens[sizeAt - 1].size() - 1))) {
        entry.size = -1;
        ReadOwnerAndGroup(tokens, modeEnd, sizeAt - 1, entry, counted);
    } else if (device && size.find(',') != std::string_view::npos) {
        entry.size = -1;
        ReadOwnerAndGroup(tokens, modeEnd, sizeAt, entry, counted);
    } else if (fields::ReadNumber(size, entry.size) || ReadUnknownSize(size, entry.size)) {
        ReadOwnerAndGroup(tokens, modeEnd, sizeAt, entry, counted);
    } else if (!ReadGluedGroup(tokens, modeEnd, sizeAt, counted, state, entry)) {
        return false;
    }
    state.unixSizeEdge = EdgeOf(tokens, size);
    return true;
}

// "total 12" and its translations ("insgesamt 12", "итого 12"), with the
// units of `ls -h` ("total 1.5M").
bool IsTotalLine(TokenWalker& tokens) {
    if (!IsTotalWord(tokens[0]) || tokens[2].data() != nullptr) return false;
    std::string_view count = tokens[1];
    if (count.data() == nullptr) return false;
    if (count.size() > 1 &&
        std::string_view("KMGTPE").find(count.back()) != std::string_view::npos) {
        count.remove_suffix(1);
    }
    const std::size_t point = count.find('.');
    std::int64_t value;
    if (point == std::string_view::npos) return fields::ReadNumber(count, value);
    return fields::ReadNumber(count.substr(0, point), value) &&
           fields::ReadNumber(count.substr(point + 1), value);
}

// The end of a line without a date: the name, the type, a link's target.
FTPDIRLIST_ALWAYS_INLINE LineKind FinishUndated(std::string_view name, char type,
                                                ParsedEntry& entry) {
    if (name.data() == nullptr) return LineKind::none;
    // By a table rather than a choice: files and directories mix in a
    // listing.
    entry.isDir = kDirectoryLetter.is[static_cast<unsigned char>(type)];
    if (type == 'l') {
        entry.isLink = 1;
        const std::size_t arrow = name.find(kLinkArrow);
        if (arrow != std::string_view::npos && arrow != 0) {
            entry.extras.target = name.substr(arrow + kLinkArrow.size());
            name = name.substr(0, arrow);
        }
    }
    entry.name = name;
    entry.extras.format = EntryFormat::unixStyle;
    return LineKind::entry;
}

// The end shared by both paths: the name after the date, the type, a
// link's target, the date. `name` is every byte after the one space that
// follows the date. Column padding is never part of it: after a narrow
// date (MatchDate) the first of two spaces pads the date column, unless the
// listing has shown that form without its pad (one space, then a name).
FTPDIRLIST_ALWAYS_INLINE LineKind Finish(std::string_view name, bool narrow, char type, Stamp stamp,
                                         ListingState& state, Today& today, ParsedEntry& entry) {
    if (name.data() == nullptr) return LineKind::none;
    // 29 February of a common year.
    if (!StoreStamp(stamp, today, entry)) return SkipAs(state, ftpdir::SkipReason::impossibleDate);
    if (narrow && !state.unpaddedDates) {
        if (name.size() > 1 && name[0] == ' ') {
            name.remove_prefix(1);
            entry.extras.padBeforeName = 1;
        } else if (!name.empty() && name[0] != ' ') {
            state.unpaddedDates = true;
        }
    }
    return FinishUndated(name, type, entry);
}

// "drwxr-xr-x 3 alice dev 512 docs": a line without a date, read only with
// every column (link count, owner, group, size) and a name of one token
// that is no month name and starts with no digit (a link: one token each
// side of the arrow), so that a date which failed to read never becomes
// part of a name.
LineKind ReadWithoutDate(TokenWalker& tokens, std::size_t at, bool counted, char type,
                         ParsedEntry& entry) {
    if (!counted && !IsAllDigits(tokens[at++])) return LineKind::none;
    const std::string_view owner = tokens[at];
    const std::string_view group = tokens[at + 1];
    const std::string_view size = tokens[at + 2];
    const std::string_view first = tokens[at + 3];
    const bool link = type == 'l' && tokens[at + 4] == "->";
    if (first.data() == nullptr || fields::IsDigit(first[0]) || ReadMonthName(first) != 0 ||
        tokens[at + (link ? 6 : 4)].data() != nullptr || (link && tokens[at + 5].empty()) ||
        !fields::ReadNumber(size, entry.size)) {
        return LineKind::none;
    }
    entry.extras.owner = owner;
    entry.extras.group = group;
    return FinishUndated(tokens.AfterOneSpace(size), type, entry);
}

// True when the tokens from `at` have the shape of a date that reads
// nowhere in this file, followed by a name: a month name, a day of one or
// two digits, then a year of four digits or a clock ("Apr 31  2002",
// "Jan 15 25:10"); or a year-first or dotted day-first numeric date, with
// an optional clock ("2002-13-01", "31.04.2002", "2002-01-15 25:10").
// Asked only after every reading of a date failed, so the shape means a
// date that cannot exist.
bool ImpossibleDateAt(TokenWalker& tokens, std::size_t at) {
    const std::string_view first = tokens[at];
    if (fields::IsDigit(first[0])) {
        const bool yearFirst = first.size() > 4 && (first[4] == '-' || first[4] == '/') &&
                               fields::NumericDateShape(first, "-/");
        const bool dotted = first.size() > 5 && first[first.size() - 5] == '.' &&
                            fields::NumericDateShape(first, ".");
        if (!yearFirst && !dotted) return false;
        const std::size_t name = fields::ClockShape(tokens[at + 1]) ? at + 2 : at + 1;
        return tokens[name].data() != nullptr;
    }
    const std::string_view day = tokens[at + 1];
    const std::string_view yearOrTime = tokens[at + 2];
    return ReadMonthName(first) != 0 && day.data() != nullptr && day.size() <= 2 &&
           IsAllDigits(day) && yearOrTime.data() != nullptr &&
           ((yearOrTime.size() == 4 && IsAllDigits(yearOrTime)) ||
            fields::ClockShape(yearOrTime)) &&
           tokens[at + 3].data() != nullptr;
}

// A date that cannot exist where a size is followed by one (ImpossibleDateAt).
FTPDIRLIST_NOINLINE bool HasImpossibleDate(TokenWalker& tokens, std::size_t modeEnd) {
    for (std::size_t at = modeEnd + 1; tokens[at].data() != nullptr; ++at) {
        if (EndsInDigit(tokens[at - 1]) && ImpossibleDateAt(tokens, at)) return true;
    }
    return false;
}

// True when `token` has a byte of 0x80 or above, which may belong to a
// no-break space or a date marker. May read up to `readable` (>= the
// token's end): a short token is then tested in one word.
bool HasHighByte(std::string_view token, const char* readable) {
#if FTPDIRLIST_SWAR
    if (token.size() <= 8 && readable - token.data() >= 8) {
        const std::uint64_t keep = ~std::uint64_t{0} >> (64 - 8 * token.size());
        return (bytes::Load8(token.data()) & keep & bytes::kHigh) != 0;
    }
#else
    (void)readable;
#endif
    for (const char ch : token) {
        if (static_cast<unsigned char>(ch) >= 0x80) return true;
    }
    return false;
}

// True when a date may start right after `before`: it ends in a digit or
// is a size with a unit (the size column).
bool DateMayFollow(std::string_view before) {
    std::int64_t unknown;
    return EndsInDigit(before) || (fields::IsDigit(before[0]) && ReadUnitSize(before, unknown));
}

// True when MatchDate cannot read a date at the token `first`, told from
// it and the two tokens after it (`next`, `after`; absent past the line's
// end): a consequence of the date readers' own tests, never a test of its
// own. It only spares the walk a MatchDate call that would fail; false
// when the tokens leave it open (MatchDate decides). Without a high byte
// in `first` (no no-break space, no marker) every form needs a day or a
// year in `first` or `next`:
//  - `first` starts with no digit: only a month-first date can start
//    there, which needs a month name in `first` and, when `after` is all
//    digits, four of them (a year);
//  - `first` is all digits: it is no numeric date and no month name, so a
//    date there needs a month named by `next` (day-first or year-first);
//    after a name, a token of one or two digits is neither the year or
//    time of a day-first date, and a year-first date needs four digits in
//    `first`.
// `kLookUp`: the month names are looked up where the shapes leave it open
// (worth it where a date is rarely there).
template <bool kLookUp>
FTPDIRLIST_ALWAYS_INLINE bool NoDateAt(std::string_view first, std::string_view next,
                                       std::string_view after, const char* readable) {
    if (HasHighByte(first, readable)) return false;
    if (next.data() == nullptr) return !fields::IsDigit(first[0]) || IsAllDigits(first);
    if (!fields::IsDigit(first[0])) {
        if (!fields::IsDigit(next[0])) return true;
        return (after.size() != 4 && IsAllDigits(after)) || (kLookUp && ReadMonthName(first) == 0);
    }
    if (!IsAllDigits(first)) return false;
    if (fields::IsDigit(next[0])) return IsAllDigits(next) || (kLookUp && ReadMonthName(next) == 0);
    return (first.size() != 4 && after.size() <= 2 && IsAllDigits(after)) ||
           (kLookUp && ReadMonthName(next) == 0);
}

// IsAllDigits(token) for a token of at least one byte, one or two bytes
// (a link count, mostly) tested alike: counts of one and of two digits
// alternate in a listing.
FTPDIRLIST_ALWAYS_INLINE bool AllDigitsShort(std::string_view token) {
    if (token.size() > 2) return IsAllDigits(token);
    const unsigned first = static_cast<unsigned char>(token[0]) - '0';
    const unsigned last = static_cast<unsigned char>(token.back()) - '0';
    return (first <= 9) & (last <= 9);
}

// Whether the walk tries a date at token i of a usual line (the tokens up
// to i + 2 found): after a token that starts or ends in a digit (those that
// DateMayFollow takes among them), where NoDateAt leaves a date open.
FTPDIRLIST_ALWAYS_INLINE bool UsualCandidate(const TokenWalker& tokens, std::size_t i,
                                             const char* readable) {
    const std::string_view before = tokens.Found(i - 1);
    return (fields::IsDigit(before.front()) || fields::IsDigit(before.back())) &&
           !NoDateAt<true>(tokens.Found(i), tokens.Found(i + 1), tokens.Found(i + 2), readable);
}

// The usual forms, "mode links owner [group] size date name" with the date
// month-first ("Jan 15 12:30") or starting with a digit ("15. Jan 12:30"),
// and the same after "folder" in place of link count, owner and group, or
// after a one-letter type and its rights, without a link count; found in
// one window: where the fields lie is known, and each is read by the same
// readers as in the walk. It gives what the walk gives: the walk's
// candidate dates before the date fail (NoDateAt), and the size before it
// reads as a number. False when the line has another form (the walk then
// reads it).
FTPDIRLIST_ALWAYS_INLINE bool ReadUsualForm(TokenWalker& tokens, ListingState& state, Today& today,
                                            ParsedEntry& entry, LineKind& kind) {
    // Six tokens hold a date after "folder", seven a date at token 4; the
    // last token a date needs may be followed by a name that runs on past
    // the window.
    const bool eight = tokens.TakeInWindow<8>();
    const bool seven = eight || tokens.TakeInWindow<7>();
    if (!seven && !tokens.TakeInWindow<6>()) return false;
    const std::string_view line = tokens.Text();
    const char* readable = tokens.Readable();
    const std::string_view mode = tokens.Found(0);
    const std::string_view second = tokens.Found(1);
    // Tokens 2 and 3 (owner and group, mostly) that neither start nor end
    // in a digit: no date is tried at tokens 3 and 4 (UsualCandidate), and
    // NoDateAt leaves one open at token 2 only for a high byte in it.
    const std::string_view owner = tokens.Found(2);
    const std::string_view group = tokens.Found(3);
    const bool plainOwners = !fields::IsDigit(owner.front()) && !fields::IsDigit(owner.back()) &&
                             !fields::IsDigit(group.front()) && !fields::IsDigit(group.back());
    // The mode, then a link count, "folder" or, after a one-letter type and
    // its rights token, the owner.
    std::size_t date;
    if (ValidModeToken(mode)) {
        entry.attributes = mode;
        if (second == "folder") {
            // ReadOwnerAndGroup finds no owner before the size.
            date = 3;
        } else if (!seven || !AllDigitsShort(second) ||
                   (plainOwners ? HasHighByte(owner, readable)
                                : !NoDateAt<true>(owner, group, tokens.Found(4), readable))) {
            return false;
        }
    } else {
        std::size_t modeEnd;
        bool counted = false;
        // ReadOwnerAndGroup would take a number or "folder" there for the
        // link count.
        if (!seven || mode.size() != 1 || !ReadMode(tokens, entry, modeEnd, counted) ||
            IsAllDigits(owner) || owner == "folder") {
            return false;
        }
    }
    if (second != "folder") {
        // The date: token 5 after a group, 4 without one; the walk's first
        // candidate (UsualCandidate).
        if (plainOwners) {
            date = 5;
        } else {
            if (UsualCandidate(tokens, 3, readable)) return false;
            date = UsualCandidate(tokens, 4, readable) ? 4 : 5;
        }
    }
    std::string_view size = tokens.Found(date - 1);
    std::size_t ownersEnd = date - 1;
    if (mode[0] == 'c' || mode[0] == 'b') {
        // A device: "major, minor" in place of the size, the date after
        // the minor (DateMayFollow finds none after the major), as
        // ReadSizeAndOwners reads them. Other forms take the walk.
        if (date != 5 || !eight || size.back() != ',' ||
            !IsAllDigits(size.substr(0, size.size() - 1)) || DateMayFollow(size) ||
            !EndsInDigit(tokens.Found(5))) {
            return false;
        }
        date = 6;
        size = tokens.Found(5);
        entry.size = -1;
    } else if (!fields::ReadNumber(size, entry.size, readable)) {
        // A group of two tokens ("staff users 512 Jan 15 12:30"): the date
        // follows the next token when DateMayFollow finds none after this one.
        if (date != 5 || !eight || fields::IsDigit(size.front()) || fields::IsDigit(size.back())) {
            return false;
        }
        date = 6;
        size = tokens.Found(5);
        ownersEnd = 5;
        if (!fields::ReadNumber(size, entry.size, readable)) return false;
    }
    Stamp stamp;
    std::string_view name;
    bool narrow;
    const std::string_view first = tokens.Found(date);
    if (fields::IsDigit(first[0])) {
        std::size_t last;
        // Into a stamp of its own, as ReadIntoCopy.
        Stamp matched;
        if (!MatchDate(tokens, date, matched, last, narrow)) return false;
        stamp = matched;
        name = tokens.AfterOneSpace(tokens[last]);
    } else {
        // MatchDate for a date that starts with no digit: month-first.
        const std::string_view day = tokens.Found(date + 1);
        const std::string_view yearOrTime = tokens[date + 2];
        if (!ReadMonthFirst(first, day, yearOrTime, stamp)) return false;
        // "Oct 08, 2002 09:47": the walk reads the time after the year.
        if (day.back() == ',' && stamp.hour < 0) return false;
        narrow = LeftAlignedYear(day, yearOrTime, stamp);
        name = tokens.AfterOneSpace(yearOrTime);
    }
    // The owner and group as ReadOwnerAndGroup reads none to three tokens
    // from token 2 (the last of three is no number: it failed as a size).
    if (ownersEnd > 2) entry.extras.owner = tokens.Found(2);
    if (ownersEnd > 3)
        entry.extras.group = TokenWalker::Span(tokens.Found(3), tokens.Found(ownersEnd - 1));
    // Where the walk's ReadSizeAndOwners marks the size column: only once
    // the line is known to be read here, as the walk reaches it only with a
    // date read.
    state.unixSizeEdge = static_cast<std::size_t>(size.data() + size.size() - line.data());
    kind = Finish(name, narrow, mode[0], stamp, state, today, entry);
    return true;
}

// Every line by the walk: the mode, the first tokens that read as a date
// after a size, then the columns between them. Out of line: most lines are
// read by the usual form, which stays small without it.
FTPDIRLIST_NOINLINE LineKind ReadByWalk(TokenWalker& tokens, ListingState& state, Today& today,
                                        ParsedEntry& entry) {
    const std::string_view mode = tokens[0];
    if (mode.data() == nullptr) return LineKind::none;
    std::size_t modeEnd;
    bool counted = false;
    if (!ReadMode(tokens, entry, modeEnd, counted)) {
        return IsTotalLine(tokens) ? SkipAs(state, ftpdir::SkipReason::total) : LineKind::none;
    }

    // The date: the first tokens that read as one right after a token that
    // ends in a digit or is a size with a unit (the size).
    Stamp stamp;
    std::size_t date = modeEnd + 1;
    std::size_t last = 0;
    bool narrow = false;
    const char* readable = tokens.Readable();
    for (;; ++date) {
        const std::string_view token = tokens[date];
        if (token.data() == nullptr) {
            const LineKind undated = ReadWithoutDate(tokens, modeEnd, counted, mode[0], entry);
            if (undated != LineKind::none || !HasImpossibleDate(tokens, modeEnd)) return undated;
            return SkipAs(state, ftpdir::SkipReason::impossibleDate);
        }
        if (!DateMayFollow(tokens[date - 1])) continue;
        // A shortcut: a build without shortcuts tries every such token.
        if (FTPDIRLIST_SHORTCUTS &&
            NoDateAt<false>(token, tokens[date + 1], tokens[date + 2], readable)) {
            continue;
        }
        stamp = Stamp{};
        if (MatchDate(tokens, date, stamp, last, narrow)) break;
    }

    const char type = mode[0];
    if (!ReadSizeAndOwners(tokens, modeEnd, date, type, counted, state, entry)) {
        return LineKind::none;
    }
    return Finish(tokens.AfterOneSpace(tokens[last]), narrow, type, stamp, state, today, entry);
}

}  // namespace

LineKind ReadUnixLine(std::string_view line, ListingState& state, Today& today,
                      ParsedEntry& entry) {
    // A shortcut: a build without shortcuts reads every line by the walk.
    TokenWalker tokens = TokensFor(line, state);
    LineKind kind;
    if (FTPDIRLIST_SHORTCUTS && ReadUsualForm(tokens, state, today, entry, kind)) return kind;
    return ReadByWalk(tokens, state, today, entry);
}

}  // namespace ext
}  // namespace ftpdirlist
