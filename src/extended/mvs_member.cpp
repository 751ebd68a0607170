// Three z/OS listings of named items that are not datasets.
//
// Members of a partitioned dataset, after column titles:
//
//   Name     VV.MM   Created       Changed      Size  Init   Mod   Id
//   MEMBER1   01.03 2002/01/10 2002/01/15 10:30    52    40     0 ALICE
//   MEMBER2
//
//   name        the member name
//   attributes  the version and modification level as written ("01.03")
//   size        Size, the member's current number of records (Init and Mod,
//               the initial and modified counts, are not kept)
//   date, time  Changed (seconds kept when written); Created is validated
//               but not kept
//   owner       Id, the user who changed the member last
// A member stored without statistics (a member copied without them) is
// its name alone on a line.
//
// Members of a load library (programs), after other column titles:
//
//    Name      Size     TTR   Alias-of AC--------- Attributes--------- Amode Rmode
//   IEFBR14   000008   00000F           00 FO             RN RU            31    ANY
//   BR14      000008   00000F IEFBR14   00 FO             RN RU            31    ANY
//
//   name        the member name
//   size        Size, in bytes, written in hexadecimal
//   isLink      an alias: another name of the module named in Alias-of,
//               which is the target
//   attributes  the rest of the line from the authorization code (AC) on,
//               as written ("00 FO             RN RU            31    ANY")
//   no date; TTR (where the module lies in the dataset) is not kept.
//
// Jobs of the JES spool, after column titles:
//
//   JOBNAME  JOBID    OWNER    STATUS CLASS
//   ALICEJ1  JOB01234 ALICE    OUTPUT A        RC=0000 3 spool files
//   ALICEJ2  JOB01235 ALICE    ACTIVE A
//
// One entry per job:
//   name        the job id (JOB01234, STC00012, TSU00034, J0012345): unique
//               in the spool, and what a client retrieves or deletes it by
//   group       the job name (ALICEJ1), chosen by the submitter, not unique
//   owner       the user id that owns the job; empty when the server's
//               listing leaves the column out (JOBNAME JOBID STATUS)
//   attributes  the rest of the line from the status on, as written:
//               INPUT, HELD, ACTIVE or OUTPUT, the job class, and what the
//               server adds (return code, spool-file count, "-HELD-")
//   size -1; no date; not a directory.
// Listing one job adds its spool files: a line of dashes, the titles
// "ID  STEPNAME PROCSTEP C DDNAME   BYTE-COUNT", a line per file and a count
// ("3 spool files"). The dashes, titles and count are headers; the file
// lines are not read.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "extended/families.h"
#include "extended/mainframe_common.h"
#include "fields/fields.h"

