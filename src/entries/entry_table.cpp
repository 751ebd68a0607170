#include "entries/entry_table.h"

#include <cassert>
#include <cstring>
#include <limits>

#if defined(__linux__)
#include <sys/mman.h>
#endif

#include "parse/bytes.h"
#include "parse/tokens.h"

namespace ftpdirlist {

EntryTable::EntryTable() = default;
EntryTable::~EntryTable() = default;
EntryTable::EntryTable(EntryTable&&) noexcept = default;
EntryTable& EntryTable::operator=(EntryTable&&) noexcept = default;

namespace {

// Asks the system to back a large block with large pages where it can: one
// page fault then stands for hundreds. Only a hint; results never depend on it.
void AdviseLargePages(void* block, std::size_t size) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr std::uintptr_t kLargePage = 2 * 1024 * 1024;
    if (size < 2 * kLargePage) return;
    const std::uintptr_t begin = reinterpret_cast<std::uintptr_t>(block);
    const std::uintptr_t first = (begin + kLargePage - 1) & ~(kLargePage - 1);
    const std::uintptr_t last = (begin + size) & ~(kLargePage - 1);
    if (last > first) {
        madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
    }
#else
    (void)block;
    (void)size;
#endif
}

}  // namespace

void EntryTable::AddBlock() {
    const std::size_t rows = RowsInBlock(blocks_.size());
    // Owned before the vector may grow: a failing growth frees it.
    std::unique_ptr<EntryRow, FreeRows> block(
        static_cast<EntryRow*>(::operator new(rows * sizeof(EntryRow))));
    AdviseLargePages(block.get(), rows * sizeof(EntryRow));
    blocks_.push_back(std::move(block));
    rowNext_ = blocks_.back().get();
    rowsLeft_ = rows;
}

const char* EntryTable::Keep(std::string_view text) {
    if (text.empty()) return "";
    if (text.size() > arenaLeft_) {
        // A text longer than a block gets a block of its own, so that the
        // rest of the current block stays usable.
        if (text.size() > kArenaBlock / 4) {
            std::unique_ptr<char[]> big(new char[text.size()]);
            std::memcpy(big.get(), text.data(), text.size());
            bigTexts_.push_back(std::move(big));
            return bigTexts_.back().get();
        }
        const std::size_t size = arenaBlockSize_;
        std::unique_ptr<char[]> block(new char[size]);
        AdviseLargePages(block.get(), size);
        arena_.push_back(std::move(block));
        arenaNext_ = arena_.back().get();
        arenaLeft_ = size;
        if (arenaBlockSize_ < kMaxArenaBlock) arenaBlockSize_ *= 2;
    }
    char* at = arenaNext_;
    bytes::Copy(at, text.data(), text.size());
    arenaNext_ += text.size();
    arenaLeft_ -= text.size();
    return at;
}

void EntryTable::Store(EntryRow& row, const ParsedEntry& entry, bool withName) {
    const std::size_t nameLength = withName ? entry.name.size() : 0;
    const std::size_t total = nameLength + entry.attributes.size();
    if (withName && total <= arenaLeft_) {
        // Both texts fit the current block: one reservation, no calls.
        StoreInArena(row, entry, total);
        return;
    }
    if (withName) {
        row.name = Keep(entry.name);
        row.nameLength = entry.name.size();
    }
    if (!withName && row.attributesLength != 0 && entry.attributes.size() <= row.attributesLength) {
        // A newer version replacing a row: its attributes take the place of
        // the old ones (arena bytes of this row alone), so a file listed in a
        // million versions does not grow the arena a million times.
        bytes::Copy(const_cast<char*>(row.attributes), entry.attributes.data(),
                    entry.attributes.size());
    } else {
        row.attributes = Keep(entry.attributes);
    }
    row.attributesLength = entry.attributes.size();
    row.size = entry.size;
    row.dateTime = entry.dateTime;
    row.isDir = entry.isDir;
    row.isLink = entry.isLink;
}

