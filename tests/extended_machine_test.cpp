// The family readers of MLSD, EPLF, OS/2, IBM i and the small families:
// accepted lines with every field they fill, rejected lines, headers.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <ostream>
#include <string>
#include <vector>

#include "api_chunks.h"
#include "extended/families.h"
#include "extended_helpers.h"
#include "parse_helpers.h"

namespace ftpdirlist {
namespace ext {
namespace {

using test::HeapBytes;

// Every field a family reader fills, as owned values.
struct Want {
    std::string name;
    std::int64_t size = -1;
    std::string attributes;
    bool isDir = false;
    bool isLink = false;
    FtpDateTime dateTime;
    int second = -1;
    bool utc = false;
    std::string target;
    std::string owner;
    std::string group;

    Want& Dir() {
        isDir = true;
        return *this;
    }
    Want& Link(std::string linkTarget = "") {
        isLink = true;
        target = std::move(linkTarget);
        return *this;
    }
    Want& Attr(std::string text) {
        attributes = std::move(text);
        return *this;
    }
    Want& On(int year, int month, int day) {
        dateTime = test::Dated(year, month, day);
        return *this;
    }
    Want& At(int year, int month, int day, int hour, int minute, int sec = -1) {
        dateTime = test::Timed(year, month, day, hour, minute);
        second = sec;
        return *this;
    }
    Want& Utc() {
        utc = true;
        return *this;
    }
    Want& Owner(std::string text) {
        owner = std::move(text);
        return *this;
    }
    Want& Group(std::string text) {
        group = std::move(text);
        return *this;
    }

    bool operator==(const Want& o) const {
        return name == o.name && size == o.size && attributes == o.attributes && isDir == o.isDir &&
               isLink == o.isLink && dateTime == o.dateTime && second == o.second && utc == o.utc &&
               target == o.target && owner == o.owner && group == o.group;
    }
};

Want File(std::string name, std::int64_t size = -1) {
    Want w;
    w.name = std::move(name);
    w.size = size;
    return w;
}

void PrintTo(const Want& w, std::ostream* os) {
    const FtpDateTime& t = w.dateTime;
    *os << "{name \"" << EscapedBytes(w.name) << "\", size " << w.size << ", attributes \""
        << EscapedBytes(w.attributes) << "\", dir " << w.isDir << ", link " << w.isLink
        << ", target \"" << EscapedBytes(w.target) << "\", date " << t.year << "-" << t.month << "-"
        << t.day << " (" << int{t.hasDate} << ") " << t.hour << ":" << t.minute << ":" << w.second
        << " (" << int{t.hasTime} << "), utc " << w.utc << ", owner \"" << EscapedBytes(w.owner)
        << "\", group \"" << EscapedBytes(w.group) << "\"}";
}

Want Observed(const ParsedEntry& e) {
    Want w;
    w.name = std::string(e.name);
    w.size = e.size;
    w.attributes = std::string(e.attributes);
    w.isDir = e.isDir != 0;
    w.isLink = e.isLink != 0;
    w.dateTime = e.dateTime;
    w.second = e.extras.second;
    w.utc = e.extras.utc != 0;
    w.target = std::string(e.extras.target);
    w.owner = std::string(e.extras.owner);
    w.group = std::string(e.extras.group);
    return w;
}

struct Reader {
    FamilyReader read;
    EntryFormat format;
};

// One line through `reader` from an exact-size heap copy, in a listing of
// `family` so far; the record's views point into the copy.
struct ReadLine {
    ReadLine(const Reader& reader, const std::string& text, EntryFormat family) : line(text) {
        state.family = family;
        kind = reader.read(line.view(), state, today, entry);
    }
    HeapBytes line;
    ListingState state;
    Today today{test::kToday};
    ParsedEntry entry;
    LineKind kind;
};

struct Case {
    const char* reason;
    std::string line;
    Want want;
    EntryFormat family = EntryFormat::unknown;  // the listing so far
};

void ExpectEntries(const Reader& reader, const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.reason) + ": " + EscapedBytes(c.line));
        const ReadLine r(reader, c.line, c.family);
        ASSERT_EQ(r.kind, LineKind::entry);
        EXPECT_EQ(r.entry.extras.format, reader.format);
        EXPECT_EQ(Observed(r.entry), c.want);
    }
}

struct Line {
    const char* reason;
    std::string line;
    EntryFormat family = EntryFormat::unknown;
};

