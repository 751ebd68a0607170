#include "fields/fields.h"

#include <limits>

#include "fields/month_names.h"

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
    if (IsDigit(ch)) return DigitOf(ch);
    return IsHexDigit(ch) ? static_cast<unsigned>(ToLower(ch) - 'a') + 10 : 16;
}

// Digits in base `base` (8, 10 or 16) to a value that fits in int64.
bool ReadInBase(std::string_view text, unsigned base, std::int64_t& value) {
    if (text.empty()) return false;
    // Up to 18 decimal, 20 octal or 15 hexadecimal digits cannot overflow: no test (and no
    // division) per digit for them.
    const bool mayOverflow = text.size() > (base == 10 ? 18u : base == 8 ? 20u : 15u);
    std::int64_t v = 0;
    for (const char ch : text) {
        // `base` is a constant where this is inlined: decimal digits cost no
        // letter test.
        const unsigned d = base == 16 ? HexDigitOf(ch) : DigitOf(ch);
        if (d >= base) return false;
        if (mayOverflow && v > (kInt64Max - d) / base) return false;
        v = v * base + d;
    }
    value = v;
    return true;
}

// Year, month and day of `days` after 1970-01-01 in the proleptic
// Gregorian calendar, for |days| below about 10^15.
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

// Index of the first byte of `text` at or after `from` that is no digit,
// or text.size().
std::size_t SkipDigits(std::string_view text, std::size_t from) {
    while (from < text.size() && DigitOf(text[from]) <= 9) ++from;
    return from;
}

// Splits "a<sep>b<sep>c", `a` of digits, with one separator byte from
// `separators` used twice. The parts may be empty or hold other bytes; the
// readers reject that.
bool SplitThree(std::string_view text, std::string_view separators, std::string_view parts[3]) {
    const std::size_t first = SkipDigits(text, 0);
    if (first == text.size() || !numeric_date::IsSeparator(text[first], separators)) return false;
    std::size_t second = first + 1;
    while (second < text.size() && text[second] != text[first]) ++second;
    if (second == text.size()) return false;
    parts[0] = text.substr(0, first);
    parts[1] = text.substr(first + 1, second - first - 1);
    parts[2] = text.substr(second + 1);
    return true;
}

// A number of 1 to `maxDigits` digits.
bool ReadShortField(std::string_view text, std::size_t maxDigits, std::int32_t& value) {
    return text.size() <= maxDigits && ReadNumber32(text, value);
}

// Exactly two digits.
bool ReadTwo(std::string_view text, std::int32_t& value) {
    return text.size() == 2 && ReadNumber32(text, value);
}

}  // namespace

bool ReadLongNumber(std::string_view text, std::int64_t& value) {
    return ReadInBase(text, 10, value);
}

