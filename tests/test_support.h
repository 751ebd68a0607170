// Helpers shared by the test programs: exact-size heap copies of test input,
// the fixed dates that stand for "today", entries as plain values, and an
// entry read through the C interface as a host reads it.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <ostream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "entries/entry_table.h"
#include "ftpdirlist/ftpdirlist.h"
#include "model/entry.h"
#include "parse/today.h"

namespace ftpdirlist {

inline bool operator==(const FtpDateTime& a, const FtpDateTime& b) {
    return a.year == b.year && a.month == b.month && a.day == b.day && a.hour == b.hour &&
           a.minute == b.minute && a.hasTime == b.hasTime && a.hasDate == b.hasDate;
}

// A stored row's attribute text.
inline std::string_view AttributesOf(const EntryRow& row) {
    return {row.AttributesData(), row.attributesLength};
}

// EntryTable::AddEntryAhead with the table settled after it, so that it can
// be read at once.
inline void AddEntry(EntryTable& table, ParsedEntry& entry, bool vms) {
    table.AddEntryAhead(entry, vms);
    table.Settle();
}

// One entry as a value that owns its texts: what tests compare.
struct FtpDirEntry {
    std::string name;
    std::string attributes;
    std::int64_t size = 0;
    std::uint8_t isDir = 0;
    std::uint8_t isLink = 0;
    FtpDateTime dateTime;

    friend bool operator==(const FtpDirEntry& a, const FtpDirEntry& b) {
        return a.name == b.name && a.attributes == b.attributes && a.size == b.size &&
               a.isDir == b.isDir && a.isLink == b.isLink && a.dateTime == b.dateTime;
    }
    friend bool operator!=(const FtpDirEntry& a, const FtpDirEntry& b) { return !(a == b); }
};

inline FtpDirEntry ToEntry(const ParsedEntry& parsed) {
    FtpDirEntry e;
    e.name.assign(parsed.name.data(), parsed.name.size());
    e.attributes.assign(parsed.attributes.data(), parsed.attributes.size());
    e.size = parsed.size;
    e.isDir = parsed.isDir;
    e.isLink = parsed.isLink;
    e.dateTime = parsed.dateTime;
    return e;
}

inline FtpDirEntry ToEntry(const EntryRow& row) {
    FtpDirEntry e;
    e.name.assign(row.name, row.nameLength);
    e.attributes.assign(row.AttributesData(), row.attributesLength);
    e.size = row.size;
    e.isDir = row.isDir;
    e.isLink = row.isLink;
    e.dateTime = row.DateTime();
    return e;
}

inline std::vector<FtpDirEntry> Entries(const EntryTable& table) {
    std::vector<FtpDirEntry> out;
    for (std::size_t i = 0; i < table.Size(); ++i) out.push_back(ToEntry(table.Row(i)));
    return out;
}

// Every field of every row of `table`, extras included, one text a row,
// appended to `rows`: what tests compare of tables that hold extras.
inline void AddRowTexts(const EntryTable& table, std::vector<std::string>& rows) {
    for (std::size_t i = 0; i < table.Size(); ++i) {
        const EntryRow& r = table.Row(i);
        const FtpDateTime dt = r.DateTime();
        const RowExtras x = table.Extras(i);
        std::ostringstream out;
        out << '[' << r.Name() << "] [" << std::string_view(r.AttributesData(), r.attributesLength)
            << "] " << r.size << ' ' << int{r.isDir} << int{r.isLink} << ' ' << r.version << ' '
            << dt.year << '-' << dt.month << '-' << dt.day << ' ' << dt.hour << ':' << dt.minute
            << ' ' << dt.hasDate << dt.hasTime << " [" << x.target << "] [" << x.owner << "] ["
            << x.group << "] " << int{x.second} << ' ' << int{x.utc} << ' '
            << static_cast<int>(x.format) << " [" << x.facts << ']';
        rows.push_back(out.str());
    }
}
inline std::vector<std::string> RowTexts(const EntryTable& table) {
    std::vector<std::string> rows;
    AddRowTexts(table, rows);
    return rows;
}

// `text` with every byte outside printable ASCII (and the backslash) as \xHH.
inline std::string EscapedBytes(std::string_view text) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char ch : text) {
        const auto byte = static_cast<unsigned char>(ch);
        if (byte >= 0x20 && byte < 0x7F && byte != '\\') {
            out.push_back(ch);
        } else {
            out += "\\x";
            out.push_back(kHex[byte >> 4]);
            out.push_back(kHex[byte & 15]);
        }
    }
    return out;
}

