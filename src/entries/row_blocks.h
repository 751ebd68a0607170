// The table's rows: blocks that never move, so a row's address is stable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <string_view>
#include <type_traits>
#include <vector>

#include "model/bits.h"
#include "model/entry.h"

namespace ftpdirlist {

// One stored entry, in 40 bytes. Its texts live in the table's arena, the
// attributes right after the name; they stay valid for the table's life,
// moves of the table included. Lengths are 32-bit (the table stores no text
// of 4 GiB or more).
struct EntryRow {
    const char* name;  // then the attributes
    std::uint32_t nameLength;
    std::uint32_t attributesLength;
    std::int64_t size;
    // The date and time: packed (the year in the low 32 bits, then month,
    // day, hour and minute a byte each, with hasDate and hasTime in
    // dateBits) when every field fits; otherwise (kWideDate) the address of
    // an FtpDateTime kept in the arena.
    std::uint64_t stamp;
    std::int32_t version;  // VMS version; 0 for entries stored without one
    std::uint8_t isDir;
    std::uint8_t isLink;
    std::uint8_t dateBits;
    // The family of the entry's line; unknown for a classic entry. Kept in
    // the row, not the extras, so that a row whose extras tell nothing else
    // needs no extras at all.
    EntryFormat format;

    static constexpr std::uint8_t kHasDate = 1;
    static constexpr std::uint8_t kHasTime = 2;
    static constexpr std::uint8_t kWideDate = 4;

    std::string_view Name() const { return {name, nameLength}; }
    const char* AttributesData() const { return name + nameLength; }

    // Packs `dt` into stamp and dateBits; false (nothing written) when a
    // field does not fit.
    bool PackDate(const FtpDateTime& dt) {
        // The byte fields as two words, month and day, hour and minute: any
        // field below 0 or above 255 sets a bit above its lowest eight.
        std::uint64_t monthDay;
        std::uint64_t hourMinute;
        const char* at = reinterpret_cast<const char*>(&dt);
        std::memcpy(&monthDay, at + offsetof(FtpDateTime, month), sizeof monthDay);
        std::memcpy(&hourMinute, at + offsetof(FtpDateTime, hour), sizeof hourMinute);
        constexpr std::uint64_t kHighBits = 0xFFFFFF00FFFFFF00ull;
        if (((monthDay | hourMinute) & kHighBits) != 0 || (dt.hasDate | dt.hasTime) > 1) {
            return false;
        }
        stamp = static_cast<std::uint32_t>(dt.year) |
                static_cast<std::uint64_t>(dt.month) << kMonthShift |
                static_cast<std::uint64_t>(dt.day) << kDayShift |
                static_cast<std::uint64_t>(dt.hour) << kHourShift |
                static_cast<std::uint64_t>(dt.minute) << kMinuteShift;
        dateBits = static_cast<std::uint8_t>(dt.hasDate | dt.hasTime << 1);
        return true;
    }
    // Shifts of the byte fields in a packed stamp.
    static constexpr unsigned kMonthShift = 32;
    static constexpr unsigned kDayShift = 40;
    static constexpr unsigned kHourShift = 48;
    static constexpr unsigned kMinuteShift = 56;
    // A field of a packed stamp (dateBits without kWideDate).
    std::int32_t PackedYear() const {
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(stamp));
    }
    std::int32_t PackedByte(unsigned shift) const {
        return static_cast<std::int32_t>(stamp >> shift & 0xFF);
    }

    FtpDateTime DateTime() const {
        FtpDateTime dt;
        if ((dateBits & kWideDate) != 0) {
            std::memcpy(&dt, reinterpret_cast<const void*>(static_cast<std::uintptr_t>(stamp)),
                        sizeof dt);
            return dt;
        }
        dt.year = PackedYear();
        dt.month = PackedByte(kMonthShift);
        dt.day = PackedByte(kDayShift);
        dt.hour = PackedByte(kHourShift);
        dt.minute = PackedByte(kMinuteShift);
        dt.hasDate = dateBits & kHasDate;
        dt.hasTime = (dateBits & kHasTime) >> 1;
        return dt;
    }
};

