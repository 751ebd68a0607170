// The single-byte code pages that --encoding=auto converts names from, the
// one that the library finds a listing's month names in. A display concern
// of ftpls: the library never converts texts.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "ftpdirlist/ftpdirlist.hpp"

namespace ftpls {

enum class CodePage { kWindows1250, kWindows1251, kWindows1252, kKoi8R };
constexpr std::size_t kCodePageCount = 4;

// "Windows-1250", "KOI8-R", ...
const char* CodePageName(CodePage page);

// Appends `bytes` converted from `page` to UTF-8. ASCII stays as it is; a
// byte the code page does not define becomes U+FFFD.
void AppendFromCodePage(std::string& out, std::string_view bytes, CodePage page);

// The code page to convert from when the library's MonthCodePage reports
// `revealed`: ISO-8859-2 names read as Windows-1250 (the letters of the
// month names share their bytes), ISO-8859-1 ones as Windows-1252; any
// other answer (none, UTF-8, a code page ftpls does not convert) gives
// Windows-1252.
CodePage FromRevealed(ftpdir::CodePage revealed);

// The generated table (codepage_tables.cpp).
extern const char* const kUpperHalves[kCodePageCount][128];

}  // namespace ftpls
