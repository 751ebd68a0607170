#include "entries/entry_table.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace ftpdirlist {

namespace {

// The reference build compares names in arrival order, one lookup per
// entry, with neither the previous-entry check nor deferred lookups.
constexpr bool kShortcuts = kTableShortcuts;

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
// (no ';', or nothing before or after it). With kOneDigitFirst (the
// extended table), a shortcut for the most usual version, one digit, is
// tried first; the classic table, whose cost per entry is held to a bound
// for every listing, reads every version by the one loop, so that a
// listing of many-digit versions pays for no test it cannot use.
template <bool kOneDigitFirst>
inline bool SplitVersion(std::string_view name, std::string_view& stem, std::int32_t& version) {
    // The usual version, one to nine digits after a ';' that is not the
    // first byte, is read from the end at once; ReadVersion gives the same
    // for it.
    const std::size_t size = name.size();
    if (kOneDigitFirst && kShortcuts && size > 2 && name[size - 2] == ';') {
        const unsigned digit = static_cast<unsigned char>(name[size - 1] - '0');
        if (digit <= 9) {
            stem = name.substr(0, size - 2);
            version = static_cast<std::int32_t>(digit);
            return true;
        }
    }
    std::size_t at = size;
    std::uint32_t value = 0;
    std::uint32_t scale = 1;
    for (; at != 0 && size - at < 9; --at) {
        const unsigned digit = static_cast<unsigned char>(name[at - 1] - '0');
        if (digit > 9) break;
        value += digit * scale;
        scale *= 10;
    }
    if (at != size && at > 1 && name[at - 1] == ';') {
        stem = name.substr(0, at - 1);
        version = static_cast<std::int32_t>(value);
        return true;
    }
    const std::size_t semicolon = name.rfind(';');
    if (semicolon == std::string_view::npos || semicolon == 0 || semicolon + 1 == size) {
        return false;
    }
    stem = name.substr(0, semicolon);
    version = ReadVersion(name.substr(semicolon + 1));
    return true;
}

}  // namespace

EntryTable::EntryTable(EntryTable&& other) noexcept
    : rows_((other.Settle(), std::move(other.rows_))),
      arena_(std::move(other.arena_)),
      index_(std::move(other.index_)),
      lastRow_(std::exchange(other.lastRow_, NameIndex::kNone)),
      firstIndexed_(std::exchange(other.firstIndexed_, NameIndex::kNone)),
      lastName_(std::exchange(other.lastName_, std::string_view())),
      expectedBytes_(std::exchange(other.expectedBytes_, 0)),
      extras_(std::move(other.extras_)),
      padded_(std::move(other.padded_)) {}

EntryTable& EntryTable::operator=(EntryTable&& other) noexcept {
    if (this != &other) {
        other.Settle();
        aheadCount_ = 0;  // rows waiting here go with the rows they would join
        rows_ = std::move(other.rows_);
        arena_ = std::move(other.arena_);
        index_ = std::move(other.index_);
        lastRow_ = std::exchange(other.lastRow_, NameIndex::kNone);
        firstIndexed_ = std::exchange(other.firstIndexed_, NameIndex::kNone);
        lastAhead_ = false;
        lastName_ = std::exchange(other.lastName_, std::string_view());
        expectedBytes_ = std::exchange(other.expectedBytes_, 0);
        extras_ = std::move(other.extras_);
        padded_ = std::move(other.padded_);
        other.padded_.clear();
    }
    return *this;
}

template <bool kExtended>
void EntryTable::AddVersion(ParsedEntry& entry) {
    std::string_view stem;
    std::int32_t version = 0;
    if (!SplitVersion<kExtended>(entry.name, stem, version)) {
        if (!kExtended) return;  // classic: no version to compare, not a VMS file name
        stem = entry.name;       // extended: the name as it is, version 0
    }
    entry.name = stem;
    // The last VMS entry first, before its name is hashed: the versions of
    // one file are listed together, and most are lower than the first.
    if (kShortcuts && lastAhead_ && bits::SameBytes(lastName_, entry.name)) {
        // The newest waiting entry takes the higher version; its lookup
        // carries that on to the stored row of its name.
        AheadEntry& waiting = Newest();
        if (version <= waiting.row.version) return;
        if (kExtended && !StorableExtended(entry)) return;
        // Its extras hold the lengths of its texts: zero for a classic entry.
        const EntryExtras* const extras = kExtended ? &entry.extras : nullptr;
        Replace(waiting.row, entry, version, extras, &waiting.extras);
        if (extras == nullptr) waiting.extras = StoredExtras{};
        waiting.extended = extras != nullptr;
        return;
    }
    Collapse<kExtended>(entry, version);
}