bool ReadOtherGroupedNumber(std::string_view text, std::int64_t& value) {
    if (ReadNumber(text, value)) return true;
    std::size_t at = SkipDigits(text, 0);
    if (at == text.size()) return false;  // too large
    if (text[at] != ',' && text[at] != '.') return false;
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

bool ReadOtherClock(std::string_view text, Stamp& stamp, bool dot) {
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

bool ReadUnpaddedClock(std::string_view text, Stamp& stamp) {
    const std::size_t at = text.size() - 2;
    if (text.size() < 3 || text.size() > 4 || text[at] != ':' || !IsDigit(text.back())) {
        return false;
    }
    std::int32_t hour;
    if (!ReadNumber32(text.substr(0, at), hour) || hour > 23) return false;
    stamp.hour = hour;
    stamp.minute = text.back() - '0';
    stamp.second = -1;
    return true;
}

bool RollMidnight(Stamp& stamp) {
    if (stamp.hour != 24) return true;
    if (stamp.year < 0 || stamp.year > calendar::kMaxYear || !ValidDate(stamp.month, stamp.day)) {
        return false;
    }
    const int length = calendar::DaysInMonth(stamp.year, stamp.month);
    if (stamp.year == calendar::kMaxYear && stamp.month == 12 && stamp.day == length) return false;
    stamp.hour = 0;
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

namespace {

// The three numbers of a numeric date and their widths in digits: a number
// ends at its first non-digit (after at most four digits), which must be
// the same separator, one of `separators`, both times.
bool ReadThreeNumbers(std::string_view text, std::string_view separators,
                      std::int32_t (&numbers)[3], std::size_t (&widths)[3]) {
    std::size_t at = 0;
    char separator = '\0';
    for (int k = 0; k < 3; ++k) {
        const std::size_t begin = at;
        std::int32_t v = 0;
        for (; at < text.size() && at - begin < 4; ++at) {
            const unsigned d = DigitOf(text[at]);
            if (d > 9) break;
            v = v * 10 + static_cast<std::int32_t>(d);
        }
        widths[k] = at - begin;
        numbers[k] = v;
        if (widths[k] == 0) return false;
        if (k == 2) break;
        if (at == text.size()) return false;
        if (k == 0) {
            separator = text[at];
            if (!numeric_date::IsSeparator(separator, separators)) return false;
        } else if (text[at] != separator) {
            return false;
        }
        ++at;
    }
    return at == text.size();
}

}  // namespace

bool ReadOtherNumericDate(std::string_view text, DateOrder order, std::string_view separators,
                          Stamp& stamp) {
    std::int32_t numbers[3] = {0, 0, 0};
    std::size_t widths[3] = {0, 0, 0};
    return ReadThreeNumbers(text, separators, numbers, widths) &&
           numeric_date::Store(numbers, widths, order, stamp);
}

bool NumericDateShape(std::string_view text, std::string_view separators) {
    std::int32_t numbers[3];
    std::size_t widths[3];
    return ReadThreeNumbers(text, separators, numbers, widths);
}

bool ClockShape(std::string_view text) {
    const std::size_t at = SkipDigits(text, 0);
    if (at == 0 || at > 2 || at == text.size() || text[at] != ':') return false;
    const std::size_t end = SkipDigits(text, at + 1);
    if (end != at + 3) return false;
    if (end == text.size()) return true;
    if (text[end] != ':' || SkipDigits(text, end + 1) != end + 3) return false;
    return end + 3 == text.size() || IsFraction(text.substr(end + 3));
}

bool ReadMonthDay(std::string_view text, std::string_view separators, Stamp& stamp, bool dayFirst) {
    const std::size_t at = SkipDigits(text, 0);
    if (at == text.size() || !numeric_date::IsSeparator(text[at], separators)) return false;
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

namespace {

// A date's day, month name and year, already split: validated and stored.
// Its numbers and month name read, unchecked against the calendar: a day
// of one or two digits, a month name of the table, a year of two or four.
FTPDIRLIST_ALWAYS_INLINE bool ReadNamedDateParts(std::string_view day, std::string_view month,
                                                 std::string_view year, std::int32_t& d, int& m,
                                                 std::int32_t& y) {
    if (!ReadShortField(day, 2, d) || (year.size() != 2 && year.size() != 4) ||
        !ReadNumber32(year, y)) {
        return false;
    }
    // Numbers are month names of the table too, but not of these forms.
    m = IsAllDigits(month) ? 0 : LookupMonthName(month).month;
    return m != 0;
}

bool StoreNamedDate(std::string_view day, std::string_view month, std::string_view year,
                    Stamp& stamp) {
    std::int32_t d;
    std::int32_t y;
    int m;
    if (!ReadNamedDateParts(day, month, year, d, m, y) || !ValidDate(m, d)) return false;
    stamp.year = WidenYear(y, year.size());
    stamp.month = m;
    stamp.day = d;
    return true;
}

}  // namespace

bool ReadOtherDayMonthNameYear(std::string_view text, char separator, Stamp& stamp) {
    std::string_view parts[3];
    const std::size_t n = text.size();
    if ((n == 10 || n == 11) && text[n - 5] == separator && text[n - 9] == separator) {
        // "d-MMM-yyyy" and "dd-MMM-yyyy", the usual forms: the parts lie
        // at known places.
        parts[0] = text.substr(0, n - 9);
        parts[1] = text.substr(n - 8, 3);
        parts[2] = text.substr(n - 4);
    } else {
        const char separators[1] = {separator};
        if (!SplitThree(text, std::string_view(separators, 1), parts)) return false;
    }
    return StoreNamedDate(parts[0], parts[1], parts[2], stamp);
}

bool NamedDateShape(std::string_view text, char separator) {
    std::string_view parts[3];
    const char separators[1] = {separator};
    std::int32_t d;
    std::int32_t y;
    int m;
    return SplitThree(text, std::string_view(separators, 1), parts) &&
           ReadNamedDateParts(parts[0], parts[1], parts[2], d, m, y);
}

bool ReadMonthNameDayYear(std::string_view text, char separator, Stamp& stamp) {
    const std::size_t first = text.find(separator);
    if (first == std::string_view::npos) return false;
    const std::size_t second = text.find(separator, first + 1);
    if (second == std::string_view::npos) return false;
    return StoreNamedDate(text.substr(first + 1, second - first - 1), text.substr(0, first),
                          text.substr(second + 1), stamp);
}

bool ReadCompactStamp(std::string_view text, Stamp& stamp) {
    if (text.size() < 14) return false;
    if (text.size() > 14 && !IsFraction(text.substr(14))) return false;
    // Seven pairs of digits; TwoDigits gives -1 for a pair that is not.
    const char* p = text.data();
    const int century = TwoDigits(p);
    const int year = TwoDigits(p + 2);
    const int month = TwoDigits(p + 4);
    const int day = TwoDigits(p + 6);
    const int hour = TwoDigits(p + 8);
    const int minute = TwoDigits(p + 10);
    const int second = TwoDigits(p + 12);
    if ((century | year | month | day | hour | minute | second) < 0 || !ValidDate(month, day) ||
        !ValidClock(hour, minute, second)) {
        return false;
    }
    stamp = {century * 100 + year, month, day, hour, minute, second};
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
    marker = Marker::none;
    if (ReadNumber32(text, value)) return true;
    std::size_t digits = 0;
    while (digits < text.size() && DigitOf(text[digits]) <= 9) ++digits;
    if (digits == 0 || !ReadNumber32(text.substr(0, digits), value)) return false;
    const std::string_view tail = text.substr(digits);
    for (const MarkerBytes& m : kMarkers) {
        if (tail == m.bytes) {
            marker = m.marker;
            return true;
        }
    }
    return false;
}

}  // namespace fields
}  // namespace ftpdirlist
