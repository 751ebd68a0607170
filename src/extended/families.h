// The family readers of the extended dialect, one file each, listed in the
// dispatch table of families.cpp. Each is a FamilyReader: it reads `line`
// as its family or returns LineKind::none without touching `state`.
#pragma once

#include "extended/line_parser.h"
#include "parse/fields.h"

namespace ftpdirlist {
namespace ext {

// Stores a date read by the field readers in `entry`: a stamp without a year
// (year -1) takes the year nearest today, 24:00 becomes 00:00 of the next day
// (fields::RollMidnight: every family reads 24:00 so, never as hour 24), and
// hasTime and extras.second follow what the stamp gives (hour -1: no time). The stamp's month and day must be valid. False,
// and `entry` untouched, when the day cannot be carried past midnight.
bool StoreStamp(fields::Stamp stamp, Today& today, ParsedEntry& entry);

// unix.cpp: `ls -l` lines of every locale and their server variants, and
// `total` lines (header). A link ("l" type) is split from its target at the
// FIRST " -> ": isLink set, isDir clear, extras.target the rest. Device
// files have size -1. Owner and group are views of the line.
LineKind ReadUnixLine(std::string_view line, ListingState& state, Today& today, ParsedEntry& entry);

// dos.cpp: IIS and DOS `dir` lines. <DIR> (any case) is a directory of size
// -1; <JUNCTION>, <SYMLINK> and <SYMLINKD> are links of size -1 whose
// "[target]" after the name becomes extras.target.
LineKind ReadDosLine(std::string_view line, ListingState& state, Today& today, ParsedEntry& entry);

// vms.cpp: VMS `DIRECTORY` lines, their "Directory" header (sets
// state.vmsHeader) and "Total of" footers. The name keeps its ";version"
// (a ".DIR" type is dropped and makes a directory); the size is the used
// blocks x 512; extras.owner is the owner without its brackets.
LineKind ReadVmsLine(std::string_view line, ListingState& state, Today& today, ParsedEntry& entry);

}  // namespace ext
}  // namespace ftpdirlist