template <bool kExtended>
FTPDIRLIST_FLATTEN void EntryTable::Collapse(ParsedEntry& entry, std::int32_t version) {
    if (kExtended && !StorableExtended(entry)) return;
    const EntryExtras* const extras = kExtended ? &entry.extras : nullptr;
    if (!index_.Built()) {
        Settle();
        // A VMS line that gives an entry is seldom under 80 bytes; a huge
        // listing that may be mostly of another style gets no more than
        // room for a million names at once.
        constexpr std::size_t kMostExpected = std::size_t{1} << 20;
        const std::size_t expected = expectedBytes_ / 80;
        // A classic table compares the rows stored before with the VMS
        // entries; an extended one collapses VMS entries among themselves
        // only, and every earlier row came from another family.
        const std::size_t indexed = extras == nullptr ? rows_.Size() : 0;
        index_.Build(rows_, indexed, expected < kMostExpected ? expected : kMostExpected);
        // The first VMS entry of an extended table becomes the next row.
        firstIndexed_ = indexed != 0 ? 0 : rows_.Size();
    }
    NameIndex::Lookup lookup{NameIndex::kNone, 0};
    // The row of the last VMS entry, when it is stored (AddVersion checked
    // the one waiting).
    if (kShortcuts && !lastAhead_ && lastRow_ != NameIndex::kNone &&
        bits::SameBytes(lastName_, entry.name)) {
        lookup.row = lastRow_;
    }
    std::uint32_t hash = 0;
    if (lookup.row == NameIndex::kNone) {
        hash = NameIndex::Hash(entry.name);
        // Slots hold row + 1 in 32 bits.
        const bool roomy = rows_.Size() + kAhead < std::numeric_limits<std::uint32_t>::max() - 2;
        if (kShortcuts && roomy) {
            AddAhead(entry, version, hash, extras);
            return;
        }
        Settle();
        lookup = index_.Find(entry.name, hash, rows_);
    }
    if (lookup.row != NameIndex::kNone) {
        lastRow_ = lookup.row;
        EntryRow& stored = rows_.At(lookup.row);
        lastName_ = stored.Name();
        if (version <= stored.version) return;
        if (extras == nullptr) {
            Replace(stored, entry, version);
            ClearExtras(lookup.row);
            return;
        }
        // What may fail (the slot's block, the texts) comes before the row
        // or the slots change. A row without a slot has no texts after its
        // attributes.
        extras_.Reserve(lookup.row + 1);
        StoredExtras slot = lookup.row < extras_.Size() ? extras_[lookup.row] : StoredExtras{};
        Replace(stored, entry, version, extras, &slot);
        PutExtras(lookup.row, slot);
        return;
    }
    if (rows_.Size() >= std::numeric_limits<std::uint32_t>::max() - 1) return;
    if (index_.Full()) {
        index_.Grow();
        lookup = index_.Find(entry.name, hash, rows_);
    }
    const std::size_t added = rows_.Size();
    lastName_ =
        (extras == nullptr ? Append(entry, version) : AppendWithExtras(entry, version)).Name();
    index_.Put(lookup, added, hash);
    lastRow_ = added;
}

template void EntryTable::AddVersion<false>(ParsedEntry& entry);
template void EntryTable::AddVersion<true>(ParsedEntry& entry);
template void EntryTable::Collapse<false>(ParsedEntry& entry, std::int32_t version);
template void EntryTable::Collapse<true>(ParsedEntry& entry, std::int32_t version);

void EntryTable::AddAhead(const ParsedEntry& entry, std::int32_t version, std::uint32_t hash,
                          const EntryExtras* extras) {
    if (aheadCount_ == kAhead) SettleOldest();
    // Whatever may fail comes first: the index grows, the rows are reserved
    // and so are the extras' slots of every row that may be stored before
    // the waiting ones are settled, so that settling never allocates.
    if (index_.Full(aheadCount_ + 1)) index_.Grow();
    rows_.Reserve(aheadCount_ + 1);
    if (extras != nullptr) extras_.Reserve(rows_.Size() + aheadCount_ + 1);
    AheadEntry& added = ahead_[(aheadFirst_ + aheadCount_) % kAhead];
    // An extended entry's extras (those of `entry`) go with its row.
    Fill(added.row, entry, version, extras != nullptr ? &added.extras : nullptr);
    if (extras == nullptr) added.extras = StoredExtras{};
    index_.Prefetch(hash);
    added.hash = hash;
    added.extended = extras != nullptr;
    ++aheadCount_;
    lastAhead_ = true;
    lastName_ = added.row.Name();
}

