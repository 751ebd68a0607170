// The entries of one listing in arrival order, with the versions of one VMS
// file collapsed to the highest.
#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "entries/extras_column.h"
#include "entries/name_index.h"
#include "entries/row_blocks.h"
#include "entries/text_arena.h"
#include "model/entry.h"

// Speed hints that no result depends on: FTPDIRLIST_FLATTEN folds the
// helpers of a VMS entry's path into it, FTPDIRLIST_TABLE_INLINE keeps a
// row's fill inside each path that stores rows.
#if defined(__GNUC__) || defined(__clang__)
#define FTPDIRLIST_FLATTEN __attribute__((flatten))
#define FTPDIRLIST_TABLE_INLINE inline __attribute__((always_inline))
#else
#define FTPDIRLIST_FLATTEN
#define FTPDIRLIST_TABLE_INLINE inline
#endif

namespace ftpdirlist {

// The table's shortcuts: the previous-entry check and the deferred lookups
// of VMS names, and the usual append. The reference build takes the general
// path for every entry.
#if defined(FTPDIRLIST_REFERENCE) && FTPDIRLIST_REFERENCE
constexpr bool kTableShortcuts = false;
#else
constexpr bool kTableShortcuts = true;
#endif

// Where the texts of an entry may be read past their ends: the bytes from
// `begin` up to `readable` (the buffer of the entry's line). A text that
// lies there with kTextSpan bytes readable from its start is copied as
// kTextSpan bytes whatever its length, at most: one way for every short text
// instead of one per length. The default window holds no text.
struct TextWindow {
    static constexpr std::size_t kTextSpan = 32;
    TextWindow() = default;
    TextWindow(const char* begin, const char* readable) {
        if (begin != nullptr && readable - begin >= static_cast<std::ptrdiff_t>(kTextSpan)) {
            first_ = reinterpret_cast<std::uintptr_t>(begin);
            starts_ = static_cast<std::uintptr_t>(readable - begin) - kTextSpan + 1;
        }
    }
    // Whether the kTextSpan bytes at `text` lie in the window.
    bool Holds(const char* text) const {
        return reinterpret_cast<std::uintptr_t>(text) - first_ < starts_;
    }

private:
    std::uintptr_t first_ = 0;
    // How many addresses from first_ on have kTextSpan bytes in the window.
    std::uintptr_t starts_ = 0;
};

// What an extended entry tells beyond its row, as the table gives it: the
// texts are views into the table's arena, like the row's.
struct RowExtras {
    std::string_view target;
    std::string_view owner;
    std::string_view group;
    std::int8_t second = -1;  // 0-60, or -1 when the line gives none
    std::uint8_t utc = 0;
    EntryFormat format = EntryFormat::unknown;
    std::string_view facts;
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
    // The name lookups of new VMS names may be left for up to kAhead later
    // calls or to Settle(): their index slots are then fetched from memory
    // while the caller parses the next lines. Size(), Row() and Extras()
    // need the table settled; a move settles the table moved from. Costs
    // O(length of the texts) on average, whatever the number of entries. An
    // entry whose name or attributes reach 4 GiB is not stored. Throws only
    // std::bad_alloc, leaving the stored rows whole.
    void AddEntryAhead(ParsedEntry& entry, bool vms) {
        if (!Storable(entry)) return;
        if (!vms) {
            Settle();
            Append(entry, 0);
            return;
        }
        AddVersion<false>(entry);
    }

    // Finishes the lookups left by AddEntryAhead, in arrival order. Never
    // allocates or throws.
    void Settle() noexcept {
        while (aheadCount_ != 0) SettleOldest();
    }

    // A hint: about `bytes` of listing are still to come. A name index built
    // from now on starts with room for the names they may hold, instead of
    // growing step by step. Results never depend on it.
    void ExpectInput(std::size_t bytes) { expectedBytes_ = bytes; }

