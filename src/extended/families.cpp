// The dispatch table of the extended dialect: every family reader, in the
// order they are tried when the listing's own family does not read a line.
//
// Why this order, for the first line of a listing (later lines go to the
// listing's family first): Unix comes first because most servers write it and
// its first token, a ten-byte mode, rejects other lines at once. DOS comes
// next: its first token must be a numeric date and its third a size or
// <DIR>. VMS follows: a first token ending in ";" and digits is a VMS name
// even when it starts with a Unix type letter ("bin.dir;1"), which the Unix
// reader has already refused for its mode. Families added later come after
// these three, so that a line one of the three reads keeps its reading.
#include "extended/families.h"

namespace ftpdirlist {
namespace ext {

const FamilyEntry kFamilies[] = {
    {EntryFormat::unix, &ReadUnixLine},       {EntryFormat::dos, &ReadDosLine},
    {EntryFormat::vms, &ReadVmsLine},         {EntryFormat::mvs, &ReadMvsDataset},
    {EntryFormat::mvsMember, &ReadMvsMember}, {EntryFormat::jes, &ReadJesJob},
    {EntryFormat::guardian, &ReadGuardian},   {EntryFormat::cms, &ReadCms},
};

const std::size_t kFamilyCount = sizeof kFamilies / sizeof kFamilies[0];

}  // namespace ext
}  // namespace ftpdirlist
