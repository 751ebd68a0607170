#include "entries/row_blocks.h"

#include <utility>

#include "entries/large_pages.h"

namespace ftpdirlist {

RowBlocks::RowBlocks(RowBlocks&& other) noexcept
    : blocks_(std::move(other.blocks_)),
      count_(std::exchange(other.count_, 0)),
      next_(std::exchange(other.next_, nullptr)),
      left_(std::exchange(other.left_, 0)) {}

RowBlocks& RowBlocks::operator=(RowBlocks&& other) noexcept {
    if (this != &other) {
        blocks_ = std::move(other.blocks_);
        other.blocks_.clear();
        count_ = std::exchange(other.count_, 0);
        next_ = std::exchange(other.next_, nullptr);
        left_ = std::exchange(other.left_, 0);
    }
    return *this;
}

void RowBlocks::AddBlock() {
    const std::size_t rows = RowsInBlock(blocks_.size());
    // Owned before the vector may grow: a failing growth frees it.
    std::unique_ptr<EntryRow, FreeRows> block(
        static_cast<EntryRow*>(::operator new(rows * sizeof(EntryRow))));
    AdviseLargePages(block.get(), rows * sizeof(EntryRow));
    blocks_.push_back(std::move(block));
    next_ = blocks_.back().get();
    left_ = rows;
}

}  // namespace ftpdirlist
