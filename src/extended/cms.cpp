// z/VM CMS files, one per line, without column titles:
//
//   PROFILE  EXEC     A1 V        68         25          1 2002-01-15 10:30:45 -
//   NOTES    TEXT     A1 F        80          3          1  9/16/91 15:10:32
//   PROJECTS DIR      -  DIR       -          -          0 2002-01-15 10:30:45 -
//
// Columns: file name, file type, file mode (some servers leave it out),
// record format, record length, record count, blocks, date, time, and an
// optional last column (a label, or "-").
//   name        NAME.TYPE, in the record's scratch buffer; a directory is its
//               file name alone when its type column is "DIR" or "-", or
//               when it has no type column ("AUTHORS A1 DIR - - - ...": a
//               file mode, then the format)
//   attributes  file mode and record format as written ("A1 V"), the
//               format alone when there is no file mode
//   size        record length x record count (of a variable-length file,
//               the longest record times the count: an upper bound); -1
//               for a directory (whose counts may be "-") or a product
//               beyond int64
//   isDir       "DIR" in the record-format column; a CMS file never is one
//   date, time  yyyy-mm-dd or m/dd/yy, then hh:mm:ss (seconds kept)
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string_view>

#include "extended/families.h"
#include "extended/mainframe_common.h"
#include "fields/fields.h"

namespace ftpdirlist {
namespace ext {
namespace {

// Name, type, mode, format, lrecl, records, blocks, date, time, label.
constexpr std::size_t kMaxColumns = 10;

bool IsRecordFormat(std::string_view text) { return text == "F" || text == "V" || text == "DIR"; }

// A file mode: a disk letter and an optional mode number ("A", "A1"), or
// "-" where the file has none.
bool IsFileMode(std::string_view text) {
    if (text == "-") return true;
    if (text.empty() || text.size() > 2 || !fields::IsUpper(text[0])) return false;
    return text.size() == 1 || (text[1] >= '0' && text[1] <= '6');
}

// A count column: a number, or "-" (-1) in a directory's line.
bool ReadCount(std::string_view text, bool isDir, std::int64_t& value) {
    if (isDir && text == "-") {
        value = -1;
        return true;
    }
    return fields::ReadNumber(text, value);
}

bool ReadCmsDate(std::string_view text, fields::Stamp& stamp) {
    return fields::ReadNumericDate(text, fields::DateOrder::ymd, "-", stamp) ||
           fields::ReadNumericDate(text, fields::DateOrder::mdy, "/", stamp);
}

std::int64_t RecordBytes(std::int64_t length, std::int64_t count) {
    if (length < 0 || count < 0) return -1;
    if (length != 0 && count > std::numeric_limits<std::int64_t>::max() / length) return -1;
    return length * count;
}

}  // namespace

LineKind ReadCms(std::string_view line, ListingState& state, Today& today, ParsedEntry& entry) {
    fields::TokenWalker col = TokensFor(line, state);
    // The format is the third column, or the fourth after a file mode; a
    // directory may have no type, its format the third column after a mode.
    std::size_t at = 2;
    const bool untypedDir = col[2] == "DIR" && IsFileMode(col[1]) && col[1] != "-";
    if (!IsRecordFormat(col[at])) {
        if (!IsFileMode(col[at])) return LineKind::none;
        ++at;
        if (!IsRecordFormat(col[at])) return LineKind::none;
    }
    // Length, count, blocks, date, time, and at most a label after them.
    const std::size_t n = col.Count(kMaxColumns);
    if (n != at + 6 && n != at + 7) return LineKind::none;
    const std::string_view format = col[at];
    const bool isDir = format == "DIR";

    std::int64_t length = 0;
    std::int64_t count = 0;
    std::int64_t blocks = 0;
    if (!ReadCount(col[at + 1], isDir, length) || !ReadCount(col[at + 2], isDir, count) ||
        !ReadCount(col[at + 3], isDir, blocks)) {
        return LineKind::none;
    }
    fields::Stamp stamp;
    if (!ReadCmsDate(col[at + 4], stamp) || !fields::ReadClock(col[at + 5], stamp) ||
        !StoreStamp(stamp, today, entry)) {
        return LineKind::none;
    }

    const std::string_view name = col[0];
    const std::string_view type = col[1];
    if (isDir && (untypedDir || type == "DIR" || type == "-")) {
        entry.name = name;
    } else {
        entry.nameScratch.assign(name.data(), name.size());
        entry.nameScratch.push_back('.');
        entry.nameScratch.append(type.data(), type.size());
        entry.name = entry.nameScratch;
    }
    entry.attributes = fields::TokenWalker::Span(untypedDir ? col[1] : col[2], format);
    entry.size = isDir ? -1 : RecordBytes(length, count);
    entry.isDir = isDir ? 1 : 0;
    entry.extras.format = EntryFormat::cms;
    return LineKind::entry;
}

}  // namespace ext
}  // namespace ftpdirlist
