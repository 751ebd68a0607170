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
// Beside each reader, what every line it takes in another family's listing
// has (FewestTokens), from its own tests: a Unix mode or `total` word never
// starts with a digit; DOS,
// OS/2, VShell and numeric Unix entries start with a number, and so do
// those of Windows CE and OS-9, whose other lines are a rule of dashes or
// their column titles; an EPLF line starts with "+". Zero where the reader
// refuses other lines cheaply itself. A family read after its column titles
// alone has a second set, for a listing that has not shown them: what its
// titles have. A family with a FamilyFilter (next to its reader) is asked
// it only for a line that FewestTokens lets through.
#include "extended/families.h"

namespace ftpdirlist {
namespace ext {

namespace {

constexpr std::uint8_t N = FewestTokens::kNever;
// Any line, even one of spaces only.
constexpr FewestTokens kAny = {0, 0, 0, 0, 0, 0};

}  // namespace

const FamilyEntry kFamilies[] = {
    {EntryFormat::unixStyle, &ReadUnixLine, {N, 2, 2, 2, 2, N}},
    {EntryFormat::dos, &ReadDosLine, {3, N, N, N, N, N}, nullptr, {}, &MayBeDosLine},
    {EntryFormat::vms, &ReadVmsLine, {1, 1, 1, 1, 1, N}, nullptr, {}, &MayBeVmsLine},
    // A first token of facts ending in ";", or a first byte "+": marks no
    // other family writes, refused after a few bytes. Outside an MLSD
    // listing the first fact's name starts with a letter.
    {EntryFormat::mlsd, &ReadMlsdLine, {N, 1, N, N, N, N}, nullptr, {}, &MayBeMlsdLine},
    {EntryFormat::eplf, &ReadEplfLine, {N, N, N, N, 1, N}},
    // The mainframe listings that open with column titles read nothing
    // before them but the titles, words that start "Volume Unit Referred",
    // "Name VV.MM Created" or "Name Size TTR", "JOBNAME JOBID", "File Code
    // EOF"; CMS has a shape of its own (a record format column, three
    // counts, a date and a time).
    {EntryFormat::mvs, &ReadMvsDataset, kAny, &ListingState::mvsDatasets, {N, 3, N, N, N, N}},
    {EntryFormat::mvsMember, &ReadMvsMember, kAny, &ListingState::mvsMembers, {N, 3, N, N, N, N}},
    {EntryFormat::jes, &ReadJesJob, kAny, &ListingState::jesJobs, {N, 2, N, N, N, N}},
    {EntryFormat::guardian, &ReadGuardian, kAny, &ListingState::guardian, {N, 3, N, N, N, N}},
    {EntryFormat::cms, &ReadCms, {8, 8, 8, 8, 8, N}},
    // Each needs a column no other family has where it has it: an object
    // type "*STMF", attribute letters before an mm-dd-yy date, "Feb-28-1998",
    // "Apr 04, 2000", a group.user owner and an eight-letter attribute word,
    // a weekday "Thur." before the time, an octal mode with file-type bits.
    {EntryFormat::ibmi, &ReadIbmiLine, {2, 2, 2, 2, 2, N}, nullptr, {}, &MayBeIbmiLine},
    {EntryFormat::os2, &ReadOs2Line, {4, N, N, N, N, N}, nullptr, {}, &MayBeOs2Line},
    {EntryFormat::windowsCe, &ReadWindowsCeLine, {4, 4, 2, N, N, N}, nullptr, {}, &MayBeWinCeLine},
    {EntryFormat::vshell, &ReadVshellLine, {6, N, N, N, N, N}},
    {EntryFormat::os9, &ReadOs9Line, {7, 7, 2, N, N, N}},
    {EntryFormat::nortel, &ReadNortelLine, {5, 5, 5, 5, 5, N}, nullptr, {}, &MayBeNortelLine},
    {EntryFormat::unixNumeric, &ReadUnixNumericLine, {6, N, N, N, N, N}},
    // Last of all: "name  size  description" also fits Nortel, numeric Unix
    // and IBM i lines, and any line of a word and a number. Outside a DLS
    // listing a line has both.
    {EntryFormat::dls, &ReadDlsLine, {2, 2, 2, 2, 2, N}, nullptr, {}, &MayBeDlsLine},
};

const std::size_t kFamilyCount = sizeof kFamilies / sizeof kFamilies[0];

}  // namespace ext
}  // namespace ftpdirlist
