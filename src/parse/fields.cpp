#include "parse/fields.h"

#include <limits>

#include "parse/month_names.h"

namespace ftpdirlist {
namespace fields {

namespace {

constexpr std::int64_t kInt64Max = std::numeric_limits<std::int64_t>::max();
constexpr std::int32_t kInt32Max = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kInt32Min = std::numeric_limits<std::int32_t>::min();

unsigned DigitOf(char ch) { return static_cast<unsigned char>(ch - '0'); }

// The value of a hexadecimal digit (letters in either case); 16 or more
// for a byte that is no digit.
unsigned HexDigitOf(char ch) {
    if (ch >= 'a' && ch <= 'f') return static_cast<unsigned>(ch - 'a') + 10;
    if (ch >= 'A' && ch <= 'F') return static_cast<unsigned>(ch - 'A') + 10;
    const unsigned d = DigitOf(ch);
    return d <= 9 ? d : 16;
}

// Digits in base `base` (8, 10 or 16) to a value that fits in int64.
bool ReadInBase(std::string_view text, unsigned base, std::int64_t& value) {
    if (text.empty()) return false;
    std::int64_t v = 0;
    for (const char ch : text) {
        // `base` is a constant where this is inlined: decimal digits cost no
        // letter test.
        const unsigned d = base == 16 ? HexDigitOf(ch) : DigitOf(ch);
        if (d >= base) return false;
        if (v > (kInt64Max - d) / base) return false;
        v = v * base + d;
    }
    value = v;
    return true;
}

// Days from 1970-01-01 to year/month/day of the proleptic Gregorian
// calendar; any int32 year fits the int64 arithmetic. A day past the
// month's end counts on into the next month.
std::int64_t DaysFromCivil(std::int64_t year, std::int64_t month, std::int64_t day) {
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const std::int64_t yearOfEra = year - era * 400;
    const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

// The inverse of DaysFromCivil for |days| below about 10^15.
void CivilFromDays(std::int64_t days, std::int64_t& year, std::int32_t& month, std::int32_t& day) {
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t dayOfEra = days - era * 146097;
    const std::int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t mp = (5 * dayOfYear + 2) / 153;
    day = static_cast<std::int32_t>(dayOfYear - (153 * mp + 2) / 5 + 1);
    month = static_cast<std::int32_t>(mp < 10 ? mp + 3 : mp - 9);
    year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
}

// Splits "a<sep>b<sep>c" with one separator byte from `separators` used
// twice. The parts may be empty; the readers reject that.
bool SplitThree(std::string_view text, std::string_view separators, std::string_view parts[3]) {
    std::size_t first = std::string_view::npos;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (separators.find(text[i]) != std::string_view::npos) {
            first = i;
            break;
        }
    }
    if (first == std::string_view::npos) return false;
    const std::size_t second = text.find(text[first], first + 1);
    if (second == std::string_view::npos) return false;
    parts[0] = text.substr(0, first);
    parts[1] = text.substr(first + 1, second - first - 1);
    parts[2] = text.substr(second + 1);
    return true;
}

// A number of 1 to `maxDigits` digits.
bool ReadShortField(std::string_view text, std::size_t maxDigits, std::int32_t& value) {
    return text.size() <= maxDigits && ReadNumber32(text, value);
}

// "." and one or more digits.
bool IsFraction(std::string_view text) {
    return text.size() > 1 && text[0] == '.' && IsAllDigits(text.substr(1));
}

// Exactly two digits.
bool ReadTwo(std::string_view text, std::int32_t& value) {
    return text.size() == 2 && ReadNumber32(text, value);
}

}  // namespace

bool ReadNumber(std::string_view text, std::int64_t& value) { return ReadInBase(text, 10, value); }

bool ReadNumber32(std::string_view text, std::int32_t& value) {
    std::int64_t v;
    if (text.size() > 10 || !ReadNumber(text, v) || v > kInt32Max) return false;
    value = static_cast<std::int32_t>(v);
    return true;
}

bool ReadGroupedNumber(std::string_view text, std::int64_t& value) {
    std::size_t at = 0;
    while (at < text.size() && text[at] != ',' && text[at] != '.') ++at;
    if (at == text.size()) return ReadNumber(text, value);
    if (at == 0 || at > 3) return false;
    const char separator = text[at];
    std::int64_t v;
    if (!ReadNumber(text.substr(0, at), v)) return false;
    for (; at < text.size(); at += 4) {
        std::int64_t group;
        if (text[at] != separator || text.size() - at < 4 ||
            !ReadNumber(text.substr(at + 1, 3), group)) {
            return false;
        }
        if (v > (kInt64Max - group) / 1000) return false;
        v = v * 1000 + group;
    }
    value = v;
    return true;
}

bool ReadOctal(std::string_view text, std::int64_t& value) { return ReadInBase(text, 8, value); }

bool ReadHex(std::string_view text, std::int64_t& value) { return ReadInBase(text, 16, value); }

int DaysInMonth(std::int32_t month) {
    static constexpr std::uint8_t kDays[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month >= 1 && month <= 12 ? kDays[month - 1] : 0;
}

bool ValidDate(std::int32_t month, std::int32_t day) {
    return day >= 1 && day <= DaysInMonth(month);
}

bool ValidClock(std::int32_t hour, std::int32_t minute, std::int32_t second) {
    return hour >= 0 && hour <= 23 && minute >= 0 && minute <= 59 &&
           (second == -1 || (second >= 0 && second <= 60));
}

bool IsLeapYear(std::int32_t year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

std::int32_t WidenYear(std::int32_t year, std::size_t digits) {
    if (digits <= 2) return year < 70 ? 2000 + year : 1900 + year;
    if (digits == 3) return 1900 + year;
    return year;
}

std::int32_t NearestYear(std::int32_t month, std::int32_t day, const LocalDate& today) {
    const std::int64_t now = DaysFromCivil(today.year, today.month, today.day);
    std::int64_t best = today.year;
    std::int64_t bestDistance = -1;
    for (std::int64_t year = std::int64_t{today.year} - 1; year <= std::int64_t{today.year} + 1;
         ++year) {
        std::int64_t distance = DaysFromCivil(year, month, day) - now;
        if (distance < 0) distance = -distance;
        // Ties go to the earlier year: listings show more of the past.
        if (bestDistance < 0 || distance < bestDistance) {
            best = year;
            bestDistance = distance;
        }
    }
    if (best > kInt32Max) return kInt32Max;
    if (best < kInt32Min) return kInt32Min;
    return static_cast<std::int32_t>(best);
}

bool ReadClock(std::string_view text, Stamp& stamp, bool dot) {
    std::size_t at = 0;
    while (at < text.size() && text[at] != ':' && !(dot && text[at] == '.')) ++at;
    if (at == 0 || at > 2 || at == text.size()) return false;
    const char separator = text[at];
    std::int32_t hour;
    std::int32_t minute;
    std::int32_t second = -1;
    if (!ReadNumber32(text.substr(0, at), hour) || !ReadTwo(text.substr(at + 1, 2), minute)) {
        return false;
    }
    std::string_view rest = text.substr(at + 3);
    if (!rest.empty()) {
        if (rest[0] != separator || !ReadTwo(rest.substr(1, 2), second)) return false;
        rest = rest.substr(3);
        // A fraction of a second is dropped.
        if (!rest.empty() && (separator != ':' || !IsFraction(rest))) return false;
    }
    const bool midnight = hour == 24 && minute == 0 && second <= 0;
    if (!midnight && !ValidClock(hour, minute, second)) return false;
    stamp.hour = hour;
    stamp.minute = minute;
    stamp.second = second;
    return true;
}

bool RollMidnight(Stamp& stamp) {
    if (stamp.hour != 24) return true;
    if (stamp.year < 0 || stamp.year == kInt32Max || !ValidDate(stamp.month, stamp.day)) {
        return false;
    }
    stamp.hour = 0;
    int length = DaysInMonth(stamp.month);
    if (stamp.month == 2 && !IsLeapYear(stamp.year)) length = 28;
    if (stamp.day < length) {
        ++stamp.day;
    } else if (stamp.month < 12) {
        stamp.day = 1;
        ++stamp.month;
    } else {
        stamp.day = 1;
        stamp.month = 1;
        ++stamp.year;
    }
    return true;
}

bool ApplyMeridiem(std::string_view suffix, Stamp& stamp, bool shortForm) {
    bool pm;
    if (EqualsFolded(suffix, "am") || (shortForm && EqualsFolded(suffix, "a"))) {
        pm = false;
    } else if (EqualsFolded(suffix, "pm") || (shortForm && EqualsFolded(suffix, "p"))) {
        pm = true;
    } else {
        return false;
    }
    if (stamp.hour < 1 || stamp.hour > 12) return false;
    if (stamp.hour == 12) stamp.hour = 0;
    if (pm) stamp.hour += 12;
    return true;
}

bool ReadNumericDate(std::string_view text, DateOrder order, std::string_view separators,
                     Stamp& stamp) {
    std::string_view parts[3];
    if (!SplitThree(text, separators, parts)) return false;
    if (order == DateOrder::mdyOrDmy) {
        std::int32_t first;
        if (!ReadShortField(parts[0], 2, first)) return false;
        order = first > 12 ? DateOrder::dmy : DateOrder::mdy;
    }
    std::string_view year = parts[2];
    std::string_view month = parts[0];
    std::string_view day = parts[1];
    if (order == DateOrder::ymd) {
        year = parts[0];
        month = parts[1];
        day = parts[2];
    } else if (order == DateOrder::dmy) {
        month = parts[1];
        day = parts[0];
    }
    std::int32_t y;
    std::int32_t m;
    std::int32_t d;
    if (!ReadShortField(year, 4, y) || !ReadShortField(month, 2, m) || !ReadShortField(day, 2, d) ||
        !ValidDate(m, d)) {
        return false;
    }
    stamp.year = WidenYear(y, year.size());
    stamp.month = m;
    stamp.day = d;
    return true;
}

bool ReadMonthDay(std::string_view text, std::string_view separators, Stamp& stamp, bool dayFirst) {
    std::size_t at = 0;
    while (at < text.size() && separators.find(text[at]) == std::string_view::npos) ++at;
    if (at == text.size()) return false;
    std::int32_t m;
    std::int32_t d;
    if (!ReadShortField(text.substr(0, at), 2, dayFirst ? d : m) ||
        !ReadShortField(text.substr(at + 1), 2, dayFirst ? m : d) || !ValidDate(m, d)) {
        return false;
    }
    stamp.month = m;
    stamp.day = d;
    return true;
}

bool ReadDayMonthNameYear(std::string_view text, char separator, Stamp& stamp) {
    std::string_view parts[3];
    const char separators[1] = {separator};
    if (!SplitThree(text, std::string_view(separators, 1), parts)) return false;
    std::int32_t d;
    std::int32_t y;
    if (!ReadShortField(parts[0], 2, d) || (parts[2].size() != 2 && parts[2].size() != 4) ||
        !ReadNumber32(parts[2], y)) {
        return false;
    }
    // Numbers are month names of the table too, but not of this form.
    const int m = IsAllDigits(parts[1]) ? 0 : LookupMonthName(parts[1]).month;
    if (!ValidDate(m, d)) return false;
    stamp.year = WidenYear(y, parts[2].size());
    stamp.month = m;
    stamp.day = d;
    return true;
}

bool ReadCompactStamp(std::string_view text, Stamp& stamp) {
    if (text.size() < 14) return false;
    if (text.size() > 14 && !IsFraction(text.substr(14))) return false;
    std::int32_t parts[6];
    static constexpr std::size_t kStart[6] = {0, 4, 6, 8, 10, 12};
    for (int i = 0; i < 6; ++i) {
        const std::size_t width = i == 0 ? 4 : 2;
        if (!ReadNumber32(text.substr(kStart[i], width), parts[i])) return false;
    }
    if (!ValidDate(parts[1], parts[2]) || !ValidClock(parts[3], parts[4], parts[5])) return false;
    stamp = {parts[0], parts[1], parts[2], parts[3], parts[4], parts[5]};
    return true;
}

bool FromUnixSeconds(std::int64_t seconds, Stamp& stamp) {
    std::int64_t days = seconds / 86400;
    std::int64_t rest = seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    std::int64_t year;
    std::int32_t month;
    std::int32_t day;
    CivilFromDays(days, year, month, day);
    if (year > kInt32Max || year < kInt32Min) return false;
    stamp.year = static_cast<std::int32_t>(year);
    stamp.month = month;
    stamp.day = day;
    stamp.hour = static_cast<std::int32_t>(rest / 3600);
    stamp.minute = static_cast<std::int32_t>(rest / 60 % 60);
    stamp.second = static_cast<std::int32_t>(rest % 60);
    return true;
}

namespace {

// The year and day markers, each as its encodings' bytes (months with
// their marker are month names: LookupMonthName).
struct MarkerBytes {
    Marker marker;
    std::string_view bytes;
};

constexpr MarkerBytes kMarkers[] = {
    {Marker::year, "\xE5\xB9\xB4"},  // 年, UTF-8
    {Marker::day, "\xE6\x97\xA5"},   // 日, UTF-8
    {Marker::year, "\xEB\x85\x84"},  // 년, UTF-8
    {Marker::day, "\xEC\x9D\xBC"},   // 일, UTF-8
    {Marker::year, "\xC7\xAF"},      // 年, EUC-JP
    {Marker::day, "\xC6\xFC"},       // 日, EUC-JP
    {Marker::year, "\x94\x4E"},      // 年, Shift_JIS
    {Marker::day, "\x93\xFA"},       // 日, Shift_JIS
    {Marker::year, "\xC4\xEA"},      // 年, GBK
    {Marker::day, "\xC8\xD5"},       // 日, GBK
    {Marker::year, "\xB3\xE2"},      // 년, EUC-KR
    {Marker::day, "\xC0\xCF"},       // 일, EUC-KR
    {Marker::year, "\xA6\x7E"},      // 年, Big5
    {Marker::day, "\xA4\xE9"},       // 日, Big5
};

}  // namespace

bool ReadMarkedNumber(std::string_view text, std::int32_t& value, Marker& marker) {
    std::size_t digits = 0;
    while (digits < text.size() && DigitOf(text[digits]) <= 9) ++digits;
    if (digits == 0 || !ReadNumber32(text.substr(0, digits), value)) return false;
    const std::string_view tail = text.substr(digits);
    if (tail.empty()) {
        marker = Marker::none;
        return true;
    }
    for (const MarkerBytes& m : kMarkers) {
        if (tail == m.bytes) {
            marker = m.marker;
            return true;
        }
    }
    return false;
}

bool EqualsFolded(std::string_view text, std::string_view lower) {
    if (text.size() != lower.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char ch = text[i];
        if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
        if (ch != lower[i]) return false;
    }
    return true;
}

}  // namespace fields
}  // namespace ftpdirlist
