#include "entries/name_index.h"

#include <cstring>
#include <utility>

namespace ftpdirlist {

NameIndex::NameIndex(NameIndex&& other) noexcept
    : slots_(std::move(other.slots_)),
      used_(std::exchange(other.used_, 0)),
      built_(std::exchange(other.built_, false)) {}

NameIndex& NameIndex::operator=(NameIndex&& other) noexcept {
    if (this != &other) {
        slots_ = std::move(other.slots_);
        other.slots_.clear();
        used_ = std::exchange(other.used_, 0);
        built_ = std::exchange(other.built_, false);
    }
    return *this;
}

std::uint32_t NameIndex::Hash(std::string_view name) {
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

void NameIndex::Rehash(std::size_t slotCount, const RowBlocks& rows) {
    // The new slots are allocated before the old ones are let go, so that a
    // failed allocation leaves the index whole.
    std::vector<Slot> old(slotCount, Slot{0, 0});
    old.swap(slots_);
    for (const Slot& slot : old) {
        if (slot.row != 0) slots_[Probe(rows.At(slot.row - 1).Name(), slot.hash, rows)] = slot;
    }
}

void NameIndex::Build(const RowBlocks& rows) {
    std::size_t slotCount = 64;
    while (slotCount < rows.Size() * 2) slotCount *= 2;
    slots_.assign(slotCount, Slot{0, 0});
    used_ = 0;
    built_ = true;  // only once the slots exist: a failed allocation leaves it unbuilt
    // Rows stored before the table started collapsing keep their whole
    // names; only the first row of each name is indexed.
    for (std::size_t r = 0; r < rows.Size(); ++r) {
        const std::string_view name = rows.At(r).Name();
        const std::uint32_t hash = Hash(name);
        Slot& slot = slots_[Probe(name, hash, rows)];
        if (slot.row == 0) {
            slot = {static_cast<std::uint32_t>(r + 1), hash};
            ++used_;
        }
    }
}

void NameIndex::Reserve(const RowBlocks& rows) {
    if ((used_ + 1) * 2 > slots_.size()) Rehash(slots_.empty() ? 64 : slots_.size() * 2, rows);
}

void NameIndex::Insert(std::size_t row, std::uint32_t hash, const RowBlocks& rows) {
    slots_[Probe(rows.At(row).Name(), hash, rows)] = {static_cast<std::uint32_t>(row + 1), hash};
    ++used_;
}

}  // namespace ftpdirlist
