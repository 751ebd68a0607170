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

// Month tokens come in any mix of ASCII case; bytes of 0x80 and above are
// left alone, so accented capitals are not found.
int LookUpMonth(std::string_view token) {
    const char last = token.empty() ? '\0' : token.back();
    return MonthMapFolded(last == '.' || last == ',' ? TrimPointsAndCommas(token) : token);
}

// ReadDigits(token, value, end) for a token of up to 16 bytes followed by
// more of its line, without a call.
FTPDIRLIST_ALWAYS_INLINE bool ReadUsualSize(std::string_view token, const char* end,
                                            std::int64_t& value) {
    const std::size_t n = token.size();
    if (n <= 8 && end - token.data() >= 8) {
        value = EightDigits(token.data(), n);
        return value >= 0;
    }
    return ReadDigits(token, value, end);
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

// The year of an entry that gives a time: this year, unless the date lies
// more than one day after today, then last year. Months count as 31 days.
FTPDIRLIST_ALWAYS_INLINE std::int32_t YearOfTimedEntry(std::int32_t month, std::int32_t day,
                                                       Today& today) {
    const LocalDate now = today.Get();
    const std::int64_t entry = static_cast<std::int64_t>(month) * 31 + day;
    const std::int64_t limit = static_cast<std::int64_t>(now.month) * 31 + now.day + 1;
    return entry > limit ? now.year - 1 : now.year;
}

}  // namespace

namespace {

// The fields from the month on, shared by the usual form and the general
// walk: month and day (in either order), year or time, and the name.
FTPDIRLIST_ALWAYS_INLINE int ParseDateAndName(std::string_view monthToken,
                                              std::string_view dayToken,
                                              std::string_view yearOrTime, TokenScanner& tokens,
                                              ParsedEntry& entry, Today& today) {
    // A day of one or two digits, the usual form, is read at once.
    std::int32_t day = -1;
    if (dayToken.size() == 2) {
        day = TwoDigits(dayToken.data());
    } else if (dayToken.size() == 1 && static_cast<unsigned char>(dayToken[0] - '0') <= 9) {
        day = dayToken[0] - '0';
    }
    if (day <= 0) {
        dayToken = TrimPointsAndCommas(dayToken);
        day = ReadInt32(dayToken);
        if (day == 0) {  // day before month
            std::swap(dayToken, monthToken);
            day = ReadInt32(dayToken);
        }
    }

    FtpDateTime& dt = entry.dateTime;
    dt.month = LookUpMonth(monthToken);
    if (dt.month == 0) return 0;
    dt.day = day;

    const int hour =
        yearOrTime.size() == 5 && yearOrTime[2] == ':' ? TwoDigits(&yearOrTime[0]) : -1;
    const int minute = hour >= 0 ? TwoDigits(&yearOrTime[3]) : -1;
    if (minute >= 0) {
        // hh:mm, the usual form, read at once.
        dt.hour = hour;
        dt.minute = minute;
        dt.hasTime = 1;
        dt.year = YearOfTimedEntry(dt.month, dt.day, today);
    } else if (const std::size_t separator = TimeSeparator(yearOrTime);
               separator != std::string_view::npos) {
        dt.hour = ReadInt32(yearOrTime.substr(0, separator));
        dt.minute = ReadInt32(yearOrTime.substr(separator + 1));
        dt.hasTime = 1;
        dt.year = YearOfTimedEntry(dt.month, dt.day, today);
    } else {
        dt.hasTime = 0;
        // A four-digit year, the usual form, is read at once.
        const int high = yearOrTime.size() == 4 ? TwoDigits(yearOrTime.data()) : -1;
        const int low = high >= 0 ? TwoDigits(yearOrTime.data() + 2) : -1;
        dt.year = low >= 0 ? high * 100 + low : ReadInt32(yearOrTime);
    }
    if (dt.year == 0) return 0;

    std::string_view name = tokens.Rest();
    if (name.data() == nullptr) return 0;
    // Servers that mark types in the name (ls -F) append one of these.
    const char last = name.back();
    if (last == '*' || last == '/' || last == '|') name.remove_suffix(1);

    entry.name = name;
    dt.hasDate = 1;
    return 1;
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

    if (!joined) {
        // The usual form, links owner group size month day time-or-year
        // name, taken from one window at once. It gives what the walk below
        // gives whenever the links are not "folder" and the fourth of these
        // tokens is all digits: then that token is the size whatever the
        // group is.
        TokenScanner::Spans<7> t;
        if (tokens.PeekInWindow(t)) {
            const std::string_view links = tokens.View(t, 0);
            const std::string_view size = tokens.View(t, 3);
            std::int64_t value;
            if (links != "folder" && ReadUsualSize(size, tokens.End(), value)) {
                tokens.Take(t);
                entry.size = value;
                return ParseDateAndName(tokens.View(t, 4), tokens.View(t, 5), tokens.View(t, 6),
                                        tokens, entry, today);
            }
        }
    }

    // Link count and owner; some servers write "folder" as the link count
    // and leave out owner and group.
    bool folder = false;
    if (!joined) {
        const std::string_view links = tokens.Next();
        if (links.data() == nullptr) return 0;
        if (links == "folder") {
            folder = true;
        } else if (tokens.Next().data() == nullptr) {
            return 0;
        }
    }

    std::string_view held;  // the group in the standard form
    if (!folder) {
        held = tokens.Next();
        if (held.data() == nullptr) return 0;
    }

    // The size is the first all-digit token, unless the held token is all
    // digits and nothing after it is (a line without a group column).
    std::string_view current = tokens.Next();
    if (current.data() == nullptr) return 0;
    std::int64_t currentValue = 0;
    bool currentIsNumber = ReadDigits(current, currentValue, tokens.End());
    if (!currentIsNumber && !IsAllDigits(held)) {
        while (!currentIsNumber) {
            current = tokens.Next();
            if (current.data() == nullptr) return 0;
            currentIsNumber = ReadDigits(current, currentValue, tokens.End());
        }
    }

    std::string_view monthToken;
    if (currentIsNumber) {
        entry.size = currentValue;
        monthToken = tokens.Next();
        if (monthToken.data() == nullptr) return 0;
    } else {
        entry.size = ReadInt64(held);
        monthToken = current;
    }

    const std::string_view dayToken = tokens.Next();
    if (dayToken.data() == nullptr) return 0;
    const std::string_view yearOrTime = tokens.Next();
    if (yearOrTime.data() == nullptr) return 0;
    return ParseDateAndName(monthToken, dayToken, yearOrTime, tokens, entry, today);
}

}  // namespace ftpdirlist
