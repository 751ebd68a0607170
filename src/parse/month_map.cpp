#include "parse/month_map.h"

#include <array>
#include <cstdint>

namespace ftpdirlist {

namespace {

struct ClassicMonthKey {
    const char* text;
    int month;
};

// The keys, grouped by the number they give; generated from the flagged
// keys of the extended dialect's month table.
#include "parse/month_map_keys.inc"

constexpr std::size_t kKeyCount = sizeof(kClassicMonthKeys) / sizeof(kClassicMonthKeys[0]);
static_assert(kKeyCount == 113, "every month key is listed once");

constexpr std::size_t kLongestKey = 5;

// A key of up to seven bytes packed into one word, its length in the top
// byte, so that a lookup compares integers.
constexpr std::uint64_t Pack(const char* text, std::size_t length) {
    std::uint64_t word = static_cast<std::uint64_t>(length) << 56;
    for (std::size_t i = 0; i < length; ++i) {
        word |= static_cast<std::uint64_t>(static_cast<unsigned char>(text[i])) << (8 * i);
    }
    return word;
}

constexpr std::size_t Length(const char* text) {
    std::size_t n = 0;
    while (text[n] != '\0') ++n;
    return n;
}

// Open addressing over the packed words: 256 slots for 113 keys keep the
// probe sequences short, and a lookup is a multiply, a shift and one or two
// compares. A word of 0 (no key packs to it) marks an empty slot.
class KeyTable {
public:
    constexpr KeyTable() {
        for (const ClassicMonthKey& key : kClassicMonthKeys) {
            const std::uint64_t word = Pack(key.text, Length(key.text));
            std::size_t i = Slot(word);
            while (words_[i] != 0) i = (i + 1) % kSlots;
            words_[i] = word;
            months_[i] = static_cast<std::uint8_t>(key.month);
        }
    }

    constexpr int Find(std::uint64_t word) const {
        for (std::size_t i = Slot(word);; i = (i + 1) % kSlots) {
            if (words_[i] == word) return months_[i];
            if (words_[i] == 0) return 0;
        }
    }

private:
    static constexpr std::size_t kSlots = 256;
    static constexpr std::size_t Slot(std::uint64_t word) {
        return static_cast<std::size_t>((word * 0x9E3779B97F4A7C15ull) >> 56);
    }

    std::array<std::uint64_t, kSlots> words_{};
    std::array<std::uint8_t, kSlots> months_{};
};

// Built by the compiler: a lookup needs no guard for a first use.
constexpr KeyTable kKeys;

const KeyTable& Keys() { return kKeys; }

// A byte as a small letter when it is an ASCII capital.
std::uint64_t Folded(char byte) {
    const unsigned ch = static_cast<unsigned char>(byte);
    return ch + (static_cast<unsigned>(ch - 'A' < 26u) << 5);
}

std::uint64_t Unchanged(char byte) { return static_cast<unsigned char>(byte); }

// Packs like Pack, each byte through `map`; three-byte tokens, most month
// tokens, without a loop.
template <std::uint64_t (*map)(char)>
int Look(std::string_view token) {
    if (token.size() == 3) {
        return Keys().Find((std::uint64_t{3} << 56) | map(token[0]) | map(token[1]) << 8 |
                           map(token[2]) << 16);
    }
    if (token.empty() || token.size() > kLongestKey) return 0;
    std::uint64_t word = static_cast<std::uint64_t>(token.size()) << 56;
    for (std::size_t i = 0; i < token.size(); ++i) word |= map(token[i]) << (8 * i);
    return Keys().Find(word);
}

// The English slots of the inline lookups give what the whole table gives.
constexpr bool EnglishSlotsAgree() {
    for (const month_map_detail::EnglishSlot& slot : month_map_detail::kEnglish.slots) {
        if (slot.word == 0) continue;
        const std::uint64_t word = (std::uint64_t{3} << 56) | slot.word;
        const std::uint64_t capitals = (std::uint64_t{3} << 56) | (slot.word ^ 0x202020u);
        if (kKeys.Find(word) != slot.month || kKeys.Find(capitals) != slot.month) return false;
    }
    return true;
}
static_assert(EnglishSlotsAgree(), "the English slots agree with the month keys");

}  // namespace

int MonthMapAll(std::string_view token) { return Look<Unchanged>(token); }

int MonthMapFoldedAll(std::string_view token) { return Look<Folded>(token); }

}  // namespace ftpdirlist
