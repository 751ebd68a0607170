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

void* NewLayoutBlock(std::size_t bytes) {
    void* block = ::operator new(bytes);
    AdviseLargePages(block, bytes);
    return block;
}

void RowBlocks::AddSpare() {
    AddLayoutBlock(blocks_);
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
