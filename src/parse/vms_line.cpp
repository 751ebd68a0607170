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
// when there is one, the value of what precedes it. Two digits before the
// separator, the usual form, are read at once.
FTPDIRLIST_ALWAYS_INLINE std::size_t LeadingField(std::string_view token, char separator,
                                                  std::int32_t& value) {
    if (token.size() > 2 && token[2] == separator) {
        const int two = TwoDigits(token.data());
        if (two >= 0) {
            value = two;
            return 2;
        }
    }
    const std::size_t at = FindFrom(token, separator, 0);
    if (at != std::string_view::npos) value = ReadInt32(token.substr(0, at));
    return at;
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

int ParseVmsTokens(std::string_view first, std::size_t semicolon, TokenScanner& tokens,
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

    FtpDateTime& dt = entry.dateTime;
    TokenScanner::Spans<4> t;  // size in blocks, date, time, owner
    if (tokens.PeekInWindow(t)) {
        // dd-MMM-yyyy hh:mm..., the usual form, read at once. A month found
        // in the three bytes after the first "-" holds no "-" (no key does),
        // so the second "-" is the one after it, as the walk below finds.
        const std::string_view date = tokens.View(t, 1);
        const std::string_view time = tokens.View(t, 2);
        const int day =
            date.size() == 11 && date[2] == '-' && date[6] == '-' ? TwoDigits(date.data()) : -1;
        const int month = day >= 0 ? MonthMap(date.substr(3, 3)) : 0;
        const int high = month != 0 ? TwoDigits(date.data() + 7) : -1;
        const int low = high >= 0 ? TwoDigits(date.data() + 9) : -1;
        const int hour = time.size() >= 5 && time[2] == ':' ? TwoDigits(time.data()) : -1;
        const int minute =
            hour >= 0 && (time.size() == 5 || static_cast<unsigned char>(time[5] - '0') > 9)
                ? TwoDigits(time.data() + 3)
                : -1;
        if (low >= 0 && minute >= 0) {
            tokens.Take(t);
            dt.day = day;
            dt.month = month;
            dt.year = high * 100 + low;
            dt.hasTime = 1;
            dt.hour = hour;
            dt.minute = minute;
            return TakeProtection(tokens, entry);
        }
    }

    if (tokens.Next().data() == nullptr) return 0;  // size in blocks

    // Date: day-MONTH-year.
    const std::string_view date = tokens.Next();
    if (date.data() == nullptr) return 0;
    const std::size_t dash1 = LeadingField(date, '-', dt.day);
    if (dash1 == std::string_view::npos) return 0;
    const std::size_t dash2 = FindFrom(date, '-', dash1 + 1);
    if (dash2 == std::string_view::npos) return 0;
    dt.month = MonthMap(date.substr(dash1 + 1, dash2 - dash1 - 1));
    if (dt.month == 0) return 0;
    dt.year = ReadInt32(date.substr(dash2 + 1));
    dt.hasTime = 1;

    // Time: hour:minute, seconds and fractions ignored.
    const std::string_view time = tokens.Next();
    if (time.data() == nullptr) return 0;
    const std::size_t colon = LeadingField(time, ':', dt.hour);
    if (colon == std::string_view::npos) return 0;
    dt.minute = ReadInt32(time.substr(colon + 1));

    if (tokens.Next().data() == nullptr) return 0;  // owner
    return TakeProtection(tokens, entry);
}

}  // namespace ftpdirlist