    // Takes an entry of the extended dialect, with its extras; `vmsLine`:
    // the entry's own line is VMS-style. Without `vmsLine`, or with
    // `keepVersions`, appends it as given (a name keeps its ";N"). Otherwise
    // collapses it with the VMS entries stored before, and with them only,
    // as AddEntryAhead does (lookups may wait: settle before reading),
    // except that an entry without a version suffix is stored whole
    // (version 0) instead of dropped. So the result does not depend on where
    // the lines of other families stand. A replaced row takes the new
    // entry's extras too.
    // `window`: where the entry's texts may be read past their ends.
    FTPDIRLIST_TABLE_INLINE void AddExtended(ParsedEntry& entry, bool vmsLine, bool keepVersions,
                                             TextWindow window = TextWindow()) {
        if (vmsLine && !keepVersions) {
            AddVersion<true>(entry);
            return;
        }
        if (kTableShortcuts && AppendUsual(entry, window)) return;
        AppendExtended(entry);
    }

    // Row `index` takes `dt` as its date and time; the row keeps its place.
    // Throws only std::bad_alloc, leaving the row as it was.
    void RedateRow(std::size_t index, const FtpDateTime& dt) {
        Settle();
        StoreDate(rows_.At(index), dt);
    }

    // Gives back to every row stored with extras.padBeforeName the space
    // left out before its name. Never allocates or throws.
    void RestoreNamePads() noexcept;

    // How many rows, from the first, no later entry can change: those
    // before the first row that may still collapse with a later VMS version
    // and before the first row whose name pad RestoreNamePads may still
    // give back. Settles the table; never allocates or throws.
    std::size_t FinalRows() noexcept;

    // Hands over the first `count` rows (at most Size()) with their extras
    // as a table of its own, to be read: it collapses no later entry with
    // them. This table keeps the rest in order, as if they alone had been
    // stored: they still collapse and take their pads. Handing over every
    // row moves the table; otherwise the rest is copied, once. Throws only
    // std::bad_alloc, leaving this table as it was.
    EntryTable TakeFront(std::size_t count);

    std::size_t Size() const {
        assert(aheadCount_ == 0);
        return rows_.Size();
    }
    const EntryRow& Row(std::size_t index) const {
        assert(aheadCount_ == 0);
        return rows_.At(index);
    }
    // The extras of row `index`: as constructed for rows stored by
    // AddEntryAhead, and but for the format for rows without a slot.
    RowExtras Extras(std::size_t index) const { return Extras(index, Row(index)); }
    // The same for `row`, which is Row(index).
    RowExtras Extras(std::size_t index, const EntryRow& row) const {
        RowExtras out;
        out.format = row.format;
        if (index >= extras_.Size()) return out;
        const StoredExtras& x = extras_[index];
        const char* at = row.AttributesData() + row.attributesLength;
        out.target = Next(at, x.targetLength);
        out.owner = Next(at, x.ownerLength);
        out.group = Next(at, x.groupLength);
        out.facts = Next(at, x.factsLength);
        out.second = x.second;
        out.utc = x.utc;
        return out;
    }

    // The stored extras of the rows of row block `block`, for a reader that
    // walks them in place beside the rows (Extras() gives the same): the
    // extras of a row at the row's offset in its block (RowBlocks::PlaceOf).
    // Only the first ExtrasCount() rows have them, and ExtrasCount() may
    // fall short of Size(): a row stored without extras, or with extras
    // that tell nothing but the format, takes no slot unless the slots
    // reach it already; `block` holds a row below ExtrasCount().
    const StoredExtras* ExtrasBlock(std::size_t block) const { return extras_.Block(block); }
    std::size_t ExtrasCount() const { return extras_.Size(); }

private:
    static bool Storable(const ParsedEntry& entry) {
        constexpr std::size_t kMax = UINT32_MAX;
        return entry.name.size() < kMax && entry.attributes.size() < kMax;
    }
    // Storable, and so are the extras' texts.
    static bool StorableExtended(const ParsedEntry& entry) {
        constexpr std::size_t kMax = UINT32_MAX;
        const EntryExtras& x = entry.extras;
        // Every length is at most their sum (texts in memory cannot wrap
        // it): one compare when that is below the bound.
        if (entry.name.size() + entry.attributes.size() + ExtrasBytes(x) < kMax) return true;
        return Storable(entry) && x.target.size() < kMax && x.owner.size() < kMax &&
               x.group.size() < kMax && x.facts.size() < kMax;
    }
    // The text of `length` bytes at `at`, and `at` moved past it.
    static std::string_view Next(const char*& at, std::uint32_t length) {
        const std::string_view text(at, length);
        at += length;
        return text;
    }
    // Writes `dt` into `row`, kept in the arena when it does not pack.
    void StoreDate(EntryRow& row, const FtpDateTime& dt) {
        if (row.PackDate(dt)) return;
        const char* kept = arena_.Keep({reinterpret_cast<const char*>(&dt), sizeof dt});
        row.stamp = reinterpret_cast<std::uintptr_t>(kept);
        row.dateBits = EntryRow::kWideDate;
    }

