// The mainframe family readers of the extended dialect: MVS datasets, MVS
// members, JES jobs, z/VM CMS and HP NonStop Guardian. Each line is read
// from a heap copy of exactly its length with a fixed date of today.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "extended/families.h"
#include "extended/line_parser.h"
#include "fields/fields.h"
#include "extended_helpers.h"

namespace ftpdirlist {
namespace {

using ext::FamilyReader;
using ext::LineKind;
using ext::ListingState;

// What one reader makes of one line, read from a heap copy of it.
LineKind Read(FamilyReader reader, std::string_view text, ListingState& state) {
    const test::HeapBytes line(text);
    Today today(test::kToday);
    ParsedEntry entry;
    return reader(line.view(), state, today, entry);
}

// An accepted line and the fields it must give. year 0: no date; hour -1:
// no time.
struct Accept {
    const char* reason;
    std::string_view line;
    std::string_view name;
    std::string_view attributes;
    std::int64_t size;
    int isDir;
    std::int32_t year, month, day;
    std::int32_t hour, minute, second;
    std::string_view owner;
    std::string_view group;
};

// Every line read through the dispatcher as an entry of `format` with the
// fields of its row, in a listing of `state`.
void ExpectAccepted(const ListingState& state, EntryFormat format, const Accept* begin,
                    const Accept* end) {
    std::vector<test::AcceptCase> cases;
    for (const Accept* c = begin; c != end; ++c) {
        FtpDateTime dateTime;
        if (c->year != 0 && c->hour < 0) dateTime = test::Dated(c->year, c->month, c->day);
        if (c->year != 0 && c->hour >= 0) {
            dateTime = test::Timed(c->year, c->month, c->day, c->hour, c->minute);
        }
        cases.push_back({c->reason,
                         std::string(c->line),
                         {std::string(c->name), std::string(c->attributes), c->size, c->isDir, 0,
                          dateTime, std::string(c->owner), std::string(c->group), "", c->second}});
    }
    test::ExpectEntries(cases.data(), cases.data() + cases.size(), format, state);
}

// A line that gives no entry, and why.
struct Reject {
    const char* reason;
    std::string_view line;
};

void ExpectRejected(FamilyReader reader, const ListingState& start, const Reject* begin,
                    const Reject* end) {
    for (const Reject* c = begin; c != end; ++c) {
        SCOPED_TRACE(std::string(c->reason) + ": " + EscapedBytes(c->line));
        ListingState state = start;
        EXPECT_EQ(Read(reader, c->line, state), LineKind::none);
    }
}

// Feeds the lines of one listing through one state; returns each line's kind.
std::vector<LineKind> ReadListing(FamilyReader reader, const std::vector<std::string>& lines,
                                  ListingState& state) {
    std::vector<LineKind> kinds;
    for (const std::string& line : lines) kinds.push_back(Read(reader, line, state));
    return kinds;
}

ListingState After(bool ListingState::*flag) {
    ListingState state;
    state.*flag = true;
    return state;
}

constexpr LineKind kNone = LineKind::none;
constexpr LineKind kEntry = LineKind::entry;
constexpr LineKind kHeader = LineKind::header;

// ---- MVS datasets ------------------------------------------------------

TEST(MvsDataset, ReadsDatasetLines) {
    const Accept cases[] = {
        {"sequential dataset",
         "WORK01 3390   2002/01/15  1   15  FB      80 27920  PS  USER.NOTES.TEXT",
         "USER.NOTES.TEXT", "FB      80 27920  PS", -1, 0, 2002, 1, 15, -1, 0, -1, "", ""},
        {"partitioned dataset is a directory",
         "WORK02 3390   2002/01/14  2   30  FB      80 27920  PO  USER.SRC", "USER.SRC",
         "FB      80 27920  PO", -1, 1, 2002, 1, 14, -1, 0, -1, "", ""},
        {"PDSE is a directory",
         "WORK02 3390   2004/02/29  1    5  U        0 6144  PO-E  USER.LOAD", "USER.LOAD",
         "U        0 6144  PO-E", -1, 1, 2004, 2, 29, -1, 0, -1, "", ""},
        {"quoted dsname loses its quotes",
         "WORK01 3390   2002/01/15  1   15  VB     255 27998  PS  'USER.LOG'", "USER.LOG",
         "VB     255 27998  PS", -1, 0, 2002, 1, 15, -1, 0, -1, "", ""},
        {"never referred: no date",
         "WORK03 3390   **NONE**    1    1  FB      80  3120  PS  USER.NEW", "USER.NEW",
         "FB      80  3120  PS", -1, 0, 0, 0, 0, -1, 0, -1, "", ""},
        {"VSAM: no record format columns", "WORK04 3390   2002/01/10  1   45  VSAM  USER.KSDS",
         "USER.KSDS", "VSAM", -1, 0, 2002, 1, 10, -1, 0, -1, "", ""},
        {"leading and trailing spaces", "  WORK01 3390 2002/01/15 1 15 FB 80 27920 PS USER.A  ",
         "USER.A", "FB 80 27920 PS", -1, 0, 2002, 1, 15, -1, 0, -1, "", ""},
        {"migrated: the name alone",
         "Migrated                                                USER.OLD.DATA", "USER.OLD.DATA",
         "", -1, 0, 0, 0, 0, -1, 0, -1, "", ""},
        {"pseudo directory: a qualifier level",
         "Pseudo Directory                                        USER.PROJECT", "USER.PROJECT", "",
         -1, 1, 0, 0, 0, -1, 0, -1, "", ""},
        {"quoted migrated name", "Migrated 'USER.OLD'", "USER.OLD", "", -1, 0, 0, 0, 0, -1, 0, -1,
         "", ""},
        {"tracks the server could not count",
         "WORK01 3390   2002/01/15  1 ????  FB      80 27920  PS  USER.ODD", "USER.ODD",
         "FB      80 27920  PS", -1, 0, 2002, 1, 15, -1, 0, -1, "", ""},
        {"tracks beyond the column",
         "WORK01 3390   2002/01/15 123 ++++  FB      80 27920  PO  USER.BIG", "USER.BIG",
         "FB      80 27920  PO", -1, 1, 2002, 1, 15, -1, 0, -1, "", ""},
        {"VSAM cluster: the name alone",
         "VSAM                                                    USER.KSDS", "USER.KSDS", "", -1,
         0, 0, 0, 0, -1, 0, -1, "", ""},
        {"tape volume: the name alone",
         "V43525 Tape                                             USER.TAPE.ARCHIVE",
         "USER.TAPE.ARCHIVE", "", -1, 0, 0, 0, 0, -1, 0, -1, "", ""},
        {"the dsname column, the volume first",
         "SAVE00 3390   2004/06/23  1    1  FB     128  6144  PS  ALICE.BACKUP.TXT",
         "ALICE.BACKUP.TXT", "FB     128  6144  PS", -1, 0, 2004, 6, 23, -1, 0, -1, "", ""},
    };
    ExpectAccepted(After(&ListingState::mvsDatasets), EntryFormat::mvs, std::begin(cases),
                   std::end(cases));
}

TEST(MvsDataset, RejectsImpossibleColumns) {
    const Reject cases[] = {
        {"month 13", "WORK01 3390   2002/13/15  1   15  FB      80 27920  PS  USER.A"},
        {"31 April", "WORK01 3390   2002/04/31  1   15  FB      80 27920  PS  USER.A"},
        {"date in another order", "WORK01 3390   01/15/2002  1   15  FB      80 27920  PS  USER.A"},
        {"extents not a number", "WORK01 3390   2002/01/15  x   15  FB      80 27920  PS  USER.A"},
        {"tracks negative", "WORK01 3390   2002/01/15  1   -15  FB      80 27920  PS  USER.A"},
        {"lrecl not a number", "WORK01 3390   2002/01/15  1   15  FB      8O 27920  PS  USER.A"},
        {"volume serial longer than six",
         "WORK0123 3390 2002/01/15  1   15  FB  80 27920  PS  USER.A"},
        {"Dsorg a number (no dsname)", "WORK01 3390   2002/01/15  1   15  FB      80 27920  PS"},
        {"Recfm in lower case", "WORK01 3390   2002/01/15  1   15  fb      80 27920  PS  USER.A"},
        {"too few columns", "WORK01 3390   2002/01/15  1   PS  USER.A"},
        {"too many columns", "WORK01 3390 2002/01/15 1 15 FB 80 27920 PS USER.A extra"},
        {"migrated with more than a name", "Migrated USER.A USER.B"},
        {"used of other marks", "WORK01 3390   2002/01/15  1 ??  FB      80 27920  PS  USER.A"},
        {"tape volume serial longer than six", "V4352599 Tape  USER.A"},
        {"tape without a name", "V43525 Tape"},
        {"a Unix line", "-rw-r--r--   1 alice staff  1234 Jan 15  2002 notes.txt"},
        {"blank", "     "},
        {"empty", ""},
    };
    ExpectRejected(ext::ReadMvsDataset, After(&ListingState::mvsDatasets), std::begin(cases),
                   std::end(cases));
}

TEST(MvsDataset, ReadsNothingBeforeItsHeader) {
    ListingState state;
    EXPECT_EQ(Read(ext::ReadMvsDataset, "WORK01 3390 2002/01/15 1 15 FB 80 27920 PS USER.A", state),
              kNone);
    EXPECT_EQ(Read(ext::ReadMvsDataset, "Migrated USER.A", state), kNone);
    EXPECT_FALSE(state.mvsDatasets);

    // A listing already known to be MVS needs no header.
    state.family = EntryFormat::mvs;
    EXPECT_EQ(Read(ext::ReadMvsDataset, "Migrated USER.A", state), kEntry);
}

TEST(MvsDataset, HeaderThenEntries) {
    ListingState state;
    const std::vector<LineKind> kinds =
        ReadListing(ext::ReadMvsDataset,
                    {"Volume Unit    Referred Ext Used Recfm Lrecl BlkSz Dsorg Dsname",
                     "WORK01 3390   2002/01/15  1   15  FB      80 27920  PS  USER.NOTES.TEXT",
                     "Migrated                                                USER.OLD.DATA",
                     "WORK01 3390   2002/01/15  1   15  FB      80 27920  PS"},
                    state);
    EXPECT_EQ(kinds, (std::vector<LineKind>{kHeader, kEntry, kEntry, kNone}));
    EXPECT_TRUE(state.mvsDatasets);
    EXPECT_FALSE(state.mvsMembers || state.jesJobs || state.guardian);
}

// ---- MVS members --------------------------------------------------------

TEST(MvsMember, ReadsMemberLines) {
    const Accept cases[] = {
        {"member with statistics",
         "MEMBER1   01.03 2002/01/10 2002/01/15 10:30    52    40     0 ALICE", "MEMBER1", "01.03",
         52, 0, 2002, 1, 15, 10, 30, -1, "ALICE", ""},
        {"changed time with seconds; Size, not Init",
         "M2        02.00 2001/12/31 2002/02/28 23:59:07   140   100    12 BOB", "M2", "02.00", 140,
         0, 2002, 2, 28, 23, 59, 7, "BOB", ""},
        {"load module",
         "IEFBR14   000008   00000F           00 FO             RN RU            31    ANY",
         "IEFBR14", "00 FO             RN RU            31    ANY", 8, 0, 0, 0, 0, -1, 0, -1, "",
         ""},
        {"load module, hexadecimal size",
         "PAYCALC   01A2F0   000A13           01 FO   RN RU   31  ANY  ", "PAYCALC",
         "01 FO   RN RU   31  ANY", 0x01A2F0, 0, 0, 0, 0, -1, 0, -1, "", ""},
        {"name alone", "LOADMOD1", "LOADMOD1", "", -1, 0, 0, 0, 0, -1, 0, -1, "", ""},
        {"name alone with spaces around", "  $TEMP#  ", "$TEMP#", "", -1, 0, 0, 0, 0, -1, 0, -1, "",
         ""},
    };
    ExpectAccepted(After(&ListingState::mvsMembers), EntryFormat::mvsMember, std::begin(cases),
                   std::end(cases));
}

// An alias names the module it is another name of; its name may look like
// an authorization code.
TEST(MvsMember, LoadModuleAliasesAreLinks) {
    struct Case {
        const char* reason;
        std::string_view line;
        std::string_view name;
        std::string_view target;
        std::string_view attributes;
    };
    const Case cases[] = {
        {"alias", "BR14      000008   00000F IEFBR14   00 FO RN RU 31 ANY", "BR14", "IEFBR14",
         "00 FO RN RU 31 ANY"},
        {"alias named like a code", "AB        000008   00000F IEFBR14   01 DC 24 24", "AB",
         "IEFBR14", "01 DC 24 24"},
        {"code followed by a hexadecimal attribute", "MOD1      000100   000010 00 DC 24 24",
         "MOD1", "", "00 DC 24 24"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        ListingState state = After(&ListingState::mvsMembers);
        const test::HeapBytes line(c.line);
        Today today(test::kToday);
        ParsedEntry entry;
        ASSERT_EQ(ext::ReadMvsMember(line.view(), state, today, entry), kEntry);
        EXPECT_EQ(entry.name, c.name);
        EXPECT_EQ(entry.extras.target, c.target);
        EXPECT_EQ(entry.isLink, c.target.empty() ? 0 : 1);
        EXPECT_EQ(entry.attributes, c.attributes);
    }
}

TEST(MvsMember, RejectsImpossibleColumns) {
    const Reject cases[] = {
        {"level not vv.mm", "MEMBER1   1.3 2002/01/10 2002/01/15 10:30    52    40     0 ALICE"},
        {"created on 30 February",
         "MEMBER1   01.03 2002/02/30 2002/01/15 10:30    52    40     0 ALICE"},
        {"changed hour 24", "MEMBER1   01.03 2002/01/10 2002/01/15 24:30    52    40     0 ALICE"},
        {"minute 60", "MEMBER1   01.03 2002/01/10 2002/01/15 10:60    52    40     0 ALICE"},
        {"size not a number",
         "MEMBER1   01.03 2002/01/10 2002/01/15 10:30    5x    40     0 ALICE"},
        {"no user id", "MEMBER1   01.03 2002/01/10 2002/01/15 10:30    52    40     0"},
        {"two words", "MEMBER1 MEMBER2"},
        {"load module size not hexadecimal", "IEFBR14   00000G   00000F  00 FO RN RU 31 ANY"},
        {"load module without a code", "IEFBR14   000008   00000F  FO RN RU 31 ANY"},
        {"load module code of three digits", "IEFBR14   000008   00000F  000 FO RN RU 31 ANY"},
        {"too many columns",
         "MEMBER1   01.03 2002/01/10 2002/01/15 10:30    52    40     0 ALICE X"},
    };
    ExpectRejected(ext::ReadMvsMember, After(&ListingState::mvsMembers), std::begin(cases),
                   std::end(cases));
}

TEST(MvsMember, ReadsNothingBeforeItsHeader) {
    ListingState state;
    EXPECT_EQ(Read(ext::ReadMvsMember, "MEMBER1", state), kNone);
    EXPECT_EQ(Read(ext::ReadMvsMember,
                   "MEMBER1   01.03 2002/01/10 2002/01/15 10:30    52    40     0 ALICE", state),
              kNone);
    const std::vector<LineKind> kinds = ReadListing(
        ext::ReadMvsMember,
        {" Name     VV.MM   Created       Changed      Size  Init   Mod   Id",
         "MEMBER1   01.03 2002/01/10 2002/01/15 10:30    52    40     0 ALICE", "MEMBER2"},
        state);
    EXPECT_EQ(kinds, (std::vector<LineKind>{kHeader, kEntry, kEntry}));
    EXPECT_TRUE(state.mvsMembers);
}

// ---- JES jobs ------------------------------------------------------------

TEST(JesJob, ReadsJobLines) {
    const Accept cases[] = {
        {"job with output", "ALICEJ1  JOB01234 ALICE    OUTPUT A        RC=0000 3 spool files  ",
         "JOB01234", "OUTPUT A        RC=0000 3 spool files", -1, 0, 0, 0, 0, -1, 0, -1, "ALICE",
         "ALICEJ1"},
        {"active job", "ALICEJ2  JOB01235 ALICE    ACTIVE A", "JOB01235", "ACTIVE A", -1, 0, 0, 0,
         0, -1, 0, -1, "ALICE", "ALICEJ2"},
        {"started task id", "BATCHSRV STC00012 SYSPROG  OUTPUT STC      RC=0000", "STC00012",
         "OUTPUT STC      RC=0000", -1, 0, 0, 0, 0, -1, 0, -1, "SYSPROG", "BATCHSRV"},
        {"seven-digit job id", "ALICEJ3  J0012345 ALICE    INPUT  A        -HELD-", "J0012345",
         "INPUT  A        -HELD-", -1, 0, 0, 0, 0, -1, 0, -1, "ALICE", "ALICEJ3"},
        {"no owner column", "ALICEJ4  JOB01236  HELD  A", "JOB01236", "HELD  A", -1, 0, 0, 0, 0, -1,
         0, -1, "", "ALICEJ4"},
    };
    ExpectAccepted(After(&ListingState::jesJobs), EntryFormat::jes, std::begin(cases),
                   std::end(cases));
}

TEST(JesJob, RejectsOtherLines) {
    const Reject cases[] = {
        {"job id of seven bytes", "ALICEJ1  JOB0123 ALICE    OUTPUT A"},
        {"job id with letters after digits", "ALICEJ1  JOB0123X ALICE    OUTPUT A"},
        {"job id in lower case", "ALICEJ1  job01234 ALICE    OUTPUT A"},
        {"unknown status", "ALICEJ1  JOB01234 ALICE    WAITING A"},
        {"no status", "ALICEJ1  JOB01234"},
        {"a spool-file line", "         001 JESE              H JESMSGLG       1200"},
    };
    ExpectRejected(ext::ReadJesJob, After(&ListingState::jesJobs), std::begin(cases),
                   std::end(cases));
}

TEST(JesJob, HeaderGatesAndFramesAreHeaders) {
    ListingState state;
    EXPECT_EQ(Read(ext::ReadJesJob, "ALICEJ1  JOB01234 ALICE    OUTPUT A", state), kNone);
    EXPECT_EQ(Read(ext::ReadJesJob, "--------", state), kNone);
    const std::vector<LineKind> kinds =
        ReadListing(ext::ReadJesJob,
                    {"JOBNAME  JOBID    OWNER    STATUS CLASS",
                     "ALICEJ1  JOB01234 ALICE    OUTPUT A        RC=0000 3 spool files", "--------",
                     "         ID  STEPNAME PROCSTEP C DDNAME   BYTE-COUNT",
                     "         001 JES2              A JESMSGLG       1200", "3 spool files",
                     "1 Spool File", "ALICEJ2  JOB01235 ALICE    ACTIVE A"},
                    state);
    EXPECT_EQ(kinds, (std::vector<LineKind>{kHeader, kEntry, kHeader, kHeader, kNone, kHeader,
                                            kHeader, kEntry}));
    EXPECT_TRUE(state.jesJobs);
}

// ---- z/VM CMS ------------------------------------------------------------

TEST(Cms, ReadsFileLines) {
    const Accept cases[] = {
        {"ISO date, label column",
         "PROFILE  EXEC     A1 V        68         25          1 2002-01-15 10:30:45 -",
         "PROFILE.EXEC", "A1 V", 68 * 25, 0, 2002, 1, 15, 10, 30, 45, "", ""},
        {"older date form, one-digit month",
         "NOTES    TEXT     A1 F        80          3          1  9/16/91 15:10:32", "NOTES.TEXT",
         "A1 F", 240, 0, 1991, 9, 16, 15, 10, 32, "", ""},
        {"no file mode",
         "DATA     FILE     F        80        100          2 2002-02-01 08:00:00 -", "DATA.FILE",
         "F", 8000, 0, 2002, 2, 1, 8, 0, 0, "", ""},
        {"empty file", "EMPTY    FILE     B2 V         0          0          0 2002-01-15 10:30:45",
         "EMPTY.FILE", "B2 V", 0, 0, 2002, 1, 15, 10, 30, 45, "", ""},
        {"directory with dashes",
         "PROJECTS DIR      -  DIR       -          -          0 2002-01-15 10:30:45 -", "PROJECTS",
         "-  DIR", -1, 1, 2002, 1, 15, 10, 30, 45, "", ""},
        {"directory keeping its type",
         "ARCHIVE  OLD      -  DIR       0          0          0 2002-01-15 10:30:45 -",
         "ARCHIVE.OLD", "-  DIR", -1, 1, 2002, 1, 15, 10, 30, 45, "", ""},
        {"product beyond int64: no size",
         "HUGE     FILE     A1 F  9223372036854775807          2          1 2002-01-15 10:30:45",
         "HUGE.FILE", "A1 F", -1, 0, 2002, 1, 15, 10, 30, 45, "", ""},
        {"24:00 is midnight of the next day",
         "YEAREND  LOG      A1 V        10          1          1 2002-12-31 24:00:00 -",
         "YEAREND.LOG", "A1 V", 10, 0, 2003, 1, 1, 0, 0, 0, "", ""},
        {"directory without a type: the name alone",
         "AUTHORS  A1 DIR       -          -          -  9/20/99 10:31:11", "AUTHORS", "A1 DIR", -1,
         1, 1999, 9, 20, 10, 31, 11, "", ""},
        {"largest product that fits",
         "BIG      FILE     A1 F  4611686018427387903          2          1 2002-01-15 10:30:45",
         "BIG.FILE", "A1 F", 9223372036854775806, 0, 2002, 1, 15, 10, 30, 45, "", ""},
    };
    ExpectAccepted(ListingState{}, EntryFormat::cms, std::begin(cases), std::end(cases));
}

TEST(Cms, RejectsOtherLines) {
    const Reject cases[] = {
        {"record format not F, V or DIR",
         "PROFILE  EXEC     A1 X        68         25          1 2002-01-15 10:30:45"},
        {"file mode number 7",
         "PROFILE  EXEC     A7 V        68         25          1 2002-01-15 10:30:45"},
        {"dash counts in a file",
         "PROFILE  EXEC     A1 V         -          -          1 2002-01-15 10:30:45"},
        {"negative length",
         "PROFILE  EXEC     A1 V       -68         25          1 2002-01-15 10:30:45"},
        {"month 13", "PROFILE  EXEC     A1 V        68         25          1 2002-13-15 10:30:45"},
        {"31 June, older form",
         "PROFILE  EXEC     A1 V        68         25          1  6/31/91 10:30:45"},
        {"hour 25", "PROFILE  EXEC     A1 V        68         25          1 2002-01-15 25:30:45"},
        {"second 61", "PROFILE  EXEC     A1 V        68         25          1 2002-01-15 10:30:61"},
        {"no time", "PROFILE  EXEC     A1 V        68         25          1 2002-01-15"},
        {"two columns after the time",
         "PROFILE  EXEC     A1 V        68         25          1 2002-01-15 10:30:45 - x"},
        {"a Unix line", "-rw-r--r--   1 alice staff  1234 Jan 15  2002 notes.txt"},
        {"a DOS line", "01-15-2002  10:30AM       <DIR>          Projects"},
        {"an MVS dataset line",
         "WORK01 3390   2002/01/15  1   15  FB      80 27920  PS  USER.NOTES.TEXT"},
    };
    ExpectRejected(ext::ReadCms, ListingState{}, std::begin(cases), std::end(cases));
}

// ---- HP NonStop Guardian -------------------------------------------------

TEST(Guardian, ReadsFileLines) {
    const Accept cases[] = {
        {"owner with a space", "FILE1  101  528  6-Apr-07 14:21:18  255, 0  \"oooo\"", "FILE1",
         "oooo", 528, 0, 2007, 4, 6, 14, 21, 18, "255, 0", ""},
        {"owner without a space", "DATA2    0  4096 12-Dec-06 09:05:00  8,12   \"nunu\"", "DATA2",
         "nunu", 4096, 0, 2006, 12, 12, 9, 5, 0, "8,12", ""},
        {"four-digit year, no seconds", "LOG  101  0  29-Feb-2004 00:00  1,1  \"gggg\"", "LOG",
         "gggg", 0, 0, 2004, 2, 29, 0, 0, -1, "1,1", ""},
        {"24:00 in a year without 29 February", "LOG2  101  0  28-Feb-07 24:00  1,1  \"gggg\"",
         "LOG2", "gggg", 0, 0, 2007, 3, 1, 0, 0, -1, "1,1", ""},
        {"bare security string", "TACL1 101 1024 1-Jan-99 23:59:59 255,255 ----", "TACL1", "----",
         1024, 0, 1999, 1, 1, 23, 59, 59, "255,255", ""},
        {"size is EOF, not the file code",
         "FILE1  101  16354 14-Mar-14 15:09:12 244, 10 \"x\"", "FILE1", "x", 16354, 0, 2014, 3, 14,
         15, 9, 12, "244, 10", ""},
    };
    ExpectAccepted(After(&ListingState::guardian), EntryFormat::guardian, std::begin(cases),
                   std::end(cases));
}

TEST(Guardian, RejectsImpossibleColumns) {
    const Reject cases[] = {
        {"unknown month", "FILE1  101  528  6-Apx-07 14:21:18  255, 0  \"oooo\""},
        {"31 April", "FILE1  101  528  31-Apr-07 14:21:18  255, 0  \"oooo\""},
        {"month as a number", "FILE1  101  528  6-04-07 14:21:18  255, 0  \"oooo\""},
        {"three-digit year", "FILE1  101  528  6-Apr-107 14:21:18  255, 0  \"oooo\""},
        {"hour 24", "FILE1  101  528  6-Apr-07 24:21:18  255, 0  \"oooo\""},
        {"EOF not a number", "FILE1  101  5K  6-Apr-07 14:21:18  255, 0  \"oooo\""},
        {"code not a number", "FILE1  EDIT  528  6-Apr-07 14:21:18  255, 0  \"oooo\""},
        {"owner without a comma", "FILE1  101  528  6-Apr-07 14:21:18  255 0  \"oooo\""},
        {"owner without a user", "FILE1  101  528  6-Apr-07 14:21:18  255,  \"oooo\""},
        {"bare security string of three", "FILE1  101  528  6-Apr-07 14:21:18  255, 0  ooo"},
        {"bare security letter outside the set", "FILE1  101  528  6-Apr-07 14:21:18  255, 0  oxoo"},
        {"quoted security string of five", "FILE1  101  528  6-Apr-07 14:21:18  255, 0  \"ooooo\""},
        {"quoted security of other bytes", "FILE1  101  528  6-Apr-07 14:21:18  255, 0  \"o*\""},
        {"no security string", "FILE1  101  528  6-Apr-07 14:21:18  255,0"},
    };
    ExpectRejected(ext::ReadGuardian, After(&ListingState::guardian), std::begin(cases),
                   std::end(cases));
}

TEST(Guardian, HeaderThenEntries) {
    ListingState state;
    EXPECT_EQ(
        Read(ext::ReadGuardian, "FILE1  101  528  6-Apr-07 14:21:18  255, 0  \"oooo\"", state),
        kNone);
    const std::vector<LineKind> kinds = ReadListing(
        ext::ReadGuardian,
        {"$DATA01.ALICE", "File         Code             EOF  Last Modification    Owner  RWEP",
         "FILE1  101  528  6-Apr-07 14:21:18  255, 0  \"oooo\"", "$DATA01.BOB",
         "DATA2    0  4096 12-Dec-06 09:05:00  8,12   \"nunu\""},
        state);
    EXPECT_EQ(kinds, (std::vector<LineKind>{kNone, kHeader, kEntry, kHeader, kEntry}));
    EXPECT_TRUE(state.guardian);
}

// ---- Between the families ------------------------------------------------

// Each gated reader takes only its own header, so one listing's titles
// never open another family; the titles make the listing that family's.
TEST(MainframeFamilies, HeadersOpenOnlyTheirOwnFamily) {
    struct Case {
        const char* header;
        bool ListingState::*flag;
        EntryFormat family;
    };
    const Case cases[] = {
        {"Volume Unit    Referred Ext Used Recfm Lrecl BlkSz Dsorg Dsname",
         &ListingState::mvsDatasets, EntryFormat::mvs},
        {"Name     VV.MM   Created       Changed      Size  Init   Mod   Id",
         &ListingState::mvsMembers, EntryFormat::mvsMember},
        {" Name      Size     TTR   Alias-of AC--------- Attributes--------- Amode Rmode",
         &ListingState::mvsMembers, EntryFormat::mvsMember},
        {"JOBNAME  JOBID    OWNER    STATUS CLASS", &ListingState::jesJobs, EntryFormat::jes},
        {"File  Code  EOF  Last Modification  Owner  RWEP", &ListingState::guardian,
         EntryFormat::guardian},
    };
    const FamilyReader readers[] = {ext::ReadMvsDataset, ext::ReadMvsMember, ext::ReadJesJob,
                                    ext::ReadGuardian, ext::ReadCms};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.header);
        int headers = 0;
        ListingState state;
        for (const FamilyReader reader : readers) {
            const LineKind kind = Read(reader, c.header, state);
            EXPECT_NE(kind, kEntry);
            if (kind == kHeader) ++headers;
        }
        EXPECT_EQ(headers, 1);
        EXPECT_TRUE(state.*c.flag);
        EXPECT_EQ(state.family, c.family);
    }
}

// The example listings through the dispatcher, line by line as the driver
// hands them over (line ends removed): every line is an entry of the
// family or a header, whatever the order of the family table.
TEST(MainframeFamilies, DispatchesTheExampleListings) {
    struct Case {
        const char* file;
        EntryFormat format;
        int entries;
        int headers;
        int none;  // lines before the family is known
    };
    const Case cases[] = {
        {"examples/mvs.txt", EntryFormat::mvs, 12, 1, 0},
        {"examples/mvs-members.txt", EntryFormat::mvsMember, 5, 1, 0},
        {"examples/jes.txt", EntryFormat::jes, 5, 1, 0},
        {"examples/cms.txt", EntryFormat::cms, 6, 0, 0},
        {"examples/guardian.txt", EntryFormat::guardian, 5, 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        std::ifstream in(std::string(FTPDIRLIST_SOURCE_DIR) + "/" + c.file, std::ios::binary);
        ASSERT_TRUE(in.is_open());
        ListingState state;
        Today today(test::kToday);
        int counts[3] = {0, 0, 0};
        for (std::string text; std::getline(in, text);) {
            if (!text.empty() && text.back() == '\r') text.pop_back();
            const test::HeapBytes line(text);
            ParsedEntry entry;
            const LineKind kind = ext::ParseExtendedLine(line.view(), state, today, entry);
            ++counts[static_cast<int>(kind)];
            if (kind == kEntry) {
                EXPECT_EQ(entry.extras.format, c.format) << text;
            }
        }
        EXPECT_EQ(counts[static_cast<int>(kEntry)], c.entries);
        EXPECT_EQ(counts[static_cast<int>(kHeader)], c.headers);
        EXPECT_EQ(counts[static_cast<int>(kNone)], c.none);
        EXPECT_EQ(state.family, c.format);
    }
}

// Every prefix of sample lines, and each byte of them replaced by bytes that
// matter to the readers, through every reader with every header seen: no
// read outside the line (AddressSanitizer), texts inside the line or the
// scratch buffer, sizes -1 or more, dates and times in range.
TEST(MainframeFamilies, MutatedLinesStaySane) {
    const std::string_view samples[] = {
        "WORK01 3390   2002/01/15  1   15  FB      80 27920  PO-E  'USER.NOTES.TEXT'",
        "Pseudo Directory  USER.PROJECT",
        "MEMBER1   01.03 2002/01/10 2002/01/15 10:30:45    52    40     0 ALICE",
        "BR14      00A008   00000F IEFBR14   00 FO RN RU 31 ANY",
        "ALICEJ1  JOB01234 ALICE    OUTPUT A        RC=0000 3 spool files",
        "PROFILE  EXEC     A1 V        68         25          1 2002-12-31 24:00:00 -",
        "PROJECTS DIR      -  DIR       -          -          0  9/16/91 10:30:45 -",
        "FILE1  101  528  29-Feb-08 14:21:18  255, 0  \"oooo\"",
    };
    const char replacements[] = {'\0', ' ', '-', '/', ':', '.', ',', '0', '9', 'A', '"', '\''};
    const FamilyReader readers[] = {ext::ReadMvsDataset, ext::ReadMvsMember, ext::ReadJesJob,
                                    ext::ReadCms, ext::ReadGuardian};
    ListingState all;
    all.mvsDatasets = all.mvsMembers = all.jesJobs = all.guardian = true;

    // Returns how many readers took the line.
    const auto check = [&](const std::string& text) {
        int entries = 0;
        const test::HeapBytes line(text);
        const std::string_view view = line.view();
        Today today(test::kToday);
        for (const FamilyReader reader : readers) {
            ListingState state = all;
            ParsedEntry entry;
            if (reader(view, state, today, entry) != kEntry) continue;
            ++entries;
            const auto inside = [&](std::string_view part) {
                const auto within = [&](std::string_view whole) {
                    return part.data() >= whole.data() &&
                           part.data() + part.size() <= whole.data() + whole.size();
                };
                return part.empty() || within(view) || within(entry.nameScratch);
            };
            EXPECT_FALSE(entry.name.empty()) << EscapedBytes(text);
            EXPECT_TRUE(inside(entry.name) && inside(entry.attributes) &&
                        inside(entry.extras.owner) && inside(entry.extras.group))
                << EscapedBytes(text);
            EXPECT_GE(entry.size, -1);
            const FtpDateTime& t = entry.dateTime;
            if (t.hasDate) {
                EXPECT_TRUE(fields::ValidDate(t.month, t.day)) << EscapedBytes(text);
            }
            if (t.hasTime) {
                EXPECT_TRUE(fields::ValidClock(t.hour, t.minute, entry.extras.second))
                    << EscapedBytes(text);
            }
        }
        return entries;
    };
    for (const std::string_view sample : samples) {
        EXPECT_EQ(check(std::string(sample)), 1) << sample;
        for (std::size_t length = 0; length < sample.size(); ++length) {
            check(std::string(sample.substr(0, length)));
        }
        for (std::size_t at = 0; at < sample.size(); ++at) {
            for (const char byte : replacements) {
                std::string text(sample);
                text[at] = byte;
                check(text);
            }
        }
    }
}

}  // namespace
}  // namespace ftpdirlist