// Failure messages show every field.
inline void PrintTo(const FtpDirEntry& e, std::ostream* os) {
    const FtpDateTime& t = e.dateTime;
    *os << "{name \"" << EscapedBytes(e.name) << "\", attributes \"" << EscapedBytes(e.attributes)
        << "\", size " << e.size << ", isDir " << int{e.isDir} << ", isLink " << int{e.isLink}
        << ", date " << t.year << "-" << t.month << "-" << t.day << " " << t.hour << ":" << t.minute
        << ", hasTime " << int{t.hasTime} << ", hasDate " << int{t.hasDate} << "}";
}

}  // namespace ftpdirlist

namespace testsupport {

// 10 March 2002, the "today" of the line and driver tests: Unix-style
// entries with a time up to 11 March are dated 2002, later ones 2001.
constexpr ftpdirlist::LocalDate kToday{2002, 3, 10};
// 15 June 2024, the "today" of the example listings (ftpls's tests pass it
// as --today) and of the mutation and hostile-input tests.
constexpr ftpdirlist::LocalDate kExamplesToday{2024, 6, 15};

// A copy of `bytes` in a heap block of exactly bytes.size() bytes: a read
// past its end is an AddressSanitizer error, not a silent read of a string
// literal's zero byte.
class HeapBytes {
public:
    explicit HeapBytes(std::string_view bytes)
        : size_(bytes.size()), data_(new char[bytes.size()]) {
        if (size_ != 0) std::memcpy(data_.get(), bytes.data(), size_);
    }
    char* data() const { return data_.get(); }
    std::size_t size() const { return size_; }
    std::string_view view() const { return {data_.get(), size_}; }

private:
    std::size_t size_;
    std::unique_ptr<char[]> data_;
};

// InitFtpDirList on an exact-size heap copy of `listing`, released before
// the call returns: the library may keep no pointer into it.
inline std::int32_t InitExact(std::string_view listing) {
    const HeapBytes copy(listing);
    return InitFtpDirList(copy.data(), static_cast<std::int32_t>(copy.size()));
}

// What a host reads of entry `index`: the values and lengths (mode 1), then
// the texts (mode 0) into zero-filled buffers of length + 1 bytes, at least
// two for the attributes so that the "d" or "l" marker of an entry without
// attributes fits. `attributes` is what the host's buffer then holds up to
// its first zero byte when the entry has no attributes.
struct HostItem {
    FtpDirItem item;  // the values; its text pointers are null
    std::string name;
    std::string attributes;
};

inline HostItem ReadAsHost(std::int32_t index) {
    HostItem out;
    out.item = FtpDirItem{};
    GetFtpDirItem(index, &out.item, 1);
    const auto nameLength = static_cast<std::size_t>(std::max(out.item.nameLength, 0));
    const auto attributesLength = static_cast<std::size_t>(std::max(out.item.attributesLength, 0));
    std::vector<char> name(nameLength + 1, '\0');
    std::vector<char> attributes(std::max<std::size_t>(attributesLength + 1, 2), '\0');
    out.item.name = name.data();
    out.item.attributes = attributes.data();
    GetFtpDirItem(index, &out.item, 0);
    out.name.assign(name.data(), nameLength);
    out.attributes = attributesLength != 0 ? std::string(attributes.data(), attributesLength)
                                           : std::string(attributes.data());
    out.item.name = nullptr;
    out.item.attributes = nullptr;
    return out;
}

}  // namespace testsupport