    // Writes `entry` whole into `row`, its texts kept in the arena; with
    // `extras`, also the entry's extras into it. All texts go into one
    // reservation, the extras' after the attributes. Throws only
    // std::bad_alloc, before `row` or `extras` is touched.
    FTPDIRLIST_TABLE_INLINE void Fill(EntryRow& row, const ParsedEntry& entry, std::int32_t version,
                                      StoredExtras* extras = nullptr) {
        std::size_t total = entry.name.size() + entry.attributes.size();
        if (extras != nullptr) total += ExtrasBytes(entry.extras);
        // An entry without texts takes no bytes. The date may throw too:
        // `row` stays untouched until it is stored.
        char* at = total != 0 ? arena_.Reserve(total) : nullptr;
        StoreDate(row, entry.dateTime);
        Write(row, entry, at, version, extras);
    }
    // Fill's part past the date and the reservation: copies the texts to
    // `at`, reserved for them, and writes the rest of `row` and `extras`;
    // the row's format is the entry's with `extras`, unknown without.
    // The texts go in the order they lie in: a span copied from `window`
    // may run past its text's end into the next text's place, never back.
    template <bool kSpans = false>
    FTPDIRLIST_TABLE_INLINE static void Write(EntryRow& row, const ParsedEntry& entry, char* at,
                                              std::int32_t version, StoredExtras* extras,
                                              TextWindow window = TextWindow()) {
        const std::size_t nameLength = entry.name.size();
        const std::size_t attributesLength = entry.attributes.size();
        if constexpr (kSpans) {
            CopySpan(at, entry.name, window);
            CopySpan(at + nameLength, entry.attributes, window);
        } else {
            bits::Copy(at, entry.name.data(), nameLength);
            bits::Copy(at + nameLength, entry.attributes.data(), attributesLength);
        }
        row.name = at;
        row.nameLength = static_cast<std::uint32_t>(nameLength);
        row.attributesLength = static_cast<std::uint32_t>(attributesLength);
        row.size = entry.size;
        row.version = version;
        row.isDir = entry.isDir;
        row.isLink = entry.isLink;
        row.format = extras != nullptr ? entry.extras.format : EntryFormat::unknown;
        if (extras != nullptr)
            PlaceExtras<kSpans>(at + nameLength + attributesLength, entry.extras, *extras, window);
    }
    // Copies `text` to `to`, as a span when `window` holds it: up to
    // TextWindow::kTextSpan bytes at `to` are written.
    FTPDIRLIST_TABLE_INLINE static void CopySpan(char* to, std::string_view text,
                                                 TextWindow window) {
        if (text.size() <= TextWindow::kTextSpan && window.Holds(text.data())) {
            std::memcpy(to, text.data(), TextWindow::kTextSpan);
        } else if (!text.empty()) {  // as a DOS line's attributes are
            bits::Copy(to, text.data(), text.size());
        }
    }
    static std::size_t ExtrasBytes(const EntryExtras& x) {
        return x.target.size() + x.owner.size() + x.group.size() + x.facts.size();
    }
    // Copies the texts of `from` to `to`, reserved for them, and writes
    // their lengths and the other extras but the format into `stored`.
    template <bool kSpans = false>
    FTPDIRLIST_TABLE_INLINE static void PlaceExtras(char* to, const EntryExtras& from,
                                                    StoredExtras& stored,
                                                    TextWindow window = TextWindow()) {
        stored = Stored(from);
        PlaceTexts<kSpans>(to, from, window);
    }
    // What the slot of `x` holds: its texts' lengths (below 4 GiB:
    // StorableExtended), known before the texts are copied, and the rest but
    // the format.
    static StoredExtras Stored(const EntryExtras& x) {
        const auto length = [](std::string_view text) {
            return static_cast<std::uint32_t>(text.size());
        };
        return {length(x.target), length(x.owner), length(x.group),
                length(x.facts),  x.second,        x.utc};
    }
    // Copies the texts of `from` to `to`, reserved for them, in their order.
    template <bool kSpans>
    FTPDIRLIST_TABLE_INLINE static void PlaceTexts(char* to, const EntryExtras& from,
                                                   TextWindow window) {
        Place<kSpans>(to, from.target, window);
        Place<kSpans>(to, from.owner, window);
        Place<kSpans>(to, from.group, window);
        Place<kSpans>(to, from.facts, window);
    }
    // Whether `x` tells nothing beyond the format: a row holding it needs no
    // slot.
    static bool Plain(const EntryExtras& x, std::size_t textBytes) {
        return (textBytes | x.utc) == 0 && x.second < 0;
    }
    // Copies `text` to `to`, reserved for it, and moves `to` past it.
    template <bool kSpans>
    FTPDIRLIST_TABLE_INLINE static void Place(char*& to, std::string_view text, TextWindow window) {
        if (text.empty()) return;  // as most targets and facts are
        if constexpr (kSpans) {
            CopySpan(to, text, window);
        } else {
            bits::Copy(to, text.data(), text.size());
        }
        to += text.size();
    }
    // The one append path: a new row holding `entry` whole.
    EntryRow& Append(const ParsedEntry& entry, std::int32_t version) {
        EntryRow& row = rows_.Next();
        Fill(row, entry, version);
        rows_.Commit();
        return row;
    }
    // Collapses `entry` into the rows by name and version, with its extras
    // when kExtended (the entry is then checked by StorableExtended here).
    template <bool kExtended>
    void AddVersion(ParsedEntry& entry);
    // AddVersion past the newest waiting entry: `entry` holds the name
    // without its version.
    template <bool kExtended>
    void Collapse(ParsedEntry& entry, std::int32_t version);
    // AddExtended's append, of an entry that is not collapsed: the general
    // path, for every entry AppendUsual does not take.
    void AppendExtended(ParsedEntry& entry);
    // AppendExtended for the usual entry, which nothing on the way may make
    // allocate: no lookup waits, no pad, its texts (some bytes, below
    // 4 GiB) fit the arena's block, its row the row block, its extras the
    // room (or they are plain and take no slot), and its date packs. False,
    // changing nothing, for any other. The texts in `window` are copied in
    // spans (TextWindow), for which the arena's block keeps room.
    bool AppendUsual(const ParsedEntry& entry, TextWindow window);
    // Row `row` takes what `entry` (the same name) holds beyond the name;
    // with `extras`, their lengths go into `*stored`, which holds those of
    // the row's texts now (null: the row has none).
    void Replace(EntryRow& row, const ParsedEntry& entry, std::int32_t version,
                 const EntryExtras* extras = nullptr, StoredExtras* stored = nullptr);
    // Looks up the oldest entry left by AddEntryAhead: appends it when its
    // name is new, otherwise merges it into the stored row of its name as
    // Replace would.
    void SettleOldest() noexcept;
    // Leaves the lookup of `entry` (a new VMS name as far as the last entry
    // tells) for later; `extras` is null for a classic entry, else
    // &entry.extras.
    void AddAhead(const ParsedEntry& entry, std::int32_t version, std::uint32_t hash,
                  const EntryExtras* extras);
    // Slot `index` takes `extras`; the slots before it not yet taken are
    // taken as constructed. Within the blocks that extras_.Reserve(index +
    // 1) allocated: never allocates.
    void PutExtras(std::size_t index, const StoredExtras& extras) noexcept;
    // Row `stored` takes what `newer` (the same name) holds beyond the name
    // when newer's version is higher: true then. With `adopt` (newer has
    // extras after its attributes), stored takes newer's texts whole.
    bool Merge(EntryRow& stored, const EntryRow& newer, bool adopt) noexcept;
    // A new row holding `entry` whole, with its extras (StorableExtended).
    // What may fail comes first: the block of the row's extras slot, the
    // row and its texts. The slot is taken with the row (every row before
    // it gets one), unless the extras are plain and the slots do not reach
    // the row: then the row has none. Throws only std::bad_alloc, changing
    // nothing then.
    EntryRow& AppendWithExtras(const ParsedEntry& entry, std::int32_t version);
    // Appends a copy of `row` of another table, with the copies of its
    // texts (the pad byte before its name too, with `pad`) and of `extras`
    // unless null.
    void AppendCopy(const EntryRow& row, const RowExtras* extras, bool pad);
    // Copies rows `from` on into `rest`, a new table, the rows this table's
    // index holds into rest's index.
    void CopyRowsTo(EntryTable& rest, std::size_t from) const;
    // Row `index` now holds a classic entry: no extras (Replace made its
    // format unknown).
    void ClearExtras(std::size_t index) {
        if (index < extras_.Size()) extras_[index] = StoredExtras{};
    }

