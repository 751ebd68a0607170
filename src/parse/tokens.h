// Listing lines, their space-separated tokens, and reading numbers.
#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "parse/bytes.h"

namespace ftpdirlist {

// One line as the driver hands it to a line parser: the text [begin, end)
// and the bound of what may be read, `readable` (>= end). The bytes from end
// to readable belong to the input (the chunk, or the driver's own buffer):
// the fast kernels may read them, nothing takes them as part of the line,
// and nothing ever writes them.
struct Line {
    Line(const char* first, const char* last, const char* readableTo)
        : begin(first), end(last), readable(readableTo) {
        assert(begin <= end && end <= readable);
    }
    // A line whose own end is the read bound.
    explicit Line(std::string_view text)
        : Line(text.data(), text.data() + text.size(), text.data() + text.size()) {}

    std::string_view Text() const { return {begin, static_cast<std::size_t>(end - begin)}; }

    const char* begin;
    const char* end;
    const char* readable;
};

// The tokens of a line: bytes up to the next space (0x20, the only
// separator), after skipping spaces; a token is never empty. The spaces of
// 64 bytes at a time become one bit mask of the token edges, and each token
// is then a few bit operations. Reads only what the Line allows. The
// reference build walks the bytes one at a time instead.
class TokenScanner {
public:
    // `spaces`, unless null: the spaces among the 64 bytes at line.begin,
    // already found (bit i: line.begin[i] is a space; bits past the line's
    // end are ignored).
    explicit TokenScanner(const Line& line, const std::uint64_t* spaces = nullptr)
        : end_(line.end), readable_(line.readable), base_(line.begin) {
#if FTPDIRLIST_SHORTCUTS
        if (spaces != nullptr) {
            SetBits(~*spaces);
        } else {
            Load(base_);
        }
#else
        (void)spaces;
#endif
    }

    // The next token; a view with a null data() when only spaces are left.
    FTPDIRLIST_ALWAYS_INLINE std::string_view Next() {
#if FTPDIRLIST_SHORTCUTS
        while (FTPDIRLIST_UNLIKELY(edges_ == 0)) {
            if (Last()) return {};
            Load(base_ + bytes::kWindow);
        }
        const std::size_t first = bytes::LowestBit(edges_);
        const char* begin = base_ + first;
        const std::uint64_t after = edges_ & (edges_ - 1);
        // No stop in the window: the token reaches its top, and may go on
        // in the next.
        if (FTPDIRLIST_UNLIKELY(after == 0)) {
            edges_ = 0;
            return {begin, static_cast<std::size_t>(TopTokenEnd() - begin)};
        }
        edges_ = after & (after - 1);
        return {begin, bytes::LowestBit(after) - first};
#else
        const char* begin = bytes::SkipSpaces(base_, end_);
        if (begin == end_) {
            base_ = end_;
            return {};
        }
        const char* stop = bytes::FindSpace(begin + 1, end_);
        base_ = stop;
        return {begin, static_cast<std::size_t>(stop - begin)};
#endif
    }

    // The next n tokens when they all lie in the current window (a token
    // that reaches its top does only when the line ends there): true, the
    // tokens in `out` and the scanner past them; else false and nothing
    // moved. One step: the edge mask gives all n at once.
    template <int n>
    FTPDIRLIST_ALWAYS_INLINE bool TakeInWindow(std::string_view (&out)[n]) {
        return TakeInWindowInto<n>(out);
    }

    // TakeInWindow into out[0] to out[n - 1], of any type made from a data
    // pointer and a size: a keeper of tokens gets them without a copy.
    template <int n, typename Token>
    FTPDIRLIST_ALWAYS_INLINE bool TakeInWindowInto(Token* out) {
#if FTPDIRLIST_SHORTCUTS
        std::uint64_t edges = edges_;
        // The window holds n more tokens when 2n - 2 of its edges cleared
        // leave one, the n-th token's start: one test for all n, whose
        // clearing is the taking's own.
        std::uint64_t left = edges;
#pragma GCC unroll 32
        for (int i = 2; i < 2 * n; ++i) left &= left - 1;
        if (left == 0) return false;
#pragma GCC unroll 16
        for (int i = 0; i < n; ++i) {
            const std::size_t first = bytes::LowestBit(edges);
            edges &= edges - 1;
            std::size_t stop;
            if (i == n - 1 && FTPDIRLIST_UNLIKELY(edges == 0)) {
                // The last token reaches the window's top: it ends there
                // only when the line does.
                if (!Last()) return false;
                stop = bytes::kWindow;
            } else {
                stop = bytes::LowestBit(edges);
                edges &= edges - 1;
            }
            out[i] = Token{base_ + first, stop - first};
        }
        edges_ = edges;
        return true;
#else
        (void)out;
        return false;
#endif
    }

