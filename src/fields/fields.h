// Validated field readers: numbers, dates and clock times as the listings
// of every family write them. Each rule is written here once; the format
// parsers call these instead of reading digits themselves. None of them
// allocates, throws or reads outside the view it is given.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "fields/month_names.h"
#include "model/calendar.h"
#include "parse/month_map.h"
#include "parse/today.h"
#include "parse/bytes.h"
#include "parse/tokens.h"

namespace ftpdirlist {
namespace fields {

// A date and time as read, before it is stored. -1 marks a part the text
// did not give.
struct Stamp {
    std::int32_t year = -1;
    std::int32_t month = -1;
    std::int32_t day = -1;
    std::int32_t hour = -1;
    std::int32_t minute = -1;
    std::int32_t second = -1;
};

// True when `text` is one or more decimal digits whose value fits in
// int64; the value goes to `value`. Signs, spaces and other bytes fail.
// Inline: every family reads several numbers per line.
inline bool ReadNumber(std::string_view text, std::int64_t& value);

// ReadNumber for a token that may be read up to `readable` (>= its end):
// up to 16 digits are then read at once. Gives what ReadNumber gives.
FTPDIRLIST_ALWAYS_INLINE bool ReadNumber(std::string_view text, std::int64_t& value,
                                         const char* readable);

// ReadNumber for a 32-bit field.
inline bool ReadNumber32(std::string_view text, std::int32_t& value);

// A size with optional thousands separators: "1234567", "1,234,567" or
// "1.234.567" (groups of three after the first, one separator kind).
// `readable`, unless null, bounds what may be read past the text (as
// Line::readable): short numbers are then read many bytes at a time.
// Inline: the DOS family reads one per line.
inline bool ReadGroupedNumber(std::string_view text, std::int64_t& value,
                              const char* readable = nullptr);

// ReadGroupedNumber without the bytes past the text.
bool ReadOtherGroupedNumber(std::string_view text, std::int64_t& value);

// True when `text` is one or more octal digits whose value fits in int64.
bool ReadOctal(std::string_view text, std::int64_t& value);

// True when `text` is one or more hexadecimal digits (letters in either
// case) whose value fits in int64.
bool ReadHex(std::string_view text, std::int64_t& value);

// Month 1-12 and day within the month's length (29 February in any year:
// the year may be unknown yet).
inline bool ValidDate(std::int32_t month, std::int32_t day) {
    return day >= 1 && day <= calendar::LongestMonth(month);
}

// Hour 0-23, minute 0-59 and, unless -1, second 0-60.
inline bool ValidClock(std::int32_t hour, std::int32_t minute, std::int32_t second) {
    return hour >= 0 && hour <= 23 && minute >= 0 && minute <= 59 &&
           (second == -1 || (second >= 0 && second <= 60));
}

// Years of one or two digits widen with the extended pivot
// (calendar::kExtendedPivot: 00-69 are 2000-2069, 70-99 are 1970-1999);
// three-digit years count from 1900 (103 is 2003); four-digit years stand
// as they are. `digits` is the number of digits the year was written with.
inline std::int32_t WidenYear(std::int32_t year, std::size_t digits) {
    // By arithmetic rather than a choice: a listing mixes two- and
    // four-digit years.
    const std::int32_t widened = calendar::WidenTwoDigitYear(year, calendar::kExtendedPivot);
    return year + static_cast<std::int32_t>(digits <= 2) * (widened - year) +
           static_cast<std::int32_t>(digits == 3) * 1900;
}

// A clock time: "hh:mm", "hh:mm:ss", an optional fraction after the
// seconds (".123456789", dropped) and, when `dot` is set, "." in place of
// ":" ("19.57"). One-digit hours are accepted; minutes and seconds have two
// digits. Fills hour, minute and (when given) second of `stamp`; the values
// are validated, except that "24:00" and "24:00:00" are read as hour 24:
// RollMidnight then makes them 00:00 of the next day.
// Inline: every family reads a time per line, most of them "hh:mm".
inline bool ReadClock(std::string_view text, Stamp& stamp, bool dot = false);
// ReadClock(text, stamp), reading up to `readable` (>= the text's end): a
// usual "hh:mm:ss" with or without a fraction is then tested in one step.
// Inline, its usual form in place: for a family's own usual form.
FTPDIRLIST_ALWAYS_INLINE bool ReadClock(std::string_view text, Stamp& stamp, const char* readable);

// A clock time with an unpadded minute, "h:m" or "hh:m" ("0:5" is 00:05),
// as some embedded servers write it. Validated; fills hour and minute.
bool ReadUnpaddedClock(std::string_view text, Stamp& stamp);

// ReadClock for every text but a valid "hh:mm" or "hh:mm:ss" (with or
// without a fraction).
bool ReadOtherClock(std::string_view text, Stamp& stamp, bool dot);

// Turns hour 24 (see ReadClock) into hour 0 of the next day, carrying into
// month and year with the year's real month lengths. A stamp of another hour
// is left alone. False when the day cannot be carried: no year, or a year
// past calendar::kMaxYear before or after the carry.
bool RollMidnight(Stamp& stamp);

// A 12-hour suffix: "AM", "PM", "am", "pm" (also "A"/"P" when `shortForm`).
// Turns `stamp.hour` (1-12) into 0-23. False when the text is no such suffix
// or the hour is not 1-12.
// Inline: the DOS family reads one per line.
inline bool ApplyMeridiem(std::string_view suffix, Stamp& stamp, bool shortForm = false);

// Orders of the three numbers of a numeric date.
enum class DateOrder : std::uint8_t {
    ymd,       // 2002-01-15, 2002/01/15
    mdy,       // 01-15-2002, 01/15/02
    dmy,       // 15.01.2002, 15/01/02
    mdyOrDmy,  // mdy, or dmy when the first number exceeds 12 (15/01/2002)
};

// A numeric date "a<sep>b<sep>c" where sep is one of `separators` (both
// separators the same byte), in `order`. Day and month have 1 or 2 digits,
// the year 1 to 4; years of 1 to 3 digits are widened (WidenYear). The date
// is validated. Fills year, month and day.
// Inline: the DOS family reads one per line, most of them of the usual widths.
inline bool ReadNumericDate(std::string_view text, DateOrder order, std::string_view separators,
                            Stamp& stamp);

// Where a numeric date that ReadNumericDate or NumericDateShape may read
// in `text` has its first separator: past a first number of 1 to 4
// digits, a byte of `separators`. 0 when `text` does not start so.
inline std::size_t NumericDateSeparator(std::string_view text, std::string_view separators) {
    std::size_t at = 0;
    while (at < text.size() && at < 5 && static_cast<unsigned char>(text[at] - '0') <= 9) ++at;
    if (at == 0 || at > 4 || at == text.size()) return 0;
    for (const char separator : separators) {
        if (text[at] == separator) return at;
    }
    return 0;
}

// ReadNumericDate for every text, read number by number.
bool ReadOtherNumericDate(std::string_view text, DateOrder order, std::string_view separators,
                          Stamp& stamp);

// The shapes of a numeric date and of a clock with their numbers unchecked,
// which tell a line whose date cannot exist ("2002-04-31", "25:10") from a
// line that holds no date: three numbers of 1 to 4 digits split by one
// byte of `separators` (the same byte twice), and "h:mm" or "hh:mm" with
// an optional ":ss" and fraction.
bool NumericDateShape(std::string_view text, std::string_view separators);
bool ClockShape(std::string_view text);

// A month and day without a year, "mm<sep>dd" (or "dd<sep>mm" when
// `dayFirst`) with sep one of `separators`, 1 or 2 digits each. Validated.
// Fills month and day.
bool ReadMonthDay(std::string_view text, std::string_view separators, Stamp& stamp,
                  bool dayFirst = false);

// A date with the month's name between day and year, "15-JAN-2002" or
// "6-Apr-07" (`separator` between the parts): day of 1 or 2 digits, a month
// name of LookupMonthName (any case), a year of 2 or 4 digits (2 widened).
// Validated. Fills year, month and day.
// Inline: the VMS family reads one per line, most of them "dd-MMM-yyyy".
inline bool ReadDayMonthNameYear(std::string_view text, char separator, Stamp& stamp);
// ReadDayMonthNameYear, reading up to `readable` (>= the text's end): a
// "dd-MMM-yyyy" with an English month is then tested in one step. Inline,
// its usual form in place: for a family's own usual form.
FTPDIRLIST_ALWAYS_INLINE bool ReadDayMonthNameYear(std::string_view text, char separator,
                                                   Stamp& stamp, const char* readable);

// ReadDayMonthNameYear for every text, read part by part.
bool ReadOtherDayMonthNameYear(std::string_view text, char separator, Stamp& stamp);
// Its shape with the day unchecked against the month ("31-APR-2002").
bool NamedDateShape(std::string_view text, char separator);

// The same with the month's name first, "Feb-28-1998" (Windows CE and
// VxWorks).
bool ReadMonthNameDayYear(std::string_view text, char separator, Stamp& stamp);

// "yyyymmddhhmmss" with an optional fraction (".sss", dropped): the MLSD
// modify fact. Validated.
bool ReadCompactStamp(std::string_view text, Stamp& stamp);

// Unix seconds (UTC) to a date and time, for any int64 whose year fits in
// int32. Fills every part of `stamp`.
bool FromUnixSeconds(std::int64_t seconds, Stamp& stamp);

// What follows the digits of a number in the Asian date forms.
enum class Marker : std::uint8_t {
    none,  // digits alone
    year,  // 年 or 년
    day,   // 日 or 일
};

// Digits followed by at most one year or day marker, in UTF-8, EUC-JP,
// Shift_JIS, GBK, Big5 or EUC-KR ("2002年", "15일", "15"): the value (which
// must fit in int32) and the marker found. Any other byte after the digits
// fails. (A month with its marker, "1月", is a month name: LookupMonthName.)
bool ReadMarkedNumber(std::string_view text, std::int32_t& value, Marker& marker);

// Character classes and case folding of the readers: ASCII only, since
// names and texts are bytes in the server's code page; every other byte is
// in no class and folds to itself.

// True for the bytes '0' to '9'.
inline bool IsDigit(char ch) { return static_cast<unsigned char>(ch - '0') <= 9; }

// True for 'A' to 'Z'.
inline bool IsUpper(char ch) { return static_cast<unsigned char>(ch - 'A') <= 'Z' - 'A'; }

// `ch` with an ASCII capital made a small letter.
inline char ToLower(char ch) { return IsUpper(ch) ? static_cast<char>(ch - 'A' + 'a') : ch; }

// True for an ASCII letter in either case.
inline bool IsLetter(char ch) { return static_cast<unsigned char>((ch | 0x20) - 'a') <= 'z' - 'a'; }

// True for '0' to '9', 'a' to 'f' and 'A' to 'F'.
inline bool IsHexDigit(char ch) {
    return IsDigit(ch) || static_cast<unsigned char>((ch | 0x20) - 'a') <= 'f' - 'a';
}

// True when every byte of `text` is in the class `is` (IsDigit, IsLetter,
// ...); true for an empty text.
inline bool AllOf(std::string_view text, bool (*is)(char)) {
    for (const char ch : text) {
        if (!is(ch)) return false;
    }
    return true;
}

// True when `text` equals `lower` with the ASCII capitals of `text` read as
// small letters. `lower` holds no capitals. Inline: the readers compare
// against constant words on most lines.
inline bool EqualsFolded(std::string_view text, std::string_view lower) {
    if (text.size() != lower.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (ToLower(text[i]) != lower[i]) return false;
    }
    return true;
}

// Up to 8 bytes as one word with 0x20 set in every byte (the first byte
// lowest), to compare with a FoldedKey: a letter then matches the same
// letter in either case and nothing else; any other byte matches itself
// or the one byte that differs from it by 0x20, which a caller rules out
// where it matters.
constexpr std::uint64_t FoldedKey(std::string_view key) {
    std::uint64_t word = 0;
    for (std::size_t i = 0; i < 8; ++i) {
        const unsigned char ch = i < key.size() ? static_cast<unsigned char>(key[i]) : 0;
        word |= std::uint64_t{ch | 0x20u} << (8 * i);
    }
    return word;
}

// The n (at most 8) bytes at p as such a word. Bytes up to `readable`
// (>= p + n) may be read.
FTPDIRLIST_ALWAYS_INLINE std::uint64_t FoldedWord(const char* p, std::size_t n,
                                                  const char* readable) {
    std::uint64_t word = 0;
#if FTPDIRLIST_SWAR
    if (readable - p >= 8) {
        word = bytes::Load8(p);
        if (n < 8) word &= (std::uint64_t{1} << (8 * n)) - 1;
        return word | bytes::kOnes * 0x20;
    }
#else
    (void)readable;
#endif
    for (std::size_t i = 0; i < n; ++i) {
        word |= std::uint64_t{static_cast<unsigned char>(p[i])} << (8 * i);
    }
    return word | bytes::kOnes * 0x20;
}

// `text` without one final `ch`, when it ends in one.
inline std::string_view DropLast(std::string_view text, char ch) {
    if (!text.empty() && text.back() == ch) text.remove_suffix(1);
    return text;
}

// The space-separated tokens of a line, found on demand and kept, so that a
// family reader can look at them in any order and take the rest of the line
// after any of them: the one tokenizer of the extended dialect. The tokens
// come from a TokenScanner, which reads no further than its Line allows.
// Holds the first kMaxTokens tokens; later ones read as absent. Views point
// into the line, which must outlive the walker. Never allocates.
class TokenWalker {
public:
    static constexpr std::size_t kMaxTokens = 24;

