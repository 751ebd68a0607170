// The generated table of month-name keys, for the lookup in month_names.cpp
// and the tests that check the table itself.
#pragma once

#include <cstdint>
#include <string_view>

#include "fields/month_names.h"

namespace ftpdirlist {

// How a key is a key of the classic dialect too, whose lookup compares
// bytes exactly (src/parse/month_map_keys.inc, generated from the flagged
// keys of this table).
enum class ClassicForm : std::uint8_t {
    none,              // not a classic key
    small,             // a classic key as written here
    smallAndCapitals,  // that, and in ASCII capitals ("jan" and "JAN")
};

// A key: its bytes with ASCII letters folded to small letters and no final
// '.', its month (0 for a word of the `total` line), the code page its
// bytes are written in (unknown for ASCII), and whether the classic dialect
// reads it.
struct MonthKey {
    std::string_view text;
    int month;
    CodePage codePage;
    ClassicForm classic = ClassicForm::none;
};

#include "fields/month_names_table.inc"

}  // namespace ftpdirlist
