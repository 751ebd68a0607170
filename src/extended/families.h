// The family readers of the extended dialect, one file each, listed in the
// dispatch table of families.cpp. Each is a FamilyReader: it reads `line`
// as its family or returns LineKind::none without touching `state`.
#pragma once

#include "extended/line_parser.h"
#include "fields/fields.h"
#include "model/calendar.h"

namespace ftpdirlist {
namespace ext {

// The stores of StoreStamp, for a stamp whose day and hour need nothing
// more, in `year`.
FTPDIRLIST_ALWAYS_INLINE void PutStamp(const fields::Stamp& stamp, std::int32_t year,
                                       ParsedEntry& entry) {
    FtpDateTime& dt = entry.dateTime;
    dt.year = year;
    dt.month = stamp.month;
    dt.day = stamp.day;
    dt.hasDate = 1;
    if (stamp.hour >= 0) {
        dt.hour = stamp.hour;
        dt.minute = stamp.minute;
        dt.hasTime = 1;
        entry.extras.second = static_cast<std::int8_t>(stamp.second);
    }
}

// StoreStamp for every stamp.
// By value: the caller's stamp then need not live in memory.
inline bool StoreOtherStamp(fields::Stamp stamp, Today& today, ParsedEntry& entry) {
    const bool leapDay = stamp.month == 2 && stamp.day == 29;
    if (stamp.year < 0) {
        stamp.year = calendar::ExtendedYearOfYearlessDate(stamp.month, stamp.day, today.Get());
    }
    if (leapDay && !calendar::IsLeapYear(stamp.year)) return false;
    if (stamp.hour == 24 && !fields::RollMidnight(stamp)) return false;
    PutStamp(stamp, stamp.year, entry);
    return true;
}

// Stores a date read by the field readers in `entry`: a stamp without a year
// (year -1) takes the extended dialect's year of a year-less date
// (calendar::ExtendedYearOfYearlessDate), 24:00 becomes 00:00 of the next day
// (fields::RollMidnight: every family reads 24:00 so, never as hour 24), and
// hasTime and extras.second follow what the stamp gives (hour -1: no time).
// The stamp's month and day must be valid for some year (the readers check
// them before the year is known). False, and `entry` untouched, for 29
// February of a given common year and when the day cannot be carried past
// midnight.
// Inline: every family stores a date per line, most of them neither 29
// February nor 24:00.
FTPDIRLIST_ALWAYS_INLINE bool StoreStamp(const fields::Stamp& read, Today& today,
                                         ParsedEntry& entry) {
    // A shortcut for the stamps that need no leap year or carry: a missing
    // year from today's record of where the rule's year changes.
    if (FTPDIRLIST_SHORTCUTS && read.hour != 24 && !(read.month == 2 && read.day == 29)) {
        const std::int32_t year =
            read.year < 0 ? today.ExtendedYearOfYearlessDate(read.month, read.day) : read.year;
        PutStamp(read, year, entry);
        return true;
    }
    return StoreOtherStamp(read, today, entry);
}

// The tokens of `line`, read as far as the driver allows and with the
// spaces it found when `line` is the line the driver handed over or a part
// of it from its start (state.scan); else read within the line alone.
inline fields::TokenWalker TokensFor(std::string_view line, const ListingState& state) {
    const ScanBounds& bounds = state.scan;

    if (bounds.begin == line.data()) {
        return fields::TokenWalker(Line(bounds.begin, line.data() + line.size(), bounds.readable),
                                   bounds.spaces);
    }
    return fields::TokenWalker(line);
}

// unix.cpp: `ls -l` lines of every locale and their server variants, and
// `total` lines (header). A link ("l" type) is split from its target at the
// FIRST " -> ": isLink set, isDir clear, extras.target the rest. Device
// files have size -1. Owner and group are views of the line.
LineKind ReadUnixLine(std::string_view line, ListingState& state, Today& today, ParsedEntry& entry);

// dos.cpp: IIS and DOS `dir` lines. <DIR> (any case) is a directory of size
// -1; <JUNCTION>, <SYMLINK> and <SYMLINKD> are links of size -1 whose
// "[target]" after the name becomes extras.target.
LineKind ReadDosLine(std::string_view line, ListingState& state, Today& today, ParsedEntry& entry);
// Its FamilyFilter: a first token that starts as a numeric date.
bool MayBeDosLine(fields::TokenWalker& tokens, std::size_t count, const ListingState& state);

// vms.cpp: VMS `DIRECTORY` lines, their "Directory" header (sets
// state.vmsHeader) and "Total of" footers. The name keeps its ";version"
// (a ".DIR" type is dropped and makes a directory); the size is the used
// blocks x 512; extras.owner is the owner without its brackets.
LineKind ReadVmsLine(std::string_view line, ListingState& state, Today& today, ParsedEntry& entry);
// Its FamilyFilter: a versioned first token, or a listing that has shown
// its header.
bool MayBeVmsLine(fields::TokenWalker& tokens, std::size_t count, const ListingState& state);

// Machine-readable facts and the listings of other server families. Each
// fills the record with its format set and size -1 when the line gives
// none; a header, column-title or footer line of its family is a header.
// None throws, allocates or reads outside `line`.

// mlsd.cpp: MLSD and MLST, "type=file;size=1024;modify=20020115103045; notes.txt".
// Facts in any case, unknown ones ignored; the name is everything after the
// first space. type=cdir and type=pdir give entries named "." and "..",
// which the driver drops like Unix ones. A line of a space and a name (an
// empty fact list) is read only in a listing already known to be MLSD.
LineKind ReadMlsdLine(std::string_view line, ListingState& state, Today& today, ParsedEntry& entry);
// Its FamilyFilter: a first fact name and its "=".
bool MayBeMlsdLine(fields::TokenWalker& tokens, std::size_t count, const ListingState& state);

// eplf.cpp: EPLF, "+i8388621.44468,m839956783,r,s10376,\tnotes".
LineKind ReadEplfLine(std::string_view line, ListingState& state, Today& today, ParsedEntry& entry);

// os2.cpp: OS/2, "  36611      A    04-23-103   10:57  test1.file".
LineKind ReadOs2Line(std::string_view line, ListingState& state, Today& today, ParsedEntry& entry);
// Its FamilyFilter: a second token of attribute letters or a date.
bool MayBeOs2Line(fields::TokenWalker& tokens, std::size_t count, const ListingState& state);

// ibmi.cpp: IBM i, "ALICE  8192 01/15/02 10:30:45 *STMF notes.txt" and
// "ALICE   *MEM   MYLIB.FILE/MEMB.MBR".
LineKind ReadIbmiLine(std::string_view line, ListingState& state, Today& today, ParsedEntry& entry);
// Its FamilyFilter: an object type or a size second.
bool MayBeIbmiLine(fields::TokenWalker& tokens, std::size_t count, const ListingState& state);

// wince.cpp: Windows CE and VxWorks, "2048    Feb-28-1998  05:23:30   name <DIR>".
LineKind ReadWindowsCeLine(std::string_view line, ListingState& state, Today& today,
                           ParsedEntry& entry);
// Its FamilyFilter: a month name after a size, or a header's first token.
bool MayBeWinCeLine(fields::TokenWalker& tokens, std::size_t count, const ListingState& state);

// vshell.cpp: VShell, "206876  Apr 04, 2000 21:06 name".
LineKind ReadVshellLine(std::string_view line, ListingState& state, Today& today,
                        ParsedEntry& entry);

// os9.cpp: OS-9, "20.20 07/03/29 1026 d-ewrewr 2650 85920 name".
LineKind ReadOs9Line(std::string_view line, ListingState& state, Today& today, ParsedEntry& entry);

// dls.cpp: "name  size  description". It reads almost any line of two
// tokens or more, so it reads only a listing not yet known to be another
// family.
LineKind ReadDlsLine(std::string_view line, ListingState& state, Today& today, ParsedEntry& entry);
// Its FamilyFilter: a listing of no other family.
bool MayBeDlsLine(fields::TokenWalker& tokens, std::size_t count, const ListingState& state);

// nortel.cpp: Nortel, "name   1014196  06/03/04  Thur.   10:20:03".
LineKind ReadNortelLine(std::string_view line, ListingState& state, Today& today,
                        ParsedEntry& entry);
// Its FamilyFilter: five tokens, the second a number.
bool MayBeNortelLine(fields::TokenWalker& tokens, std::size_t count, const ListingState& state);

// unix_numeric.cpp: "0100644  500  101  12345  123456789  name".
LineKind ReadUnixNumericLine(std::string_view line, ListingState& state, Today& today,
                             ParsedEntry& entry);
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
