#include "entries/row_blocks.h"

#include <utility>

#include "entries/large_pages.h"

namespace ftpdirlist {

RowBlocks::RowBlocks(RowBlocks&& other) noexcept
    : blocks_(std::move(other.blocks_)),
      next_(std::exchange(other.next_, nullptr)),
      end_(std::exchange(other.end_, nullptr)),
      blockRowsEnd_(std::exchange(other.blockRowsEnd_, 0)),
      spare_(std::exchange(other.spare_, false)) {}

RowBlocks& RowBlocks::operator=(RowBlocks&& other) noexcept {
    if (this != &other) {
        blocks_ = std::move(other.blocks_);
        other.blocks_.clear();
        next_ = std::exchange(other.next_, nullptr);
        end_ = std::exchange(other.end_, nullptr);
        blockRowsEnd_ = std::exchange(other.blockRowsEnd_, 0);
        spare_ = std::exchange(other.spare_, false);
    }
    return *this;
}

void RowBlocks::AddSpare() {
    const std::size_t rows = RowsInBlock(blocks_.size());
    // Owned before the vector may grow: a failing growth frees it.
    std::unique_ptr<EntryRow, FreeRows> block(
        static_cast<EntryRow*>(::operator new(rows * sizeof(EntryRow))));
    AdviseLargePages(block.get(), rows * sizeof(EntryRow));
    blocks_.push_back(std::move(block));
    spare_ = true;
}

void RowBlocks::Truncate(std::size_t count) noexcept {
    if (count >= Size()) return;
    // Row `count` lies in a begun block, which stays begun.
    const Place place = PlaceOf(count);
    while (blocks_.size() > place.block + 1) blocks_.pop_back();
    const std::size_t rows = RowsInBlock(place.block);
    next_ = blocks_.back().get() + place.offset;
    end_ = blocks_.back().get() + rows;
    blockRowsEnd_ = count + (rows - place.offset);
    spare_ = false;
}

void RowBlocks::BeginBlock() {
    if (!spare_) AddSpare();
    StartSpare();
}

}  // namespace ftpdirlist
