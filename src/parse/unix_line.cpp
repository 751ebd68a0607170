// Unix-style lines, the form `ls -l` writes:
//   drwxr-xr-x  2 owner group  4096 Jan 15 12:30 name
// and its variants: no group column, extra columns, a one-byte mode token
// followed by a rights token, "folder" as link count, day before month,
// and a year in place of the time.
#include <algorithm>
#include <cstdint>

#include "parse/month_map.h"
#include "parse/parse_line.h"

namespace ftpdirlist {

namespace {

std::string_view TrimPointsAndCommas(std::string_view token) {
    while (!token.empty() && (token.back() == '.' || token.back() == ',')) token.remove_suffix(1);
    return token;
}

// The marks that servers writing types into names (ls -F) append: one
// table lookup instead of three compares.
struct TypeMarks {
    constexpr TypeMarks() {
        for (const char mark : {'*', '/', '|'}) marks[static_cast<unsigned char>(mark)] = true;
    }
    bool marks[256] = {};
};
constexpr TypeMarks kTypeMarks;

// Month tokens come in any mix of ASCII case; bytes of 0x80 and above are
// left alone, so accented capitals are not found.
FTPDIRLIST_ALWAYS_INLINE int LookUpMonth(std::string_view token) {
    const char last = token.empty() ? '\0' : token.back();
    return MonthMapFolded(last == '.' || last == ',' ? TrimPointsAndCommas(token) : token);
}

// Where the hour ends in a time token: the first ":", else the first ".".
std::size_t TimeSeparator(std::string_view token) {
    std::size_t point = std::string_view::npos;
    for (std::size_t i = 0; i < token.size(); ++i) {
        if (token[i] == ':') return i;
        if (token[i] == '.' && point == std::string_view::npos) point = i;
    }
    return point;
}

// The day of the month by the atoi rule (0 when the token is no number).
// One or two digits, the usual form, are read at once.
FTPDIRLIST_ALWAYS_INLINE std::int32_t ReadDay(std::string_view token) {
#if FTPDIRLIST_SHORTCUTS
    if (token.size() == 2) {
        const int day = TwoDigits(token.data());
        if (day >= 0) return day;
    } else if (token.size() == 1 && static_cast<unsigned char>(token[0] - '0') <= 9) {
        return token[0] - '0';
    }
#endif
    return ReadInt32(token);
}

// A clock time: hour and minute by the atoi rule on either side of the first
// ":" (else the first "."); false when the token has neither. hh:mm, the
// usual form, is read at once.
FTPDIRLIST_ALWAYS_INLINE bool ReadClock(std::string_view token, FtpDateTime& dt) {
#if FTPDIRLIST_SHORTCUTS
    if (token.size() == 5 && token[2] == ':') {
        const int hour = TwoDigits(token.data());
        const int minute = hour >= 0 ? TwoDigits(token.data() + 3) : -1;
        if (minute >= 0) {
            dt.hour = hour;
            dt.minute = minute;
            return true;
        }
    }
#endif
    const std::size_t separator = TimeSeparator(token);
    if (separator == std::string_view::npos) return false;
    dt.hour = ReadInt32(token.substr(0, separator));
    dt.minute = ReadInt32(token.substr(separator + 1));
    return true;
}

// A year by the atoi rule; four digits, the usual form, are read at once.
FTPDIRLIST_ALWAYS_INLINE std::int32_t ReadYear(std::string_view token) {
#if FTPDIRLIST_SHORTCUTS
    if (token.size() == 4) {
        const int high = TwoDigits(token.data());
        const int low = high >= 0 ? TwoDigits(token.data() + 2) : -1;
        if (low >= 0) return high * 100 + low;
    }
#endif
    return ReadInt32(token);
}

// The fields from the month on: month and day (in either order), year or
// time, and the name.
FTPDIRLIST_ALWAYS_INLINE int ParseDateAndName(std::string_view monthToken,
                                              std::string_view dayToken,
                                              std::string_view yearOrTime, TokenScanner& tokens,
                                              ParsedEntry& entry, Today& today) {
    std::int32_t day = ReadDay(dayToken);
    if (day == 0) {  // day before month
        std::swap(dayToken, monthToken);
        day = ReadDay(dayToken);
    }

    FtpDateTime& dt = entry.dateTime;
    dt.month = LookUpMonth(monthToken);
    if (dt.month == 0) return 0;
    dt.day = day;

    if (ReadClock(yearOrTime, dt)) {
        dt.hasTime = 1;
        dt.year = calendar::ClassicYearOfTimedEntry(dt.month, dt.day, today.Get());
    } else {
        dt.hasTime = 0;
        dt.year = ReadYear(yearOrTime);
    }
    if (dt.year == 0) return 0;

    std::string_view name = tokens.Rest();
    if (name.data() == nullptr) return 0;
    const char last = name.back();
    if (kTypeMarks.marks[static_cast<unsigned char>(last)]) name.remove_suffix(1);

    entry.name = name;
    dt.hasDate = 1;
    return 1;
}

// From the month token on (the size is read): day, year or time, name.
FTPDIRLIST_ALWAYS_INLINE int ParseFromMonth(TokenScanner& tokens, std::string_view monthToken,
                                            ParsedEntry& entry, Today& today) {
    if (monthToken.data() == nullptr) return 0;
    const std::string_view dayToken = tokens.Next();
    if (dayToken.data() == nullptr) return 0;
    const std::string_view yearOrTime = tokens.Next();
    if (yearOrTime.data() == nullptr) return 0;
    return ParseDateAndName(monthToken, dayToken, yearOrTime, tokens, entry, today);
}

// From the size on. The size is the first all-digit token, unless `held`
// (the group in the standard form) is all digits and the token after it is
// not (a line without a group column).
FTPDIRLIST_ALWAYS_INLINE int ParseFromSize(TokenScanner& tokens, std::string_view held,
                                           ParsedEntry& entry, Today& today) {
    std::string_view current = tokens.Next();
    if (current.data() == nullptr) return 0;
    std::int64_t value = 0;
    if (ReadDigits(current, value, tokens.Readable())) {
        entry.size = value;
        return ParseFromMonth(tokens, tokens.Next(), entry, today);
    }
    if (IsAllDigits(held)) {
        entry.size = ReadInt64(held);
        return ParseFromMonth(tokens, current, entry, today);
    }
    // Extra columns before the size.
    do {
        current = tokens.Next();
        if (current.data() == nullptr) return 0;
    } while (!ReadDigits(current, value, tokens.Readable()));
    entry.size = value;
    return ParseFromMonth(tokens, tokens.Next(), entry, today);
}

// The columns after the mode (and after the rights token that a one-byte
// mode has, `joined`): the one walk that finds where each column lies.
FTPDIRLIST_ALWAYS_INLINE int ParseColumns(TokenScanner& tokens, bool joined, ParsedEntry& entry,
                                          Today& today) {
    if (!joined) {
        // Link count and owner; some servers write "folder" as the link
        // count and leave out owner and group.
        const std::string_view links = tokens.Next();
        if (links.data() == nullptr) return 0;
        if (links == "folder") return ParseFromSize(tokens, {}, entry, today);
        if (tokens.Next().data() == nullptr) return 0;
    }
    const std::string_view held = tokens.Next();
    if (held.data() == nullptr) return 0;
    return ParseFromSize(tokens, held, entry, today);
}

}  // namespace

int ParseUnixTokens(std::string_view mode, TokenScanner& tokens, ParsedEntry& entry, Today& today) {
    entry.attributes = mode;
    bool joined = false;
    if (mode.size() == 1) {
        const std::string_view rights = tokens.Next();
        if (rights.data() == nullptr) return 0;
        entry.attributesScratch.assign(mode.data(), mode.size());
        entry.attributesScratch.push_back(' ');
        entry.attributesScratch.append(rights.data(), rights.size());
        entry.attributes = entry.attributesScratch;
        joined = true;
    }

    const char type = entry.attributes[0];
    entry.isDir = (type == 'd' || type == 'l') ? 1 : 0;
    entry.isLink = (type == 'l') ? 1 : 0;

    // A copy of the scanner that can live in registers through the walk.
    TokenScanner local = tokens;
#if FTPDIRLIST_SHORTCUTS
    if (!joined) {
        // The usual form, link count to year or time in the window: the bit
        // masks give the seven columns at once, and when the link count is
        // no "folder" and the fourth column is all digits, the walk in
        // ParseColumns would find these same columns.
        TokenScanner usual = local;
        std::string_view t[7];
        std::int64_t size;
        if (usual.TakeInWindow(t) && t[0] != "folder" && ReadDigits(t[3], size, usual.Readable())) {
            entry.size = size;
            return ParseDateAndName(t[4], t[5], t[6], usual, entry, today);
        }
    }
#endif
    return ParseColumns(local, joined, entry, today);
}

}  // namespace ftpdirlist