    // The tokens of `line`, read within the line.
    explicit TokenWalker(std::string_view line) : TokenWalker(ftpdirlist::Line(line)) {}

    // The tokens of line.Text(), read up to line.readable; `spaces`, unless
    // null, are the spaces of the 64 bytes at line.begin (as for
    // TokenScanner).
    explicit TokenWalker(const Line& line, const std::uint64_t* spaces = nullptr)
        : scanner_(line, spaces), line_(line.Text()) {}

    // Token i (0 first), or an absent view (null data()) past the last.
    // The tokens below count_ (at most kMaxTokens) are set; g++ cannot
    // always follow that through Pull and TakeInWindow.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Warray-bounds"
#endif
    FTPDIRLIST_ALWAYS_INLINE std::string_view operator[](std::size_t i) {
        if (i < count_) return {tokens_[i].data, tokens_[i].size};
        return Pull(i);
    }
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

    // How many tokens the line has, counting no further than `limit`
    // (below kMaxTokens): a line of more than `limit` tokens gives limit + 1.
    FTPDIRLIST_ALWAYS_INLINE std::size_t Count(std::size_t limit) {
        if (count_ <= limit) Fill(limit);
        return count_ <= limit ? count_ : limit + 1;
    }

    // Token i of those found so far (below the count that operator[] and
    // TakeInWindow have reached), without operator[]'s test.
    FTPDIRLIST_ALWAYS_INLINE std::string_view Found(std::size_t i) const {
        assert(i < count_);
        return {tokens_[i].data, tokens_[i].size};
    }

