// Splitting a listing line into space-separated tokens, and reading numbers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "parse/bytes.h"

namespace ftpdirlist {

// A read position in a line. Tokens are views into the line; the line is
// never written, so a line can be parsed where it lies in the input.
struct Cursor {
    const char* pos;
    const char* end;
};

inline Cursor MakeCursor(std::string_view line) { return {line.data(), line.data() + line.size()}; }

// The next token: bytes up to the next space (0x20, the only separator),
// after skipping spaces. With restOfLine, everything left of the line from
// its first non-space byte, inner and trailing spaces included. Returns a
// view with a null data() when only spaces are left; a token is never empty.
inline std::string_view NextToken(Cursor& c, bool restOfLine) {
    const char* begin = bytes::SkipSpaces(c.pos, c.end);
    if (begin == c.end) {
        c.pos = begin;
        return {};
    }
    if (restOfLine) {
        c.pos = c.end;
        return {begin, static_cast<std::size_t>(c.end - begin)};
    }
    const char* p = bytes::FindSpace(begin + 1, c.end);
    // Step over the one space that ended the token; further ones are
    // skipped by the next call.
    c.pos = (p == c.end) ? p : p + 1;
    return {begin, static_cast<std::size_t>(p - begin)};
}

// The tokens of a line as NextToken gives them, found faster: the spaces
// of 64 bytes at a time become one bit mask, and each token is then a few
// bit operations. Reads only [pos, end).
class TokenScanner {
public:
    TokenScanner(const char* pos, const char* end) : end_(end), readable_(end), start_(pos) {
        Load(pos);
    }
    // The same, told that the bytes up to `readable` (>= end) may be read:
    // a line shorter than a window is then scanned without a loop.
    TokenScanner(const char* pos, const char* end, const char* readable)
        : end_(end), readable_(readable), start_(pos) {
        Load(pos);
    }
    // The same with the spaces among the 64 bytes at `pos` already found
    // (bit i: pos[i] is a space; every bit past `end` is ignored).
    TokenScanner(const char* pos, const char* end, const char* readable, std::uint64_t spaces)
        : end_(end), readable_(readable), start_(pos), base_(pos) {
        const std::size_t n = static_cast<std::size_t>(end - pos);
        nonSpace_ = n >= kWindow ? ~spaces : ~spaces & ((std::uint64_t{1} << n) - 1);
        rest_ = nonSpace_;
    }

    // NextToken(cursor, false).
    std::string_view Next() {
        if (!FindTokenBits()) return {};
        const std::size_t first = bytes::LowestBit(rest_);
        const char* begin = base_ + first;
        // Adding the lowest bit carries through the run of token bits and
        // sets the bit of the space that ends it.
        const std::uint64_t carried = rest_ + (rest_ & (~rest_ + 1));
        if (carried != 0) {
            const std::size_t stop = bytes::LowestBit(carried);
            rest_ = carried & (carried - 1);
            stop_ = base_ + stop;
            return {begin, stop - first};
        }
        return {begin, static_cast<std::size_t>(LongTokenEnd() - begin)};
    }

    // The next `n` tokens, found at once in the current window: offsets
    // from Base() of their first byte and of the byte after them.
    template <int n>
    struct Spans {
        std::size_t first[n];
        std::size_t stop[n];
        std::uint64_t rest;  // the scanner's bits after them
    };

    // Finds what `n` calls of Next() would give when those tokens and the
    // first byte of the token after them lie in the current window; false
    // otherwise. Take() then moves the scanner past them.
    template <int n>
    FTPDIRLIST_ALWAYS_INLINE bool PeekInWindow(Spans<n>& out) const {
        const std::uint64_t r = rest_;
        std::uint64_t starts = r & ~(r << 1);
        std::uint64_t ends = r & ~(r >> 1);  // last byte of each run
#pragma GCC unroll 8
        for (int i = 0; i < n; ++i) {
            if (starts == 0) return false;
            out.first[i] = bytes::LowestBit(starts);
            out.stop[i] = bytes::LowestBit(ends) + 1;
            starts &= starts - 1;
            ends &= ends - 1;
        }
        // A next start proves the last token ended inside the window.
        if (starts == 0) return false;
        out.rest = r & ~((starts & (~starts + 1)) - 1);
        return true;
    }

    template <int n>
    void Take(const Spans<n>& spans) {
        rest_ = spans.rest;
        stop_ = base_ + spans.stop[n - 1];
    }

    template <int n>
    std::string_view View(const Spans<n>& spans, int i) const {
        return {base_ + spans.first[i], spans.stop[i] - spans.first[i]};
    }

