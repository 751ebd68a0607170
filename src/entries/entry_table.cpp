#include "entries/entry_table.h"

#include <limits>
#include <utility>

namespace ftpdirlist {

namespace {

// The reference build compares names in arrival order, one lookup per
// entry, with neither the previous-entry check nor deferred lookups.
#if defined(FTPDIRLIST_REFERENCE) && FTPDIRLIST_REFERENCE
constexpr bool kShortcuts = false;
#else
constexpr bool kShortcuts = true;
#endif

// A version as C's atoi reads it (leading white space, a sign, the digits
// up to the first other byte), saturated to 32 bits.
std::int32_t ReadVersion(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    // The magnitude, held at 2^31 once it reaches it.
    constexpr std::int64_t kCap = std::int64_t{1} << 31;
    std::int64_t magnitude = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude >= kCap) magnitude = kCap;
    }
    if (negative) return static_cast<std::int32_t>(-magnitude);
    return static_cast<std::int32_t>(magnitude == kCap ? kCap - 1 : magnitude);
}

// Splits the version off `name` at its last ';': false when there is none
// (no ';', or nothing before or after it).
inline bool SplitVersion(std::string_view name, std::string_view& stem, std::int32_t& version) {
    const std::size_t semicolon = name.rfind(';');
    if (semicolon == std::string_view::npos || semicolon == 0 || semicolon + 1 == name.size()) {
        return false;
    }
    stem = name.substr(0, semicolon);
    const std::string_view text = name.substr(semicolon + 1);
    // The usual version, one to nine digits and nothing else, is read at
    // once; ReadVersion gives the same for it.
    if (text.size() <= 9) {
        std::uint32_t value = 0;
        std::size_t i = 0;
        for (; i < text.size(); ++i) {
            const unsigned digit = static_cast<unsigned char>(text[i] - '0');
            if (digit > 9) break;
            value = value * 10 + digit;
        }
        if (i == text.size()) {
            version = static_cast<std::int32_t>(value);
            return true;
        }
    }
    version = ReadVersion(text);
    return true;
}

}  // namespace

EntryTable::EntryTable(EntryTable&& other) noexcept
    : rows_((other.Settle(), std::move(other.rows_))),
      arena_(std::move(other.arena_)),
      index_(std::move(other.index_)),
      lastRow_(std::exchange(other.lastRow_, NameIndex::kNone)),
      extras_(std::move(other.extras_)) {}

EntryTable& EntryTable::operator=(EntryTable&& other) noexcept {
    if (this != &other) {
        other.Settle();
        rows_ = std::move(other.rows_);
        arena_ = std::move(other.arena_);
        index_ = std::move(other.index_);
        lastRow_ = std::exchange(other.lastRow_, NameIndex::kNone);
        pending_ = false;
        extras_ = std::move(other.extras_);
        other.extras_.clear();
    }
    return *this;
}

void EntryTable::AddVersion(ParsedEntry& entry, const EntryExtras* extras) {
    std::string_view stem;
    std::int32_t version = 0;
    if (!SplitVersion(entry.name, stem, version)) {
        if (extras == nullptr) return;  // classic: no version to compare, not a VMS file name
        stem = entry.name;              // extended: the name as it is, version 0
    }
    entry.name = stem;
    Settle();

    if (!index_.Built()) index_.Build(rows_);
    NameIndex::Lookup lookup{NameIndex::kNone, 0};
    const std::uint32_t hash = NameIndex::Hash(entry.name);
    // The hash tells most other names from the last one without reading its row.
    if (kShortcuts && hash == lastHash_ && lastRow_ != NameIndex::kNone &&
        rows_.At(lastRow_).Name() == entry.name) {
        lookup.row = lastRow_;
    } else {
        lastHash_ = hash;
        // Slots hold row + 1 in 32 bits.
        const bool roomy = rows_.Size() < std::numeric_limits<std::uint32_t>::max() - 2;
        if (kShortcuts && extras == nullptr && roomy) {
            // The lookup waits for the next entry; the index grows now so
            // that settling never allocates.
            if (index_.Full()) index_.Grow();
            index_.Prefetch(hash);
            Append(entry, version);
            pending_ = true;
            pendingHash_ = hash;
            return;
        }
        lookup = index_.Find(entry.name, hash, rows_);
    }
    if (lookup.row != NameIndex::kNone) {
        lastRow_ = lookup.row;
        EntryRow& stored = rows_.At(lookup.row);
        if (version <= stored.version) return;
        // What may fail (keeping texts) comes before the row changes.
        RowExtras kept;
        if (extras != nullptr) kept = KeepExtras(lookup.row, *extras);
        Replace(stored, entry, version);
        if (extras != nullptr) {
            extras_[lookup.row] = kept;
        } else {
            ClearExtras(lookup.row);
        }
        return;
    }
    if (rows_.Size() >= std::numeric_limits<std::uint32_t>::max() - 1) return;
    if (index_.Full()) {
        index_.Grow();
        lookup = index_.Find(entry.name, hash, rows_);
    }
    const std::size_t added = rows_.Size();
    RowExtras kept;
    if (extras != nullptr) kept = KeepExtras(added, *extras);
    Append(entry, version);
    index_.Put(lookup, added, hash);
    lastRow_ = added;
    if (extras != nullptr) extras_[added] = kept;
}