    // Count's answer without keeping the tokens: for a caller that needs
    // the count and no more than the first tokens, which operator[] then
    // finds.
    std::size_t CountAhead(std::size_t limit) const {
        if (count_ > limit) return limit + 1;
        return count_ + scanner_.CountLeft(limit + 1 - count_);
    }

    // Finds the next n tokens in one step when they all lie in the
    // scanner's current window (the first tokens of a short line): true,
    // and operator[] gives them; else false and nothing moved. Only a
    // shortcut: operator[] finds the same tokens either way.
    template <int n>
    FTPDIRLIST_ALWAYS_INLINE bool TakeInWindow() {
        if (count_ + n > kMaxTokens || !scanner_.template TakeInWindowInto<n>(tokens_ + count_)) {
            return false;
        }
        count_ += n;
        return true;
    }

    // The scanner past the tokens found so far: a reader that takes tokens
    // from it leaves the walk where it was.
    TokenScanner Scanner() const { return scanner_; }

    // The line from the first byte of token i to its end, inner and
    // trailing spaces kept; absent when there is no token i.
    std::string_view From(std::size_t i) {
        const std::string_view token = (*this)[i];
        if (token.data() == nullptr) return {};
        return {token.data(), static_cast<std::size_t>(line_.data() + line_.size() - token.data())};
    }

