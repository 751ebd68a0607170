// Byte searches for the hot loops, in three kernels behind one interface:
// SSE2 (16 bytes per step), SWAR (8 bytes per step in a 64-bit word, on
// little-endian machines) and scalar (one byte per step). The build picks
// them (FTPDIRLIST_KERNEL: auto, swar or scalar); the reference build
// (FTPDIRLIST_REFERENCE) takes the scalar ones and turns every shortcut of
// the parsers off.
//
// Read contract: a function reads only [p, end) unless it takes a `readable`
// bound (Find, SpaceMask64, ScanWindow64), in which case it may read any
// byte before `readable` too, never at or past it. Nothing here writes
// outside its destination.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(FTPDIRLIST_REFERENCE) && FTPDIRLIST_REFERENCE
#define FTPDIRLIST_SHORTCUTS 0
#else
#define FTPDIRLIST_SHORTCUTS 1
#endif

// FTPDIRLIST_KERNEL_SCALAR or FTPDIRLIST_KERNEL_SWAR, set by the build,
// force a kernel; otherwise the best one the target has is used.
#if !FTPDIRLIST_SHORTCUTS || defined(FTPDIRLIST_KERNEL_SCALAR)
#define FTPDIRLIST_SSE2 0
#define FTPDIRLIST_SWAR 0
#else
#if defined(__SSE2__) && !defined(FTPDIRLIST_KERNEL_SWAR)
#define FTPDIRLIST_SSE2 1
#else
#define FTPDIRLIST_SSE2 0
#endif
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__ && \
    (defined(__GNUC__) || defined(__clang__))
#define FTPDIRLIST_SWAR 1
#else
#define FTPDIRLIST_SWAR 0
#endif
#endif

#if FTPDIRLIST_SSE2
#include <emmintrin.h>
#endif

// For the few helpers of the hottest paths that the compiler would leave
// out of line for their size, and the rare paths kept out of them.
#if defined(__GNUC__) || defined(__clang__)
#define FTPDIRLIST_ALWAYS_INLINE inline __attribute__((always_inline))
#define FTPDIRLIST_NOINLINE __attribute__((noinline))
#define FTPDIRLIST_UNLIKELY(x) __builtin_expect(!!(x), 0)
#else
#define FTPDIRLIST_ALWAYS_INLINE inline
#define FTPDIRLIST_NOINLINE
#define FTPDIRLIST_UNLIKELY(x) (x)
#endif

