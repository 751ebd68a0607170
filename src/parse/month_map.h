// Month tokens of the listings, in eight languages, to month numbers.
#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>

#include "parse/bytes.h"

namespace ftpdirlist {

// The whole lookups, over every key (month_map.cpp).
int MonthMapAll(std::string_view token);
int MonthMapFoldedAll(std::string_view token);

namespace month_map_detail {

// The twelve English three-letter keys in small letters ("jan" ... "dec"),
// most month tokens of the listings, each in the slot of a perfect hash of
// its three bytes. month_map.cpp checks that every slot agrees with the
// whole table; the lookups below only shorten the way to those keys.
struct EnglishSlot {
    std::uint32_t word;  // the three bytes, first in the low byte; 0 in an empty slot
    std::uint8_t month;
};

constexpr std::uint32_t kEnglishMultiplier = 0x67E4;

constexpr std::uint32_t EnglishSlotOf(std::uint32_t word) {
    return static_cast<std::uint32_t>(word * kEnglishMultiplier) >> 28;
}

// The three bytes at `text`, the first in the low byte.
constexpr std::uint32_t Word3(const char* text) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(text[0])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(text[1])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(text[2])) << 16;
}

// Word3 of a token's bytes: two loads instead of three.
FTPDIRLIST_ALWAYS_INLINE std::uint32_t LoadWord3(const char* p) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    std::uint16_t low;
    std::memcpy(&low, p, sizeof low);
    return low | static_cast<std::uint32_t>(static_cast<unsigned char>(p[2])) << 16;
#else
    return Word3(p);
#endif
}

struct EnglishTable {
    constexpr EnglishTable() {
        const char* const names[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                     "jul", "aug", "sep", "oct", "nov", "dec"};
        for (int month = 1; month <= 12; ++month) {
            const std::uint32_t word = Word3(names[month - 1]);
            EnglishSlot& slot = slots[EnglishSlotOf(word)];
            if (slot.word != 0) collisions++;
            slot.word = word;
            slot.month = static_cast<std::uint8_t>(month);
        }
    }
    EnglishSlot slots[16] = {};
    int collisions = 0;
};

inline constexpr EnglishTable kEnglish{};
static_assert(kEnglish.collisions == 0, "the English keys hash to twelve slots");

}  // namespace month_map_detail

// Looks `token` up in MonthMap, comparing whole keys byte for byte (no case
// folding, no trimming). Returns the month number 1-12, or 0 when the token
// is not a key. Does not allocate.
FTPDIRLIST_ALWAYS_INLINE int MonthMap(std::string_view token) {
#if FTPDIRLIST_SHORTCUTS
    if (token.size() == 3) {
        using namespace month_map_detail;
        const std::uint32_t word = LoadWord3(token.data());
        // Setting bit 5 turns capitals and small letters into small letters
        // and no other byte into one. "jan" and "JAN" are keys, "Jan" is
        // not: the token must be all small letters or all capitals.
        const std::uint32_t folded = word | 0x202020u;
        const EnglishSlot& slot = kEnglish.slots[EnglishSlotOf(folded)];
        if (slot.word == folded && (word == folded || word == (folded ^ 0x202020u))) {
            return slot.month;
        }
    }
#endif
    return MonthMapAll(token);
}

// MonthMap with the ASCII capitals of `token` read as small letters (bytes
// of 0x80 and above are left alone). Does not allocate.
FTPDIRLIST_ALWAYS_INLINE int MonthMapFolded(std::string_view token) {
#if FTPDIRLIST_SHORTCUTS
    if (token.size() == 3) {
        using namespace month_map_detail;
        // As in MonthMap: only letters fold onto a key's small letters.
        const std::uint32_t folded = LoadWord3(token.data()) | 0x202020u;
        const EnglishSlot& slot = kEnglish.slots[EnglishSlotOf(folded)];
        if (slot.word == folded) return slot.month;
    }
#endif
    return MonthMapFoldedAll(token);
}

}  // namespace ftpdirlist
