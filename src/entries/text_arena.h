// The table's texts: appended into blocks that never move, so a text's
// address is stable for the arena's life.
#pragma once

#include <cstddef>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

#include "model/bits.h"

namespace ftpdirlist {

class TextArena {
public:
    // Blocks double from kFirstBlock to kMaxBlock bytes. A text longer than
    // kFirstBlock / 4 that does not fit the current block gets a block of its
    // own, so that the rest of the current block stays usable.
    static constexpr std::size_t kFirstBlock = 64 * 1024;
    static constexpr std::size_t kMaxBlock = 16 * 1024 * 1024;

    TextArena() = default;
    // Moves leave `other` empty and usable.
    TextArena(TextArena&& other) noexcept;
    TextArena& operator=(TextArena&& other) noexcept;
    TextArena(const TextArena&) = delete;
    TextArena& operator=(const TextArena&) = delete;

    // Whether `length` bytes fit the current block.
    bool Fits(std::size_t length) const { return length <= static_cast<std::size_t>(end_ - next_); }
    // `length` bytes of the current block, which must fit (Fits).
    char* Take(std::size_t length) {
        char* at = next_;
        next_ += length;
        return at;
    }
    // A copy of `text` that lives as long as the arena. Throws std::bad_alloc
    // when a block is needed and cannot be had; nothing is kept then.
    const char* Keep(std::string_view text) {
        if (text.empty()) return "";
        char* at = Reserve(text.size());
        bits::Copy(at, text.data(), text.size());
        return at;
    }
    // `length` bytes (not zero) that live as long as the arena, for the
    // caller to fill. Throws std::bad_alloc as Keep does.
    char* Reserve(std::size_t length) {
        return Fits(length) ? Take(length) : ReserveInNewBlock(length);
    }

private:
    char* ReserveInNewBlock(std::size_t length);

    std::vector<std::unique_ptr<char[]>> blocks_;
    std::vector<std::unique_ptr<char[]>> bigTexts_;  // texts with a block of their own
    char* next_ = nullptr;
    char* end_ = nullptr;  // the end of the current block
    std::size_t nextBlockSize_ = kFirstBlock;
};

}  // namespace ftpdirlist
