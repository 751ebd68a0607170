// The three exported functions over one module-wide listing. The parsing
// itself is re-entrant (CFtpDirList); only this layer holds global state.
#include "ftpdirlist/ftpdirlist.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <new>

#include "entries/entry_table.h"
#include "input/dir_list.h"
#include "model/bits.h"
#include "parse/bytes.h"

namespace {

using ftpdirlist::CFtpDirList;
using ftpdirlist::EntryRow;
using ftpdirlist::EntryTable;
using ftpdirlist::RowBlocks;

struct ModuleState {
    std::int32_t count = 0;
    std::unique_ptr<EntryTable> table;
    // The block of rows that holds the last row read: hosts read each row
    // twice and the rows in order, so most reads find their row here
    // without placing the index among the blocks. Rows `blockFirst` to
    // `blockFirst + blockSize - 1` lie at `blockRows`; an empty block at first.
    const EntryRow* blockRows = nullptr;
    std::uint32_t blockFirst = 0;
    std::uint32_t blockSize = 0;

    void Clear() noexcept {
        count = 0;
        table.reset();
        blockRows = nullptr;
        blockFirst = 0;
        blockSize = 0;
    }
};

ModuleState g_state;

std::int32_t ClampLength(std::size_t length) {
    return length > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())
               ? std::numeric_limits<std::int32_t>::max()
               : static_cast<std::int32_t>(length);
}

// Makes the block of row `index` (below count) the kept one.
FTPDIRLIST_NOINLINE void KeepBlockOf(std::uint32_t index) {
    const RowBlocks::Place place = RowBlocks::PlaceOf(index);
    g_state.blockRows = &g_state.table->Row(index) - place.offset;
    g_state.blockFirst = index - static_cast<std::uint32_t>(place.offset);
    g_state.blockSize = static_cast<std::uint32_t>(RowBlocks::RowsInBlock(place.block));
}

// Hosts learn directory and link from the attribute text; entries without
// one (DOS-style) get "d" or "l" when the host's buffer is empty.
inline void MarkDirOrLink(const EntryRow& e, FtpDirItem* item) {
    if (item->attributes != nullptr && item->attributes[0] == '\0') {
        if (e.isDir == 1) std::memcpy(item->attributes, "d", 2);
        if (e.isLink == 1) std::memcpy(item->attributes, "l", 2);
    }
}

// The item's flags and date from a row whose date is kept whole in the
// arena (kWideDate), then the "d"/"l" mark: rare, so out of the usual path.
FTPDIRLIST_NOINLINE void CopyWideDateAndMark(const EntryRow& e, FtpDirItem* item) {
    const ftpdirlist::FtpDateTime dt = e.DateTime();
    item->hasDate = dt.hasDate;
    item->hasTime = dt.hasTime;
    if (dt.hasDate == 1) {
        item->year = dt.year;
        item->month = dt.month;
        item->day = dt.day;
    }
    if (dt.hasTime == 1) {
        item->hour = dt.hour;
        item->minute = dt.minute;
    }
    MarkDirOrLink(e, item);
}

// Writes `n` bytes at `from` over the item's fields from `offset` on: two
// neighbouring fields at once.
inline void StoreFields(FtpDirItem* item, std::size_t offset, const void* from, std::size_t n) {
    std::memcpy(reinterpret_cast<unsigned char*>(item) + offset, from, n);
}

static_assert(offsetof(FtpDirItem, hasTime) == offsetof(FtpDirItem, hasDate) + 1,
              "hasDate and hasTime are neighbours");
static_assert(offsetof(FtpDirItem, day) == offsetof(FtpDirItem, month) + 4 &&
                  offsetof(FtpDirItem, minute) == offsetof(FtpDirItem, hour) + 4,
              "month and day, hour and minute are neighbours");

