// The C++ API and the C ABI give the same entries for the same bytes. Both
// take "today" from the system clock (the C ABI has no other), so the C++
// side runs with default options but for the classic dialect.
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string_view>

#include "c_abi_reader.h"
#include "ftpdirlist/ftpdirlist.h"
#include "ftpdirlist/ftpdirlist.hpp"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > static_cast<std::size_t>(std::numeric_limits<int32_t>::max())) return 0;
    const std::string_view listing(reinterpret_cast<const char*>(data), size);

    ftpdir::Options classic;
    classic.dialect = ftpdir::Dialect::classic;
    const ftpdir::Listing entries = ftpdir::parse(listing, classic);
    ftpdir::Options collecting = classic;
    collecting.collectSkipped = true;
    FUZZ_CHECK(ftpdir::parse(listing, collecting) == entries);  // collecting changes nothing

    const int32_t count = InitFtpDirList(listing.data(), static_cast<int32_t>(size));
    FUZZ_CHECK(static_cast<std::size_t>(count) == entries.size());
    for (int32_t i = 0; i < count; ++i) {
        const ftpdir::EntryView e = entries[static_cast<std::size_t>(i)];
        const CAbiEntry c = ReadCAbiEntry(i, 2);
        FUZZ_CHECK(c.name == e.name);
        if (e.attributes.empty()) {
            // The host learns directory and link from the marker.
            FUZZ_CHECK(c.attributes == (e.isLink ? "l" : e.isDir ? "d" : ""));
        } else {
            FUZZ_CHECK(c.attributes == e.attributes);
        }
        FUZZ_CHECK(c.item.size == e.size);
        FUZZ_CHECK((c.item.hasDate == 1) == e.date.has_value());
        FUZZ_CHECK((c.item.hasTime == 1) == e.time.has_value());
        if (e.date) {
            FUZZ_CHECK(c.item.year == e.date->year && c.item.month == e.date->month &&
                       c.item.day == e.date->day);
        }
        if (e.time) FUZZ_CHECK(c.item.hour == e.time->hour && c.item.minute == e.time->minute);
    }
    UnInitFtpDirList();
    return 0;
}
