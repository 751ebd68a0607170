#include "entries/text_arena.h"

#include <utility>

#include "entries/large_pages.h"

namespace ftpdirlist {

TextArena::TextArena(TextArena&& other) noexcept
    : blocks_(std::move(other.blocks_)),
      bigTexts_(std::move(other.bigTexts_)),
      next_(std::exchange(other.next_, nullptr)),
      end_(std::exchange(other.end_, nullptr)),
      nextBlockSize_(std::exchange(other.nextBlockSize_, kFirstBlock)) {}

TextArena& TextArena::operator=(TextArena&& other) noexcept {
    if (this != &other) {
        blocks_ = std::move(other.blocks_);
        other.blocks_.clear();
        bigTexts_ = std::move(other.bigTexts_);
        other.bigTexts_.clear();
        next_ = std::exchange(other.next_, nullptr);
        end_ = std::exchange(other.end_, nullptr);
        nextBlockSize_ = std::exchange(other.nextBlockSize_, kFirstBlock);
    }
    return *this;
}

char* TextArena::ReserveInNewBlock(std::size_t length) {
    if (length > kFirstBlock / 4) {
        std::unique_ptr<char[]> big(new char[length]);
        bigTexts_.push_back(std::move(big));
        return bigTexts_.back().get();
    }
    const std::size_t size = nextBlockSize_;
    std::unique_ptr<char[]> block(new char[size]);
    AdviseLargePages(block.get(), size);
    blocks_.push_back(std::move(block));
    next_ = blocks_.back().get();
    end_ = next_ + size;
    if (nextBlockSize_ < kMaxBlock) nextBlockSize_ *= 2;
    return Take(length);
}

}  // namespace ftpdirlist
