// The extended dialect's line parser: every format family, tried with the
// family the listing has used so far first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "model/entry.h"
#include "parse/today.h"

namespace ftpdirlist {
namespace ext {

// What one line turned out to be.
enum class LineKind : std::uint8_t {
    none,    // not an entry: the driver may join it with the next line
    entry,   // an entry, in the record
    header,  // a header, footer, total or column-title line: reported as
             // skipped, never joined with another line
};

// What a listing has shown so far, carried from line to line.
struct ListingState {
    EntryFormat family = EntryFormat::unknown;  // the family of the last entry
    // Headers seen; some families are only read after their header.
    bool vmsHeader = false;    // "Directory DISK$USER:[NAME]"
    bool mvsDatasets = false;  // "Volume Unit    Referred Ext Used ..."
    bool mvsMembers = false;   // "Name     VV.MM   Created ..."
    bool jesJobs = false;      // "JOBNAME  JOBID    OWNER ..."
    bool guardian = false;     // "File  Code  EOF  Last Modification ..."
};

// A family's reader: LineKind::entry and `entry` filled (format set) when
// `line` is an entry of the family; header for a line of the family that
// is no entry; none otherwise. `line` has no line end but keeps the spaces
// the server wrote around it. `entry` comes newly reset.
using FamilyReader = LineKind (*)(std::string_view line, ListingState& state, Today& today,
                                  ParsedEntry& entry);

// One family of the dispatch table.
struct FamilyEntry {
    EntryFormat format;
    FamilyReader read;
};

// Every family reader, in the order they are tried for a line that the
// listing's own family does not read (defined in families.cpp).
extern const FamilyEntry kFamilies[];
extern const std::size_t kFamilyCount;

// Reads one line of a listing: first with the reader of `state.family`,
// then with every other reader of kFamilies in order. An accepted entry
// sets `state.family` to its family; `entry.extras.format` tells it too.
// Returns header for a header, footer or total line of any family, none
// when no reader takes the line. `line` has no line end and keeps the spaces
// the server wrote around it; `entry` comes newly reset and its texts view
// `line` or its own scratch buffers. Never throws except std::bad_alloc
// from growing a scratch buffer.
LineKind ParseExtendedLine(std::string_view line, ListingState& state, Today& today,
                           ParsedEntry& entry);

}  // namespace ext
}  // namespace ftpdirlist