    // NextToken(cursor, true).
    std::string_view Rest() {
        const char* begin;
        if (rest_ != 0) {
            begin = base_ + bytes::LowestBit(rest_);
        } else {
            // No window is needed for the rest: skip the spaces that open it.
            begin = Last() ? end_ : bytes::SkipSpaces(base_ + kWindow, end_);
            if (begin == end_) {
                stop_ = end_;
                base_ = end_;
                return {};
            }
        }
        rest_ = 0;
        base_ = end_;  // nothing is left to read
        stop_ = end_;
        return {begin, static_cast<std::size_t>(end_ - begin)};
    }

    // The end of the bytes scanned: every token lies before it.
    const char* End() const { return end_; }

    // Where a Cursor would stand after the same calls: past the space that
    // ended the last token, or at the end.
    const char* Pos() const {
        if (stop_ == nullptr) return start_;
        return stop_ == end_ ? end_ : stop_ + 1;
    }

private:
    static constexpr std::size_t kWindow = 64;

    // Moves on to the window that holds the next token byte; false (and
    // the scanner at the end) when none is left.
    bool FindTokenBits() {
        while (rest_ == 0) {
            if (Last()) {
                stop_ = end_;
                return false;
            }
            Load(base_ + kWindow);
        }
        return true;
    }

    bool Last() const { return end_ - base_ <= static_cast<std::ptrdiff_t>(kWindow); }

    // A token whose bits run to the top of the window goes on in the next.
    const char* LongTokenEnd() {
        for (;;) {
            if (Last()) {
                rest_ = 0;
                stop_ = end_;
                return end_;
            }
            Load(base_ + kWindow);
            const std::uint64_t spaces = ~nonSpace_;
            if (spaces != 0) {
                const std::size_t stop = bytes::LowestBit(spaces);
                rest_ = nonSpace_ & ~((std::uint64_t{2} << stop) - 1);
                stop_ = base_ + stop;
                return stop_;
            }
        }
    }

    // Sets the window to [base, base + 64), cut at end_.
    void Load(const char* base) {
        base_ = base;
        const std::size_t n = static_cast<std::size_t>(end_ - base) < kWindow
                                  ? static_cast<std::size_t>(end_ - base)
                                  : kWindow;
        std::uint64_t spaces = 0;
        std::size_t i = 0;
#if defined(__SSE2__)
        const __m128i blank = _mm_set1_epi8(' ');
        const auto spacesAt = [&](std::size_t at) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + at));
            return static_cast<std::uint64_t>(
                static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, blank))));
        };
        if (readable_ - base >= static_cast<std::ptrdiff_t>(kWindow)) {
            // A whole window may be read: four compares, no loop; bytes past
            // the end count as spaces.
            nonSpace_ =
                ~(spacesAt(0) | spacesAt(16) << 16 | spacesAt(32) << 32 | spacesAt(48) << 48);
            if (n != kWindow) nonSpace_ &= (std::uint64_t{1} << n) - 1;
            rest_ = nonSpace_;
            return;
        }
        for (; i + 16 <= n; i += 16) spaces |= spacesAt(i) << i;
        if (i < n && n >= 16) {
            // The last bytes: compare the 16 that end at the window's end
            // and keep the bits of those not yet seen.
            spaces |= spacesAt(n - 16) >> (16 - (n - i)) << i;
            i = n;
        }
#endif
        for (; i < n; ++i) spaces |= static_cast<std::uint64_t>(base[i] == ' ') << i;
        // Bytes past the end count as spaces, so a token stops there.
        nonSpace_ = ~spaces & (n == kWindow ? ~std::uint64_t{0} : (std::uint64_t{1} << n) - 1);
        rest_ = nonSpace_;
    }

    const char* end_;
    const char* readable_;
    const char* start_;
    const char* base_ = nullptr;
    const char* stop_ = nullptr;  // where the last token ended; null before the first
    std::uint64_t nonSpace_ = 0;  // bit i: base_[i] is a byte of a token
    std::uint64_t rest_ = 0;      // nonSpace_ without the tokens already read
};

// True when every byte is a decimal digit; the empty token is all digits,
// the absent token (null data()) is not.
inline bool IsAllDigits(std::string_view token) {
    if (token.data() == nullptr) return false;
    for (char ch : token) {
        if (ch < '0' || ch > '9') return false;
    }
    return true;
}

// Numbers read by the atoi rule: optional leading white space and sign,
// then the leading decimal digits; 0 when there are none. Values beyond the
// type's range saturate instead of overflowing.
std::int32_t ReadInt32Slow(std::string_view text);
std::int64_t ReadInt64Slow(std::string_view text);