void ExpectKind(const Reader& reader, LineKind want, const std::vector<Line>& lines) {
    for (const Line& l : lines) {
        SCOPED_TRACE(std::string(l.reason) + ": " + EscapedBytes(l.line));
        EXPECT_EQ(static_cast<int>(ReadLine(reader, l.line, l.family).kind),
                  static_cast<int>(want));
    }
}

const Reader kMlsd{ReadMlsdLine, EntryFormat::mlsd};
const Reader kEplf{ReadEplfLine, EntryFormat::eplf};
const Reader kOs2{ReadOs2Line, EntryFormat::os2};
const Reader kIbmi{ReadIbmiLine, EntryFormat::ibmi};
const Reader kWindowsCe{ReadWindowsCeLine, EntryFormat::windowsCe};
const Reader kVshell{ReadVshellLine, EntryFormat::vshell};
const Reader kOs9{ReadOs9Line, EntryFormat::os9};
const Reader kDls{ReadDlsLine, EntryFormat::dls};
const Reader kNortel{ReadNortelLine, EntryFormat::nortel};
const Reader kUnixNumeric{ReadUnixNumericLine, EntryFormat::unixNumeric};

TEST(MlsdLine, Accepted) {
    ExpectEntries(
        kMlsd,
        {
            {"a file with the usual facts",
             "type=file;size=1048576;modify=20020115103045;perm=adfrw; notes.txt",
             File("notes.txt", 1048576).Attr("adfrw").At(2002, 1, 15, 10, 30, 45).Utc()},
            {"fact names and values in any case, fraction dropped",
             "Type=DIR;Modify=20020115103045.123;Perm=el; projects",
             File("projects").Dir().Attr("el").At(2002, 1, 15, 10, 30, 45).Utc()},
            {"link with its target", "type=OS.unix=slink:/etc/motd;size=9; motd",
             File("motd", 9).Link("/etc/motd")},
            {"symlink without target", "type=OS.UNIX=symlink; current", File("current").Link()},
            {"slink with an empty target", "type=OS.unix=slink:; broken", File("broken").Link()},
            {"the name keeps spaces, ';', '=' and trailing spaces", "type=file;size=3; a b;c=d ",
             File("a b;c=d ", 3)},
            {"unknown facts ignored",
             "unique=801g4804f;lang=en;media-type=text/plain;charset=UTF-8;type=file;size=0; x",
             File("x", 0)},
            {"sizd for a directory", "type=dir;sizd=4096; d", File("d", 4096).Dir()},
            {"size wins over sizd", "sizd=1;size=2;type=file; f", File("f", 2)},
            {"empty values are facts without a value", "type=file;sizd=;size=;modify=;perm=; e",
             File("e")},
            {"cdir is '.'", "type=cdir;modify=20020115103045; /home/alice",
             File(".").Dir().At(2002, 1, 15, 10, 30, 45).Utc()},
            {"pdir is '..'", "type=pdir; /home", File("..").Dir()},
            {"owner over uid, group over gid",
             "type=file;UNIX.uid=1000;UNIX.owner=alice;UNIX.gid=100;UNIX.group=users; f",
             File("f").Owner("alice").Group("users")},
            {"ownername wins wherever it stands",
             "UNIX.ownername=alice;UNIX.owner=1000;UNIX.groupname=staff;UNIX.group=50; f",
             File("f").Owner("alice").Group("staff")},
            {"uid and gid alone", "type=file;UNIX.uid=0;UNIX.gid=0; f",
             File("f").Owner("0").Group("0")},
            {"UNIX.mode without perm", "type=file;UNIX.mode=0644; f", File("f").Attr("0644")},
            {"perm over UNIX.mode", "UNIX.mode=0644;perm=r;type=file; f", File("f").Attr("r")},
            {"MLST form: leading space and a path",
             " type=file;size=12;modify=20020115103045; /pub/notes.txt",
             File("/pub/notes.txt", 12).At(2002, 1, 15, 10, 30, 45).Utc()},
            {"empty fact list in an MLSD listing", " notes.txt", File("notes.txt"),
             EntryFormat::mlsd},
            {"leap second", "type=file;modify=20021231235960; f",
             File("f").At(2002, 12, 31, 23, 59, 60).Utc()},
            {"29 February of a leap year", "type=file;modify=20000229120000; f",
             File("f").At(2000, 2, 29, 12, 0, 0).Utc()},
            {"a fact longer than 32 bytes",
             "type=OS.unix=slink:/srv/archive/2002/january/reports/final;size=12; report",
             File("report", 12).Link("/srv/archive/2002/january/reports/final")},
            {"a fact ending past 16 bytes, near the line's end", "modify=20020115103045; a",
             File("a").At(2002, 1, 15, 10, 30, 45).Utc()},
            {"a line shorter than 16 bytes", "type=dir; d", File("d").Dir()},
            {"no final ';'", "type=file;size=1 a", File("a", 1)},
            {"a TAB before the name", "type=file;size=7;\tc d.txt", File("c d.txt", 7)},
            {"no final ';', then a TAB", "Type=file;Size=5\ta", File("a", 5)},
            {"a name holding ';' after a list without its ';'", "type=dir x;y", File("x;y").Dir()},
        });
}