// The item's flags and date from a packed stamp.
inline void CopyPackedDate(const EntryRow& e, FtpDirItem* item) {
    // hasDate and hasTime for each value of the two flag bits.
    static constexpr unsigned char kFlags[4][2] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
    const unsigned bits = e.dateBits & (EntryRow::kHasDate | EntryRow::kHasTime);
    StoreFields(item, offsetof(FtpDirItem, hasDate), kFlags[bits], 2);
    if (bits == 0) return;
    const std::uint64_t stamp = e.stamp;
#if FTPDIRLIST_SSE2
    // The four byte fields widened to 32 bits in two steps: month, day,
    // hour, minute.
    const __m128i zero = _mm_setzero_si128();
    const __m128i wide = _mm_unpackhi_epi16(
        _mm_unpacklo_epi8(_mm_cvtsi64_si128(static_cast<long long>(stamp)), zero), zero);
    if ((bits & EntryRow::kHasDate) != 0) {
        item->year = e.PackedYear();
        _mm_storel_epi64(reinterpret_cast<__m128i*>(reinterpret_cast<unsigned char*>(item) +
                                                    offsetof(FtpDirItem, month)),
                         wide);
    }
    if ((bits & EntryRow::kHasTime) != 0) {
        _mm_storel_epi64(reinterpret_cast<__m128i*>(reinterpret_cast<unsigned char*>(item) +
                                                    offsetof(FtpDirItem, hour)),
                         _mm_unpackhi_epi64(wide, wide));
    }
#else
    if ((bits & EntryRow::kHasDate) != 0) {
        item->year = e.PackedYear();
        item->month = e.PackedByte(EntryRow::kMonthShift);
        item->day = e.PackedByte(EntryRow::kDayShift);
    }
    if ((bits & EntryRow::kHasTime) != 0) {
        item->hour = e.PackedByte(EntryRow::kHourShift);
        item->minute = e.PackedByte(EntryRow::kMinuteShift);
    }
    (void)stamp;
#endif
}

// Modes other than 1: the texts (mode 0), then size, date and mark.
FTPDIRLIST_NOINLINE void CopyEntry(const EntryRow& e, FtpDirItem* item, std::int32_t mode) {
    if (mode == 0) {
        if (item->attributes != nullptr && e.attributesLength != 0) {
            ftpdirlist::bits::Copy(item->attributes, e.AttributesData(), e.attributesLength);
        }
        if (item->name != nullptr && e.nameLength != 0) {
            ftpdirlist::bits::Copy(item->name, e.name, e.nameLength);
        }
    }
    item->size = e.size;
    if (FTPDIRLIST_UNLIKELY((e.dateBits & EntryRow::kWideDate) != 0)) {
        return CopyWideDateAndMark(e, item);
    }
    CopyPackedDate(e, item);
    MarkDirOrLink(e, item);
}

// GetFtpDirItem for an index outside the kept block: once per block of
// rows for a host that reads in order.
FTPDIRLIST_NOINLINE void ReadInNewBlock(std::int32_t index, FtpDirItem* item, std::int32_t mode) {
    KeepBlockOf(static_cast<std::uint32_t>(index));
    GetFtpDirItem(index, item, mode);
}

}  // namespace

extern "C" {

FTPDIRLIST_API int32_t FTPDIRLIST_CALL InitFtpDirList(const char* data, int32_t length) {
    g_state.Clear();
    if (data == nullptr || length <= 0) return 0;
    try {
        CFtpDirList list;
        list.AppendData(data, static_cast<std::size_t>(length));
        auto table = std::make_unique<EntryTable>(list.Finish());
        if (table->Size() == 0) return 0;
        g_state.count = ClampLength(table->Size());
        g_state.table = std::move(table);
        return g_state.count;
    } catch (...) {
        // Out of memory: nothing may cross into the host; keep nothing.
        g_state.Clear();
        return 0;
    }
}

FTPDIRLIST_API void FTPDIRLIST_CALL GetFtpDirItem(int32_t index, FtpDirItem* item, int32_t mode) {
    // One unsigned compare refuses negative indexes too; count is 0 while no
    // listing is open.
    if (item == nullptr ||
        static_cast<std::uint32_t>(index) >= static_cast<std::uint32_t>(g_state.count)) {
        return;
    }
    const std::uint32_t offset = static_cast<std::uint32_t>(index) - g_state.blockFirst;
    if (FTPDIRLIST_UNLIKELY(offset >= g_state.blockSize)) {
        return ReadInNewBlock(index, item, mode);
    }
    const EntryRow& e = g_state.blockRows[offset];
    if (mode == 1) {
        item->attributesLength = ClampLength(e.attributesLength);
        item->nameLength = ClampLength(e.nameLength);
        return;
    }
    return CopyEntry(e, item, mode);
}

FTPDIRLIST_API void FTPDIRLIST_CALL UnInitFtpDirList(void) { g_state.Clear(); }

}  // extern "C"
