// The three exported functions over one module-wide listing. The parsing
// itself is re-entrant (CFtpDirList); only this layer holds global state.
#include "ftpdirlist/ftpdirlist.h"

#include <cstddef>
#include <cstring>
#include <limits>
#include <memory>
#include <new>

#include "entries/entry_table.h"
#include "input/dir_list.h"
#include "model/bits.h"

namespace {

using ftpdirlist::CFtpDirList;
using ftpdirlist::EntryRow;
using ftpdirlist::EntryTable;

struct ModuleState {
    std::int32_t count = 0;
    std::unique_ptr<EntryTable> table;

    void Clear() noexcept {
        count = 0;
        table.reset();
    }
};

ModuleState g_state;

std::int32_t ClampLength(std::size_t length) {
    return length > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())
               ? std::numeric_limits<std::int32_t>::max()
               : static_cast<std::int32_t>(length);
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
    const EntryTable* table = g_state.table.get();
    // One unsigned compare refuses negative indexes too.
    if (item == nullptr || table == nullptr ||
        static_cast<std::uint32_t>(index) >= static_cast<std::uint32_t>(g_state.count)) {
        return;
    }
    const EntryRow& e = table->Row(static_cast<std::size_t>(index));

    if (mode == 1) {
        item->attributesLength = ClampLength(e.attributesLength);
        item->nameLength = ClampLength(e.nameLength);
        return;
    }
    if (mode == 0) {
        if (item->attributes != nullptr && e.attributesLength != 0) {
            ftpdirlist::bits::Copy(item->attributes, e.AttributesData(), e.attributesLength);
        }
        if (item->name != nullptr && e.nameLength != 0) {
            ftpdirlist::bits::Copy(item->name, e.name, e.nameLength);
        }
    }

    item->size = e.size;
    if ((e.dateBits & EntryRow::kWideDate) == 0) {
        // The usual packed date, read field by field into the item.
        item->hasDate = e.dateBits & EntryRow::kHasDate;
        item->hasTime = (e.dateBits & EntryRow::kHasTime) >> 1;
        if ((e.dateBits & EntryRow::kHasDate) != 0) {
            item->year = e.PackedYear();
            item->month = e.PackedByte(EntryRow::kMonthShift);
            item->day = e.PackedByte(EntryRow::kDayShift);
        }
        if ((e.dateBits & EntryRow::kHasTime) != 0) {
            item->hour = e.PackedByte(EntryRow::kHourShift);
            item->minute = e.PackedByte(EntryRow::kMinuteShift);
        }
    } else {
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
    }
    // Hosts learn directory and link from the attribute text; entries
    // without one (DOS-style) get "d" or "l" when the host's buffer is empty.
    if (item->attributes != nullptr && item->attributes[0] == '\0') {
        if (e.isDir == 1) std::memcpy(item->attributes, "d", 2);
        if (e.isLink == 1) std::memcpy(item->attributes, "l", 2);
    }
}

FTPDIRLIST_API void FTPDIRLIST_CALL UnInitFtpDirList(void) { g_state.Clear(); }

}  // extern "C"
