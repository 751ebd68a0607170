// The table's rows: blocks that never move, so a row's address is stable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <string_view>
#include <type_traits>
#include <vector>

#include "model/bits.h"
#include "model/entry.h"

namespace ftpdirlist {

// One stored entry. Its texts live in the table's arena; the pointers stay
// valid for the table's life, moves of the table included.
struct EntryRow {
    const char* name;
    const char* attributes;
    std::size_t nameLength;
    std::size_t attributesLength;
    std::int64_t size;
    FtpDateTime dateTime;
    std::int32_t version;  // VMS version; 0 for entries stored without one
    std::uint8_t isDir;
    std::uint8_t isLink;

    std::string_view Name() const { return {name, nameLength}; }
    std::string_view Attributes() const { return {attributes, attributesLength}; }
};

// Blocks of rows are released without destroying the rows.
static_assert(std::is_trivially_destructible<EntryRow>::value, "rows are never destroyed");

// Rows in arrival order. Blocks double from kFirstRows rows up to kMaxRows
// rows, then stay at kMaxRows: a large table is a few big allocations, which
// the system can back with large pages (fewer page faults), and a small one
// stays small. A block is raw memory and a row is constructed only when it
// is stored, so the slack of a block is never touched.
class RowBlocks {
public:
    static constexpr unsigned kFirstRowsLog = 10;
    static constexpr unsigned kDoublings = 9;
    static constexpr std::size_t kFirstRows = std::size_t{1} << kFirstRowsLog;
    static constexpr std::size_t kMaxRows = kFirstRows << (kDoublings - 1);
    // Rows in the blocks that double: kFirstRows * (2^kDoublings - 1).
    static constexpr std::size_t kDoubledRows = kFirstRows * ((std::size_t{1} << kDoublings) - 1);

    // Where a row lies: its block and its place in that block.
    struct Place {
        std::size_t block;
        std::size_t offset;
    };

    // The place of row `index`. Block b < kDoublings starts at
    // kFirstRows * (2^b - 1), so the highest bit of index + kFirstRows names
    // the block; later blocks hold kMaxRows rows each.
    static Place PlaceOf(std::size_t index) {
        if (index < kDoubledRows) {
            const std::size_t i = index + kFirstRows;
            const unsigned top = bits::HighestBit(i);
            return {top - kFirstRowsLog, i - (std::size_t{1} << top)};
        }
        const std::size_t i = index - kDoubledRows;
        return {kDoublings + i / kMaxRows, i % kMaxRows};
    }
    static std::size_t RowsInBlock(std::size_t block) {
        return block < kDoublings ? kFirstRows << block : kMaxRows;
    }

    RowBlocks() = default;
    // Moves leave `other` empty and usable.
    RowBlocks(RowBlocks&& other) noexcept;
    RowBlocks& operator=(RowBlocks&& other) noexcept;
    RowBlocks(const RowBlocks&) = delete;
    RowBlocks& operator=(const RowBlocks&) = delete;

    std::size_t Size() const { return count_; }
    EntryRow& At(std::size_t index) const {
        const Place place = PlaceOf(index);
        return blocks_[place.block].get()[place.offset];
    }

    // The next row, newly constructed and not yet counted: Commit() counts
    // it once it is whole. Throws std::bad_alloc when a block is needed and
    // cannot be had; the rows stored so far are then unchanged.
    EntryRow& Next() {
        if (left_ == 0) AddBlock();
        return *new (next_) EntryRow;
    }
    void Commit() {
        ++next_;
        --left_;
        ++count_;
    }
    // Forgets the last row (there must be one); its block stays allocated.
    void DropLast() {
        --next_;
        ++left_;
        --count_;
    }

private:
    void AddBlock();

    struct FreeRows {
        void operator()(EntryRow* rows) const { ::operator delete(rows); }
    };
    std::vector<std::unique_ptr<EntryRow, FreeRows>> blocks_;
    std::size_t count_ = 0;
    EntryRow* next_ = nullptr;  // the next free row of the last block
    std::size_t left_ = 0;      // free rows from there to the block's end
};

}  // namespace ftpdirlist
