// The entries of one listing in arrival order, with the versions of one VMS
// file collapsed to the highest.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
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
        if (!vms && count_ % kRowsPerBlock != 0 && total <= arenaLeft_) {
            EntryRow& row = blocks_[count_ / kRowsPerBlock][count_ % kRowsPerBlock];
            StoreInArena(row, entry, total);
            row.version = 0;
            ++count_;
            return;
        }
        AddEntrySlow(entry, vms);
    }

    std::size_t Size() const { return count_; }
    const EntryRow& Row(std::size_t index) const {
        return blocks_[index / kRowsPerBlock][index % kRowsPerBlock];
    }
    FtpDirEntry Entry(std::size_t index) const;

private:
    static constexpr std::size_t kRowsPerBlock = 1024;
    static constexpr std::size_t kArenaBlock = 64 * 1024;

    EntryRow& NewRow() {
        const std::size_t block = count_ / kRowsPerBlock;
        if (block == blocks_.size()) AddBlock();
        return blocks_[block][count_ % kRowsPerBlock];
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

    // Rows in fixed blocks: growing never moves a stored row, and the slack
    // is at most one block.
    std::vector<std::unique_ptr<EntryRow[]>> blocks_;
    std::size_t count_ = 0;

    // Texts, appended into blocks that are never moved.
    std::vector<std::unique_ptr<char[]>> arena_;
    std::vector<std::unique_ptr<char[]>> bigTexts_;  // texts too long for a block
    char* arenaNext_ = nullptr;
    std::size_t arenaLeft_ = 0;

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