TEST(MlsdLine, Rejected) {
    ExpectKind(
        kMlsd, LineKind::none,
        {
            {"size not a number", "type=file;size=12x; a"},
            {"negative size", "type=file;size=-1; a"},
            {"month 13", "type=file;modify=20021315103045; a"},
            {"stamp too short", "type=file;modify=2002011510304; a"},
            {"hour 24", "type=file;modify=20020115243045; a"},
            {"29 February of a common year", "type=file;size=1;modify=20230229120000; a"},
            {"29 February of a century not divisible by 400", "type=file;modify=19000229000000; a"},
            {"no name", "type=file;size=1;"},
            {"empty name", "type=file;size=1; "},
            {"empty fact name", "=file; a"},
            {"fact without '='", "type;size=1; a"},
            {"a space inside a long fact",
             "type=OS.unix=slink:/srv/archive/2002/january reports/final;size=12; r"},
            {"a space inside a short line", "type=d r; x"},
            {"a name alone outside an MLSD listing", " notes.txt"},
            {"a name alone in another family's listing", " notes.txt", EntryFormat::unixStyle},
            {"impossible fact in the MLST form", " type=file;size=x; a", EntryFormat::mlsd},
            {"a Unix line", "-rw-r--r--   1 ftp ftp   12 Jan 15  2002 a=b;"},
            {"no fact this reader knows", "color=red;shape=round; ball"},
            {"fact name of other bytes", "ty\x8Epe=file;size=1; a"},
            {"fact name starting with a digit", "1type=file; a"},
            {"control byte in a value", "type=file;x=\x1B; a"},
            {"words and '=' without ';'", "size=large files here"},
            {"prose with '=' and ';'", "Note: x=1; see below"},
            {"empty line", ""},
            {"a lone space", " ", EntryFormat::mlsd},
        });
}

TEST(EplfLine, Accepted) {
    ExpectEntries(kEplf, {
                             {"directory", "+i8388621.29609,m824255902,/,\tdev",
                              File("dev").Dir().At(1996, 2, 13, 23, 58, 22).Utc()},
                             {"file with size", "+i8388621.44468,m839956783,r,s10376,\tRFCEPLF",
                              File("RFCEPLF", 10376).At(1996, 8, 13, 17, 19, 43).Utc()},
                             {"octal mode as the attributes, spaces in the name",
                              "+up644,s0,r,\tmode file", File("mode file", 0).Attr("644")},
                             {"trailing spaces of the name kept", "+r,\tname  ", File("name  ")},
                             {"unknown facts ignored", "+i1,xyz,q,r,\tf", File("f")},
                         });
}

TEST(EplfLine, Rejected) {
    ExpectKind(kEplf, LineKind::none,
               {
                   {"seconds not a number", "+i1,m12x,\tn"},
                   {"negative size", "+s-1,\tn"},
                   {"empty size", "+s,\tn"},
                   {"mode not octal", "+up89,\tn"},
                   {"no tab", "+r,s1, name"},
                   {"empty name", "+r,\t"},
                   {"no '+'", "i1,r,\tn"},
                   {"no facts", "+\tbare"},
                   {"an empty fact", "+,,r,\tx"},
                   {"no final comma", "+i1,r\tx"},
                   {"a fact of other bytes", "+i1,\x01\x7F,r,\tx"},
                   {"a space in a fact", "+i1, r,\tx"},
                   {"empty line", ""},
               });
}

