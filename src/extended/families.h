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
// (fields::RollMidnight), and hasTime and extras.second follow what the stamp
// gives (hour -1: no time). The stamp's month and day must be valid. False,
// and `entry` untouched, when the day cannot be carried past midnight.
bool StoreStamp(fields::Stamp stamp, Today& today, ParsedEntry& entry);

// unix.cpp: `ls -l` lines of every locale and their server variants.
LineKind ReadUnixLine(std::string_view line, ListingState& state, Today& today, ParsedEntry& entry);

// dos.cpp: IIS and DOS `dir` lines.
LineKind ReadDosLine(std::string_view line, ListingState& state, Today& today, ParsedEntry& entry);

// vms.cpp: VMS `DIRECTORY` lines, their header and footer.
LineKind ReadVmsLine(std::string_view line, ListingState& state, Today& today, ParsedEntry& entry);

// The mainframe families. The readers of the listings that open with
// column titles read nothing before their titles unless the listing is
// already of their family; the titles make it theirs (flag and family set),
// so that the next line is read by them first.

// mvs.cpp: z/OS datasets after "Volume Unit    Referred Ext Used ...",
// also "Migrated" and "Pseudo Directory" lines.
LineKind ReadMvsDataset(std::string_view line, ListingState& state, Today& today,
                        ParsedEntry& entry);

// mvs_member.cpp: members of a partitioned dataset after
// "Name     VV.MM   Created ...", of a load library after
// "Name      Size     TTR ...", or a member name alone on a line.
LineKind ReadMvsMember(std::string_view line, ListingState& state, Today& today,
                       ParsedEntry& entry);

// mvs_member.cpp: jobs of the JES spool after "JOBNAME  JOBID    OWNER ...",
// one entry per job named by its job id.
LineKind ReadJesJob(std::string_view line, ListingState& state, Today& today, ParsedEntry& entry);

// guardian.cpp: HP NonStop files after "File  Code  EOF  Last Modification ...".
LineKind ReadGuardian(std::string_view line, ListingState& state, Today& today, ParsedEntry& entry);

// cms.cpp: z/VM CMS files, "PROFILE  EXEC     A1 V        68 ..."; no header.
LineKind ReadCms(std::string_view line, ListingState& state, Today& today, ParsedEntry& entry);

}  // namespace ext
}  // namespace ftpdirlist
