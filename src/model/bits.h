// Bit and byte helpers shared by the parts of the library: the highest set
// bit of a word, and a copy without a call for the short texts of listings.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

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
        std::uint64_t head;
        std::uint64_t tail;
        std::memcpy(&head, from, 8);
        std::memcpy(&tail, from + n - 8, 8);
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

}  // namespace bits
}  // namespace ftpdirlist