void EntryTable::SettleLast() noexcept {
    pending_ = false;
    const std::size_t last = rows_.Size() - 1;
    EntryRow& row = rows_.At(last);
    const NameIndex::Lookup lookup = index_.Find(row.Name(), pendingHash_, rows_);
    if (lookup.row == NameIndex::kNone) {
        index_.Put(lookup, last, pendingHash_);
        lastRow_ = last;
        return;
    }
    lastRow_ = lookup.row;
    // The row's texts go back to the arena unless the stored row takes them.
    bool giveBack = true;
    EntryRow& stored = rows_.At(lookup.row);
    if (row.version > stored.version) {
        if (row.attributesLength <= stored.attributesLength) {
            if (row.attributesLength != 0) {
                bits::Copy(const_cast<char*>(stored.AttributesData()), row.AttributesData(),
                           row.attributesLength);
            }
        } else {
            // The same name, then the longer attributes.
            stored.name = row.name;
            giveBack = false;
        }
        stored.attributesLength = row.attributesLength;
        stored.size = row.size;
        stored.stamp = row.stamp;
        stored.dateBits = row.dateBits;
        stored.version = row.version;
        stored.isDir = row.isDir;
        stored.isLink = row.isLink;
        ClearExtras(lookup.row);
    }
    if (giveBack) arena_.GiveBack(row.name, std::size_t{row.nameLength} + row.attributesLength);
    rows_.DropLast();
}

void EntryTable::Replace(EntryRow& row, const ParsedEntry& entry, std::int32_t version) {
    // What may fail (keeping a date that does not pack, or the attributes)
    // comes before the row changes.
    EntryRow date;
    StoreDate(date, entry.dateTime);
    // The new attributes take the place of the old ones, after the row's
    // name, when they fit (arena bytes of this row alone), so a file listed
    // in a million versions does not grow the arena a million times;
    // otherwise the name (the same) and the new attributes are kept anew.
    const std::size_t length = entry.attributes.size();
    if (length <= row.attributesLength) {
        if (length != 0)
            bits::Copy(const_cast<char*>(row.AttributesData()), entry.attributes.data(), length);
    } else {
        char* at = arena_.Reserve(row.nameLength + length);
        bits::Copy(at, row.name, row.nameLength);
        bits::Copy(at + row.nameLength, entry.attributes.data(), length);
        row.name = at;
    }
    row.attributesLength = static_cast<std::uint32_t>(entry.attributes.size());
    row.size = entry.size;
    row.stamp = date.stamp;
    row.dateBits = date.dateBits;
    row.version = version;
    row.isDir = entry.isDir;
    row.isLink = entry.isLink;
}

RowExtras EntryTable::KeepExtras(std::size_t index, const EntryExtras& extras) {
    RowExtras kept;
    kept.target = {arena_.Keep(extras.target), extras.target.size()};
    kept.owner = {arena_.Keep(extras.owner), extras.owner.size()};
    kept.group = {arena_.Keep(extras.group), extras.group.size()};
    kept.second = extras.second;
    kept.utc = extras.utc;
    kept.format = extras.format;
    // Rows arrive one at a time: the usual step is one more slot.
    if (index == extras_.size()) {
        extras_.emplace_back();
    } else if (index > extras_.size()) {
        extras_.resize(index + 1);
    }
    return kept;
}

void EntryTable::AddExtended(ParsedEntry& entry, bool vms, bool keepVersions) {
    Settle();
    if (!Storable(entry)) return;
    if (vms && !keepVersions) {
        AddVersion(entry, &entry.extras);
        return;
    }
    const std::size_t added = rows_.Size();
    const RowExtras kept = KeepExtras(added, entry.extras);
    Append(entry, 0);
    extras_[added] = kept;
}

}  // namespace ftpdirlist
