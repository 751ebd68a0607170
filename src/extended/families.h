// The family readers of the extended dialect, one file each, listed in the
// dispatch table of families.cpp. Each is a FamilyReader: it reads `line`
// as its family or returns LineKind::none without touching `state`.
#pragma once

#include "extended/line_parser.h"

namespace ftpdirlist {
namespace ext {

// unix.cpp: `ls -l` lines of every locale and their server variants.
LineKind ReadUnixLine(std::string_view line, ListingState& state, Today& today, ParsedEntry& entry);

// dos.cpp: IIS and DOS `dir` lines.
LineKind ReadDosLine(std::string_view line, ListingState& state, Today& today, ParsedEntry& entry);

// vms.cpp: VMS `DIRECTORY` lines, their header and footer.
LineKind ReadVmsLine(std::string_view line, ListingState& state, Today& today, ParsedEntry& entry);

}  // namespace ext
}  // namespace ftpdirlist