namespace ftpdirlist {
namespace ext {
namespace {

// Name, VV.MM, Created, Changed, time, Size, Init, Mod, Id.
constexpr std::size_t kMemberColumns = 9;
// JOBNAME, JOBID, OWNER, STATUS: the columns a job line is read by; the
// rest is status text.
constexpr std::size_t kJobColumns = 4;
constexpr std::size_t kJobIdLength = 8;

using fields::IsDigit;
using fields::IsUpper;

// "vv.mm": two numbers of two digits.
bool IsLevel(std::string_view text) {
    return text.size() == 5 && IsDigit(text[0]) && IsDigit(text[1]) && text[2] == '.' &&
           IsDigit(text[3]) && IsDigit(text[4]);
}

bool ReadMemberDate(std::string_view text, fields::Stamp& stamp) {
    return fields::ReadNumericDate(text, fields::DateOrder::ymd, "/", stamp);
}

// The text from `from` to the last byte of the line that is no space.
std::string_view RestOfLine(std::string_view line, std::string_view from) {
    std::size_t end = line.size();
    while (end > 0 && line[end - 1] == ' ') --end;
    const std::size_t begin = static_cast<std::size_t>(from.data() - line.data());
    return line.substr(begin, end - begin);
}

// Two hexadecimal digits: a load module's authorization code.
bool IsAuthorizationCode(std::string_view text) {
    std::int64_t code = 0;
    return text.size() == 2 && fields::ReadHex(text, code);
}

LineKind ReadLoadModule(fields::TokenWalker& col, std::string_view line, ParsedEntry& entry) {
    std::int64_t size = 0;
    std::int64_t ttr = 0;
    if (!fields::ReadHex(col[1], size) || !fields::ReadHex(col[2], ttr)) return LineKind::none;
    // Alias-of is blank for a module's main name. A member name never begins
    // with a digit, so a code that does is no alias; an alias that looks
    // like a code ("AB") is followed by the code.
    std::size_t at = 3;
    const bool code = IsAuthorizationCode(col[at]) &&
                      (IsDigit(col[at].front()) || !IsAuthorizationCode(col[at + 1]));
    if (!code) {
        if (col[at].empty() || !IsAuthorizationCode(col[at + 1])) return LineKind::none;
        entry.isLink = 1;
        entry.extras.target = col[at];
        ++at;
    }
    entry.name = col[0];
    entry.attributes = RestOfLine(line, col[at]);
    entry.size = size;
    entry.extras.format = EntryFormat::mvsMember;
    return LineKind::entry;
}

LineKind ReadStatistics(fields::TokenWalker& col, Today& today, ParsedEntry& entry) {
    fields::Stamp created;
    fields::Stamp changed;
    if (!ReadMemberDate(col[2], created) || !ReadMemberDate(col[3], changed) ||
        !fields::ReadClock(col[4], changed)) {
        return LineKind::none;
    }
    std::int64_t size = 0;
    std::int64_t count = 0;
    if (!fields::ReadNumber(col[5], size)) return LineKind::none;
    for (std::size_t i = 6; i < 8; ++i) {
        if (!fields::ReadNumber(col[i], count)) return LineKind::none;
    }
    if (!StoreStamp(changed, today, entry)) return LineKind::none;
    entry.name = col[0];
    entry.attributes = col[1];
    entry.size = size;
    entry.extras.owner = col[8];
    entry.extras.format = EntryFormat::mvsMember;
    return LineKind::entry;
}

// A job id: one to three capitals then digits, eight bytes in all.
bool IsJobId(std::string_view text) {
    if (text.size() != kJobIdLength || !IsUpper(text[0])) return false;
    std::size_t i = 1;
    while (i < 3 && IsUpper(text[i])) ++i;
    for (; i < text.size(); ++i) {
        if (!IsDigit(text[i])) return false;
    }
    return true;
}

bool IsJobStatus(std::string_view text) {
    return text == "OUTPUT" || text == "ACTIVE" || text == "INPUT" || text == "HELD";
}

// The dashes, titles and count around one job's spool files.
bool IsSpoolFrame(fields::TokenWalker& col, std::size_t n) {
    if (n == 1) return col[0].find_first_not_of('-') == std::string_view::npos;
    if (col[0] == "ID" && col[1] == "STEPNAME") return true;
    std::int64_t count = 0;
    return n == 3 && fields::ReadNumber(col[0], count) && fields::EqualsFolded(col[1], "spool") &&
           (fields::EqualsFolded(col[2], "files") || fields::EqualsFolded(col[2], "file"));
}

}  // namespace

LineKind ReadMvsMember(std::string_view line, ListingState& state, Today& today,
                       ParsedEntry& entry) {
    fields::TokenWalker col = TokensFor(line, state);
    const std::string_view first = col[0];
    // A listing not yet of the family reads nothing but its titles.
    if (!IsOpen(&ListingState::mvsMembers, EntryFormat::mvsMember, state) && first != "Name")
        return LineKind::none;
    if (first.empty()) return LineKind::none;
    if (first == "Name" &&
        ((col[1] == "VV.MM" && col[2] == "Created") || (col[1] == "Size" && col[2] == "TTR"))) {
        return OpenFamily(&ListingState::mvsMembers, EntryFormat::mvsMember, state);
    }
    if (!IsOpen(&ListingState::mvsMembers, EntryFormat::mvsMember, state)) return LineKind::none;

    const std::size_t n = col.Count(kMemberColumns);
    if (n == 1) {
        entry.name = first;
        entry.size = -1;
        entry.extras.format = EntryFormat::mvsMember;
        return LineKind::entry;
    }
    if (n == kMemberColumns && IsLevel(col[1])) return ReadStatistics(col, today, entry);
    return ReadLoadModule(col, line, entry);
}

LineKind ReadJesJob(std::string_view line, ListingState& state, Today& /*today*/,
                    ParsedEntry& entry) {
    fields::TokenWalker col = TokensFor(line, state);
    const std::string_view first = col[0];
    // A listing not yet of the family reads nothing but its titles.
    if (!IsOpen(&ListingState::jesJobs, EntryFormat::jes, state) && first != "JOBNAME")
        return LineKind::none;
    if (first.empty()) return LineKind::none;
    if (first == "JOBNAME" && col[1] == "JOBID") {
        return OpenFamily(&ListingState::jesJobs, EntryFormat::jes, state);
    }
    if (!IsOpen(&ListingState::jesJobs, EntryFormat::jes, state)) return LineKind::none;

    const std::size_t n = col.Count(kJobColumns);
    if (IsSpoolFrame(col, n)) return LineKind::header;
    if (n < 3 || !IsJobId(col[1])) return LineKind::none;

    std::string_view owner;
    std::string_view status = col[2];
    if (!IsJobStatus(status)) {
        if (n < 4 || !IsJobStatus(col[3])) return LineKind::none;
        owner = col[2];
        status = col[3];
    }
    entry.name = col[1];
    entry.attributes = RestOfLine(line, status);
    entry.size = -1;
    entry.extras.owner = owner;
    entry.extras.group = first;
    entry.extras.format = EntryFormat::jes;
    return LineKind::entry;
}

}  // namespace ext
}  // namespace ftpdirlist
