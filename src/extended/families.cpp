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
//
// Beside each reader, what every line it takes has (FamilyEntry): the
// fewest tokens its reads need and the bytes its first token may start
// with (a Unix mode or `total` word never starts with a digit; DOS, OS/2,
// VShell, OS-9 and numeric Unix entries start with a number; the rules and
// titles of Windows CE and OS-9 with '-' or a word). Zero and kAnyFirst
// where the reader refuses other lines cheaply itself.
#include "extended/families.h"

namespace ftpdirlist {
namespace ext {

const FamilyEntry kFamilies[] = {
    {EntryFormat::unixStyle, &ReadUnixLine, 2, kAnyFirst & ~kDigitFirst},
    {EntryFormat::dos, &ReadDosLine, 3, kDigitFirst},
    {EntryFormat::vms, &ReadVmsLine, 1, kAnyFirst},
    // A first token of facts ending in ";", or a first byte "+": marks no
    // other family writes, refused after a few bytes.
    {EntryFormat::mlsd, &ReadMlsdLine, 0, kAnyFirst},
    {EntryFormat::eplf, &ReadEplfLine, 0, kAnyFirst},
    // The mainframe listings that open with column titles read nothing
    // before them; CMS has a shape of its own (a record format column, three
    // counts, a date and a time).
    {EntryFormat::mvs, &ReadMvsDataset, 0, kAnyFirst},
    {EntryFormat::mvsMember, &ReadMvsMember, 0, kAnyFirst},
    {EntryFormat::jes, &ReadJesJob, 0, kAnyFirst},
    {EntryFormat::guardian, &ReadGuardian, 0, kAnyFirst},
    {EntryFormat::cms, &ReadCms, 8, kAnyFirst},
    // Each needs a column no other family has where it has it: an object
    // type "*STMF", attribute letters before an mm-dd-yy date, "Feb-28-1998",
    // "Apr 04, 2000", a group.user owner and an eight-letter attribute word,
    // a weekday "Thur." before the time, an octal mode with file-type bits.
    {EntryFormat::ibmi, &ReadIbmiLine, 2, kAnyFirst},
    {EntryFormat::os2, &ReadOs2Line, 4, kDigitFirst},
    {EntryFormat::windowsCe, &ReadWindowsCeLine, 1, kDigitFirst | kDashFirst | kLetterFirst},
    {EntryFormat::vshell, &ReadVshellLine, 5, kDigitFirst},
    {EntryFormat::os9, &ReadOs9Line, 1, kDigitFirst | kDashFirst | kLetterFirst},
    {EntryFormat::nortel, &ReadNortelLine, 5, kAnyFirst},
    {EntryFormat::unixNumeric, &ReadUnixNumericLine, 5, kDigitFirst},
    // Last of all: "name  size  description" also fits Nortel, numeric Unix
    // and IBM i lines, and any line of a word and a number.
    {EntryFormat::dls, &ReadDlsLine, 0, kAnyFirst},
};

const std::size_t kFamilyCount = sizeof kFamilies / sizeof kFamilies[0];

}  // namespace ext
}  // namespace ftpdirlist