namespace ftpdirlist {
namespace bytes {

constexpr std::uint64_t kOnes = 0x0101010101010101ull;
constexpr std::uint64_t kHigh = 0x8080808080808080ull;
constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;

inline std::uint64_t Load8(const char* p) {
    std::uint64_t w;
    std::memcpy(&w, p, sizeof w);
    return w;
}

// The high bit of every byte of `w` that is not zero, and no other bit
// (exact, unlike the shorter test that only says whether there is one).
inline std::uint64_t NonZeroBytes(std::uint64_t w) { return (((w & kLow7) + kLow7) | w) & kHigh; }

// The high bit of every byte of `w` equal to `ch`.
inline std::uint64_t BytesEqual(std::uint64_t w, unsigned char ch) {
    return ~NonZeroBytes(w ^ (kOnes * ch)) & kHigh;
}

// Index of the lowest set bit of a nonzero word.
FTPDIRLIST_ALWAYS_INLINE std::size_t LowestBit(std::uint64_t word) {
#if FTPDIRLIST_SHORTCUTS && defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
    // One bit scan, its index already pointer-wide: the token scanner takes
    // two per token. Processors without the instruction run it as the older
    // scan, which gives the same index for a nonzero word.
    std::size_t index;
    __asm__("tzcnt %1, %0" : "=r"(index) : "rm"(word) : "cc");
    return index;
#elif defined(__GNUC__) || defined(__clang__)
    // Through unsigned: a zero extension, which costs no instruction.
    return static_cast<unsigned>(__builtin_ctzll(word));
#else
    std::size_t i = 0;
    while ((word & 1u) == 0) {
        word >>= 1;
        ++i;
    }
    return i;
#endif
}

// Index of the first byte whose high bit is set in a nonzero mask.
inline std::size_t FirstByte(std::uint64_t mask) { return LowestBit(mask) >> 3; }

// The first byte in [p, end) that is not a space, or end.
inline const char* SkipSpaces(const char* p, const char* end) {
#if FTPDIRLIST_SWAR
    for (; end - p >= 8; p += 8) {
        const std::uint64_t m = NonZeroBytes(Load8(p) ^ (kOnes * ' '));
        if (m != 0) return p + FirstByte(m);
    }
#endif
    while (p != end && *p == ' ') ++p;
    return p;
}

// The first space in [p, end), or end.
inline const char* FindSpace(const char* p, const char* end) {
#if FTPDIRLIST_SWAR
    for (; end - p >= 8; p += 8) {
        const std::uint64_t m = BytesEqual(Load8(p), ' ');
        if (m != 0) return p + FirstByte(m);
    }
#endif
    while (p != end && *p != ' ') ++p;
    return p;
}

// Whether `ch` ends a line (CR or LF) or, with `orZero`, is the zero byte.
template <bool orZero>
inline bool IsLineStop(char ch) {
    return ch == '\r' || ch == '\n' || (orZero && ch == '\0');
}

#if FTPDIRLIST_SSE2
// Bit i set when p[i] is CR or below (every line end and the zero byte
// among them), for the 16 bytes at p. One unsigned compare finds them all:
// the few control bytes among them that end nothing are for the caller to
// step over.
inline unsigned LowBytes16(const char* p) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    return static_cast<unsigned>(
        _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_min_epu8(v, _mm_set1_epi8('\r')), v)));
}
#endif

// The first line end (CR or LF) in [p, end), or end; with `orZero`, the
// first zero byte counts too.
template <bool orZero>
inline const char* FindLineStop(const char* p, const char* end) {
    for (;;) {
#if FTPDIRLIST_SSE2
        for (; end - p >= 16; p += 16) {
            const unsigned mask = LowBytes16(p);
            if (mask != 0) {
                p += LowestBit(mask);
                break;
            }
        }
#elif FTPDIRLIST_SWAR
        for (; end - p >= 8; p += 8) {
            const std::uint64_t w = Load8(p);
            std::uint64_t hit = BytesEqual(w, '\r') | BytesEqual(w, '\n');
            if (orZero) hit |= BytesEqual(w, 0);
            if (hit != 0) {
                p += FirstByte(hit);
                break;
            }
        }
#endif
        while (p != end && static_cast<unsigned char>(*p) > '\r') ++p;
        if (p == end || IsLineStop<orZero>(*p)) return p;
        ++p;
    }
}

constexpr std::size_t kWindow = 64;

// Bit i set when p[i] is a space, for i < n (n <= 64); the bits from n up
// are 0. May read any byte before `readable` (>= p + n): with 64 of them
// readable, the mask takes four vector compares and no loop. The one space
// finder of the token scanner and the driver's line window.
FTPDIRLIST_ALWAYS_INLINE std::uint64_t SpaceMask64(const char* p, std::size_t n,
                                                   const char* readable) {
    std::uint64_t spaces = 0;
    std::size_t i = 0;
#if FTPDIRLIST_SSE2
    const __m128i blank = _mm_set1_epi8(' ');
    const auto spacesAt = [&](std::size_t at) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + at));
        return static_cast<std::uint64_t>(
            static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, blank))));
    };
    if (readable - p >= static_cast<std::ptrdiff_t>(kWindow)) {
        spaces = spacesAt(0) | spacesAt(16) << 16 | spacesAt(32) << 32 | spacesAt(48) << 48;
        return n == kWindow ? spaces : spaces & ((std::uint64_t{1} << n) - 1);
    }
    for (; i + 16 <= n; i += 16) spaces |= spacesAt(i) << i;
    if (i < n && n >= 16) {
        // The last bytes: compare the 16 that end at the n-th and keep the
        // bits of those not yet seen.
        spaces |= spacesAt(n - 16) >> (16 - (n - i)) << i;
        i = n;
    }
