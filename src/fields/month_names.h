// Month names of the extended dialect: every language and code page that
// servers print month names in, to month numbers. A superset of MonthMap.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "ftpdirlist/ftpdirlist.hpp"
#include "parse/bytes.h"

namespace ftpdirlist {

// The code page that a month name's bytes reveal: the public enum.
using CodePage = ftpdir::CodePage;

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
// Inline: a month name is looked up on most lines, most often as three
// ASCII letters.
inline MonthName LookupMonthName(std::string_view token);

// LookupMonthName for every token but three ASCII letters.
MonthName LookupOtherMonthName(std::string_view token);

// The fast form of the lookup: a token of three ASCII letters (most month
// names as servers write them) indexes a table of the three-letter keys
// (month_names.cpp), so that it finds what the whole table finds. The
// reference build looks every token up in the whole table.
class ThreeLetterTable {
public:
    constexpr ThreeLetterTable();

    // True, and the key's month in `month` (0 for no key or a word of the
    // `total` line), when `token` is three ASCII letters in any case.
    bool Find(std::string_view token, int& month) const {
        const unsigned a = Letter(token[0]);
        const unsigned b = Letter(token[1]);
        const unsigned c = Letter(token[2]);
        if (((a | b | c) & kNoLetter) != 0) return false;  // the full lookup then
        month = months_[Index(a, b, c)];
        return true;
    }

private:
    static constexpr bool IsSmall(char ch) { return ch >= 'a' && ch <= 'z'; }
    static constexpr unsigned kNoLetter = 32;
    // 0-25 for an ASCII letter in either case (setting 0x20 makes capitals
    // small and moves no other byte into a-z); kNoLetter otherwise, a bit
    // that no letter's number has.
    static constexpr unsigned Letter(char ch) {
        const unsigned small = static_cast<unsigned char>(ch) | 0x20u;
        return small >= 'a' && small <= 'z' ? small - 'a' : kNoLetter;
    }
    static constexpr std::size_t Index(unsigned a, unsigned b, unsigned c) {
        return (a * 26 + b) * 26 + c;
    }
    std::array<std::uint8_t, 26 * 26 * 26> months_{};
};

extern const ThreeLetterTable kThreeLetters;

inline MonthName LookupMonthName(std::string_view token) {
    int month = 0;
    if (FTPDIRLIST_SHORTCUTS && token.size() == 3 && kThreeLetters.Find(token, month)) {
        return {month, CodePage::unknown};
    }
    return LookupOtherMonthName(token);
}

// True when `token` is the word that `ls -l` writes before the block count
// in some language (`total`, `insgesamt`, `razem`, `итого`, ...), ASCII
// letters in any case, in UTF-8 or a legacy code page of that language; the
// token is compared whole (no trimming). Does not allocate, does not throw.
bool IsTotalWord(std::string_view token);

}  // namespace ftpdirlist
