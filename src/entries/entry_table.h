// The entries of one listing in arrival order, with the versions of one VMS
// file collapsed to the highest.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <string_view>
#include <type_traits>
#include <vector>

#include "model/entry.h"
#include "parse/bytes.h"

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
    std::int32_t version;  // VMS version; 0 for entries stored before the listing was VMS-style
    std::uint8_t isDir;
    std::uint8_t isLink;

    std::string_view Name() const { return {name, nameLength}; }
    std::string_view Attributes() const { return {attributes, attributesLength}; }
};

// Blocks of rows are released without destroying the rows.
static_assert(std::is_trivially_destructible<EntryRow>::value, "rows are never destroyed");

class EntryTable {
public:
    EntryTable();
    ~EntryTable();
    EntryTable(EntryTable&&) noexcept;
    EntryTable& operator=(EntryTable&&) noexcept;
    EntryTable(const EntryTable&) = delete;
    EntryTable& operator=(const EntryTable&) = delete;

    // Takes `entry` into the table. Without `vms`, appends it whole with
    // version 0. With `vms` (a VMS-style line has been accepted), cuts the
    // version suffix off entry.name (dropping entries without one) and keeps
    // one entry per name: the first stored entry of the name is replaced, in
    // its place, when the new version is higher. Costs O(length of the
    // texts) on average, whatever the number of entries.
    void AddEntry(ParsedEntry& entry, bool vms) {
        // The usual case without a call: a whole entry appended to a row
        // block and an arena block that have room for it.
        const std::size_t total = entry.name.size() + entry.attributes.size();
        if (!vms && rowsLeft_ != 0 && total <= arenaLeft_) {
            EntryRow& row = *new (rowNext_) EntryRow;
            StoreInArena(row, entry, total);
            row.version = 0;
            CommitRow();
            return;
        }
        AddEntrySlow(entry, vms);
    }

    std::size_t Size() const { return count_; }
    const EntryRow& Row(std::size_t index) const { return RowAt(index); }
    FtpDirEntry Entry(std::size_t index) const;

private:
    // Row blocks double from kFirstRows rows up to kMaxRows rows, then stay
    // at kMaxRows: a large table is a few big allocations, which the system
    // can back with large pages (fewer page faults), and a small one stays
    // small.
    static constexpr unsigned kFirstRowsLog = 10;
    static constexpr unsigned kDoublings = 9;
    static constexpr std::size_t kFirstRows = std::size_t{1} << kFirstRowsLog;
    static constexpr std::size_t kMaxRows = kFirstRows << (kDoublings - 1);
    static constexpr std::size_t kDoubledRows = kFirstRows * ((std::size_t{1} << kDoublings) - 1);
    // Arena blocks double likewise, from kArenaBlock to kMaxArenaBlock bytes.
    static constexpr std::size_t kArenaBlock = 64 * 1024;
    static constexpr std::size_t kMaxArenaBlock = 16 * 1024 * 1024;

    static std::size_t RowsInBlock(std::size_t block) {
        return block < kDoublings ? kFirstRows << block : kMaxRows;
    }
    EntryRow& RowAt(std::size_t index) const {
        if (index < kDoubledRows) {
            // Block b starts at kFirstRows * (2^b - 1): the highest bit of
            // index + kFirstRows names the block.
            const std::size_t i = index + kFirstRows;
            const unsigned top = bytes::HighestBit(i);
            return blocks_[top - kFirstRowsLog].get()[i - (std::size_t{1} << top)];
        }
        const std::size_t i = index - kDoubledRows;
        return blocks_[kDoublings + i / kMaxRows].get()[i % kMaxRows];
    }
    // The next row, newly constructed and not yet counted: CommitRow()
    // counts it once it is whole.
    EntryRow& NewRow() {
        if (rowsLeft_ == 0) AddBlock();
        return *new (rowNext_) EntryRow;
    }
    void CommitRow() {
        ++rowNext_;
        --rowsLeft_;
        ++count_;
    }
    void AddBlock();
    void AddEntrySlow(ParsedEntry& entry, bool vms);
    // Store() for a row whose name and attributes both fit the current
    // arena block (`total` bytes).
    void StoreInArena(EntryRow& row, const ParsedEntry& entry, std::size_t total) {
        char* at = arenaNext_;
        const std::size_t nameLength = entry.name.size();
        bytes::Copy(at, entry.name.data(), nameLength);
        row.name = at;
        row.nameLength = nameLength;
        bytes::Copy(at + nameLength, entry.attributes.data(), entry.attributes.size());
        row.attributes = at + nameLength;
        row.attributesLength = entry.attributes.size();
        arenaNext_ += total;
        arenaLeft_ -= total;
        row.size = entry.size;
        row.dateTime = entry.dateTime;
        row.isDir = entry.isDir;
        row.isLink = entry.isLink;
    }
    void Store(EntryRow& row, const ParsedEntry& entry, bool withName);
    const char* Keep(std::string_view text);
    std::uint32_t Hash(std::string_view name) const;
    void BuildIndex();
    void GrowIndex();
    void Index(std::size_t row, std::uint32_t hash);

    // Rows in blocks that are never moved. A block is raw memory and a row
    // is constructed only when it is stored, so pages of a block are first
    // touched when rows are written there (after the large-page hint) and
    // the slack is never touched at all. Rows need no destruction.
    struct FreeRows {
        void operator()(EntryRow* rows) const { ::operator delete(rows); }
    };
    std::vector<std::unique_ptr<EntryRow, FreeRows>> blocks_;
    std::size_t count_ = 0;
    EntryRow* rowNext_ = nullptr;  // the next free row of the last block
    std::size_t rowsLeft_ = 0;     // free rows after it in that block

    // Texts, appended into blocks that are never moved.
    std::vector<std::unique_ptr<char[]>> arena_;
    std::vector<std::unique_ptr<char[]>> bigTexts_;  // texts too long for a block
    char* arenaNext_ = nullptr;
    std::size_t arenaLeft_ = 0;
    std::size_t arenaBlockSize_ = kArenaBlock;  // of the next block

    // Open-addressing index from name to the first row of that name, built
    // when the listing turns out to be VMS-style. A slot holds row + 1, 0
    // when empty, and the name's hash beside it.
    struct Slot {
        std::uint32_t row;
        std::uint32_t hash;
    };
    std::vector<Slot> index_;
    std::size_t indexed_ = 0;
    bool indexBuilt_ = false;
};

}  // namespace ftpdirlist