TEST(Os2Line, Accepted) {
    ExpectEntries(
        kOs2,
        {
            {"directory", "     0           DIR   05-12-97   16:44  PSFONTS",
             File("PSFONTS", 0).Dir().Attr("DIR").At(1997, 5, 12, 16, 44)},
            {"three-digit year", "  36611      A    04-23-103   10:57  test1.file",
             File("test1.file", 36611).Attr("A").At(2003, 4, 23, 10, 57)},
            {"no attribute, spaces in the name", "   1024           04-23-2003   10:57  no attr",
             File("no attr", 1024).At(2003, 4, 23, 10, 57)},
            {"two attribute tokens", "    345      A  R  04-23-103   10:57  x",
             File("x", 345).Attr("A  R").At(2003, 4, 23, 10, 57)},
            {"24:00 is midnight of the next day", "    1      A  12-31-99   24:00  x",
             File("x", 1).Attr("A").At(2000, 1, 1, 0, 0)},
        });
}

TEST(Os2Line, Rejected) {
    ExpectKind(kOs2, LineKind::none,
               {
                   {"month 13", "   12  A  13-23-97  10:57  x"},
                   {"hour 25", "12 A 04-23-97 25:00 x"},
                   {"no name", "12 A 04-23-97 10:57"},
                   {"size not a number", "1a A 04-23-97 10:57 x"},
                   {"five attribute tokens", "12 A B C D E 04-23-97 10:57 x"},
                   {"attribute with a digit", "12 A1 04-23-97 10:57 x"},
                   {"a DOS line", "04-23-97  10:57AM  <DIR>  x"},
               });
}

TEST(IbmiLine, Accepted) {
    ExpectEntries(
        kIbmi,
        {
            {"directory with its mark", "QSYS    77824 02/23/00 15:09:55 *DIR   QOpenSys/",
             File("QOpenSys", 77824).Dir().Attr("*DIR").At(2000, 2, 23, 15, 9, 55).Owner("QSYS")},
            {"stream file", "ALICE  8192 01/15/02 10:30:45 *STMF notes.txt",
             File("notes.txt", 8192).Attr("*STMF").At(2002, 1, 15, 10, 30, 45).Owner("ALICE")},
            {"member: no size or date", "ALICE   *MEM   MYLIB.FILE/MEMB.MBR",
             File("MYLIB.FILE/MEMB.MBR").Attr("*MEM").Owner("ALICE")},
            {"day first with dots, a library", "QSYS  0 15.01.02 10:30:45 *LIB  MYLIB.LIB",
             File("MYLIB.LIB", 0).Dir().Attr("*LIB").At(2002, 1, 15, 10, 30, 45).Owner("QSYS")},
            {"year first, time with dots, a file object", "QSYS  0 99/12/31 10.30.45 *FILE  A.FILE",
             File("A.FILE", 0).Dir().Attr("*FILE").At(1999, 12, 31, 10, 30, 45).Owner("QSYS")},
            {"a name with a space", "ALICE 8192 01/15/02 10:30:45 *STMF my notes.txt",
             File("my notes.txt", 8192).Attr("*STMF").At(2002, 1, 15, 10, 30, 45).Owner("ALICE")},
        });
}

TEST(IbmiLine, Rejected) {
    ExpectKind(kIbmi, LineKind::none,
               {
                   {"hour 30", "QSYS 77824 02/23/00 30:06:00 *DIR x"},
                   {"size glued to the date", "QSYS 7782402/23/00 15:09:55 *DIR x"},
                   {"30 February in every order", "QSYS 77824 02/30/00 15:09:55 *DIR x"},
                   {"type in small letters", "ALICE *mem x"},
                   {"no name", "ALICE *MEM"},
                   {"owner in small letters", "alice *MEM x"},
                   {"owner of eleven letters", "ABCDEFGHIJK *MEM x"},
                   {"owner starting with a digit", "1ALICE *MEM x"},
                   {"owner of control and high bytes", "\x06\x92" "4 *A x"},
                   {"type without '*'", "ALICE 8192 01/15/02 10:30:45 STMF x"},
                   {"a Unix line", "-rw-r--r-- 1 ftp ftp 12 Jan 15 2002 x"},
               });
}

TEST(WindowsCeLine, Accepted) {
    ExpectEntries(kWindowsCe,
                  {
                      {"directory", "   2048    Feb-28-1998  05:23:30   tools            <DIR>",
                       File("tools", 2048).Dir().At(1998, 2, 28, 5, 23, 30)},
                      {"file", "  14821    Mar-02-1998  11:04:51   vxWorks.st",
                       File("vxWorks.st", 14821).At(1998, 3, 2, 11, 4, 51)},
                      {"two-digit year, small <dir>, spaces in the name",
                       "    512    Jan-15-02  10:30:45   dir two   <dir>",
                       File("dir two", 512).Dir().At(2002, 1, 15, 10, 30, 45)},
                  });
    ExpectKind(kWindowsCe, LineKind::header,
               {
                   {"column titles", "  size          date       time       name"},
                   {"rule", "--------       ------     ------    --------"},
               });
}

