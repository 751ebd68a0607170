// The entries of one listing in arrival order, with the versions of one VMS
// file collapsed to the highest.
#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "entries/name_index.h"
#include "entries/row_blocks.h"
#include "entries/text_arena.h"
#include "model/entry.h"

namespace ftpdirlist {

// What an extended entry tells beyond its row. The texts live in the
// table's arena, like the row's.
struct RowExtras {
    std::string_view target;
    std::string_view owner;
    std::string_view group;
    std::int8_t second = -1;  // 0-60, or -1 when the line gives none
    std::uint8_t utc = 0;
    EntryFormat format = EntryFormat::unknown;
};

class EntryTable {
public:
    EntryTable() = default;
    // Moves leave `other` empty and usable, as newly constructed.
    EntryTable(EntryTable&& other) noexcept;
    EntryTable& operator=(EntryTable&& other) noexcept;
    EntryTable(const EntryTable&) = delete;
    EntryTable& operator=(const EntryTable&) = delete;

    // Takes `entry` into the table (the classic dialect). Without `vms`,
    // appends it whole with version 0. With `vms` (a VMS-style line has been
    // accepted), cuts the version suffix off entry.name (dropping entries
    // without one) and keeps one entry per name: the first stored entry of
    // the name is replaced, in its place, when the new version is higher.
    // Costs O(length of the texts) on average, whatever the number of
    // entries. An entry whose name or attributes reach 4 GiB is not stored.
    // Throws only std::bad_alloc, leaving the stored rows whole.
    void AddEntry(ParsedEntry& entry, bool vms) {
        AddEntryAhead(entry, vms);
        Settle();
    }

    // As AddEntry, except that the name lookup of a new VMS name may be left
    // to the next call or to Settle(): its index slot is then fetched from
    // memory while the caller parses the next line. Size(), Row() and
    // Extras() need the table settled; a move settles the table moved from.
    void AddEntryAhead(ParsedEntry& entry, bool vms) {
        if (!Storable(entry)) return;
        if (!vms) {
            Settle();
            Append(entry, 0);
            return;
        }
        AddVersion(entry, nullptr);
    }

    // Finishes a lookup left by AddEntryAhead. Never allocates or throws.
    void Settle() noexcept {
        if (pending_) SettleLast();
    }

    // Takes an entry of the extended dialect, with its extras. Without
    // `vms`, or with `keepVersions`, appends it as given (a name keeps its
    // ";N"). Otherwise collapses versions as AddEntry does, except that an
    // entry without a version suffix is stored whole (version 0) instead of
    // dropped. A replaced row takes the new entry's extras too.
    void AddExtended(ParsedEntry& entry, bool vms, bool keepVersions);

    std::size_t Size() const {
        assert(!pending_);
        return rows_.Size();
    }
    const EntryRow& Row(std::size_t index) const {
        assert(!pending_);
        return rows_.At(index);
    }
    // The extras of row `index`: as constructed for rows stored by AddEntry.
    RowExtras Extras(std::size_t index) const {
        return index < extras_.size() ? extras_[index] : RowExtras{};
    }

private:
    static bool Storable(const ParsedEntry& entry) {
        constexpr std::size_t kMax = UINT32_MAX;
        return entry.name.size() < kMax && entry.attributes.size() < kMax;
    }
    // Writes `dt` into `row`, kept in the arena when it does not pack.
    void StoreDate(EntryRow& row, const FtpDateTime& dt) {
        if (row.PackDate(dt)) return;
        const char* kept = arena_.Keep({reinterpret_cast<const char*>(&dt), sizeof dt});
        row.stamp = reinterpret_cast<std::uintptr_t>(kept);
        row.dateBits = EntryRow::kWideDate;
    }

    // The one append path: a new row holding `entry` whole.
    EntryRow& Append(const ParsedEntry& entry, std::int32_t version) {
        EntryRow& row = rows_.Next();
        const std::size_t nameLength = entry.name.size();
        const std::size_t total = nameLength + entry.attributes.size();
        // Both texts in one reservation; an empty pair takes no bytes.
        char* at = total == 0 ? nullptr : arena_.Reserve(total);
        if (total != 0) {
            bits::Copy(at, entry.name.data(), nameLength);
            bits::Copy(at + nameLength, entry.attributes.data(), entry.attributes.size());
        }
        row.name = at;
        row.nameLength = static_cast<std::uint32_t>(nameLength);
        row.attributesLength = static_cast<std::uint32_t>(entry.attributes.size());
        row.size = entry.size;
        StoreDate(row, entry.dateTime);
        row.version = version;
        row.isDir = entry.isDir;
        row.isLink = entry.isLink;
        rows_.Commit();
        return row;
    }
    // Collapses `entry` into the rows by name and version; `extras` is null
    // for a classic entry.
    void AddVersion(ParsedEntry& entry, const EntryExtras* extras);
    void Replace(EntryRow& row, const ParsedEntry& entry, std::int32_t version);
    // Looks up the name of the last row, appended by AddEntryAhead before
    // its lookup: indexes it when new, otherwise merges it into the stored
    // row of its name as Replace would, and drops it.
    void SettleLast() noexcept;
    // The extras of the row to be stored at `index`, their texts kept and
    // their slot made, so that storing them afterwards cannot fail.
    RowExtras KeepExtras(std::size_t index, const EntryExtras& extras);
    // Row `index` now holds a classic entry: no extras.
    void ClearExtras(std::size_t index) {
        if (index < extras_.size()) extras_[index] = RowExtras{};
    }

    RowBlocks rows_;
    TextArena arena_;
    NameIndex index_;
    // The row where the last VMS entry was stored or compared: the indexed
    // row of its name, checked before the index since the versions of one
    // file are listed together (kNone before the first).
    std::size_t lastRow_ = NameIndex::kNone;
    std::uint32_t lastHash_ = 0;  // the hash of lastRow_'s name, once there is one
    // The last row awaits its lookup (AddEntryAhead), its name hashed to
    // pendingHash_.
    bool pending_ = false;
    std::uint32_t pendingHash_ = 0;
    // Extras of the rows up to the last extended one; empty in a classic
    // table, so that classic tables pay nothing for them.
    std::vector<RowExtras> extras_;
};

}  // namespace ftpdirlist