#elif FTPDIRLIST_SWAR
    (void)readable;
    for (; i + 8 <= n; i += 8) {
        // The high bit of each byte of the eight to one bit each.
        const std::uint64_t m = BytesEqual(Load8(p + i), ' ') >> 7;
        spaces |= ((m * 0x0102040810204080ull) >> 56) << i;
    }
#else
    (void)readable;
#endif
    for (; i < n; ++i) spaces |= static_cast<std::uint64_t>(p[i] == ' ') << i;
    return spaces;
}

#if FTPDIRLIST_SSE2
// Bit i set when v's byte i is CR or below, as LowBytes16.
inline unsigned LowBytes16(__m128i v) {
    return static_cast<unsigned>(
        _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_min_epu8(v, _mm_set1_epi8('\r')), v)));
}

// The first line end or zero byte in [p, end), or end, where end - p >=
// kLineWindow; `spaces` gets bit i set when p[i] is a space, for the 64
// bytes at p. Most lines end within 80 bytes: one test covers the first 48,
// and the next two chunks are tried before the loop of FindLineStop.
constexpr std::ptrdiff_t kLineWindow = 80;

FTPDIRLIST_ALWAYS_INLINE const char* ScanWindow64(const char* p, const char* end,
                                                  std::uint64_t& spaces) {
    const __m128i v0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i v1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16));
    const __m128i v2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 32));
    const __m128i v3 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 48));
    const __m128i blank = _mm_set1_epi8(' ');
    const auto spacesOf = [&](__m128i v) {
        return static_cast<std::uint64_t>(
            static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, blank))));
    };
    spaces = spacesOf(v0) | spacesOf(v1) << 16 | spacesOf(v2) << 32 | spacesOf(v3) << 48;
    const char* at;
    unsigned low;
    // A byte at or below CR in one of the first three chunks leaves one
    // at or below CR in their bytewise minimum.
    if (LowBytes16(_mm_min_epu8(_mm_min_epu8(v0, v1), v2)) != 0) {
        at = p;
        low = LowBytes16(v0);
        if (low == 0) {
            at += 16;
            low = LowBytes16(v1);
            if (low == 0) {
                at += 16;
                low = LowBytes16(v2);
            }
        }
    } else if ((low = LowBytes16(v3)) != 0) {
        at = p + 48;
    } else {
        at = p + kWindow;
        low = LowBytes16(at);
        if (low == 0) return FindLineStop<true>(at + 16, end);
    }
    at += LowestBit(low);
    // A byte at or below CR ends the line when it is CR, LF or zero;
    // another control byte ends nothing: search on from it.
    constexpr unsigned kStops = 1u << '\r' | 1u << '\n' | 1u;
    return (kStops >> static_cast<unsigned char>(*at) & 1u) != 0 ? at : FindLineStop<true>(at, end);
}
#endif

// Position of the first `ch` among the n bytes at p, or n when there is
// none. May read any byte before `readable` (>= p + n), which lets one
// vector compare cover a short token inside its line.
inline std::size_t Find(const char* p, std::size_t n, const char* readable, char ch) {
    std::size_t at = 0;
#if FTPDIRLIST_SSE2
    const __m128i wanted = _mm_set1_epi8(ch);
    if (n <= 16 && readable - p >= 16) {
        // A short token, the usual case: one compare, and a bit at n for
        // the answer when the token holds no `ch`.
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, wanted)));
        return LowestBit(mask | (1u << n));
    }
    for (; readable - (p + at) >= 16 && at < n; at += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + at));
        const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, wanted)));
        if (mask != 0) {
            const std::size_t hit = at + LowestBit(mask);
            return hit < n ? hit : n;
        }
    }
#else
    (void)readable;
#endif
    for (; at < n; ++at) {
        if (p[at] == ch) return at;
    }
    return n;
}

}  // namespace bytes
}  // namespace ftpdirlist
