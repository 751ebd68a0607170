// One listing per skip reason, with the one line it skips, shared by the
// tests of every interface that reports the reasons.
#pragma once

#include <cstdint>

#include "ftpdirlist/ftpdirlist.hpp"

namespace testsupport {

struct SkipReasonCase {
    const char* listing;  // extended dialect
    std::uint64_t number;
    const char* text;
    ftpdir::SkipReason reason;
    const char* name;  // the reason's stable short name
};

inline constexpr SkipReasonCase kSkipReasonCases[] = {
    {"-rw-r--r-- 1 a b 5 Jan  1  2020 f\nls: cannot open directory 'x': Permission denied\n", 2,
     "ls: cannot open directory 'x': Permission denied", ftpdir::SkipReason::notListingLine,
     "not-a-listing-line"},
    {"Volume Unit    Referred Ext Used Recfm Lrecl BlkSz Dsorg Dsname\n"
     "WORK01 3390   2024/03/01  1   15  FB      80 27920  PS  USER.DATA\n",
     1, "Volume Unit    Referred Ext Used Recfm Lrecl BlkSz Dsorg Dsname",
     ftpdir::SkipReason::header, "header"},
    {"Directory DISK$USER:[ALICE]\n\nA.TXT;1  2/4  1-JAN-2020 10:00:00  [ALICE]  (RWED,RWED,RE,)\n",
     1, "Directory DISK$USER:[ALICE]", ftpdir::SkipReason::title, "title"},
    {"total 12\n-rw-r--r-- 1 a b 5 Jan  1  2020 f\n", 1, "total 12", ftpdir::SkipReason::total,
     "total"},
    {"README          2345  what this archive holds\n                      and where to start\n", 2,
     "and where to start", ftpdir::SkipReason::joinedElsewhere, "joined-elsewhere"},
    {"drwxr-xr-x 2 a b 512 Jan  1  2020 ..\n-rw-r--r-- 1 a b 5 Jan  1  2020 f\n", 1,
     "drwxr-xr-x 2 a b 512 Jan  1  2020 ..", ftpdir::SkipReason::dotEntry, "dot-entry"},
    {"-rw-r--r-- 1 a b 5 Apr 31  2020 f\n-rw-r--r-- 1 a b 5 Jan  1  2020 g\n", 1,
     "-rw-r--r-- 1 a b 5 Apr 31  2020 f", ftpdir::SkipReason::impossibleDate, "impossible-date"},
};

}  // namespace testsupport