    RowBlocks rows_;
    TextArena arena_;
    NameIndex index_;
    // The row where the last VMS entry was stored or compared: the indexed
    // row of its name, checked before the index since the versions of one
    // file are listed together (kNone before the first), unless lastAhead_:
    // then the last VMS entry is the newest one awaiting its lookup.
    std::size_t lastRow_ = NameIndex::kNone;
    // The first row the index may hold (kNone while it is not built): every
    // VMS row of an extended table lies at or after it.
    std::size_t firstIndexed_ = NameIndex::kNone;
    bool lastAhead_ = false;
    // The name of the last VMS entry, as stored (its bytes stay in the arena
    // when its row takes new texts); it means something only while lastRow_
    // or lastAhead_ tells there is one.
    std::string_view lastName_;

    // VMS entries whose lookups wait, oldest first from aheadFirst_: each
    // the row it would add, its texts already in the arena, its name's hash,
    // and for an extended entry its extras. Their index slots are asked for
    // when they arrive, so that a lookup kAhead entries later finds its slot
    // in the cache: with a million names, 8 lookups in flight hide the fetch
    // from memory where 4 do not, and more gain nothing. The rows they may
    // add are reserved, so settling never allocates.
    static constexpr std::size_t kAhead = 8;
    struct AheadEntry {
        EntryRow row;
        std::uint32_t hash;
        bool extended;
        StoredExtras extras;  // as constructed unless extended
    };
    AheadEntry ahead_[kAhead];
    std::size_t aheadFirst_ = 0;
    std::size_t aheadCount_ = 0;
    AheadEntry& Newest() { return ahead_[(aheadFirst_ + aheadCount_ - 1) % kAhead]; }