    // The line after `token` (a token of this line) and one space: where
    // the servers that align nothing after it start the last field. An
    // absent view when the line ends at the token.
    std::string_view AfterOneSpace(std::string_view token) const {
        const char* end = line_.data() + line_.size();
        const char* p = token.data() + token.size();
        if (p == end || p + 1 == end) return {};
        return {p + 1, static_cast<std::size_t>(end - p - 1)};
    }

    // The line after `token` from its next non-space byte; absent when only
    // spaces follow.
    std::string_view AfterSpaces(std::string_view token) const {
        const char* end = line_.data() + line_.size();
        const char* p = bytes::SkipSpaces(token.data() + token.size(), end);
        if (p == end) return {};
        return {p, static_cast<std::size_t>(end - p)};
    }

    // The bytes from the first byte of `first` to the last of `last`
    // (tokens of this line, `first` not after `last`), inner spaces kept.
    static std::string_view Span(std::string_view first, std::string_view last) {
        return {first.data(), static_cast<std::size_t>(last.data() + last.size() - first.data())};
    }

    // The line's text.
    std::string_view Text() const { return line_; }

    // The bound of what may be read past the line's tokens (as
    // Line::readable), for the readers that read many bytes at a time.
    const char* Readable() const { return scanner_.Readable(); }

private:
    // A token as kept: plain data, so that the walker starts with nothing
    // to fill in.
    struct Token {
        const char* data;
        std::size_t size;
    };

    // Token i past those found so far. Out of line: the readers that take
    // tokens one by one call it at many places.
    FTPDIRLIST_NOINLINE std::string_view Pull(std::size_t i) { return Fill(i); }

    // Reads tokens up to token i (no further than kMaxTokens).
    FTPDIRLIST_ALWAYS_INLINE std::string_view Fill(std::size_t i) {
        TokenScanner scanner = scanner_;
        std::size_t count = count_;
        while (count <= i && count < kMaxTokens) {
            const std::string_view token = scanner.Next();
            if (token.data() == nullptr) break;
            tokens_[count++] = {token.data(), token.size()};
        }
        scanner_ = scanner;
        count_ = count;
        if (i >= count) return {};
        return {tokens_[i].data, tokens_[i].size};
    }