TEST(WindowsCeLine, Rejected) {
    ExpectKind(kWindowsCe, LineKind::none,
               {
                   {"30 February", "2048 Feb-30-1998 05:23:30 x"},
                   {"no month name", "2048 Foo-28-1998 05:23:30 x"},
                   {"three-digit year", "2048 Feb-28-199 05:23:30 x"},
                   {"no name", "2048 Feb-28-1998 05:23:30 "},
                   {"one dash group", "--------"},
               });
}

TEST(VshellLine, Accepted) {
    ExpectEntries(kVshell, {
                               {"file", "206876  Apr 04, 2000 21:06 install.log",
                                File("install.log", 206876).At(2000, 4, 4, 21, 6)},
                               {"directory mark", "     0  Jan 15, 2002 10:30 projects/",
                                File("projects", 0).Dir().At(2002, 1, 15, 10, 30)},
                           });
}

TEST(VshellLine, Rejected) {
    ExpectKind(kVshell, LineKind::none,
               {
                   {"no comma", "206876 Apr 04 2000 21:06 x"},
                   {"31 April", "206876 Apr 31, 2000 21:06 x"},
                   {"two-digit year", "206876 Apr 04, 00 21:06 x"},
                   {"size not a number", "x Apr 04, 2000 21:06 y"},
               });
}

TEST(Os9Line, Accepted) {
    ExpectEntries(
        kOs9,
        {
            {"directory", "  20.20   07/03/29 1026   d-ewrewr    2650     85920 CMDS",
             File("CMDS", 85920).Dir().Attr("d-ewrewr").At(2007, 3, 29, 10, 26).Owner("20.20")},
            {"file, hex sector", "   0.0    91/01/22 1608   ------wr     4F7      1024 startup",
             File("startup", 1024).Attr("------wr").At(1991, 1, 22, 16, 8).Owner("0.0")},
        });
    ExpectKind(kOs9, LineKind::header,
               {
                   {"column titles", "  Owner    Last modified  Attributes Sector Bytecount Name"},
                   {"rule", "-------   -------------  ---------- ------ --------- ----"},
               });
}

TEST(Os9Line, Rejected) {
    ExpectKind(kOs9, LineKind::none,
               {
                   {"hour 24", "20.20 07/03/29 2460 d-ewrewr 2650 85920 x"},
                   {"attribute letter out of place", "20.20 07/03/29 1026 d-ewrewx 2650 85920 x"},
                   {"owner without a dot", "2020 07/03/29 1026 d-ewrewr 2650 85920 x"},
                   {"sector not hex", "20.20 07/03/29 1026 d-ewrewr 26G0 85920 x"},
                   {"no name", "20.20 07/03/29 1026 d-ewrewr 2650 85920"},
               });
}

TEST(DlsLine, Accepted) {
    ExpectEntries(
        kDls,
        {
            {"file", "README          2345  what this archive holds", File("README", 2345)},
            {"directory with '-'", "pub/               -  public files", File("pub").Dir()},
            {"directory with '='", "incoming/          =  uploads", File("incoming").Dir(),
             EntryFormat::dls},
            {"directory with a size", "src/            1024  sources", File("src", 1024).Dir()},
            {"no description in a dls listing", "bare  12", File("bare", 12), EntryFormat::dls},
            {"month, day and year", "README  2345  Jan 15  2002  what it holds",
             File("README", 2345).On(2002, 1, 15)},
            {"month, day and time", "notes  12  Mar  2 15:13  notes",
             File("notes", 12).At(2002, 3, 2, 15, 13)},
            {"ISO date", "notes.txt  120  2002-01-15  short notes",
             File("notes.txt", 120).On(2002, 1, 15)},
            {"a description that starts with a number, in a dls listing", "data  12  3 files",
             File("data", 12), EntryFormat::dls},
        });
    ExpectKind(kDls, LineKind::header,
               {{"a description continued", "                   more words", EntryFormat::dls}});
}

