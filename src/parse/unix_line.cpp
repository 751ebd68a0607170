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
int LookUpMonth(std::string_view token) { return MonthMapFolded(TrimPointsAndCommas(token)); }

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
std::int32_t YearOfTimedEntry(std::int32_t month, std::int32_t day, Today& today) {
    const LocalDate now = today.Get();
    const std::int64_t entry = static_cast<std::int64_t>(month) * 31 + day;
    const std::int64_t limit = static_cast<std::int64_t>(now.month) * 31 + now.day + 1;
    return entry > limit ? now.year - 1 : now.year;
}

}  // namespace

int ParseUnixTokens(std::string_view mode, TokenScanner& tokens, ParsedEntry& entry,
                    Today& today) {
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
    if (!IsAllDigits(held)) {
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

    std::string_view dayToken = tokens.Next();
    if (dayToken.data() == nullptr) return 0;
    dayToken = TrimPointsAndCommas(dayToken);
    std::int32_t day = ReadInt32(dayToken);
    if (day == 0) {  // day before month
        std::swap(dayToken, monthToken);
        day = ReadInt32(dayToken);
    }

    const std::string_view yearOrTime = tokens.Next();
    if (yearOrTime.data() == nullptr) return 0;

    FtpDateTime& dt = entry.dateTime;
    dt.month = LookUpMonth(monthToken);
    if (dt.month == 0) return 0;
    dt.day = day;

    const int hour = yearOrTime.size() == 5 && yearOrTime[2] == ':' ? TwoDigits(&yearOrTime[0]) : -1;
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
        dt.year = ReadInt32(yearOrTime);
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

}  // namespace ftpdirlist