    TokenScanner scanner_;
    std::string_view line_;
    Token tokens_[kMaxTokens];  // only the first count_ are set
    std::size_t count_ = 0;
};

// Numbers too long for the short form: read with an overflow test.
bool ReadLongNumber(std::string_view text, std::int64_t& value);

inline bool ReadNumber(std::string_view text, std::int64_t& value) {
    // Up to 18 digits cannot overflow.
    if (text.empty() || text.size() > 18) return ReadLongNumber(text, value);
    std::int64_t v = 0;
    for (const char ch : text) {
        const unsigned digit = static_cast<unsigned char>(ch - '0');
        if (digit > 9) return false;
        v = v * 10 + digit;
    }
    value = v;
    return true;
}

FTPDIRLIST_ALWAYS_INLINE bool ReadNumber(std::string_view text, std::int64_t& value,
                                         const char* readable) {
    // A shortcut: ReadDigits reads what ReadNumber reads for 1 to 16 digits.
    if (FTPDIRLIST_SHORTCUTS && text.size() - 1 < 16) return ReadDigits(text, value, readable);
    return ReadNumber(text, value);
}

inline bool ReadNumber32(std::string_view text, std::int32_t& value) {
    std::int64_t v;
    if (text.size() > 10 || !ReadNumber(text, v) || v > 0x7FFFFFFF) return false;
    value = static_cast<std::int32_t>(v);
    return true;
}

namespace usual_form {

// The pairs of a word whose bytes are digit values (0 to 9): byte i of the
// result is ten times byte i plus byte i + 1 (no byte carries: each is at
// most 99).
FTPDIRLIST_ALWAYS_INLINE std::uint64_t PairValues(std::uint64_t values) {
    return values * 10 + (values >> 8);
}

#if FTPDIRLIST_SWAR
constexpr std::uint64_t kZeros = 0x3030303030303030ull;

// True when every byte of `w` is a decimal digit.
FTPDIRLIST_ALWAYS_INLINE bool AllDigitBytes(std::uint64_t w) {
    // Every byte 0x30-0x39: high nibble 3, and adding 6 does not carry out.
    constexpr std::uint64_t kHighNibbles = 0xF0F0F0F0F0F0F0F0ull;
    return ((w & kHighNibbles) | (((w + 0x0606060606060606ull) & kHighNibbles) >> 4)) ==
           0x3333333333333333ull;
}

// Each byte of a word of digits with the digit after it: byte i of the
// result is the value of the two digits at i and i + 1 (no byte carries:
// each is at most 99).
FTPDIRLIST_ALWAYS_INLINE std::uint64_t DigitPairs(std::uint64_t digits) {
    return PairValues(digits - kZeros);
}
#endif

}  // namespace usual_form

namespace numeric_date {

// True when `ch` is one of the (one or two) bytes of `separators`.
inline bool IsSeparator(char ch, std::string_view separators) {
    for (const char s : separators) {
        if (ch == s) return true;
    }
    return false;
}

// The three numbers of a numeric date as ReadOtherNumericDate reads them,
// for the usual widths at once: "dd-dd-dd", "dd-dd-dddd" and "dddd-dd-dd".
// False for any other text, which ReadOtherNumericDate then reads afresh.
inline bool ReadUsual(std::string_view text, std::string_view separators,
                      std::int32_t (&numbers)[3], std::size_t (&widths)[3]) {
    const std::size_t n = text.size();
    if (n != 8 && n != 10) return false;
    const char* p = text.data();
    // A month or day first is followed by its separator, a year first by
    // its third digit (and has ten bytes).
    const bool yearFirst = IsDigit(p[2]);
    if (yearFirst && n != 10) return false;
    const std::size_t first = yearFirst ? 4 : 2;
    const char separator = p[first];
    if (p[first + 3] != separator || (yearFirst && IsDigit(separator)) ||
        !IsSeparator(separator, separators)) {
        return false;
    }
#if FTPDIRLIST_SWAR
    // The eight bytes at p hold every pair but the last of a ten-byte
    // date. With the separators made "0", one test tells whether all are
    // digits, and one multiplication puts each pair's value at its first
    // byte (10 * 9 + 9 fits in a byte: no byte carries into the next).
    const std::uint64_t marks = yearFirst ? 0xFF0000FF00000000ull : 0x0000FF0000FF0000ull;
    constexpr std::uint64_t kZeros = usual_form::kZeros;
    std::uint64_t w = (bytes::Load8(p) & ~marks) | (kZeros & marks);
    if (!usual_form::AllDigitBytes(w)) return false;
    w = usual_form::DigitPairs(w);
    const auto pair = [w](unsigned i) { return static_cast<int>((w >> (8 * i)) & 0xFF); };
    int a = pair(0);
    int b = pair(3);
    int c = pair(6);
    if (yearFirst) {
        a = a * 100 + pair(2);
        b = pair(5);
        c = TwoDigits(p + 8);
    } else {
        // The last pair of the text is the year's (of "dd-dd-dd", already
        // tested) or its low half (of "dd-dd-dddd"), read either way: the
        // widths mix in a listing.
        const int low = TwoDigits(p + n - 2);
        c = c * static_cast<int>(n - 8) * 50 + low;
        if (low < 0) return false;
    }
    if (c < 0) return false;
#else
    // The pairs of digits at their places; TwoDigits gives -1 for a pair
    // that is not.
    int a = TwoDigits(p);
    const int b = TwoDigits(p + first + 1);
    int c = TwoDigits(p + first + 4);
    if (yearFirst) {
        const int low = TwoDigits(p + 2);
        a = (a | low) < 0 ? -1 : a * 100 + low;
    } else if (n == 10) {
        const int low = TwoDigits(p + 8);
        c = (c | low) < 0 ? -1 : c * 100 + low;
    }
    if ((a | b | c) < 0) return false;
#endif
    numbers[0] = a;
    numbers[1] = b;
    numbers[2] = c;
    widths[0] = first;
    widths[1] = 2;
    widths[2] = n - first - 4;
    return true;
}

// The numbers read, in `order`: validated, widened and stored.
inline bool Store(const std::int32_t (&numbers)[3], const std::size_t (&widths)[3], DateOrder order,
                  Stamp& stamp) {
    if (order == DateOrder::mdyOrDmy) order = numbers[0] > 12 ? DateOrder::dmy : DateOrder::mdy;
    // The year comes first or last; month and day take the other two
    // places, the day first in dmy. Chosen by value, not by index.
    const bool yearFirst = order == DateOrder::ymd;
    const bool dayFirst = order == DateOrder::dmy;
    const std::int32_t year = yearFirst ? numbers[0] : numbers[2];
    const std::size_t yearWidth = yearFirst ? widths[0] : widths[2];
    const std::int32_t a = yearFirst ? numbers[1] : numbers[0];
    const std::int32_t b = yearFirst ? numbers[2] : numbers[1];
    const std::size_t aWidth = yearFirst ? widths[1] : widths[0];
    const std::size_t bWidth = yearFirst ? widths[2] : widths[1];
    const std::int32_t month = dayFirst ? b : a;
    const std::int32_t day = dayFirst ? a : b;
    if (aWidth > 2 || bWidth > 2 || !ValidDate(month, day)) return false;
    stamp.year = WidenYear(year, yearWidth);
    stamp.month = month;
    stamp.day = day;
    return true;
}

}  // namespace numeric_date

inline bool ReadNumericDate(std::string_view text, DateOrder order, std::string_view separators,
                            Stamp& stamp) {
    // Three numbers and two separators; the usual widths by a shortcut.
    std::int32_t numbers[3];
    std::size_t widths[3];
    if (FTPDIRLIST_SHORTCUTS && numeric_date::ReadUsual(text, separators, numbers, widths)) {
        return numeric_date::Store(numbers, widths, order, stamp);
    }
    return ReadOtherNumericDate(text, order, separators, stamp);
}

inline bool ReadGroupedNumber(std::string_view text, std::int64_t& value, const char* readable) {
    // Digits alone, the usual form, by the one reader of digits, which reads
    // them many at a time where the bytes after the text may be read.
    if (readable != nullptr && text.size() - 1 < 16 && ReadDigits(text, value, readable)) {
        return true;
    }
    return ReadOtherGroupedNumber(text, value);
}

inline bool ApplyMeridiem(std::string_view suffix, Stamp& stamp, bool shortForm) {
    bool pm;
    if (FTPDIRLIST_SHORTCUTS && suffix.size() == 2) {
        // Both bytes at once: with 0x20 set, a byte equals "a", "p" or "m"
        // exactly when it is that letter in either case.
        const unsigned word = (static_cast<unsigned char>(suffix[0]) |
                               static_cast<unsigned>(static_cast<unsigned char>(suffix[1])) << 8) |
                              0x2020u;
        pm = word == ('p' | 'm' << 8);
        if (!pm && word != ('a' | 'm' << 8)) return false;
    } else {
        if (suffix.size() != 2 && !(shortForm && suffix.size() == 1)) return false;
        if (suffix.size() == 2 && ToLower(suffix[1]) != 'm') return false;
        const char letter = ToLower(suffix[0]);
        if (letter != 'a' && letter != 'p') return false;
        pm = letter == 'p';
    }
    if (stamp.hour < 1 || stamp.hour > 12) return false;
    // 12 is the hour 0 of its half of the day; by arithmetic, since AM and
    // PM alternate in a listing.
    stamp.hour += 12 * (static_cast<int>(pm) - static_cast<int>(stamp.hour == 12));
    return true;
}

// "." and one or more digits.
inline bool IsFraction(std::string_view text) {
    return text.size() > 1 && text[0] == '.' && IsAllDigits({text.data() + 1, text.size() - 1});
}

namespace usual_form {

// The English month whose three letters (any case) are at p, or 0: the
// slot of the classic lookup's English keys (which agree with the whole
// table) compared once. Setting 0x20 of each byte makes capitals small and
// makes no other byte a small letter.
FTPDIRLIST_ALWAYS_INLINE int FindEnglishMonth(const char* p) {
    using namespace month_map_detail;
    const std::uint32_t word = LoadWord3(p) | 0x202020u;
    const EnglishSlot& slot = kEnglish.slots[EnglishSlotOf(word)];
    return slot.word == word ? slot.month : 0;
}

// The clock "hh:mm:ss" of a word whose bytes 0, 3 and 6 hold the values
// of its digit pairs: stored when valid as a usual form (no hour 24).
FTPDIRLIST_ALWAYS_INLINE bool StoreClockPairs(std::uint64_t pairs, Stamp& stamp) {
    const int hour = static_cast<int>(pairs & 0xFF);
    const int minute = static_cast<int>(pairs >> 24 & 0xFF);
    const int second = static_cast<int>(pairs >> 48 & 0xFF);
    if (hour > 23 || minute > 59 || second > 60) return false;
    stamp.hour = hour;
    stamp.minute = minute;
    stamp.second = second;
    return true;
}

#if FTPDIRLIST_SWAR
// "hh:mm:ss" with an optional fraction of up to 7 digits, valid and with
// colons: read as ReadClock reads it, its digits and colons tested in one
// word (and the fraction in another). False for any other text, which
// ReadClock then reads.
FTPDIRLIST_ALWAYS_INLINE bool ReadClock(std::string_view text, Stamp& stamp) {
    const std::size_t n = text.size();
    const char* p = text.data();
    if (n != 8 && (n - 10 > 6 || p[8] != '.')) return false;
    std::uint64_t w = bytes::Load8(p);
    if (n > 8) {
        // The fraction's digits end the text; the bytes before them of the
        // word at its end read as digits.
        const std::uint64_t before = (std::uint64_t{1} << (8 * (17 - n))) - 1;
        if (!AllDigitBytes((bytes::Load8(p + n - 8) & ~before) | (kZeros & before))) {
            return false;
        }
    }
    constexpr std::uint64_t kColonBytes = 0x0000FF0000FF0000ull;
    constexpr std::uint64_t kColons = 0x00003A00003A0000ull;
    if ((w & kColonBytes) != kColons) return false;
    // The colons as "0", to test all bytes as digits.
    w ^= kColons ^ (kZeros & kColonBytes);
    if (!AllDigitBytes(w)) return false;
    const std::uint64_t pairs = DigitPairs(w);
    return StoreClockPairs(pairs, stamp);
}
#endif

// "hh:mm" (or "hh.mm" when `dot` is set), valid: the usual form of
// ReadClock, read at once, as ReadClock reads it. False for any other text.
// Always inline, for the readers that call it before ReadClock.
FTPDIRLIST_ALWAYS_INLINE bool ReadHourMinute(std::string_view text, Stamp& stamp, bool dot) {
    if (text.size() != 5 || !(text[2] == ':' || (dot && text[2] == '.'))) return false;
    const int hour = TwoDigits(text.data());
    const int minute = TwoDigits(text.data() + 3);
    if (hour < 0 || minute < 0 || hour >= 24 || minute >= 60) return false;
    stamp.hour = hour;
    stamp.minute = minute;
    stamp.second = -1;
    return true;
}

// The day and the four-digit year of "dd-MMM-yyyy" (11 bytes at p), or
// false when they are not all digits.
FTPDIRLIST_ALWAYS_INLINE bool ReadDayAndYear(const char* p, int& day, int& year) {
#if FTPDIRLIST_SWAR
    // "ddyyyy00" in one word: the day from the first, the year from the
    // last four bytes.
    const std::uint64_t digits = (bytes::Load8(p) & 0xFFFF) |
                                 (bytes::Load8(p + 3) >> 16 & 0xFFFFFFFF0000ull) |
                                 (kZeros & 0xFFFF000000000000ull);
    if (!AllDigitBytes(digits)) return false;
    const std::uint64_t pairs = DigitPairs(digits);
    day = static_cast<int>(pairs & 0xFF);
    year = static_cast<int>(pairs >> 16 & 0xFF) * 100 + static_cast<int>(pairs >> 32 & 0xFF);
    return true;
#else
    day = TwoDigits(p);
    const int high = TwoDigits(p + 7);
    const int low = TwoDigits(p + 9);
    year = high * 100 + low;
    return (day | high | low) >= 0;
#endif
}

#if FTPDIRLIST_SSE2
// The 16 bytes at p XORed with `pattern`, and the mask of those then at
// most their `limit` (bit i for byte i): a digit XOR "0" is 0 to 9, a
// separator XOR itself is 0, a limit of 0xFF lets any byte pass.
FTPDIRLIST_ALWAYS_INLINE unsigned ShapeMask(const char* p, __m128i pattern, __m128i limit,
                                            __m128i& values) {
    values = _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), pattern);
    return static_cast<unsigned>(
        _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_min_epu8(values, limit), values)));
}