TEST(DlsLine, Rejected) {
    ExpectKind(kDls, LineKind::none,
               {
                   {"'-' after a file's name", "notes  -  x"},
                   {"size not a number", "notes  12k  x"},
                   {"indented line outside a dls listing", "  more words"},
                   {"a listing of another family", "README 2345 x", EntryFormat::unixStyle},
                   {"name alone", "README"},
                   {"one space before the description", "README 2345 what it holds"},
                   {"one space before the size", "README 2345  what it holds"},
                   {"no description outside a dls listing", "bare  12"},
                   {"a word and a number", "hello 12345"},
                   {"an MVS dataset line without its titles",
                    "SAVE00  3390  2004/06/23  1    1  FB   128  6144  PS  ALICE.DATA"},
                   {"a NonStop line without its titles",
                    "FILE3  101  16354 14-Mar-14 15:09:12 244, 10 \"x\""},
                   {"impossible date", "notes  12  Feb 30  2002  x"},
                   {"a Unix line its family refused", "drwxr-xr-xx 2 u g 4096 Jan 15  2002 x"},
               });
}

TEST(NortelLine, Accepted) {
    ExpectEntries(kNortel, {
                               {"file", "config.cfg   1014196  06/03/04  Thur.   10:20:03",
                                File("config.cfg", 1014196).At(2004, 6, 3, 10, 20, 3)},
                               {"day without dot", "boot.img 12 12/31/99 Fri 23:59:59",
                                File("boot.img", 12).At(1999, 12, 31, 23, 59, 59)},
                               {"24:00:00", "x 1 02/28/01 Wed. 24:00:00",
                                File("x", 1).At(2001, 3, 1, 0, 0, 0)},
                           });
}

TEST(NortelLine, Rejected) {
    ExpectKind(kNortel, LineKind::none,
               {
                   {"no weekday", "x 12 06/03/04 Thx. 10:20:03"},
                   {"weekday too short", "x 12 06/03/04 Th. 10:20:03"},
                   {"month 13", "x 12 13/03/04 Thur. 10:20:03"},
                   {"a token after the time", "x 12 06/03/04 Thur. 10:20:03 extra"},
                   {"size not a number", "x 1k 06/03/04 Thur. 10:20:03"},
               });
}

TEST(UnixNumericLine, Accepted) {
    ExpectEntries(
        kUnixNumeric,
        {
            {"file", "0100644  500  101  12345  123456789  name",
             File("name", 12345)
                 .Attr("0100644")
                 .At(1973, 11, 29, 21, 33, 9)
                 .Utc()
                 .Owner("500")
                 .Group("101")},
            {"directory, six-digit mode", "040755 0 0 4096 1011090645 projects",
             File("projects", 4096)
                 .Dir()
                 .Attr("040755")
                 .At(2002, 1, 15, 10, 30, 45)
                 .Utc()
                 .Owner("0")
                 .Group("0")},
            {"link split at the first arrow", "0120777 0 0 9 1011090645 motd -> /etc/motd",
             File("motd", 9)
                 .Link("/etc/motd")
                 .Attr("0120777")
                 .At(2002, 1, 15, 10, 30, 45)
                 .Utc()
                 .Owner("0")
                 .Group("0")},
        });
}

TEST(UnixNumericLine, Rejected) {
    ExpectKind(kUnixNumeric, LineKind::none,
               {
                   {"no type bits", "0000644 500 101 12 123456789 x"},
                   {"not octal", "0100648 500 101 12 123456789 x"},
                   {"negative size", "0100644 500 101 -1 123456789 x"},
                   {"no name", "0100644 500 101 12 123456789"},
                   {"uid not a number", "0100644 root 101 12 123456789 x"},
               });
}

// Each example listing through the dispatcher, line by line: every line is
// an entry of the listing's family or a header, whichever family the table
// tries first.
TEST(MachineExamples, EveryLineReadAsItsFamily) {
    struct Example {
        const char* file;
        EntryFormat format;
        int entries;
        int headers;
    };
    const Example examples[] = {
        {"mlsd.txt", EntryFormat::mlsd, 10, 0},
        {"eplf.txt", EntryFormat::eplf, 4, 0},
        {"os2.txt", EntryFormat::os2, 6, 0},
        {"ibmi.txt", EntryFormat::ibmi, 7, 0},
        {"ibmi-dmy.txt", EntryFormat::ibmi, 6, 0},
        {"wince.txt", EntryFormat::windowsCe, 6, 2},
        {"vshell.txt", EntryFormat::vshell, 4, 0},
        {"os9.txt", EntryFormat::os9, 4, 2},
        {"dls.txt", EntryFormat::dls, 7, 1},
        {"nortel.txt", EntryFormat::nortel, 3, 0},
        {"unix-numeric.txt", EntryFormat::unixNumeric, 6, 0},
    };
    for (const Example& example : examples) {
        SCOPED_TRACE(example.file);
        std::ifstream in(std::string(FTPDIRLIST_SOURCE_DIR) + "/examples/" + example.file,
                         std::ios::binary);
        ASSERT_TRUE(in.good());
        ListingState state;
        Today today(test::kToday);
        ParsedEntry entry;
        int entries = 0;
        int headers = 0;
        for (std::string text; std::getline(in, text);) {
            SCOPED_TRACE(EscapedBytes(text));
            const HeapBytes line(text);
            entry.Reset();
            const LineKind kind = ParseExtendedLine(line.view(), state, today, entry);
            ASSERT_NE(static_cast<int>(kind), static_cast<int>(LineKind::none));
            if (kind == LineKind::header) {
                ++headers;
                continue;
            }
            ++entries;
            EXPECT_EQ(entry.extras.format, example.format);
        }
        EXPECT_EQ(entries, example.entries);
        EXPECT_EQ(headers, example.headers);
    }
}

