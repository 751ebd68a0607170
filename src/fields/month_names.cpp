#include "fields/month_names.h"

#include <array>
#include <cstddef>
#include <cstdint>

#include "parse/bytes.h"
#include "fields/month_keys.h"

namespace ftpdirlist {

namespace {

constexpr std::size_t kKeyCount = sizeof(kMonthKeys) / sizeof(kMonthKeys[0]);

constexpr std::size_t LongestKey() {
    std::size_t longest = 0;
    for (const MonthKey& key : kMonthKeys)
        longest = key.text.size() > longest ? key.text.size() : longest;
    return longest;
}

constexpr std::size_t kLongestKey = LongestKey();

constexpr std::uint64_t kOnes = 0x0101010101010101ull;

// The ASCII capitals among eight packed bytes as small letters, every other
// byte unchanged (each byte's high bit keeps the sums from carrying).
constexpr std::uint64_t FoldWord(std::uint64_t word) {
    const std::uint64_t low = word & (0x7F * kOnes);
    const std::uint64_t fromA = low + (0x80 - 'A') * kOnes;
    const std::uint64_t pastZ = low + (0x80 - 'Z' - 1) * kOnes;
    const std::uint64_t capitals = fromA & ~pastZ & ~word & (0x80 * kOnes);
    return word | (capitals >> 2);
}

constexpr std::uint64_t Byte(const char* bytes, std::size_t i) {
    return static_cast<unsigned char>(bytes[i]);
}

constexpr std::uint64_t Load32(const char* bytes) {
    return Byte(bytes, 0) | Byte(bytes, 1) << 8 | Byte(bytes, 2) << 16 | Byte(bytes, 3) << 24;
}

// Packs `size` bytes (1 to 8), the first in the lowest byte, the rest zero,
// reading no byte outside them: two overlapping four-byte loads, or three
// single bytes for the short ones, without a loop.
constexpr std::uint64_t Load(const char* bytes, std::size_t size) {
    if (size >= 4) return Load32(bytes) | Load32(bytes + size - 4) << (8 * (size - 4));
    return Byte(bytes, 0) | Byte(bytes, size / 2) << (8 * (size / 2)) |
           Byte(bytes, size - 1) << (8 * (size - 1));
}

constexpr std::size_t Min8(std::size_t size) { return size < 8 ? size : 8; }

constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15ull;

// The folded first eight bytes of a token, and its hash over all of them
// folded: a token of up to eight bytes, most month names, costs one
// multiply.
struct Packed {
    std::uint64_t head;
    std::uint64_t hash;
};

constexpr Packed Pack(const char* bytes, std::size_t size) {
    const std::uint64_t head = FoldWord(Load(bytes, Min8(size)));
    std::uint64_t hash = (head ^ size) * kMultiplier;
    for (std::size_t i = 8; i < size; i += 8) {
        hash = (hash ^ FoldWord(Load(bytes + i, Min8(size - i)))) * kMultiplier;
    }
    return {head, hash};
}

// Open addressing over the keys: 2048 slots for some 740 keys keep probe
// sequences short. Each key's folded first eight bytes sit beside its index,
// so that a lookup of a short token compares integers. Built by the
// compiler, so a lookup needs no guard for a first use.
class KeyTable {
public:
    static constexpr std::size_t kSlots = 2048;
    static_assert(kKeyCount < kSlots / 2, "the table stays at most half full");
    static_assert(kKeyCount < 0xFFFF, "a slot holds a key index");

    constexpr KeyTable() {
        for (std::size_t k = 0; k < kKeyCount; ++k) {
            const std::string_view text = kMonthKeys[k].text;
            const Packed packed = Pack(text.data(), text.size());
            heads_[k] = packed.head;
            std::size_t slot = Slot(packed.hash);
            while (slots_[slot] != 0) slot = (slot + 1) % kSlots;
            slots_[slot] = static_cast<std::uint16_t>(k + 1);
        }
    }

    // The key that `bytes` spell with ASCII letters in any case, or nullptr.
    // `size` is 1 to kLongestKey.
    const MonthKey* Find(const char* bytes, std::size_t size) const {
        const Packed packed = Pack(bytes, size);
        for (std::size_t slot = Slot(packed.hash);; slot = (slot + 1) % kSlots) {
            const std::size_t entry = slots_[slot];
            if (entry == 0) return nullptr;
            const MonthKey& key = kMonthKeys[entry - 1];
            if (heads_[entry - 1] == packed.head && key.text.size() == size &&
                TailMatches(key.text, bytes)) {
                return &key;
            }
        }
    }

private:
    static constexpr std::size_t Slot(std::uint64_t hash) {
        return static_cast<std::size_t>(hash >> 53);
    }

    // Bytes past the first eight, folded, against the key's.
    static bool TailMatches(std::string_view key, const char* bytes) {
        for (std::size_t i = 8; i < key.size(); ++i) {
            if (FoldWord(Byte(bytes, i)) != Byte(key.data(), i)) return false;
        }
        return true;
    }

    std::array<std::uint16_t, kSlots> slots_{};
    std::array<std::uint64_t, kKeyCount> heads_{};
};

constexpr KeyTable kKeys;

// The key of `token` compared whole, ASCII letters in any case.
const MonthKey* Find(std::string_view token) {
    if (token.empty() || token.size() > kLongestKey) return nullptr;
    return kKeys.Find(token.data(), token.size());
}

}  // namespace

// Built from the same keys as KeyTable, so that it finds what KeyTable finds.
constexpr ThreeLetterTable::ThreeLetterTable() {
    for (const MonthKey& key : kMonthKeys) {
        if (key.text.size() != 3 || !IsSmall(key.text[0]) || !IsSmall(key.text[1]) ||
            !IsSmall(key.text[2])) {
            continue;
        }
        // An ASCII key is of no code page; the table keeps months only.
        if (key.codePage != CodePage::unknown) throw "an ASCII key with a code page";
        months_[Index(Letter(key.text[0]), Letter(key.text[1]), Letter(key.text[2]))] =
            static_cast<std::uint8_t>(key.month);
    }
}

constexpr ThreeLetterTable kThreeLetters;

MonthName LookupOtherMonthName(std::string_view token) {
    while (!token.empty() && token.front() == ' ') token.remove_prefix(1);
    while (!token.empty() && token.back() == ' ') token.remove_suffix(1);
    if (!token.empty() && token.back() == '.') token.remove_suffix(1);
    const MonthKey* key = Find(token);
    if (key == nullptr || key->month == 0) return {};
    return {key->month, key->codePage};
}

bool IsTotalWord(std::string_view token) {
    const MonthKey* key = Find(token);
    return key != nullptr && key->month == 0;
}

}  // namespace ftpdirlist