static_assert(sizeof(EntryRow) <= 40, "a row stays within 40 bytes");
// PackDate reads the byte fields two at a time.
static_assert(offsetof(FtpDateTime, day) == offsetof(FtpDateTime, month) + 4 &&
                  offsetof(FtpDateTime, minute) == offsetof(FtpDateTime, hour) + 4,
              "month and day, hour and minute lie side by side");

// Blocks of rows are released without destroying the rows.
static_assert(std::is_trivially_destructible<EntryRow>::value, "rows are never destroyed");

// A block of the rows' layout (RowBlocks::RowsInBlock items of one kind):
// raw memory, released without destroying what it holds.
struct FreeBlock {
    void operator()(void* block) const noexcept { ::operator delete(block); }
};
template <class T>
using LayoutBlock = std::unique_ptr<T, FreeBlock>;

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

    // Blocks are begun only when the one before is full, so the rows stored
    // are those of the begun blocks less the free rows of the last.
    std::size_t Size() const { return blockRowsEnd_ - static_cast<std::size_t>(end_ - next_); }
    EntryRow& At(std::size_t index) const {
        const Place place = PlaceOf(index);
        return blocks_[place.block].get()[place.offset];
    }

    // The next row, newly constructed and not yet counted: Commit() counts
    // it once it is whole. Throws std::bad_alloc when a block is needed and
    // cannot be had; the rows stored so far are then unchanged.
    EntryRow& Next() {
        if (next_ == end_) BeginBlock();
        return *new (next_) EntryRow;
    }
    // Makes sure that the next `rows` calls of Next() (at most the rows of
    // the next block) cannot fail: allocates the next block ahead when the
    // current one has less room. Throws std::bad_alloc as Next() does.
    void Reserve(std::size_t rows) {
        if (rows > static_cast<std::size_t>(end_ - next_) && !spare_) AddSpare();
    }
    // Whether Next() finds its row in the current block, so cannot fail.
    bool HasRoom() const { return next_ != end_; }
    void Commit() { ++next_; }
    // Keeps only the first `count` rows (no more than Size()) and lets the
    // blocks after theirs go. Never throws.
    void Truncate(std::size_t count) noexcept;

private:
    // Begins the next block: the spare one, or a new one. The rare step of
    // Next(), kept apart from it.
    void BeginBlock();
    // The next block, allocated and listed but not yet begun (spare_).
    void AddSpare();
    void StartSpare() noexcept {
        const std::size_t rows = RowsInBlock(blocks_.size() - 1);
        next_ = blocks_.back().get();
        end_ = next_ + rows;
        blockRowsEnd_ += rows;
        spare_ = false;
    }

    std::vector<LayoutBlock<EntryRow>> blocks_;
    // One pointer test per row in Next() and one increment in Commit(): the
    // count of rows is derived, never kept per row.
    EntryRow* next_ = nullptr;      // the next free row of the last begun block
    EntryRow* end_ = nullptr;       // the end of that block
    std::size_t blockRowsEnd_ = 0;  // the rows of the begun blocks, slack included
    bool spare_ = false;            // the last block is allocated ahead, not yet begun
};

// Raw memory of `bytes` for a block of the rows' layout, hinted for large
// pages. Throws std::bad_alloc.
void* NewLayoutBlock(std::size_t bytes);

// Appends to `blocks` (block b holding the items of row block b) the next
// block of the rows' layout. Throws std::bad_alloc, `blocks` unchanged then.
template <class T>
void AddLayoutBlock(std::vector<LayoutBlock<T>>& blocks) {
    const std::size_t items = RowBlocks::RowsInBlock(blocks.size());
    // Owned before the list may grow: a failing growth frees it.
    LayoutBlock<T> block(static_cast<T*>(NewLayoutBlock(items * sizeof(T))));
    blocks.push_back(std::move(block));
}

}  // namespace ftpdirlist
