// Bit and byte helpers shared by the parts of the library: the highest set
// bit of a word, and a copy and a compare without a call for the short texts
// of listings.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace ftpdirlist {
namespace bits {

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

// Copies the first and the last kSize of n bytes (n at least kSize): every
// byte when n is at most 2 * kSize. Both are read before either is written.
template <std::size_t kSize>
inline void CopyEnds(char* to, const char* from, std::size_t n) {
    char head[kSize];
    char tail[kSize];
    std::memcpy(head, from, kSize);
    std::memcpy(tail, from + n - kSize, kSize);
    std::memcpy(to, head, kSize);
    std::memcpy(to + n - kSize, tail, kSize);
}

// Copies n bytes, as memcpy, without a call for the short texts of
// listings: two overlapping moves cover every length from 4 to 32.
inline void Copy(char* to, const char* from, std::size_t n) {
    if (n >= 16) {
        if (n > 32) {
            std::memcpy(to, from, n);
            return;
        }
        CopyEnds<16>(to, from, n);
    } else if (n >= 8) {
        CopyEnds<8>(to, from, n);
    } else if (n >= 4) {
        CopyEnds<4>(to, from, n);
    } else if (n > 0) {
        const char first = from[0];
        const char middle = from[n / 2];
        const char last = from[n - 1];
        to[0] = first;
        to[n / 2] = middle;
        to[n - 1] = last;
    }
}

// Whether the first and the last sizeof(Word) of n bytes (n at least that)
// are the same at x and at y.
template <class Word>
inline bool SameEnds(const char* x, const char* y, std::size_t n) {
    Word x0, x1, y0, y1;
    std::memcpy(&x0, x, sizeof x0);
    std::memcpy(&x1, x + n - sizeof x1, sizeof x1);
    std::memcpy(&y0, y, sizeof y0);
    std::memcpy(&y1, y + n - sizeof y1, sizeof y1);
    return ((x0 ^ y0) | (x1 ^ y1)) == 0;
}

// Whether two texts hold the same bytes, as == on views, without a call for
// the short names of listings: two overlapping loads cover every length
// from 4 to 16, and no byte outside either text is read.
inline bool SameBytes(std::string_view a, std::string_view b) {
    const std::size_t n = a.size();
    if (n != b.size()) return false;
    const char* x = a.data();
    const char* y = b.data();
    if (n > 16) return std::memcmp(x, y, n) == 0;
    if (n >= 8) return SameEnds<std::uint64_t>(x, y, n);
    if (n >= 4) return SameEnds<std::uint32_t>(x, y, n);
    for (std::size_t i = 0; i < n; ++i) {
        if (x[i] != y[i]) return false;
    }
    return true;
}

}  // namespace bits
}  // namespace ftpdirlist