void EntryTable::SettleOldest() noexcept {
    const AheadEntry& oldest = ahead_[aheadFirst_];
    aheadFirst_ = (aheadFirst_ + 1) % kAhead;
    --aheadCount_;
    const NameIndex::Lookup lookup = index_.Find(oldest.row.Name(), oldest.hash, rows_);
    std::size_t at = lookup.row;
    bool stores = true;
    if (at == NameIndex::kNone) {
        at = rows_.Size();
        rows_.Next() = oldest.row;  // reserved: cannot fail
        rows_.Commit();
        index_.Put(lookup, at, oldest.hash);
    } else {
        stores = Merge(rows_.At(at), oldest.row, oldest.extended);
    }
    if (stores) {
        if (oldest.extended) {
            // Within the blocks reserved when it arrived; the usual slot is
            // the next one.
            if (extras_.TakesNext(at)) {
                extras_.TakeNext(oldest.extras);
            } else {
                PutExtras(at, oldest.extras);
            }
        } else {
            ClearExtras(at);
        }
    }
    if (aheadCount_ == 0 && lastAhead_) {
        // It was the newest: the last VMS entry now lives in row `at`.
        lastAhead_ = false;
        lastRow_ = at;
    }
}

void EntryTable::PutExtras(std::size_t index, const StoredExtras& extras) noexcept {
    if (index > extras_.Size()) extras_.Resize(index);
    extras_.Put(index, extras);
}

bool EntryTable::Merge(EntryRow& stored, const EntryRow& newer, bool adopt) noexcept {
    if (newer.version <= stored.version) return false;
    if (adopt) {
        stored.name = newer.name;  // the same name, then newer's attributes and extras
    } else if (newer.attributesLength <= stored.attributesLength) {
        if (newer.attributesLength != 0) {
            bits::Copy(const_cast<char*>(stored.AttributesData()), newer.AttributesData(),
                       newer.attributesLength);
        }
    } else {
        // The same name, then the longer attributes.
        stored.name = newer.name;
    }
    stored.attributesLength = newer.attributesLength;
    stored.size = newer.size;
    stored.stamp = newer.stamp;
    stored.dateBits = newer.dateBits;
    stored.version = newer.version;
    stored.isDir = newer.isDir;
    stored.isLink = newer.isLink;
    stored.format = newer.format;
    return true;
}

void EntryTable::Replace(EntryRow& row, const ParsedEntry& entry, std::int32_t version,
                         const EntryExtras* extras, StoredExtras* stored) {
    // What may fail (keeping a date that does not pack, or the texts) comes
    // before the row changes.
    EntryRow date;
    StoreDate(date, entry.dateTime);
    // The new texts after the name (attributes, then extras) take the place
    // of the old ones when they fit (arena bytes of this row alone), so a
    // file listed in a million versions does not grow the arena a million
    // times; otherwise the name (the same) and the new texts are kept anew.
    const std::size_t length = entry.attributes.size();
    const std::size_t after = length + (extras != nullptr ? ExtrasBytes(*extras) : 0);
    const std::size_t room = row.attributesLength + (stored != nullptr ? stored->TextBytes() : 0);
    if (after > room) {
        char* at = arena_.Reserve(row.nameLength + after);
        bits::Copy(at, row.name, row.nameLength);
        row.name = at;
    }
    char* to = const_cast<char*>(row.AttributesData());
    if (length != 0) bits::Copy(to, entry.attributes.data(), length);
    if (extras != nullptr) PlaceExtras(to + length, *extras, *stored);
    row.attributesLength = static_cast<std::uint32_t>(entry.attributes.size());
    row.size = entry.size;
    row.stamp = date.stamp;
    row.dateBits = date.dateBits;
    row.version = version;
    row.isDir = entry.isDir;
    row.isLink = entry.isLink;
    row.format = extras != nullptr ? extras->format : EntryFormat::unknown;
}

EntryRow& EntryTable::AppendWithExtras(const ParsedEntry& entry, std::int32_t version) {
    const std::size_t added = rows_.Size();
    const bool slot =
        extras_.TakesNext(added) || !Plain(entry.extras, ExtrasBytes(entry.extras));
    if (slot) extras_.Reserve(added + 1);
    EntryRow& row = rows_.Next();
    StoredExtras extras;
    Fill(row, entry, version, &extras);
    if (slot) PutExtras(added, extras);
    rows_.Commit();
    return row;
}