// Every reader over every example line cut short at each length and with
// each position replaced by bytes that delimit fields: no read outside the
// line (the sanitizers watch the exact-size copies), and an entry's texts
// lie in the line.
TEST(MachineExamples, MutatedLinesStayInside) {
    const Reader readers[] = {kMlsd,   kEplf, kOs2, kIbmi,   kWindowsCe,
                              kVshell, kOs9,  kDls, kNortel, kUnixNumeric};
    const char* const files[] = {"mlsd.txt",   "eplf.txt",        "os2.txt", "ibmi.txt",
                                 "wince.txt",  "vshell.txt",      "os9.txt", "dls.txt",
                                 "nortel.txt", "unix-numeric.txt"};
    const char bytes[] = {'\0', ' ', ';', '=', '\t', '+', '/', '-',    '.',   ':',
                          '*',  '0', '9', 'A', 'z',  ',', '<', '\x80', '\xFF'};
    const auto check = [&](const std::string& text) {
        for (const Reader& reader : readers) {
            for (const EntryFormat family : {EntryFormat::unknown, reader.format}) {
                const ReadLine r(reader, text, family);
                if (r.kind != LineKind::entry) continue;
                const char* begin = r.line.view().data();
                const ParsedEntry& entry = r.entry;
                for (const std::string_view t :
                     {entry.name, entry.attributes, entry.extras.owner, entry.extras.group,
                      entry.extras.target, entry.extras.facts}) {
                    if (t.empty() || t == "." || t == "..") continue;
                    ASSERT_GE(t.data(), begin) << EscapedBytes(text);
                    ASSERT_LE(t.data() + t.size(), begin + text.size()) << EscapedBytes(text);
                }
                ASSERT_GE(entry.size, -1) << EscapedBytes(text);
            }
        }
    };
    for (const char* file : files) {
        std::ifstream in(std::string(FTPDIRLIST_SOURCE_DIR) + "/examples/" + file,
                         std::ios::binary);
        ASSERT_TRUE(in.good()) << file;
        for (std::string text; std::getline(in, text);) {
            for (std::size_t cut = 0; cut <= text.size(); ++cut) check(text.substr(0, cut));
            for (std::size_t at = 0; at < text.size(); ++at) {
                for (const char byte : bytes) {
                    std::string mutated = text;
                    mutated[at] = byte;
                    check(mutated);
                }
            }
        }
    }
}

}  // namespace
}  // namespace ext
}  // namespace ftpdirlist