    // The next n tokens in `out`, in one step; the number found, fewer than
    // n only when the line ran out (the rest of `out` is then untouched).
    template <int n>
    FTPDIRLIST_ALWAYS_INLINE int Take(std::string_view (&out)[n]) {
        if (TakeInWindow(out)) return n;
        for (int k = 0; k < n; ++k) {
            const std::string_view token = Next();
            if (token.data() == nullptr) return k;
            out[k] = token;
        }
        return n;
    }

    // Everything left of the line from its first non-space byte, inner and
    // trailing spaces included; a null data() when only spaces are left.
    // Nothing is left to read afterwards.
    FTPDIRLIST_ALWAYS_INLINE std::string_view Rest() {
#if FTPDIRLIST_SHORTCUTS
        const char* begin;
        if (edges_ != 0) {
            begin = base_ + bytes::LowestBit(edges_);
        } else {
            // No window is needed for the rest: skip the spaces that open it.
            begin = Last() ? end_ : bytes::SkipSpaces(base_ + bytes::kWindow, end_);
        }
        edges_ = 0;
        base_ = end_;
#else
        const char* begin = bytes::SkipSpaces(base_, end_);
        base_ = end_;
#endif
        if (begin == end_) return {};
        return {begin, static_cast<std::size_t>(end_ - begin)};
    }

    // The bound of what may be read: readers of a token may read up to it.
    const char* Readable() const { return readable_; }

    // How many tokens are left to read, counting no further than `most`;
    // the scanner does not move. Tokens are counted window by window by
    // their edges, a token that runs on from the window before counted once.
    std::size_t CountLeft(std::size_t most) const {
        std::size_t n = 0;
#if FTPDIRLIST_SHORTCUTS
        TokenScanner scan = *this;
        bool runsOn = false;  // the last token counted reached the window's top
        for (;;) {
            std::uint64_t edges = scan.edges_;
            // A token at the window's top goes on at the next one's first
            // byte when that is no space: its start there is none, and its
            // stop, when in this window, ends it.
            if (runsOn && (edges & 1) != 0) {
                edges &= edges - 1;
                if (edges == 0) {
                    if (scan.Last()) return n;
                    scan.Load(scan.base_ + bytes::kWindow);
                    continue;
                }
                edges &= edges - 1;
            }
            runsOn = false;
            while (edges != 0 && n < most) {
                ++n;
                edges &= edges - 1;
                if (edges == 0) {
                    runsOn = true;
                    break;
                }
                edges &= edges - 1;
            }
            if (n >= most || scan.Last()) return n;
            scan.Load(scan.base_ + bytes::kWindow);
        }
#else
        TokenScanner scan = *this;
        while (n < most && scan.Next().data() != nullptr) ++n;
        return n;
#endif
    }

private:
#if FTPDIRLIST_SHORTCUTS
    bool Last() const { return end_ - base_ <= static_cast<std::ptrdiff_t>(bytes::kWindow); }

    // The edges of the window at base_, cut at the line's end: a bit at
    // each byte that differs from the one before in being a space (the
    // bytes before the window and from the line's end on count as spaces).
    FTPDIRLIST_ALWAYS_INLINE void SetBits(std::uint64_t nonSpace) {
        const std::size_t n = static_cast<std::size_t>(end_ - base_);
        if (n < bytes::kWindow) nonSpace &= (std::uint64_t{1} << n) - 1;
        edges_ = nonSpace ^ (nonSpace << 1);
    }

    // Sets the window to [base, base + 64), cut at end_.
    FTPDIRLIST_ALWAYS_INLINE void Load(const char* base) {
        base_ = base;
        const std::size_t left = static_cast<std::size_t>(end_ - base);
        const std::size_t n = left < bytes::kWindow ? left : bytes::kWindow;
        SetBits(~bytes::SpaceMask64(base, n, readable_));
    }

    // The end of a token whose bytes run to the top of the window: the first
    // space of a later window, or the line's end. The scanner is left after
    // it.
    FTPDIRLIST_ALWAYS_INLINE const char* TopTokenEnd() {
        for (;;) {
            if (Last()) return end_;
            Load(base_ + bytes::kWindow);
            // A byte at 0 goes on with the token; a space there ended it.
            if ((edges_ & 1) == 0) return base_;
            const std::uint64_t after = edges_ & (edges_ - 1);
            edges_ = 0;
            if (after != 0) {
                edges_ = after & (after - 1);
                return base_ + bytes::LowestBit(after);
            }
        }
    }
#endif