// Reads a token that starts with a digit and is too short to overflow
// `digits` decimal digits: the common case, kept inline. 0 and false when
// it does not apply.
inline bool ReadShortNumber(std::string_view text, std::size_t digits, std::int64_t& value) {
    if (text.empty() || text.size() > digits || static_cast<unsigned char>(text[0] - '0') > 9) {
        return false;
    }
    std::int64_t v = text[0] - '0';
    for (std::size_t i = 1; i < text.size(); ++i) {
        const unsigned d = static_cast<unsigned char>(text[i] - '0');
        if (d > 9) break;
        v = v * 10 + d;
    }
    value = v;
    return true;
}

inline std::int32_t ReadInt32(std::string_view text) {
    std::int64_t value;
    if (ReadShortNumber(text, 9, value)) return static_cast<std::int32_t>(value);
    return ReadInt32Slow(text);
}

inline std::int64_t ReadInt64(std::string_view text) {
    std::int64_t value;
    if (ReadShortNumber(text, 18, value)) return value;
    return ReadInt64Slow(text);
}

// The value of the two decimal digits at `p`, or -1 when they are not both
// digits.
FTPDIRLIST_ALWAYS_INLINE int TwoDigits(const char* p) {
    const unsigned high = static_cast<unsigned char>(p[0] - '0');
    const unsigned low = static_cast<unsigned char>(p[1] - '0');
    return (high <= 9 && low <= 9) ? static_cast<int>(high * 10 + low) : -1;
}

// The value of `n` (1 to 8) bytes at p when all are decimal digits, else
// -1. Reads the 8 bytes at p, which must all be readable.
FTPDIRLIST_ALWAYS_INLINE std::int64_t EightDigits(const char* p, std::size_t n) {
#if FTPDIRLIST_SWAR
    constexpr std::uint64_t kZeros = 0x3030303030303030ull;
    constexpr std::uint64_t kHighNibbles = 0xF0F0F0F0F0F0F0F0ull;
    // The n bytes to the top, "0"s below them as leading digits.
    const unsigned shift = static_cast<unsigned>(8 - n) * 8;
    std::uint64_t w = bytes::Load8(p);
    w = shift == 0 ? w : (w << shift) | (kZeros & ((std::uint64_t{1} << shift) - 1));
    // Every byte 0x30-0x39: high nibble 3, and adding 6 does not carry out.
    if (((w & kHighNibbles) | (((w + 0x0606060606060606ull) & kHighNibbles) >> 4)) !=
        0x3333333333333333ull) {
        return -1;
    }
    // Eight digits to a number in three multiplications: pairs, fours, eight.
    w -= kZeros;
    w = (w * 10) + (w >> 8);
    w = (((w & 0x000000FF000000FFull) * (100 + (1000000ull << 32))) +
         (((w >> 16) & 0x000000FF000000FFull) * (1 + (10000ull << 32)))) >>
        32;
    return static_cast<std::int64_t>(w);
#else
    std::int64_t v = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned digit = static_cast<unsigned char>(p[i] - '0');
        if (digit > 9) return -1;
        v = v * 10 + digit;
    }
    return v;
#endif
}

// IsAllDigits(token), reading ReadInt64(token) into `value` on the way
// when it is true. Bytes up to `limit`, when given, may be read.
inline bool ReadDigits(std::string_view token, std::int64_t& value, const char* limit = nullptr) {
    if (token.data() == nullptr) return false;
    // Sizes of up to 16 digits inside a line, 8 bytes at a time.
    const std::size_t n = token.size();
    if (limit != nullptr && n - 1 < 16 && limit - token.data() >= 16) {
        if (n <= 8) {
            value = EightDigits(token.data(), n);
            return value >= 0;
        }
        const std::int64_t high = EightDigits(token.data(), n - 8);
        const std::int64_t low = EightDigits(token.data() + n - 8, 8);
        if (high < 0 || low < 0) return false;
        value = high * 100000000 + low;
        return true;
    }
    if (token.size() > 18) {  // may not fit: test, then read by the rule
        if (!IsAllDigits(token)) return false;
        value = ReadInt64(token);
        return true;
    }
    std::int64_t v = 0;
    for (char ch : token) {
        const unsigned digit = static_cast<unsigned char>(ch - '0');
        if (digit > 9) return false;
        v = v * 10 + digit;
    }
    value = v;
    return true;
}

// Bytes before the first `ch` of `text`, or the whole text when it holds none.
inline std::string_view UpTo(std::string_view text, char ch) {
    std::size_t at = text.find(ch);
    return at == std::string_view::npos ? text : text.substr(0, at);
}

}  // namespace ftpdirlist