    std::size_t expectedBytes_ = 0;  // ExpectInput's hint

    // Extras of the rows up to the last extended one; empty in a classic
    // table, so that classic tables pay nothing for them. Its blocks follow
    // the rows' blocks.
    ExtrasColumn extras_;
    // The rows whose name follows a space left out as padding, kept in the
    // arena just before it.
    std::vector<std::size_t> padded_;
};

FTPDIRLIST_TABLE_INLINE bool EntryTable::AppendUsual(const ParsedEntry& entry, TextWindow window) {
    const std::size_t extrasBytes = ExtrasBytes(entry.extras);
    const std::size_t total = entry.name.size() + entry.attributes.size() + extrasBytes;
    // Room for a span past the last text.
    if (total - 1 >= UINT32_MAX - 1 || aheadCount_ != 0 || entry.extras.padBeforeName != 0 ||
        !rows_.HasRoom() || !arena_.Fits(total + TextWindow::kTextSpan)) {
        return false;
    }
    const std::size_t added = rows_.Size();
    // Plain extras (a DOS line's) take a slot only where the slots are
    // dense already, so that a table of such rows allocates none and one
    // that has slots gets no gap to fill.
    const bool slot = extras_.TakesNext(added);
    if (!slot && !Plain(entry.extras, extrasBytes)) return false;
    EntryRow& row = rows_.Next();
    if (!row.PackDate(entry.dateTime)) return false;
    char* const at = arena_.Take(total);
    Write<true>(row, entry, at, 0, nullptr, window);
    row.format = entry.extras.format;  // an extended row's, with a slot or without
    // A plain row without a slot has no extras' texts to copy.
    if (slot) {
        extras_.TakeNext(Stored(entry.extras));
        PlaceTexts<true>(at + entry.name.size() + entry.attributes.size(), entry.extras, window);
    }
    rows_.Commit();
    return true;
}

}  // namespace ftpdirlist