namespace ftpdirlist {
namespace {

// The order of IBM i dates comes from the listing: each row's lines read in
// turn, the last one's date as the order the first lines fixed.
TEST(IbmiLine, DateOrderFromTheListing) {
    struct Case {
        const char* reason;
        std::vector<std::string> dates;  // before the last line
        const char* last;
        int year, month, day;  // 0: the last line is refused
    };
    const Case cases[] = {
        {"nothing tells: the default, month first", {}, "02/03/04", 2004, 2, 3},
        {"a day above 12 in the middle: month first", {"12/31/01"}, "02/03/04", 2004, 2, 3},
        {"a year above 31 first: year first", {"45/12/01"}, "02/03/04", 2002, 3, 4},
        {"day first, then a year above 31 last", {"15.01.45"}, "02.03.04", 2004, 3, 2},
        {"dashes, day first", {"15-01-45"}, "02-03-04", 2004, 3, 2},
        {"two dates narrow it together", {"25/12/01", "30/02/01"}, "02/03/04", 2002, 3, 4},
        {"a date no order left allows", {"12/31/01"}, "25/12/01", 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        ext::ListingState state;
        for (const std::string& date : c.dates) {
            ASSERT_EQ(test::ParseExt("ALICE  8192 " + date + " 10:30:45 *STMF  x", state).kind,
                      ext::LineKind::entry);
        }
        const test::ExtResult r =
            test::ParseExt(std::string("ALICE  8192 ") + c.last + " 10:30:45 *STMF  y", state);
        if (c.year == 0) {
            EXPECT_NE(r.kind, ext::LineKind::entry);
            continue;
        }
        ASSERT_EQ(r.kind, ext::LineKind::entry);
        EXPECT_EQ(r.entry.dateTime, test::Timed(c.year, c.month, c.day, 10, 30));
    }
}

}  // namespace
}  // namespace ftpdirlist

namespace ftpdirlist {
namespace {

// The order a later IBM i date decides holds for the dates before it too:
// each entry's date as the whole listing reads it, however the listing is
// cut and whenever the ready entries are taken.
TEST(IbmiListing, EarlierDatesFollowTheDecidedOrder) {
    struct Case {
        const char* reason;
        std::vector<std::string> dates;  // one IBM i line each; "unix": a Unix line
        std::vector<std::string> want;   // every entry's date, "yyyy-mm-dd"
    };
    const Case cases[] = {
        {"day first told last",
         {"01/02/03", "04/05/06", "13/02/31"},
         {"2003-02-01", "2006-05-04", "2031-02-13"}},
        {"day first told first", {"13/02/31", "01/02/03"}, {"2031-02-13", "2003-02-01"}},
        {"told in the middle, between Unix lines",
         {"01/02/03", "unix", "13/02/31", "unix", "04/05/06"},
         {"2003-02-01", "2020-01-01", "2031-02-13", "2020-01-01", "2006-05-04"}},
        {"dots, day first by default, then year first told",
         {"01.02.03", "45.01.02"},
         {"2001-02-03", "2045-01-02"}},
        {"dashes narrowed twice",
         {"01-02-03", "13-02-03", "04-05-06", "01-02-32"},
         {"2003-02-01", "2003-02-13", "2006-05-04", "2032-02-01"}},
        {"dashes narrowed once: the first order left",
         {"01-02-03", "13-02-03", "04-05-06"},
         {"2001-02-03", "2013-02-03", "2004-05-06"}},
        {"dots and slashes read alike once told",
         {"01.02.03", "member", "01/02/03", "13/02/31"},
         {"2003-02-01", "", "2003-02-01", "2031-02-13"}},
        {"told by a \".\" entry", {"01/02/03", "dot"}, {"2003-02-01"}},
        {"never told: month first", {"01/02/03", "04/05/06"}, {"2003-01-02", "2006-04-05"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        std::string listing;
        int n = 0;
        for (const std::string& d : c.dates) {
            const std::string name = "f" + std::to_string(n++);
            if (d == "unix") {
                listing += "-rw-r--r--  1 alice staff  10 Jan 01 2020 " + name + "\r\n";
            } else if (d == "member") {
                listing += "ALICE                                  *MEM       LIB.FILE/M.MBR\r\n";
            } else if (d == "dot") {
                listing += "ALICE            4096 13/02/31 10:30:45 *DIR       .\r\n";
            } else {
                listing += "ALICE            8192 " + d + " 10:30:45 *STMF      " + name + "\r\n";
            }
        }
        const testsupport::ApiOutcome whole = testsupport::ParseInChunks(listing, {}, {});
        ASSERT_EQ(whole.entries.size(), c.want.size());
        for (std::size_t i = 0; i < c.want.size(); ++i) {
            const auto& date = whole.entries[i].date;
            char text[16] = "";
            if (date)
                std::snprintf(text, sizeof text, "%04d-%02d-%02d", static_cast<int>(date->year),
                              static_cast<int>(date->month), static_cast<int>(date->day));
            EXPECT_EQ(text, c.want[i]) << "entry " << i;
        }
        for (const std::size_t bytes : {1, 7}) {
            for (const bool takeReady : {false, true}) {
                SCOPED_TRACE(std::to_string(bytes) + (takeReady ? " bytes, taking" : " bytes"));
                const testsupport::ApiOutcome cut = testsupport::ParseInChunks(
                    listing, testsupport::EveryNBytes(listing.size(), bytes), {}, takeReady);
                EXPECT_EQ(cut.entries, whole.entries);
            }
        }
    }
}

}  // namespace
}  // namespace ftpdirlist