void EntryTable::AppendExtended(ParsedEntry& entry) {
    if (!StorableExtended(entry)) return;
    Settle();
    const std::size_t added = rows_.Size();
    // What may fail comes first: the pad's place, then what
    // AppendWithExtras needs.
    const bool pad = entry.extras.padBeforeName != 0;
    if (pad && padded_.size() == padded_.capacity()) padded_.reserve(padded_.size() * 2 + 8);
    // The space left out goes into the arena with the name, just before it.
    if (pad) entry.name = {entry.name.data() - 1, entry.name.size() + 1};
    EntryRow& row = AppendWithExtras(entry, 0);
    if (pad) {
        ++row.name;
        --row.nameLength;
        padded_.push_back(added);
    }
}

void EntryTable::RestoreNamePads() noexcept {
    Settle();
    for (const std::size_t index : padded_) {
        EntryRow& row = rows_.At(index);
        --row.name;
        ++row.nameLength;
    }
    padded_.clear();
}

std::size_t EntryTable::FinalRows() noexcept {
    Settle();
    std::size_t final = std::min(rows_.Size(), firstIndexed_);
    if (!padded_.empty()) final = std::min(final, padded_.front());
    return final;
}

EntryTable EntryTable::TakeFront(std::size_t count) {
    Settle();
    assert(count <= rows_.Size());
    if (count == 0) return EntryTable();
    EntryTable rest;
    if (count < rows_.Size()) CopyRowsTo(rest, count);
    rest.expectedBytes_ = expectedBytes_;
    EntryTable front(std::move(*this));
    *this = std::move(rest);
    if (count == front.rows_.Size()) return front;
    // The rows after `count` now live here.
    front.rows_.Truncate(count);
    if (front.extras_.Size() > count) front.extras_.Truncate(count);
    front.padded_.erase(std::lower_bound(front.padded_.begin(), front.padded_.end(), count),
                        front.padded_.end());
    front.index_ = NameIndex();
    front.firstIndexed_ = NameIndex::kNone;
    front.lastRow_ = NameIndex::kNone;
    return front;
}

void EntryTable::CopyRowsTo(EntryTable& rest, std::size_t from) const {
    const std::size_t size = rows_.Size();
    auto pad = std::lower_bound(padded_.begin(), padded_.end(), from);
    for (std::size_t i = from; i < size; ++i) {
        const EntryRow& row = rows_.At(i);
        const bool padded = pad != padded_.end() && *pad == i;
        if (padded) {
            rest.padded_.push_back(rest.rows_.Size());
            ++pad;
        }
        // An extended row without a slot still has its format.
        const RowExtras extras = Extras(i);
        const bool extended = i < extras_.Size() || row.format != EntryFormat::unknown;
        rest.AppendCopy(row, extended ? &extras : nullptr, padded);
        if (!index_.Built() || i < firstIndexed_) continue;
        const std::uint32_t hash = NameIndex::Hash(row.Name());
        if (index_.Find(row.Name(), hash, rows_).row != i) continue;
        const std::size_t at = rest.rows_.Size() - 1;
        if (!rest.index_.Built()) {
            rest.index_.Build(rest.rows_, 0, size - i);
            rest.firstIndexed_ = at;
        }
        if (rest.index_.Full()) rest.index_.Grow();
        rest.index_.Put(rest.index_.Find(row.Name(), hash, rest.rows_), at, hash);
    }
    if (lastRow_ != NameIndex::kNone && lastRow_ >= from) {
        rest.lastRow_ = lastRow_ - from;
        rest.lastName_ = rest.rows_.At(rest.lastRow_).Name();
    }
}

void EntryTable::AppendCopy(const EntryRow& row, const RowExtras* extras, bool pad) {
    ParsedEntry entry;
    entry.name = {row.name - (pad ? 1 : 0), row.nameLength + (pad ? 1u : 0u)};
    entry.attributes = {row.AttributesData(), row.attributesLength};
    entry.size = row.size;
    entry.isDir = row.isDir;
    entry.isLink = row.isLink;
    entry.dateTime = row.DateTime();
    if (extras != nullptr) {
        entry.extras.target = extras->target;
        entry.extras.owner = extras->owner;
        entry.extras.group = extras->group;
        entry.extras.facts = extras->facts;
        entry.extras.second = extras->second;
        entry.extras.utc = extras->utc;
        entry.extras.format = extras->format;
    }
    EntryRow& copy =
        extras != nullptr ? AppendWithExtras(entry, row.version) : Append(entry, row.version);
    if (pad) {
        ++copy.name;
        --copy.nameLength;
    }
}

}  // namespace ftpdirlist