// The low 8 bytes of `v` as a word, the first in the low byte.
FTPDIRLIST_ALWAYS_INLINE std::uint64_t LowWord(__m128i v) {
    std::uint64_t w;
    _mm_storel_epi64(reinterpret_cast<__m128i*>(&w), v);
    return w;
}

// usual_form::ReadClock with the 16 bytes at the text readable: its digits,
// colons and fraction in one compare.
FTPDIRLIST_ALWAYS_INLINE bool ReadClock16(std::string_view text, Stamp& stamp) {
    const std::size_t n = text.size();
    if (n != 8 && n - 10 > 6) return false;
    __m128i values;
    const unsigned shaped =
        ShapeMask(text.data(),
                  _mm_setr_epi8('0', '0', ':', '0', '0', ':', '0', '0', '.', '0', '0', '0', '0',
                                '0', '0', '0'),
                  _mm_setr_epi8(9, 9, 0, 9, 9, 0, 9, 9, 0, 9, 9, 9, 9, 9, 9, 9), values);
    const unsigned all = (1u << n) - 1;
    if ((shaped & all) != all) return false;
    // Byte i: the two digits at i and i + 1 (the colons read as 0).
    return StoreClockPairs(PairValues(LowWord(values)), stamp);
}

// "dd-MMM-yyyy" (`separator` for "-") with the 16 bytes at the text
// readable and an English month: day, separators and year in one compare.
// False for any other text, which ReadDayMonthNameYear then reads.
FTPDIRLIST_ALWAYS_INLINE bool ReadDayMonthNameYear16(std::string_view text, char separator,
                                                     Stamp& stamp) {
    if (text.size() != 11) return false;
    const char s = separator;
    __m128i values;
    const unsigned shaped = ShapeMask(
        text.data(), _mm_setr_epi8('0', '0', s, 0, 0, 0, s, '0', '0', '0', '0', 0, 0, 0, 0, 0),
        _mm_setr_epi8(9, 9, 0, -1, -1, -1, 0, 9, 9, 9, 9, -1, -1, -1, -1, -1), values);
    if (shaped != 0xFFFF) return false;
    const int m = FindEnglishMonth(text.data() + 3);
    const std::uint64_t low = LowWord(values);
    const int day = static_cast<int>(low & 0xFF) * 10 + static_cast<int>(low >> 8 & 0xFF);
    if (m == 0 || !ValidDate(m, day)) return false;
    // The year's digits, two by two.
    const std::uint64_t pairs = PairValues(LowWord(_mm_srli_si128(values, 7)));
    stamp.year = static_cast<int>(pairs & 0xFF) * 100 + static_cast<int>(pairs >> 16 & 0xFF);
    stamp.month = m;
    stamp.day = day;
    return true;
}
#endif

}  // namespace usual_form