    const char* end_;
    const char* readable_;
    const char* base_;  // the window's first byte (the reference build: the read position)
#if FTPDIRLIST_SHORTCUTS
    // The edges of the tokens not yet read, two a token: bit i where one
    // starts at base_[i], and where one ends before base_[i]; a token that
    // reaches the window's top has its start only.
    std::uint64_t edges_ = 0;
#endif
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
    if (FTPDIRLIST_SHORTCUTS && ReadShortNumber(text, 9, value)) {
        return static_cast<std::int32_t>(value);
    }
    return ReadInt32Slow(text);
}

inline std::int64_t ReadInt64(std::string_view text) {
    std::int64_t value;
    if (FTPDIRLIST_SHORTCUTS && ReadShortNumber(text, 18, value)) return value;
    return ReadInt64Slow(text);
}

// The value of the two decimal digits at `p`, or -1 when they are not both
// digits.
FTPDIRLIST_ALWAYS_INLINE int TwoDigits(const char* p) {
    // In unsigned int, not cut to a byte: a byte below "0" wraps to a large
    // value all the same, and no zero extension is needed.
    const unsigned high = static_cast<unsigned>(static_cast<unsigned char>(p[0])) - '0';
    const unsigned low = static_cast<unsigned>(static_cast<unsigned char>(p[1])) - '0';
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

#if FTPDIRLIST_SSE2
namespace digits_detail {

// 5 to the power -k modulo 2^64 (5 is odd, so it has an inverse), for k
// 0 to 15: dividing a multiple of 10^k by 10^k is a shift by k and a
// multiplication by this.
constexpr std::uint64_t InverseOf(std::uint64_t odd) {
    std::uint64_t x = odd;  // right in the low 3 bits; each step doubles that
    for (int i = 0; i < 5; ++i) x *= 2 - odd * x;
    return x;
}

struct InversePowersOf5 {
    constexpr InversePowersOf5() {
        std::uint64_t power = 1;
        for (std::uint64_t& inverse : values) {
            inverse = InverseOf(power);
            power *= 5;
        }
    }
    std::uint64_t values[16] = {};
};

inline constexpr InversePowersOf5 kInversePowersOf5{};
static_assert(kInversePowersOf5.values[15] * 30517578125ull == 1, "5^15 times its inverse is 1");

// 16 bytes of 0xFF then 16 of 0: the 16 bytes at 16 - n keep the first n.
alignas(16) inline constexpr unsigned char kKeepFirst[32] = {
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

}  // namespace digits_detail

// The value of `n` (1 to 16) bytes at p when all are decimal digits, else
// -1. Reads the 16 bytes at p, which must all be readable. The bytes past
// the n-th read as "0", so that the 16 digits give the value times 10^(16-n),
// divided out exactly at the end.
FTPDIRLIST_ALWAYS_INLINE std::int64_t SixteenDigits(const char* p, std::size_t n) {
    using namespace digits_detail;
    const __m128i keep = _mm_loadu_si128(reinterpret_cast<const __m128i*>(kKeepFirst + (16 - n)));
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i digits = _mm_and_si128(_mm_sub_epi8(bytes, _mm_set1_epi8('0')), keep);
    // Every byte a digit: 0 to 9 once "0" is taken off, as unsigned bytes.
    const __m128i nine = _mm_set1_epi8(9);
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_min_epu8(digits, nine), digits)) != 0xFFFF) {
        return -1;
    }
    // Digits to pairs, pairs to fours, fours to eights (first digit highest).
    // A pair's 16 bits times 0x0A01 hold 10 * first + second in the high
    // byte (the second digit's own product falls out of the 16 bits).
    const __m128i pairs = _mm_srli_epi16(_mm_mullo_epi16(digits, _mm_set1_epi16(0x0A01)), 8);
    const __m128i fours = _mm_madd_epi16(pairs, _mm_set1_epi32(100 | (1 << 16)));
    const __m128i eights =
        _mm_madd_epi16(_mm_packs_epi32(fours, fours), _mm_set1_epi32(10000 | (1 << 16)));
    std::uint64_t both;
    _mm_storel_epi64(reinterpret_cast<__m128i*>(&both), eights);
    const std::uint64_t scaled = (both & 0xFFFFFFFFu) * 100000000u + (both >> 32);
    const std::size_t k = 16 - n;
    return static_cast<std::int64_t>((scaled >> k) * kInversePowersOf5.values[k]);
}
#endif

// IsAllDigits(token), reading ReadInt64(token) into `value` on the way
// when it is true. May read any byte before `readable` (>= the token's
// end): tokens of up to 16 digits are then read 16 bytes at a time (SSE2)
// or 8 at a time (SWAR).
FTPDIRLIST_ALWAYS_INLINE bool ReadDigits(std::string_view token, std::int64_t& value,
                                         const char* readable) {
    if (token.data() == nullptr) return false;
    const std::size_t n = token.size();
#if FTPDIRLIST_SSE2
    if (n - 1 < 16 && readable - token.data() >= 16) {
        value = SixteenDigits(token.data(), n);
        return value >= 0;
    }
#endif
#if FTPDIRLIST_SHORTCUTS
    if (n - 1 < 8 && readable - token.data() >= 8) {
        value = EightDigits(token.data(), n);
        return value >= 0;
    }
    if (n - 1 < 16 && readable - token.data() >= 16) {
        const std::int64_t high = EightDigits(token.data(), n - 8);
        const std::int64_t low = EightDigits(token.data() + n - 8, 8);
        if (high < 0 || low < 0) return false;
        value = high * 100000000 + low;
        return true;
    }
#else
    (void)readable;
#endif
    if (n > 18) {  // may not fit: test, then read by the rule
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

}  // namespace ftpdirlist
