// Month names of the extended dialect: every language and code page that
// servers print month names in, to month numbers. A superset of MonthMap.
#pragma once

#include <cstdint>
#include <string_view>

namespace ftpdirlist {

// The code page that a month name's bytes reveal.
enum class CodePage : std::uint8_t {
    unknown,  // ASCII only: any code page
    utf8,
    cp1250,
    cp1251,
    cp1252,
    koi8r,
    iso8859_1,
    iso8859_2,
    iso8859_7,
    eucJp,
    eucKr,
    gbk,
    shiftJis,
};

struct MonthName {
    int month = 0;  // 1-12, or 0 when the token is no month name
    CodePage codePage = CodePage::unknown;
};

// Looks `token` up: abbreviations and full names (nominative and genitive),
// ASCII letters in any case, an optional final '.'. Does not allocate.
MonthName LookupMonthName(std::string_view token);

}  // namespace ftpdirlist