FTPDIRLIST_ALWAYS_INLINE bool ReadClock(std::string_view text, Stamp& stamp, const char* readable) {
#if FTPDIRLIST_SSE2
    if (readable - text.data() >= 16 && usual_form::ReadClock16(text, stamp)) return true;
#else
    (void)readable;
#endif
    return ReadClock(text, stamp);
}

FTPDIRLIST_ALWAYS_INLINE bool ReadDayMonthNameYear(std::string_view text, char separator,
                                                   Stamp& stamp, const char* readable) {
#if FTPDIRLIST_SSE2
    if (readable - text.data() >= 16 &&
        usual_form::ReadDayMonthNameYear16(text, separator, stamp)) {
        return true;
    }
#else
    (void)readable;
#endif
    return ReadDayMonthNameYear(text, separator, stamp);
}

inline bool ReadClock(std::string_view text, Stamp& stamp, bool dot) {
#if FTPDIRLIST_SWAR
    // A shortcut for the usual form with seconds.
    if (usual_form::ReadClock(text, stamp)) return true;
#endif
    if (usual_form::ReadHourMinute(text, stamp, dot)) return true;
    if (text.size() >= 8 && text[2] == ':' && text[5] == ':') {
        // "hh:mm:ss" with an optional fraction, the other usual form.
        const int hour = TwoDigits(text.data());
        const int minute = TwoDigits(text.data() + 3);
        const int second = TwoDigits(text.data() + 6);
        if (hour >= 0 && minute >= 0 && second >= 0 && ValidClock(hour, minute, second) &&
            (text.size() == 8 || IsFraction({text.data() + 8, text.size() - 8}))) {
            stamp.hour = hour;
            stamp.minute = minute;
            stamp.second = second;
            return true;
        }
    }
    return ReadOtherClock(text, stamp, dot);
}

inline bool ReadDayMonthNameYear(std::string_view text, char separator, Stamp& stamp) {
    int day;
    int year;
    if (FTPDIRLIST_SHORTCUTS && text.size() == 11 && text[2] == separator && text[6] == separator &&
        usual_form::ReadDayAndYear(text.data(), day, year)) {
        // "dd-MMM-yyyy" with digits where they belong: read at once, by
        // the same tests as ReadOtherDayMonthNameYear makes of its parts,
        // an English month name by one compare.
        int m = usual_form::FindEnglishMonth(text.data() + 3);
        if (m == 0) {
            const std::string_view month = text.substr(3, 3);
            m = IsAllDigits(month) ? 0 : LookupMonthName(month).month;
        }
        if (!ValidDate(m, day)) return false;
        stamp.year = year;
        stamp.month = m;
        stamp.day = day;
        return true;
    }
    return ReadOtherDayMonthNameYear(text, separator, stamp);
}

}  // namespace fields
}  // namespace ftpdirlist
