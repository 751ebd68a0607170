#include "entries/name_index.h"

#include <utility>

namespace ftpdirlist {

NameIndex::NameIndex(NameIndex&& other) noexcept
    : slots_(std::move(other.slots_)),
      mask_(std::exchange(other.mask_, 0)),
      half_(std::exchange(other.half_, 0)),
      used_(std::exchange(other.used_, 0)),
      built_(std::exchange(other.built_, false)) {}

NameIndex& NameIndex::operator=(NameIndex&& other) noexcept {
    if (this != &other) {
        slots_ = std::move(other.slots_);
        other.slots_.clear();
        mask_ = std::exchange(other.mask_, 0);
        half_ = std::exchange(other.half_, 0);
        used_ = std::exchange(other.used_, 0);
        built_ = std::exchange(other.built_, false);
    }
    return *this;
}

void NameIndex::Rehash(std::size_t slotCount) {
    // The new slots are allocated before the old ones are let go, so that a
    // failed allocation leaves the index whole.
    Slots old(slotCount, Slot{0, 0});
    old.swap(slots_);
    SetSize();
    // The names are distinct: each goes to the first empty slot of its
    // probe sequence, found by the hash alone.
    const std::size_t mask = slots_.size() - 1;
    for (const Slot& slot : old) {
        if (slot.row == 0) continue;
        std::size_t i = slot.hash & mask;
        while (slots_[i].row != 0) i = (i + 1) & mask;
        slots_[i] = slot;
    }
}

void NameIndex::Build(const RowBlocks& rows, std::size_t indexed, std::size_t expected) {
    std::size_t slotCount = 64;
    const std::size_t names = indexed > expected ? indexed : expected;
    while (slotCount < names * 2) slotCount *= 2;
    slots_.assign(slotCount, Slot{0, 0});
    SetSize();
    used_ = 0;
    built_ = true;  // only once the slots exist: a failed allocation leaves it unbuilt
    // Rows stored before the table started collapsing keep their whole
    // names; only the first row of each name is indexed.
    for (std::size_t r = 0; r < indexed; ++r) {
        const std::string_view name = rows.At(r).Name();
        const std::uint32_t hash = Hash(name);
        Slot& slot = slots_[Probe(name, hash, rows)];
        if (slot.row == 0) {
            slot = {static_cast<std::uint32_t>(r + 1), hash};
            ++used_;
        }
    }
}

void NameIndex::Grow() { Rehash(slots_.empty() ? 64 : slots_.size() * 2); }

}  // namespace ftpdirlist
