// The generated table of month-name keys, for the lookup in month_names.cpp
// and the tests that check the table itself.
#pragma once

#include <string_view>

#include "fields/month_names.h"

namespace ftpdirlist {

// A key: its bytes with ASCII letters folded to small letters and no final
// '.', its month (0 for a word of the `total` line), and the code page its
// bytes are written in (unknown for ASCII).
struct MonthKey {
    std::string_view text;
    int month;
    CodePage codePage;
};

#include "fields/month_names_table.inc"

}  // namespace ftpdirlist
