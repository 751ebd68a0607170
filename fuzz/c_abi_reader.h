// Reads the open listing of the C ABI the way a host does: lengths first
// (mode 1), then texts into buffers of exactly those lengths (mode 0), then
// the values once more in a mode of neither kind. Checks that the modes agree
// and that nothing is written outside the record's fields.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "ftpdirlist/ftpdirlist.h"
#include "fuzz_check.h"

struct CAbiEntry {
    std::string name;
    std::string attributes;  // as the host's buffer holds it after mode 0 and the other mode
    FtpDirItem item;         // values written by mode 0
};

inline CAbiEntry ReadCAbiEntry(int32_t index, int32_t otherMode) {
    FtpDirItem item;
    std::memset(&item, 0, sizeof item);
    GetFtpDirItem(index, &item, 1);
    FUZZ_CHECK(item.nameLength >= 0 && item.attributesLength >= 0);
    FUZZ_CHECK(item.name == nullptr && item.attributes == nullptr && item.size == 0 &&
               item.hasDate == 0 && item.hasTime == 0);  // mode 1 writes the lengths only

    // An empty attribute text gets a marker of up to two bytes from the
    // value modes, so the host gives such an entry a zeroed 2-byte buffer.
    const std::size_t nameLength = static_cast<std::size_t>(item.nameLength);
    const std::size_t attrLength = static_cast<std::size_t>(item.attributesLength);
    const std::size_t attrBuffer = attrLength == 0 ? 2 : attrLength;
    std::unique_ptr<char[]> name(new char[nameLength]);
    std::unique_ptr<char[]> attributes(new char[attrBuffer]());
    item.name = name.get();
    item.attributes = attributes.get();
    GetFtpDirItem(index, &item, 0);
    FUZZ_CHECK(item.name == name.get() && item.attributes == attributes.get());
    FUZZ_CHECK(item.nameLength == static_cast<int32_t>(nameLength));
    FUZZ_CHECK(item.hasDate <= 1 && item.hasTime <= 1);

    FtpDirItem values = item;
    std::memset(&values.size, 0x5A, sizeof(FtpDirItem) - offsetof(FtpDirItem, size));
    GetFtpDirItem(index, &values, otherMode);
    FUZZ_CHECK(values.size == item.size && values.hasDate == item.hasDate &&
               values.hasTime == item.hasTime);
    if (item.hasDate == 1) {
        FUZZ_CHECK(values.year == item.year && values.month == item.month &&
                   values.day == item.day);
    }
    if (item.hasTime == 1) FUZZ_CHECK(values.hour == item.hour && values.minute == item.minute);

    CAbiEntry out;
    out.name.assign(name.get(), nameLength);
    out.attributes.assign(attributes.get(),
                          attrLength == 0 ? std::strlen(attributes.get()) : attrLength);
    out.item = item;
    return out;
}