std::uint32_t EntryTable::Hash(std::string_view name) const {
    // Eight bytes per step (the last step overlaps the one before), mixed by
    // multiplication; short names are read byte by byte.
    constexpr std::uint64_t kMul = 0x9E3779B97F4A7C15ull;
    const char* p = name.data();
    const std::size_t n = name.size();
    std::uint64_t h = n * kMul;
    if (n >= 8) {
        std::size_t i = 0;
        for (; i + 8 < n; i += 8) h = (h ^ bytes::Load8(p + i)) * kMul;
        h = (h ^ bytes::Load8(p + n - 8)) * kMul;
    } else {
        std::uint64_t word = 0;
        for (std::size_t i = 0; i < n; ++i) {
            word |= static_cast<std::uint64_t>(static_cast<unsigned char>(p[i])) << (8 * i);
        }
        h = (h ^ word) * kMul;
    }
    return static_cast<std::uint32_t>((h ^ (h >> 29)) >> 16);
}

void EntryTable::Index(std::size_t row, std::uint32_t hash) {
    const std::size_t mask = index_.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        if (index_[i].row == 0) {
            index_[i] = {static_cast<std::uint32_t>(row + 1), hash};
            ++indexed_;
            return;
        }
    }
}

void EntryTable::GrowIndex() {
    // The new slots are allocated before the old ones are let go, so that
    // a failed allocation leaves the index whole.
    std::vector<Slot> old(index_.empty() ? 64 : index_.size() * 2, Slot{0, 0});
    old.swap(index_);
    indexed_ = 0;
    for (const Slot& s : old) {
        if (s.row != 0) Index(s.row - 1, s.hash);
    }
}

void EntryTable::BuildIndex() {
    std::size_t slots = 64;
    while (slots < count_ * 2) slots *= 2;
    index_.assign(slots, Slot{0, 0});
    indexBuilt_ = true;  // only once the slots exist: a failed allocation leaves it unbuilt
    // Entries stored before the listing turned VMS-style keep their whole
    // name; only the first row of each name is indexed.
    for (std::size_t r = 0; r < count_; ++r) {
        const std::string_view name = Row(r).Name();
        const std::uint32_t hash = Hash(name);
        const std::size_t mask = index_.size() - 1;
        bool seen = false;
        for (std::size_t i = hash & mask; index_[i].row != 0; i = (i + 1) & mask) {
            if (index_[i].hash == hash && Row(index_[i].row - 1).Name() == name) {
                seen = true;
                break;
            }
        }
        if (!seen) Index(r, hash);
    }
}

void EntryTable::AddEntrySlow(ParsedEntry& entry, bool vms) {
    if (!vms) {
        EntryRow& row = NewRow();
        Store(row, entry, true);
        row.version = 0;
        CommitRow();
        return;
    }

    const std::size_t semicolon = entry.name.rfind(';');
    if (semicolon == std::string_view::npos || semicolon == 0 ||
        semicolon + 1 == entry.name.size()) {
        return;  // no version to compare: not a VMS file name
    }
    const std::int32_t version = ReadInt32(entry.name.substr(semicolon + 1));
    entry.name = entry.name.substr(0, semicolon);

    if (!indexBuilt_) BuildIndex();
    const std::uint32_t hash = Hash(entry.name);
    const std::size_t mask = index_.size() - 1;
    for (std::size_t i = hash & mask; index_[i].row != 0; i = (i + 1) & mask) {
        if (index_[i].hash != hash) continue;
        EntryRow& stored = RowAt(index_[i].row - 1);
        if (stored.Name() != entry.name) continue;
        if (version > stored.version) {
            Store(stored, entry, false);  // same name bytes: keep the stored ones
            stored.version = version;
        }
        return;
    }

    if (count_ >= std::numeric_limits<std::uint32_t>::max() - 1) return;
    // Grown before the row is counted, so that a failed growth leaves no
    // row outside the index.
    if ((indexed_ + 1) * 2 > index_.size()) GrowIndex();
    EntryRow& row = NewRow();
    const std::size_t total = entry.name.size() + entry.attributes.size();
    if (total <= arenaLeft_) {
        StoreInArena(row, entry, total);
    } else {
        Store(row, entry, true);
    }
    row.version = version;
    const std::size_t added = count_;
    CommitRow();
    Index(added, hash);
}

FtpDirEntry EntryTable::Entry(std::size_t index) const {
    assert(index < count_);
    const EntryRow& row = Row(index);
    FtpDirEntry e;
    e.name.assign(row.name, row.nameLength);
    e.attributes.assign(row.attributes, row.attributesLength);
    e.size = row.size;
    e.isDir = row.isDir;
    e.isLink = row.isLink;
    e.dateTime = row.dateTime;
    return e;
}

}  // namespace ftpdirlist
