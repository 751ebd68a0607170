// The extras of an extended table's rows, one slot per row.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <type_traits>
#include <vector>

#include "entries/row_blocks.h"
#include "model/entry.h"

namespace ftpdirlist {

// What a row of an extended table tells beyond the row (its format is in
// the row): lengths only. The texts follow the row's name and attributes
// in the row's one reservation, in this order, so their addresses follow
// from the lengths.
struct StoredExtras {
    std::uint32_t targetLength = 0;
    std::uint32_t ownerLength = 0;
    std::uint32_t groupLength = 0;
    std::uint32_t factsLength = 0;
    std::int8_t second = -1;
    std::uint8_t utc = 0;

    // The bytes of the texts, after the row's attributes.
    std::size_t TextBytes() const {
        return std::size_t{targetLength} + ownerLength + groupLength + factsLength;
    }
};

static_assert(sizeof(StoredExtras) <= 20, "extras stay within 20 bytes a row");
// Blocks of slots are released without destroying the slots.
static_assert(std::is_trivially_copyable<StoredExtras>::value &&
                  std::is_trivially_destructible<StoredExtras>::value,
              "extras are plain bytes");

// Slots by row index, in blocks laid out as the rows' blocks are: the slot
// of row i lies in block RowBlocks::PlaceOf(i).block at the same offset, so
// a reader walking a row block walks its extras block beside it. A block is
// allocated when a slot in it is first needed (a table whose rows need none
// allocates none), is never moved or copied, and is freed without
// destroying its slots. The room past Size() is raw memory, constructed
// only when a slot is taken. The usual step, one slot more in the block at
// hand, is one compare.
class ExtrasColumn {
public:
    ExtrasColumn() = default;
    // Moves leave `other` empty and usable; the slots stay where they are.
    ExtrasColumn(ExtrasColumn&& other) noexcept { Steal(other); }
    ExtrasColumn& operator=(ExtrasColumn&& other) noexcept {
        if (this != &other) {
            blocks_.clear();
            Steal(other);
        }
        return *this;
    }
    ExtrasColumn(const ExtrasColumn&) = delete;
    ExtrasColumn& operator=(const ExtrasColumn&) = delete;

    std::size_t Size() const { return size_; }
    // The slots of the rows of row block `block`, at the rows' offsets;
    // those of rows below Size() are taken. `block` holds a row below Size().
    const StoredExtras* Block(std::size_t block) const { return blocks_[block].get(); }
    // Slot `index`, below Size().
    StoredExtras& operator[](std::size_t index) { return At(index); }
    const StoredExtras& operator[](std::size_t index) const { return At(index); }

    // Writes slot `index`, taking it when it is the next: every slot before
    // it is taken, and its block is allocated (Reserve(index + 1)).
    void Put(std::size_t index, const StoredExtras& extras) {
        if (TakesNext(index)) {
            TakeNext(extras);
        } else if (index < size_) {
            At(index) = extras;
        } else {
            Locate();  // the first slot of a block allocated ahead
            TakeNext(extras);
        }
    }
    // Whether the slot of row `index`, the next one, can be taken in the
    // block at hand. False at a block's end, even when the next block is
    // allocated: Put and Resize take that slot.
    bool TakesNext(std::size_t index) const { return index == size_ && next_ != end_; }
    // Takes that slot, as constructed.
    StoredExtras& TakeNext() {
        ++size_;
        return *new (next_++) StoredExtras;
    }
    // Takes that slot, holding `extras`.
    void TakeNext(const StoredExtras& extras) {
        ++size_;
        new (next_++) StoredExtras(extras);
    }

    // Blocks for `count` slots at least. Throws std::bad_alloc, the slots
    // unchanged then.
    void Reserve(std::size_t count) {
        if (count > room_) Grow(count);
    }
    // `count` slots at least (no fewer than Size()), those added as
    // constructed; within the blocks allocated (Reserve) it never fails.
    void Resize(std::size_t count);
    // Keeps only the first `count` slots (no more than Size()) and frees the
    // blocks after theirs. Never throws.
    void Truncate(std::size_t count) noexcept;

private:
    StoredExtras& At(std::size_t index) const {
        const RowBlocks::Place place = RowBlocks::PlaceOf(index);
        return blocks_[place.block].get()[place.offset];
    }
    // Reserve's allocating part, kept apart from it.
    void Grow(std::size_t count);
    // Points next_ and end_ into the block of slot Size(), if it is
    // allocated; otherwise makes them equal.
    void Locate() noexcept;
    void Steal(ExtrasColumn& other) noexcept;

    std::vector<LayoutBlock<StoredExtras>> blocks_;
    std::size_t size_ = 0;  // the slots taken
    std::size_t room_ = 0;  // the slots of the blocks allocated
    // The slot Size() and the end of its block, when that block is
    // allocated and Locate() or TakeNext() last set them; otherwise equal.
    StoredExtras* next_ = nullptr;
    StoredExtras* end_ = nullptr;
};

}  // namespace ftpdirlist
