// The single-byte code pages that --encoding=auto converts names from, and
// the detector that tells from a listing's month names which one it uses.
// A display concern of ftpls: the library never converts texts.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ftpls {

enum class CodePage { kWindows1250, kWindows1251, kWindows1252, kKoi8R };
constexpr std::size_t kCodePageCount = 4;

// "Windows-1250", "KOI8-R", ...
const char* CodePageName(CodePage page);

// Appends `bytes` converted from `page` to UTF-8. ASCII stays as it is; a
// byte the code page does not define becomes U+FFFD.
void AppendFromCodePage(std::string& out, std::string_view bytes, CodePage page);

// Reads a listing as it streams in and counts its month tokens that are
// written in one of the code pages (the French "févr" in Windows-1252, the
// Russian "янв" in Windows-1251 or KOI8-R, ...). Tokens may be cut anywhere
// between chunks.
class CodePageDetector {
public:
    void Feed(std::string_view chunk);
    // The code page with most month tokens (the first in CodePage order on a
    // tie), or Windows-1252 when no token revealed one. Counts a token still
    // open at the end of the listing.
    CodePage Result();
    void Reset();

private:
    void EndToken();

    static constexpr std::size_t kLongestToken = 12;
    char token_[kLongestToken];
    std::size_t tokenLength_ = 0;  // kLongestToken + 1: too long to be a month
    bool tokenHasHighByte_ = false;
    std::size_t votes_[kCodePageCount] = {};
};

// The generated tables (codepage_tables.cpp).
struct MonthToken {
    const char* bytes;
    CodePage page;
};
extern const char* const kUpperHalves[kCodePageCount][128];
extern const MonthToken kMonthTokens[];
extern const std::size_t kMonthTokenCount;

}  // namespace ftpls
