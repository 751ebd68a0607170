// DOS-style lines, as IIS and DOS servers write them:
//   01-15-02  10:30AM       <DIR>          My Folder
//   12-31-1999  12:05PM           1024 report.txt
#include <cstdint>
#include <limits>

#include "parse/parse_line.h"

namespace ftpdirlist {

namespace {

// Date and hour fields are built byte by byte without testing for digits:
// each byte adds its offset from "0", read as a signed 8-bit value. Only
// upper limits are tested, so long runs of high bytes drive a field far
// below zero; it saturates instead of overflowing.
std::int32_t AddByte(std::int32_t field, char byte) {
    const std::int64_t next = static_cast<std::int64_t>(field) * 10 +
                              (static_cast<std::int64_t>(static_cast<signed char>(byte)) - '0');
    if (next > std::numeric_limits<std::int32_t>::max())
        return std::numeric_limits<std::int32_t>::max();
    if (next < std::numeric_limits<std::int32_t>::min())
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(next);
}

// Walks a date part from `i` until the byte that follows is "-"; `i` ends on
// that "-". Fails when the token ends first or the field passes `limit`.
bool WalkDatePart(std::string_view token, std::size_t& i, std::int32_t& field, std::int32_t limit) {
    for (;;) {
        if (i >= token.size()) return false;
        field = AddByte(field, token[i]);
        if (field > limit) return false;
        ++i;
        if (i < token.size() && token[i] == '-') return true;
    }
}

// A year below 100 is widened with the classic pivot (1950 to 2049);
// years 100 to 999 are refused.
bool SetYear(std::int32_t year, FtpDateTime& dt) {
    if (year < 100) {
        year = calendar::WidenTwoDigitYear(year, calendar::kClassicPivot);
    } else if (year < 1000) {
        return false;
    }
    dt.year = year;
    return true;
}

#if FTPDIRLIST_SHORTCUTS
// mm-dd-yy and mm-dd-yyyy in digits, the forms servers write: read at
// once. Fields only grow digit by digit, so testing the limits on the whole
// values gives what the walk in ReadDate gives. False when the token has
// another form (`handled` false) or the date is refused (`handled` true).
bool ReadUsualDate(std::string_view token, FtpDateTime& dt, bool& handled) {
    handled = false;
    if ((token.size() != 8 && token.size() != 10) || token[2] != '-' || token[5] != '-') {
        return false;
    }
    int month;
    int day;
    int year;
#if FTPDIRLIST_SWAR
    {
        // The first eight bytes at once: "0" taken off each digit and "-"
        // off each dash, then every byte 0 to 9 (no high bit, before or
        // after adding 0x76; a borrow or carry only crosses from a byte
        // that fails itself), then each pair's value.
        constexpr std::uint64_t kZerosAndDashes = 0x3030303030303030ull -
                                                  (std::uint64_t{'0' - '-'} << 16) -
                                                  (std::uint64_t{'0' - '-'} << 40);
        const std::uint64_t v = bytes::Load8(token.data()) - kZerosAndDashes;
        if (((v | (v + 0x7676767676767676ull)) & bytes::kHigh) != 0) return false;
        const std::uint64_t pairs = v * 10 + (v >> 8);
        month = static_cast<int>(pairs & 0xFF);
        day = static_cast<int>((pairs >> 24) & 0xFF);
        year = static_cast<int>((pairs >> 48) & 0xFF);
    }
#else
    month = TwoDigits(&token[0]);
    day = TwoDigits(&token[3]);
    year = TwoDigits(&token[6]);
#endif
    if (token.size() == 10 && year >= 0) {
        const int low = TwoDigits(&token[8]);
        year = low < 0 ? -1 : year * 100 + low;
    }
    if (month < 0 || day < 0 || year < 0) return false;
    handled = true;
    if (month > 12 || day > 31 || year > 3000) return false;
    dt.month = month;
    dt.day = day;
    return SetYear(year, dt);
}
#endif

// A date month-day-year, each part walked byte by byte up to its limit.
// Out of line: the usual forms never come here, and the hot path keeps
// fewer registers without it.
FTPDIRLIST_NOINLINE bool WalkDate(std::string_view token, FtpDateTime& dt) {
    std::size_t i = 0;
    dt.month = 0;
    if (!WalkDatePart(token, i, dt.month, 12)) return false;
    ++i;
    dt.day = 0;
    if (!(i < token.size() && token[i] == '-')) {  // "01--02" has an empty day
        if (!WalkDatePart(token, i, dt.day, 31)) return false;
    }
    ++i;
    dt.year = 0;
    for (; i < token.size() && token[i] != '-'; ++i) {
        dt.year = AddByte(dt.year, token[i]);
        if (dt.year > 3000) return false;
    }
    return SetYear(dt.year, dt);
}

// A date month-day-year; the usual forms are read at once first.
FTPDIRLIST_ALWAYS_INLINE bool ReadDate(std::string_view token, FtpDateTime& dt) {
#if FTPDIRLIST_SHORTCUTS
    bool handled;
    const bool usual = ReadUsualDate(token, dt, handled);
    if (handled) return usual;
#endif
    return WalkDate(token, dt);
}

// From the twelve-hour clock: "P" right after the minutes (at `at`) for PM.
// 12 is hour 0 of its half of the day; without a branch on either test.
FTPDIRLIST_ALWAYS_INLINE void ToDayHours(std::string_view token, std::size_t at, FtpDateTime& dt) {
    const bool pm = at < token.size() && token[at] == 'P';
    dt.hour = (dt.hour == 12 ? 0 : dt.hour) + (pm ? 12 : 0);
}

// hh:mm on a twelve-hour clock, "P" right after the minutes for PM, walked
// byte by byte. Out of line, as WalkDate.
FTPDIRLIST_NOINLINE bool WalkTime(std::string_view token, FtpDateTime& dt) {
    std::size_t i = 0;
    dt.hour = 0;
    for (;;) {
        if (i >= token.size()) return false;
        if (token[i] == ':') break;
        dt.hour = AddByte(dt.hour, token[i]);
        if (dt.hour > 12) return false;
        ++i;
    }
    ++i;
    if (dt.hour == 0) return false;
    dt.minute = 0;
    for (; i < token.size() && token[i] >= '0' && token[i] <= '9'; ++i) {
        dt.minute = AddByte(dt.minute, token[i]);
        if (dt.minute > 59) return false;
    }
    ToDayHours(token, i, dt);
    return true;
}

// hh:mm on a twelve-hour clock, "P" right after the minutes for PM.
FTPDIRLIST_ALWAYS_INLINE bool ReadTime(std::string_view token, FtpDateTime& dt) {
#if FTPDIRLIST_SHORTCUTS
    // hh:mm in digits, then anything but a digit: read at once (the limits
    // hold for the whole values exactly when they hold digit by digit).
    if (token.size() >= 5 && token[2] == ':' &&
        (token.size() == 5 || static_cast<unsigned char>(token[5] - '0') > 9)) {
        const int hour = TwoDigits(&token[0]);
        const int minute = TwoDigits(&token[3]);
        if (hour >= 0 && minute >= 0) {
            // Hours 1 to 12: one unsigned compare.
            if (static_cast<unsigned>(hour - 1) > 11 || minute > 59) return false;
            dt.hour = hour;
            dt.minute = minute;
            ToDayHours(token, 5, dt);
            return true;
        }
    }
#endif
    return WalkTime(token, dt);
}

// The time and size tokens when they do not both lie in the scanner's
// window (null views for those the line lacks); out of line, as the walks.
struct TimeAndSize {
    std::string_view time;
    std::string_view size;
};

FTPDIRLIST_NOINLINE TimeAndSize TakeTimeAndSize(TokenScanner& tokens) {
    std::string_view t[2];
    tokens.Take(t);
    return {t[0], t[1]};
}

// A size that is not all digits, or too long for the fast readers.
FTPDIRLIST_NOINLINE std::int64_t ReadSizeByRule(std::string_view size) { return ReadInt64(size); }

}  // namespace

int ParseDosTokens(std::string_view date, TokenScanner& scanner, ParsedEntry& entry) {
    FtpDateTime& dt = entry.dateTime;
    if (!ReadDate(date, dt)) return 0;

    // A copy of the scanner that can live in registers through the walk.
    TokenScanner tokens = scanner;
    // Time and size, in one step when both lie in the window.
    std::string_view t[2];
    if (FTPDIRLIST_UNLIKELY(!tokens.TakeInWindow(t))) {
        const TimeAndSize both = TakeTimeAndSize(scanner);
        if (both.time.data() == nullptr) return 0;
        t[0] = both.time;
        t[1] = both.size;
        tokens = scanner;
    }
    const std::string_view time = t[0];
    dt.hasTime = 1;
    if (!ReadTime(time, dt)) return 0;

    if (t[1].data() == nullptr) return 0;
    const std::string_view size = t[1];
    if (size == "<DIR>") {
        entry.isDir = 1;
        entry.size = -1;
    } else {
        std::int64_t value;
        entry.size = ReadDigits(size, value, tokens.Readable()) ? value : ReadSizeByRule(size);
    }

    const std::string_view name = tokens.Rest();
    if (name.data() == nullptr) return 0;
    entry.name = name;
    dt.hasDate = 1;
    return 1;
}

}  // namespace ftpdirlist
