#include "parse/month_map.h"

#include <array>
#include <cstdint>

namespace ftpdirlist {

namespace {

struct MonthKey {
    const char* text;
    int month;
};

// Keys grouped by the number they give. Keys with bytes of 0x80 and above
// are written as escapes in the code page the servers send them in.
// clang-format off
constexpr MonthKey kMonthKeys[] = {
    {"jan", 1}, {"JAN", 1}, {"1", 1}, {"01", 1}, {"janv", 1}, {"gen", 1}, {"ene", 1}, {"sty", 1},
    {"\xFF\xED\xE2", 1},  // янв, Windows-1251
    {"jan1", 1},

    {"feb", 2}, {"FEB", 2}, {"2", 2}, {"02", 2},
    {"f\xE9" "b", 2},      // féb, Windows-1252
    {"f\xE9v", 2},         // fév, Windows-1252
    {"fev", 2},
    {"f\xE9vr", 2},        // févr, Windows-1252
    {"fevr", 2}, {"lut", 2},
    {"\xF4\xE5\xE2", 2},   // фев, Windows-1251
    {"feb2", 2},

    {"mar", 3}, {"MAR", 3}, {"3", 3}, {"03", 3}, {"mrz", 3},
    {"m\xE4r", 3},         // mär, Windows-1252
    {"mars", 3},
    {"\xEC\xE0\xF0", 3},   // мар, Windows-1251
    {"mrt", 3}, {"mar3", 3},

    {"apr", 4}, {"APR", 4}, {"4", 4}, {"04", 4}, {"avr", 4}, {"abr", 4}, {"kwi", 4},
    {"\xE0\xEF\xF0", 4},   // апр, Windows-1251
    {"apr4", 4},

    {"may", 5}, {"MAY", 5}, {"5", 5}, {"05", 5}, {"mai", 5}, {"mag", 5}, {"maj", 5},
    {"\xEC\xE0\xE9", 5},   // май, Windows-1251
    {"mei", 5}, {"may5", 5},

    {"jun", 6}, {"JUN", 6}, {"6", 6}, {"06", 6}, {"juin", 6}, {"giu", 6}, {"cze", 6},
    {"\xE8\xFE\xED", 6},   // июн, Windows-1251
    {"jun6", 6},

    {"jul", 7}, {"JUL", 7}, {"7", 7}, {"07", 7}, {"juil", 7}, {"lug", 7}, {"lip", 7},
    {"\xE8\xFE\xEB", 7},   // июл, Windows-1251
    {"jul7", 7},

    {"aug", 8}, {"AUG", 8}, {"8", 8}, {"08", 8},
    {"ao\xFB", 8},         // aoû, Windows-1252
    {"ao\xFBt", 8},        // août, Windows-1252
    {"aout", 8}, {"ago", 8}, {"sie", 8},
    {"\xE0\xE2\xE3", 8},   // авг, Windows-1251
    {"aug8", 8},

    {"sep", 9}, {"SEP", 9}, {"9", 9}, {"09", 9}, {"sept", 9}, {"set", 9}, {"wrz", 9},
    {"\xF1\xE5\xED", 9},   // сен, Windows-1251
    {"sep9", 9}, {"sept9", 9},

    {"oct", 10}, {"OCT", 10}, {"10", 10}, {"okt", 10}, {"ott", 10},
    {"pa\x9F", 10},        // paź, Windows-1250
    {"\xEE\xEA\xF2", 10},  // окт, Windows-1251
    {"oct0", 10},

    {"nov", 11}, {"NOV", 11}, {"11", 11}, {"lis", 11},
    {"\xED\xEE\xFF", 11},  // ноя, Windows-1251
    {"nov1", 11},

    {"dec", 12}, {"DEC", 12}, {"12", 12}, {"dez", 12},
    {"d\xE9" "c", 12},     // déc, Windows-1252
    {"dic", 12}, {"gru", 12},
    {"\xE4\xE5\xEA", 12},  // дек, Windows-1251
    {"dec2", 12},
};
// clang-format on

constexpr std::size_t kKeyCount = sizeof(kMonthKeys) / sizeof(kMonthKeys[0]);
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
        for (const MonthKey& key : kMonthKeys) {
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
