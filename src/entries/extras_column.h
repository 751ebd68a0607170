// The extras of an extended table's rows, one slot per row.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <type_traits>

#include "model/entry.h"

namespace ftpdirlist {

// What a row of an extended table tells beyond the row: lengths only. The
// texts follow the row's name and attributes in the row's one reservation,
// in this order, so their addresses follow from the lengths.
struct StoredExtras {
    std::uint32_t targetLength = 0;
    std::uint32_t ownerLength = 0;
    std::uint32_t groupLength = 0;
    std::uint32_t factsLength = 0;
    std::int8_t second = -1;
    std::uint8_t utc = 0;
    EntryFormat format = EntryFormat::unknown;

    // The bytes of the texts, after the row's attributes.
    std::size_t TextBytes() const {
        return std::size_t{targetLength} + ownerLength + groupLength + factsLength;
    }
};

static_assert(sizeof(StoredExtras) <= 20, "extras stay within 20 bytes a row");
// Slots are moved as bytes and never destroyed.
static_assert(std::is_trivially_copyable<StoredExtras>::value &&
                  std::is_trivially_destructible<StoredExtras>::value,
              "extras are plain bytes");

// Slots by row index. Its count and room are kept as counts, so that the
// usual step, one slot more within the room, is one compare; the room past
// Size() is raw memory, constructed only when a slot is taken.
class ExtrasColumn {
public:
    ExtrasColumn() = default;
    // Moves leave `other` empty and usable.
    ExtrasColumn(ExtrasColumn&& other) noexcept { Steal(other); }
    ExtrasColumn& operator=(ExtrasColumn&& other) noexcept {
        if (this != &other) {
            Free();
            Steal(other);
        }
        return *this;
    }
    ExtrasColumn(const ExtrasColumn&) = delete;
    ExtrasColumn& operator=(const ExtrasColumn&) = delete;
    ~ExtrasColumn() { Free(); }

    std::size_t Size() const { return size_; }
    std::size_t Capacity() const { return capacity_; }
    // The slots taken, Size() of them in row order.
    const StoredExtras* Data() const { return slots_; }
    StoredExtras& operator[](std::size_t index) { return slots_[index]; }
    const StoredExtras& operator[](std::size_t index) const { return slots_[index]; }

    // Whether slot `index` can be written by Put without allocating: it is
    // within the room, and every slot before it is taken.
    bool Holds(std::size_t index) const { return index < capacity_ && index <= size_; }
    // Writes slot `index` (Holds(index)), taking it when it is the next.
    void Put(std::size_t index, const StoredExtras& extras) {
        new (slots_ + index) StoredExtras(extras);
        size_ += index == size_;
    }
    // Whether the slot of row `index`, the next one, can be taken within the room.
    bool TakesNext(std::size_t index) const { return index == size_ && index < capacity_; }
    // Takes that slot, as constructed.
    StoredExtras& TakeNext() { return *new (slots_ + size_++) StoredExtras; }

    // Room for `count` slots at least. Throws std::bad_alloc, changing
    // nothing then.
    void Reserve(std::size_t count) {
        if (count <= capacity_) return;
        auto* slots = static_cast<StoredExtras*>(::operator new(count * sizeof(StoredExtras)));
        if (size_ != 0)
            std::memcpy(static_cast<void*>(slots), slots_, size_ * sizeof(StoredExtras));
        ::operator delete(slots_);
        slots_ = slots;
        capacity_ = count;
    }
    // `count` slots, those added as constructed; within the room (Reserve)
    // it never fails.
    void Resize(std::size_t count) {
        Reserve(count);
        for (std::size_t i = size_; i < count; ++i) new (slots_ + i) StoredExtras;
        size_ = count;
    }

private:
    void Free() noexcept { ::operator delete(slots_); }
    void Steal(ExtrasColumn& other) noexcept {
        slots_ = other.slots_;
        size_ = other.size_;
        capacity_ = other.capacity_;
        other.slots_ = nullptr;
        other.size_ = 0;
        other.capacity_ = 0;
    }

    StoredExtras* slots_ = nullptr;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

}  // namespace ftpdirlist
