// Word-at-a-time byte searches for the hot loops: eight bytes per step
// where the machine is little-endian, one byte per step elsewhere. They
// never read outside [p, end).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__ && \
    (defined(__GNUC__) || defined(__clang__))
#define FTPDIRLIST_SWAR 1
#else
#define FTPDIRLIST_SWAR 0
#endif

// For the few helpers of the hottest paths that the compiler would leave
// out of line for their size.
#if defined(__GNUC__) || defined(__clang__)
#define FTPDIRLIST_ALWAYS_INLINE inline __attribute__((always_inline))
#else
#define FTPDIRLIST_ALWAYS_INLINE inline
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
inline std::size_t LowestBit(std::uint64_t word) {
#if defined(__GNUC__) || defined(__clang__)
    return static_cast<std::size_t>(__builtin_ctzll(word));
#else
    std::size_t i = 0;
    while ((word & 1u) == 0) {
        word >>= 1;
        ++i;
    }
    return i;
#endif
}

// Index of the highest set bit of a nonzero word.
inline unsigned HighestBit(std::uint64_t word) {
#if defined(__GNUC__) || defined(__clang__)
    return 63u - static_cast<unsigned>(__builtin_clzll(word));
#else
    unsigned i = 0;
    while ((word >>= 1) != 0) ++i;
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

// The first line end (CR or LF) in [p, end), or end; with `orZero`, the
// first zero byte counts too.
template <bool orZero>
inline const char* FindLineStop(const char* p, const char* end) {
    for (;;) {
#if defined(__SSE2__)
        // One unsigned compare finds every byte up to CR (13): the few
        // control bytes among them that end nothing are stepped over below.
        const __m128i cr = _mm_set1_epi8('\r');
        for (; end - p >= 16; p += 16) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            const int mask = _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_min_epu8(v, cr), v));
            if (mask != 0) {
                p += LowestBit(static_cast<unsigned>(mask));
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
        if (p == end || *p == '\r' || *p == '\n' || (orZero && *p == '\0')) return p;
        ++p;
    }
}

#if defined(__SSE2__)
// The 64 bytes at p, all readable, in one pass: bit i of `spaces` is set
// when p[i] is a space, of `low` when p[i] is CR or below (every line end
// and the zero byte among them).
struct Window64 {
    std::uint64_t spaces;
    std::uint64_t low;
};

inline Window64 ScanWindow64(const char* p) {
    const __m128i blank = _mm_set1_epi8(' ');
    const __m128i cr = _mm_set1_epi8('\r');
    Window64 w{0, 0};
    for (int at = 0; at < 64; at += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + at));
        w.spaces |= static_cast<std::uint64_t>(
                        static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, blank))))
                    << at;
        w.low |= static_cast<std::uint64_t>(static_cast<unsigned>(
                     _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_min_epu8(v, cr), v))))
                 << at;
    }
    return w;
}
#endif

// Position of the first `ch` among the n bytes at p, or n when there is
// none. Bytes up to `limit` (>= p + n) may be read, which lets one vector
// compare cover a short token inside its line.
inline std::size_t Find(const char* p, std::size_t n, const char* limit, char ch) {
    std::size_t at = 0;
#if defined(__SSE2__)
    const __m128i wanted = _mm_set1_epi8(ch);
    for (; limit - (p + at) >= 16 && at < n; at += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + at));
        const unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, wanted)));
        if (mask != 0) {
            const std::size_t hit = at + LowestBit(mask);
            return hit < n ? hit : n;
        }
    }
#else
    (void)limit;
#endif
    for (; at < n; ++at) {
        if (p[at] == ch) return at;
    }
    return n;
}

// Copies n bytes, as memcpy, without a call for the short texts of
// listings: two overlapping moves cover every length from 4 to 32.
inline void Copy(char* to, const char* from, std::size_t n) {
    if (n >= 16) {
        if (n > 32) {
            std::memcpy(to, from, n);
            return;
        }
        char head[16];
        char tail[16];
        std::memcpy(head, from, 16);
        std::memcpy(tail, from + n - 16, 16);
        std::memcpy(to, head, 16);
        std::memcpy(to + n - 16, tail, 16);
    } else if (n >= 8) {
        const std::uint64_t head = Load8(from);
        const std::uint64_t tail = Load8(from + n - 8);
        std::memcpy(to, &head, 8);
        std::memcpy(to + n - 8, &tail, 8);
    } else if (n >= 4) {
        std::uint32_t head;
        std::uint32_t tail;
        std::memcpy(&head, from, 4);
        std::memcpy(&tail, from + n - 4, 4);
        std::memcpy(to, &head, 4);
        std::memcpy(to + n - 4, &tail, 4);
    } else if (n > 0) {
        const char first = from[0];
        const char middle = from[n / 2];
        const char last = from[n - 1];
        to[0] = first;
        to[n / 2] = middle;
        to[n - 1] = last;
    }
}

}  // namespace bytes
}  // namespace ftpdirlist
