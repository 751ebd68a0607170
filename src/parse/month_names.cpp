#include "parse/month_names.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace ftpdirlist {

namespace {

// A key of the generated table: its bytes with ASCII letters folded to
// small letters and no final '.', its month (0 for a `total` word) and the
// code page its bytes are written in.
struct MonthKey {
    std::string_view text;
    int month;
    CodePage codePage;
};

#include "parse/month_names_table.inc"

constexpr std::size_t kKeyCount = sizeof(kMonthKeys) / sizeof(kMonthKeys[0]);

constexpr std::size_t LongestKey() {
    std::size_t longest = 0;
    for (const MonthKey& key : kMonthKeys)
        longest = key.text.size() > longest ? key.text.size() : longest;
    return longest;
}

constexpr std::size_t kLongestKey = LongestKey();

constexpr unsigned char Fold(char byte) {
    const unsigned ch = static_cast<unsigned char>(byte);
    return static_cast<unsigned char>(ch + (static_cast<unsigned>(ch - 'A' < 26u) << 5));
}

// Hashes folded bytes eight at a time: a token of up to eight bytes, most
// month names, costs one multiply.
constexpr std::uint64_t Hash(const unsigned char* bytes, std::size_t size) {
    constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15ull;
    std::uint64_t hash = size;
    std::uint64_t word = 0;
    for (std::size_t i = 0; i < size; ++i) {
        word |= std::uint64_t{bytes[i]} << (8 * (i % 8));
        if (i % 8 == 7) {
            hash = (hash ^ word) * kMultiplier;
            word = 0;
        }
    }
    hash = (hash ^ word) * kMultiplier;
    return hash ^ (hash >> 29);
}

// Open addressing over the key indices: 2048 slots for some 740 keys keep
// probe sequences short. Built by the compiler, so a lookup needs no guard
// for a first use.
class KeyTable {
public:
    static constexpr std::size_t kSlots = 2048;
    static_assert(kKeyCount < kSlots / 2, "the table stays at most half full");
    static_assert(kKeyCount < 0xFFFF, "a slot holds a key index");

    constexpr KeyTable() {
        for (std::size_t k = 0; k < kKeyCount; ++k) {
            const std::string_view text = kMonthKeys[k].text;
            unsigned char bytes[kLongestKey] = {};
            for (std::size_t i = 0; i < text.size(); ++i)
                bytes[i] = static_cast<unsigned char>(text[i]);
            std::size_t slot = Slot(Hash(bytes, text.size()));
            while (slots_[slot] != 0) slot = (slot + 1) % kSlots;
            slots_[slot] = static_cast<std::uint16_t>(k + 1);
        }
    }

    // The key whose bytes are `bytes` (already folded), or nullptr.
    const MonthKey* Find(const unsigned char* bytes, std::size_t size) const {
        for (std::size_t slot = Slot(Hash(bytes, size));; slot = (slot + 1) % kSlots) {
            const std::uint16_t entry = slots_[slot];
            if (entry == 0) return nullptr;
            const MonthKey& key = kMonthKeys[entry - 1];
            if (key.text.size() == size && std::memcmp(key.text.data(), bytes, size) == 0)
                return &key;
        }
    }

private:
    static constexpr std::size_t Slot(std::uint64_t hash) {
        return static_cast<std::size_t>(hash >> 53);
    }

    std::array<std::uint16_t, kSlots> slots_{};
};

constexpr KeyTable kKeys;

// The key of `token` compared whole, ASCII letters in any case.
const MonthKey* Find(std::string_view token) {
    if (token.empty() || token.size() > kLongestKey) return nullptr;
    unsigned char folded[kLongestKey];
    for (std::size_t i = 0; i < token.size(); ++i) folded[i] = Fold(token[i]);
    return kKeys.Find(folded, token.size());
}

}  // namespace

MonthName LookupMonthName(std::string_view token) {
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
