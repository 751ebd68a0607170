// The table's one name lookup: from a name to the first row of that name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "entries/large_pages.h"
#include "entries/row_blocks.h"
#include "model/bits.h"

namespace ftpdirlist {

// Open addressing over the rows' own names (the index keeps no text). Built
// when a table starts collapsing VMS versions; costs O(length of the name)
// per lookup on average, whatever the number of rows.
class NameIndex {
public:
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

    NameIndex() = default;
    // Moves leave `other` empty and unbuilt.
    NameIndex(NameIndex&& other) noexcept;
    NameIndex& operator=(NameIndex&& other) noexcept;
    NameIndex(const NameIndex&) = delete;
    NameIndex& operator=(const NameIndex&) = delete;

    static std::uint32_t Hash(std::string_view name) {
        // Eight bytes per step (the last step overlaps the one before), mixed by
        // multiplication; short names are read byte by byte.
        constexpr std::uint64_t kMul = 0x9E3779B97F4A7C15ull;
        const auto word = [](const char* p) {
            std::uint64_t w;
            std::memcpy(&w, p, sizeof w);
            return w;
        };
        const char* p = name.data();
        const std::size_t n = name.size();
        std::uint64_t h = n * kMul;
        if (n >= 8) {
            std::size_t i = 0;
            for (; i + 8 < n; i += 8) h = (h ^ word(p + i)) * kMul;
            h = (h ^ word(p + n - 8)) * kMul;
        } else {
            std::uint64_t bytes = 0;
            for (std::size_t i = 0; i < n; ++i) {
                bytes |= static_cast<std::uint64_t>(static_cast<unsigned char>(p[i])) << (8 * i);
            }
            h = (h ^ bytes) * kMul;
        }
        return static_cast<std::uint32_t>((h ^ (h >> 29)) >> 16);
    }

    bool Built() const { return built_; }
    // Indexes the first row of each name among the first `indexed` rows of
    // `rows`, with room for `expected` names in all before the index must
    // grow.
    void Build(const RowBlocks& rows, std::size_t indexed, std::size_t expected);
    // Where a name stands: its first row (kNone when the name is not
    // indexed) and its slot (where it would go when it is not).
    struct Lookup {
        std::size_t row;
        std::size_t slot;
    };
    Lookup Find(std::string_view name, std::uint32_t hash, const RowBlocks& rows) const {
        const std::size_t slot = Probe(name, hash, rows);
        const std::uint32_t row = slots_[slot].row;
        return {row == 0 ? kNone : row - 1, slot};
    }
    // Asks for the first slot a lookup of `hash` reads to be brought into
    // the cache; only a hint.
    void Prefetch(std::uint32_t hash) const {
#if defined(__GNUC__)
        // An empty index has a null data() and mask 0: a hint for nothing.
        __builtin_prefetch(slots_.data() + (hash & mask_));
#else
        (void)hash;
#endif
    }
    // Whether `more` names would fill the index beyond half. Grow() then
    // doubles it (the slots of earlier lookups are void), before the rows are
    // stored, so that a failed growth leaves no row outside the index.
    bool Full(std::size_t more = 1) const { return used_ + more > half_; }
    void Grow();
    // Adds `row`, whose name has hash `hash` and was looked up last, at the
    // slot that lookup gave.
    void Put(const Lookup& at, std::size_t row, std::uint32_t hash) {
        slots_[at.slot] = {static_cast<std::uint32_t>(row + 1), hash};
        ++used_;
    }

private:
    // A slot holds row + 1 (0 when empty) and the name's hash.
    struct Slot {
        std::uint32_t row;
        std::uint32_t hash;
    };

    // The slot of `name`, or the empty slot where it belongs.
    std::size_t Probe(std::string_view name, std::uint32_t hash, const RowBlocks& rows) const {
        const Slot* const slots = slots_.data();
        for (std::size_t i = hash & mask_;; i = (i + 1) & mask_) {
            const Slot& slot = slots[i];
            if (slot.row == 0) return i;
            if (slot.hash == hash && bits::SameBytes(rows.At(slot.row - 1).Name(), name)) return i;
        }
    }
    void Rehash(std::size_t slotCount);
    // mask_ and half_ for the slots now held.
    void SetSize() {
        mask_ = slots_.empty() ? 0 : slots_.size() - 1;
        half_ = slots_.size() / 2;
    }

    using Slots = std::vector<Slot, LargePageAllocator<Slot>>;
    Slots slots_;  // a power of two, at most half full
    // The slots' count less one (0 while there are none) and half of it,
    // kept beside them for the lookups.
    std::size_t mask_ = 0;
    std::size_t half_ = 0;
    std::size_t used_ = 0;
    bool built_ = false;
};

}  // namespace ftpdirlist
