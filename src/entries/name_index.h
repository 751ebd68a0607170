// The table's one name lookup: from a name to the first row of that name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "entries/row_blocks.h"

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

    static std::uint32_t Hash(std::string_view name);

    bool Built() const { return built_; }
    // Indexes the first row of each name among `rows`.
    void Build(const RowBlocks& rows);
    // The first row named `name` (of hash `hash`), or kNone.
    std::size_t Find(std::string_view name, std::uint32_t hash, const RowBlocks& rows) const {
        const std::uint32_t row = slots_[Probe(name, hash, rows)].row;
        return row == 0 ? kNone : row - 1;
    }
    // Makes room for one more name; called before the row is stored, so
    // that a failed growth leaves no row outside the index.
    void Reserve(const RowBlocks& rows);
    // Adds row `row`, whose name is not indexed yet and has hash `hash`.
    void Insert(std::size_t row, std::uint32_t hash, const RowBlocks& rows);

private:
    // A slot holds row + 1 (0 when empty) and the name's hash.
    struct Slot {
        std::uint32_t row;
        std::uint32_t hash;
    };

    // The slot of `name`, or the empty slot where it belongs.
    std::size_t Probe(std::string_view name, std::uint32_t hash, const RowBlocks& rows) const {
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
            const Slot& slot = slots_[i];
            if (slot.row == 0) return i;
            if (slot.hash == hash && rows.At(slot.row - 1).Name() == name) return i;
        }
    }
    void Rehash(std::size_t slotCount, const RowBlocks& rows);

    std::vector<Slot> slots_;  // a power of two, at most half full
    std::size_t used_ = 0;
    bool built_ = false;
};

}  // namespace ftpdirlist
