// z/OS (MVS) catalogued datasets. The listing opens with column titles:
//
//   Volume Unit    Referred Ext Used Recfm Lrecl BlkSz Dsorg Dsname
//   WORK01 3390   2002/01/15  1   15  FB      80 27920  PS  USER.NOTES.TEXT
//   WORK02 3390   2002/01/14  2   30  FB      80 27920  PO  'USER.SOURCE'
//   Migrated                                                USER.OLD.DATA
//   VSAM                                                    USER.KSDS
//   V43525 Tape                                             USER.ARCHIVE
//   Pseudo Directory                                        USER.PROJECT
//
// What a dataset line fills:
//   name        the dsname; a quoted dsname loses its quotes
//   attributes  the columns Recfm to Dsorg as written ("FB      80 27920  PS");
//               Recfm, Lrecl and BlkSz may be missing (VSAM, unknown formats)
//   size        -1: the listing counts tracks, not bytes
//   isDir       Dsorg PO or PO-E: a partitioned dataset, which holds members
//   date        Referred, the day the dataset was last used, without a time;
//               "**NONE**" (never used) gives no date
//   Used        "????" or "++++" where the server could not count the tracks
// A migrated dataset (its attributes are on tape), a VSAM cluster (its
// attributes lie with its components), a dataset on a tape volume and a
// pseudo directory (a qualifier level above datasets, a directory) give
// the name alone.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "extended/families.h"
#include "extended/mainframe_common.h"
#include "fields/fields.h"

namespace ftpdirlist {
namespace ext {
namespace {

// Volume, Unit, Referred, Ext, Used, up to three of Recfm/Lrecl/BlkSz,
// Dsorg and Dsname.
constexpr std::size_t kMaxColumns = 10;
constexpr std::size_t kMinColumns = 7;
constexpr std::size_t kMaxVolume = 6;  // a volume serial has 1-6 characters

std::string_view Unquoted(std::string_view name) {
    if (name.size() >= 3 && name.front() == '\'' && name.back() == '\'') {
        return name.substr(1, name.size() - 2);
    }
    return name;
}

// Recfm and Dsorg are capitals ("FB", "PO-E"); '?' stands for a value the
// server could not find.
bool IsCode(std::string_view text) {
    if (text.empty() || text.front() == '-') return false;
    for (const char ch : text) {
        if (!fields::IsUpper(ch) && ch != '-' && ch != '?') return false;
    }
    return true;
}

// Used: a number, or "????" / "++++" for a count the server could not give.
bool IsUsed(std::string_view text) {
    std::int64_t number = 0;
    return text == "????" || text == "++++" || fields::ReadNumber(text, number);
}

LineKind NameOnly(std::string_view dsname, bool isDir, ParsedEntry& entry) {
    entry.name = Unquoted(dsname);
    entry.size = -1;
    entry.isDir = isDir ? 1 : 0;
    entry.extras.format = EntryFormat::mvs;
    return LineKind::entry;
}

// Referred: yyyy/mm/dd, or "**NONE**" for a dataset never used.
bool ReadReferred(std::string_view text, Today& today, ParsedEntry& entry) {
    if (text == "**NONE**") return true;
    fields::Stamp stamp;
    if (!fields::ReadNumericDate(text, fields::DateOrder::ymd, "/", stamp)) return false;
    return StoreStamp(stamp, today, entry);
}

}  // namespace

LineKind ReadMvsDataset(std::string_view line, ListingState& state, Today& today,
                        ParsedEntry& entry) {
    fields::TokenWalker col = TokensFor(line, state);
    const std::string_view first = col[0];
    // A listing not yet of the family reads nothing but its titles.
    if (!IsOpen(&ListingState::mvsDatasets, EntryFormat::mvs, state) && first != "Volume")
        return LineKind::none;
    if (first.empty()) return LineKind::none;
    if (first == "Volume" && col[1] == "Unit" && col[2] == "Referred") {
        return OpenFamily(&ListingState::mvsDatasets, EntryFormat::mvs, state);
    }
    if (!IsOpen(&ListingState::mvsDatasets, EntryFormat::mvs, state)) return LineKind::none;

    const std::size_t n = col.Count(kMaxColumns);
    if (n == 2 && (first == "Migrated" || first == "VSAM")) return NameOnly(col[1], false, entry);
    if (n == 3 && col[1] == "Tape" && first.size() <= kMaxVolume) {
        return NameOnly(col[2], false, entry);
    }
    if (n == 3 && first == "Pseudo" && col[1] == "Directory") return NameOnly(col[2], true, entry);
    if (n < kMinColumns || n > kMaxColumns) return LineKind::none;

    std::int64_t number = 0;
    if (first.size() > kMaxVolume) return LineKind::none;
    if (!fields::ReadNumber(col[3], number) || !IsUsed(col[4])) {
        return LineKind::none;  // Ext and Used count extents and tracks
    }
    const std::string_view dsorg = col[n - 2];
    if (!IsCode(dsorg) || (n > kMinColumns && !IsCode(col[5]))) return LineKind::none;
    // Lrecl and BlkSz, when given, are numbers.
    for (std::size_t i = 6; i < n - 2; ++i) {
        if (!fields::ReadNumber(col[i], number)) return LineKind::none;
    }
    if (!ReadReferred(col[2], today, entry)) return LineKind::none;
    entry.name = Unquoted(col[n - 1]);
    entry.attributes = fields::TokenWalker::Span(col[5], dsorg);
    entry.size = -1;
    entry.isDir = (dsorg == "PO" || dsorg == "PO-E") ? 1 : 0;
    entry.extras.format = EntryFormat::mvs;
    return LineKind::entry;
}

}  // namespace ext
}  // namespace ftpdirlist
