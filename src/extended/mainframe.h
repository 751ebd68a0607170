// The mainframe family readers of the extended dialect. Each is a
// FamilyReader (see line_parser.h): it reads one untrimmed line, returns
// LineKind::entry with `entry` filled, header for its own column titles,
// headers and footers, or none. None of them allocates except into the
// record's scratch buffers, throws, or reads outside `line`.
#pragma once

#include <string_view>

#include "extended/line_parser.h"

namespace ftpdirlist {
namespace ext {

// z/OS catalogued datasets after "Volume Unit    Referred Ext Used ...".
// Reads nothing before that header unless the listing is already MVS.
LineKind ReadMvsDataset(std::string_view line, ListingState& state, Today& today,
                        ParsedEntry& entry);

// Members of a partitioned dataset after "Name     VV.MM   Created ...".
// Reads nothing before that header unless the listing is already of members.
LineKind ReadMvsMember(std::string_view line, ListingState& state, Today& today,
                       ParsedEntry& entry);

// Jobs of the JES spool after "JOBNAME  JOBID    OWNER    STATUS CLASS".
// Reads nothing before that header unless the listing is already of jobs.
LineKind ReadJesJob(std::string_view line, ListingState& state, Today& today, ParsedEntry& entry);

// z/VM CMS files; the format needs no header.
LineKind ReadCms(std::string_view line, ListingState& state, Today& today, ParsedEntry& entry);

// HP NonStop Guardian files after "File  Code  EOF  Last Modification ...".
// Reads nothing before that header unless the listing is already Guardian.
LineKind ReadGuardian(std::string_view line, ListingState& state, Today& today, ParsedEntry& entry);

}  // namespace ext
}  // namespace ftpdirlist
