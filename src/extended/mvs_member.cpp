// Two z/OS listings of named items that are not datasets.
//
// Members of a partitioned dataset, after column titles:
//
//   Name     VV.MM   Created       Changed      Size  Init   Mod   Id
//   MEMBER1   01.03 2002/01/10 2002/01/15 10:30    52    40     0 ALICE
//   MEMBER2
//
//   name        the member name
//   attributes  the version and modification level as written ("01.03")
//   size        -1: Size, Init and Mod count records, not bytes
//   date, time  Changed (seconds kept when written); Created is validated
//               but not kept
//   owner       Id, the user who changed the member last
// A member stored without statistics (a load module, a member copied
// without them) is its name alone on a line.
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
// The lines that list one job's spool files end with a line of dashes and
// a count ("3 spool files"): those are headers.
#include <cstdint>
#include <string_view>

#include "extended/mainframe.h"
#include "extended/mainframe_common.h"
#include "parse/fields.h"
#include "parse/tokens.h"

namespace ftpdirlist {
namespace ext {
namespace {

// Name, VV.MM, Created, Changed, time, Size, Init, Mod, Id.
constexpr int kMemberColumns = 9;
// JOBNAME, JOBID, OWNER, STATUS: what a job line is known by; the rest is
// the status text.
constexpr int kJobColumns = 4;
constexpr std::size_t kJobIdLength = 8;

bool IsUpper(char ch) { return ch >= 'A' && ch <= 'Z'; }
bool IsDigit(char ch) { return ch >= '0' && ch <= '9'; }

// "vv.mm": two numbers of two digits.
bool IsLevel(std::string_view text) {
    return text.size() == 5 && IsDigit(text[0]) && IsDigit(text[1]) && text[2] == '.' &&
           IsDigit(text[3]) && IsDigit(text[4]);
}

bool ReadMemberDate(std::string_view text, fields::Stamp& stamp) {
    return fields::ReadNumericDate(text, fields::DateOrder::ymd, "/", stamp);
}

LineKind ReadStatistics(const std::string_view* col, ParsedEntry& entry) {
    if (!IsLevel(col[1])) return LineKind::none;
    fields::Stamp created;
    fields::Stamp changed;
    if (!ReadMemberDate(col[2], created) || !ReadMemberDate(col[3], changed) ||
        !fields::ReadClock(col[4], changed)) {
        return LineKind::none;
    }
    std::int64_t count = 0;
    for (int i = 5; i < 8; ++i) {
        if (!fields::ReadNumber(col[i], count)) return LineKind::none;
    }
    entry.name = col[0];
    entry.attributes = col[1];
    entry.size = -1;
    StoreStamp(changed, entry);
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

// The text from `from` to the last byte of the line that is no space.
std::string_view RestOfLine(std::string_view line, std::string_view from) {
    std::size_t end = line.size();
    while (end > 0 && line[end - 1] == ' ') --end;
    const std::size_t begin = static_cast<std::size_t>(from.data() - line.data());
    return line.substr(begin, end - begin);
}

// "--------" and "3 spool files": the frame of one job's spool-file list.
bool IsSpoolFrame(const std::string_view* col, int n) {
    if (n == 1) return col[0].find_first_not_of('-') == std::string_view::npos;
    std::int64_t count = 0;
    return n == 3 && fields::ReadNumber(col[0], count) &&
           (col[1] == "spool" || col[1] == "Spool") &&
           (col[2] == "files" || col[2] == "Files" || col[2] == "file" || col[2] == "File");
}

}  // namespace

LineKind ReadMvsMember(std::string_view line, ListingState& state, Today& /*today*/,
                       ParsedEntry& entry) {
    Cursor c = MakeCursor(line);
    std::string_view col[kMemberColumns];
    col[0] = NextToken(c, false);
    if (col[0].empty()) return LineKind::none;
    const bool known = state.mvsMembers || state.family == EntryFormat::mvsMember;
    if (!known && col[0] != "Name") return LineKind::none;
    const int n = 1 + SplitTokens(c, col + 1, kMemberColumns - 1);

    if (col[0] == "Name" && n >= 3 && col[1] == "VV.MM" && col[2] == "Created") {
        state.mvsMembers = true;
        return LineKind::header;
    }
    if (!known) return LineKind::none;
    if (n == 1) {
        entry.name = col[0];
        entry.size = -1;
        entry.extras.format = EntryFormat::mvsMember;
        return LineKind::entry;
    }
    if (n != kMemberColumns) return LineKind::none;
    return ReadStatistics(col, entry);
}

LineKind ReadJesJob(std::string_view line, ListingState& state, Today& /*today*/,
                    ParsedEntry& entry) {
    Cursor c = MakeCursor(line);
    std::string_view col[kJobColumns];
    col[0] = NextToken(c, false);
    if (col[0].empty()) return LineKind::none;
    const bool known = state.jesJobs || state.family == EntryFormat::jes;
    if (!known && col[0] != "JOBNAME") return LineKind::none;
    const int n = 1 + SplitTokens(c, col + 1, kJobColumns - 1);

    if (col[0] == "JOBNAME" && n >= 2 && col[1] == "JOBID") {
        state.jesJobs = true;
        return LineKind::header;
    }
    if (!known) return LineKind::none;
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
    entry.extras.group = col[0];
    entry.extras.format = EntryFormat::jes;
    return LineKind::entry;
}

}  // namespace ext
}  // namespace ftpdirlist
