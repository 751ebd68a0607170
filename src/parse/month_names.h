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
    iso8859_5,
    iso8859_9,
    big5,
};

struct MonthName {
    int month = 0;  // 1-12, or 0 when the token is no month name
    CodePage codePage = CodePage::unknown;
};

// Looks `token` up: abbreviations and full names (nominative and genitive),
// ASCII letters in any case, an optional final '.', spaces around it
// ignored. Every key of MonthMap is a key here too, its numbers `1`-`12`
// and `01`-`09` among them (so a day or a number is no evidence of a month
// name: callers look up tokens where a name may stand). The code page is the one
// the key's bytes are written in (unknown for ASCII keys; when the same
// bytes spell the month in several code pages: Windows-1252 before
// ISO-8859-1, ISO-8859-2 before Windows-1250). Reads only the token's
// bytes, does not allocate, does not throw.
MonthName LookupMonthName(std::string_view token);

// True when `token` is the word that `ls -l` writes before the block count
// in some language (`total`, `insgesamt`, `razem`, `итого`, ...), ASCII
// letters in any case, in UTF-8 or a legacy code page of that language; the
// token is compared whole (no trimming). Does not allocate, does not throw.
bool IsTotalWord(std::string_view token);

}  // namespace ftpdirlist
