#include "entries/extras_column.h"

#include <utility>

namespace ftpdirlist {

void ExtrasColumn::Resize(std::size_t count) {
    Reserve(count);
    while (size_ < count) {
        if (next_ == end_) Locate();
        TakeNext();
    }
}

void ExtrasColumn::Truncate(std::size_t count) noexcept {
    size_ = count;
    if (count == 0) {
        blocks_.clear();
        room_ = 0;
    } else {
        const RowBlocks::Place last = RowBlocks::PlaceOf(count - 1);
        while (blocks_.size() > last.block + 1) blocks_.pop_back();
        room_ = count + (RowBlocks::RowsInBlock(last.block) - last.offset - 1);
    }
    next_ = end_ = nullptr;
    Locate();
}

void ExtrasColumn::Grow(std::size_t count) {
    while (room_ < count) {
        AddLayoutBlock(blocks_);
        room_ += RowBlocks::RowsInBlock(blocks_.size() - 1);
    }
    if (next_ == end_) Locate();
}

void ExtrasColumn::Locate() noexcept {
    if (size_ >= room_) {
        next_ = end_;
        return;
    }
    const RowBlocks::Place place = RowBlocks::PlaceOf(size_);
    StoredExtras* block = blocks_[place.block].get();
    next_ = block + place.offset;
    end_ = block + RowBlocks::RowsInBlock(place.block);
}

void ExtrasColumn::Steal(ExtrasColumn& other) noexcept {
    blocks_ = std::move(other.blocks_);
    other.blocks_.clear();
    size_ = std::exchange(other.size_, 0);
    room_ = std::exchange(other.room_, 0);
    next_ = std::exchange(other.next_, nullptr);
    end_ = std::exchange(other.end_, nullptr);
}

}  // namespace ftpdirlist
