// VMS-style lines:
//   README.TXT;3  2  12-JAN-2002 10:30:45  [SYSTEM]  (RWED,RWED,RE,)
// The version suffix stays on the name; the entry list keeps the highest
// version of each file.
#include "parse/month_map.h"
#include "parse/parse_line.h"

namespace ftpdirlist {

namespace {

constexpr std::string_view kDirSuffix = ".DIR";

// string_view::find without a call: the separators sought sit within the
// first few bytes of short tokens.
std::size_t FindFrom(std::string_view token, char ch, std::size_t from) {
    for (std::size_t i = from; i < token.size(); ++i) {
        if (token[i] == ch) return i;
    }
    return std::string_view::npos;
}

// Index of the first `separator` in `token` (npos when there is none) and,
// when there is one, the value of what precedes it by the atoi rule.
std::size_t LeadingField(std::string_view token, char separator, std::int32_t& value) {
    const std::size_t at = FindFrom(token, separator, 0);
    if (at != std::string_view::npos) value = ReadInt32(token.substr(0, at));
    return at;
}

// The date, day-MONTH-year: the day and year by the atoi rule, the month a
// key of MonthMap. dd-MMM-yyyy, the usual form, is read at once: a month
// found in the three bytes after the first "-" holds no "-" (no key does),
// so the second "-" is the one after it, as the walk finds.
FTPDIRLIST_ALWAYS_INLINE bool ReadVmsDate(std::string_view date, FtpDateTime& dt) {
#if FTPDIRLIST_SHORTCUTS
    if (date.size() == 11 && date[2] == '-' && date[6] == '-') {
        const int day = TwoDigits(date.data());
        const int month = day >= 0 ? MonthMap(date.substr(3, 3)) : 0;
        const int high = month != 0 ? TwoDigits(date.data() + 7) : -1;
        const int low = high >= 0 ? TwoDigits(date.data() + 9) : -1;
        if (low >= 0) {
            dt.day = day;
            dt.month = month;
            dt.year = high * 100 + low;
            return true;
        }
    }
#endif
    const std::size_t dash1 = LeadingField(date, '-', dt.day);
    if (dash1 == std::string_view::npos) return false;
    const std::size_t dash2 = FindFrom(date, '-', dash1 + 1);
    if (dash2 == std::string_view::npos) return false;
    dt.month = MonthMap(date.substr(dash1 + 1, dash2 - dash1 - 1));
    if (dt.month == 0) return false;
    dt.year = ReadInt32(date.substr(dash2 + 1));
    return true;
}

// The time, hour:minute by the atoi rule, seconds and fractions ignored.
// hh:mm then anything but a digit, the usual form, is read at once.
FTPDIRLIST_ALWAYS_INLINE bool ReadVmsTime(std::string_view time, FtpDateTime& dt) {
#if FTPDIRLIST_SHORTCUTS
    if (time.size() >= 5 && time[2] == ':' &&
        (time.size() == 5 || static_cast<unsigned char>(time[5] - '0') > 9)) {
        const int hour = TwoDigits(time.data());
        const int minute = hour >= 0 ? TwoDigits(time.data() + 3) : -1;
        if (minute >= 0) {
            dt.hour = hour;
            dt.minute = minute;
            return true;
        }
    }
#endif
    const std::size_t colon = LeadingField(time, ':', dt.hour);
    if (colon == std::string_view::npos) return false;
    dt.minute = ReadInt32(time.substr(colon + 1));
    return true;
}

// The protection text, the rest of the line, ends every VMS-style entry.
FTPDIRLIST_ALWAYS_INLINE int TakeProtection(TokenScanner& tokens, ParsedEntry& entry) {
    const std::string_view protection = tokens.Rest();
    if (protection.data() == nullptr) return 0;
    entry.attributes = protection;
    entry.dateTime.hasDate = 1;
    return 1;
}

}  // namespace

int ParseVmsTokens(std::string_view first, std::size_t semicolon, TokenScanner& scanner,
                   ParsedEntry& entry) {
    // VMS lines give blocks, not bytes.
    entry.size = -2;
    if (semicolon == 0) return 0;

    entry.isDir = 0;
    entry.name = first;  // base name, the ";" and everything after it
    const std::string_view base = first.substr(0, semicolon);
    if (semicolon > kDirSuffix.size() && base.substr(semicolon - kDirSuffix.size()) == kDirSuffix) {
        entry.isDir = 1;
        entry.nameScratch.assign(base.data(), semicolon - kDirSuffix.size());
        entry.nameScratch.append(first.data() + semicolon, first.size() - semicolon);
        entry.name = entry.nameScratch;
    }

    // Size in blocks, date, time, owner; then the protection text. A copy of
    // the scanner can live in registers.
    TokenScanner tokens = scanner;
    std::string_view t[4];
    if (tokens.Take(t) != 4) return 0;
    FtpDateTime& dt = entry.dateTime;
    if (!ReadVmsDate(t[1], dt) || !ReadVmsTime(t[2], dt)) return 0;
    dt.hasTime = 1;
    return TakeProtection(tokens, entry);
}

}  // namespace ftpdirlist
