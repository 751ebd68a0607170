// The family readers of the extended dialect, one per format family. Each
// has the FamilyReader contract (line_parser.h): it reads one line that has
// no line end but keeps the spaces the server wrote, fills the newly reset
// `entry` (format set, size -1 when the line gives none) and returns
// LineKind::entry; header for a header, column-title or footer line of its
// family; none otherwise, deciding on the first bytes where it can. Texts in
// `entry` are views into `line` or into the entry's scratch buffers. None of
// them throws, allocates (beyond a scratch buffer) or reads outside `line`.
#pragma once

#include <string_view>

#include "extended/line_parser.h"

namespace ftpdirlist {
namespace ext {

// Machine-readable facts and the listings of other server families.
//
// MLSD and MLST: "type=file;size=1024;modify=20020115103045; notes.txt".
// Facts in any case, unknown ones ignored; the name is everything after the
// first space. type=cdir and type=pdir give entries named "." and "..",
// which the driver drops like Unix ones. A line of a space and a name (an
// empty fact list) is read only in a listing already known to be MLSD.
LineKind ReadMlsdLine(std::string_view line, ListingState& state, Today& today, ParsedEntry& entry);
// EPLF: "+i8388621.44468,m839956783,r,s10376,\tnotes".
LineKind ReadEplfLine(std::string_view line, ListingState& state, Today& today, ParsedEntry& entry);
// OS/2: "  36611      A    04-23-103   10:57  test1.file".
LineKind ReadOs2Line(std::string_view line, ListingState& state, Today& today, ParsedEntry& entry);
// IBM i: "ALICE  8192 01/15/02 10:30:45 *STMF notes.txt" and
// "ALICE   *MEM   MYLIB.FILE/MEMB.MBR".
LineKind ReadIbmiLine(std::string_view line, ListingState& state, Today& today, ParsedEntry& entry);
// Windows CE and VxWorks: "2048    Feb-28-1998  05:23:30   name <DIR>".
LineKind ReadWindowsCeLine(std::string_view line, ListingState& state, Today& today,
                           ParsedEntry& entry);
// VShell: "206876  Apr 04, 2000 21:06 name".
LineKind ReadVshellLine(std::string_view line, ListingState& state, Today& today,
                        ParsedEntry& entry);
// OS-9: "20.20 07/03/29 1026 d-ewrewr 2650 85920 name".
LineKind ReadOs9Line(std::string_view line, ListingState& state, Today& today, ParsedEntry& entry);
// dls: "name  size  description". It reads almost any line of three
// tokens, so it reads only a listing not yet known to be another family.
LineKind ReadDlsLine(std::string_view line, ListingState& state, Today& today, ParsedEntry& entry);
// Nortel: "name   1014196  06/03/04  Thur.   10:20:03".
LineKind ReadNortelLine(std::string_view line, ListingState& state, Today& today,
                        ParsedEntry& entry);
// Numeric Unix: "0100644  500  101  12345  123456789  name".
LineKind ReadUnixNumericLine(std::string_view line, ListingState& state, Today& today,
                             ParsedEntry& entry);

}  // namespace ext
}  // namespace ftpdirlist
