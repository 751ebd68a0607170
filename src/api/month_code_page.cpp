// MonthCodePage: the code page that a listing's month names reveal, by the
// extended dialect's month table.
#include <algorithm>

#include "fields/month_names.h"
#include "ftpdirlist/ftpdirlist.hpp"

namespace ftpdir {

namespace {

bool IsSeparator(unsigned char b) { return b == ' ' || b == '\t' || b == '\r' || b == '\n'; }

}  // namespace

const char* codePageName(CodePage page) noexcept {
    static const char* const kNames[] = {
        "unknown",    "UTF-8",      "Windows-1250", "Windows-1251", "Windows-1252", "KOI8-R",
        "ISO-8859-1", "ISO-8859-2", "ISO-8859-7",   "EUC-JP",       "EUC-KR",       "GBK",
        "Shift_JIS",  "ISO-8859-5", "ISO-8859-9",   "Big5",
    };
    static_assert(
        sizeof(kNames) / sizeof(kNames[0]) == static_cast<std::size_t>(CodePage::big5) + 1,
        "one name per code page");
    const auto i = static_cast<std::size_t>(page);
    return i < sizeof(kNames) / sizeof(kNames[0]) ? kNames[i] : "unknown";
}

void MonthCodePage::append(std::string_view chunk) noexcept {
    for (const char c : chunk) {
        const auto b = static_cast<unsigned char>(c);
        if (IsSeparator(b)) {
            EndToken();
            continue;
        }
        if (length_ < kLongestToken) token_[length_] = c;
        if (length_ <= kLongestToken) ++length_;
        if (b >= 0x80) high_ = true;
    }
}

void MonthCodePage::EndToken() noexcept {
    std::size_t length = length_;
    const bool candidate = high_ && length <= kLongestToken;
    length_ = 0;
    high_ = false;
    if (!candidate) return;
    // Abbreviations may end in a dot ("févr."), a day-first date in a comma.
    if (token_[length - 1] == '.' || token_[length - 1] == ',') --length;
    const ftpdirlist::MonthName name =
        ftpdirlist::LookupMonthName(std::string_view(token_, length));
    if (name.month != 0) ++votes_[static_cast<std::size_t>(name.codePage)];
}

CodePage MonthCodePage::finish() noexcept {
    static_assert(static_cast<std::size_t>(CodePage::big5) + 1 == kPages, "a vote per code page");
    EndToken();
    std::size_t best = 0;
    for (std::size_t i = 1; i < kPages; ++i) {
        if (votes_[i] > votes_[best]) best = i;
    }
    std::fill(votes_, votes_ + kPages, std::uint32_t{0});
    return static_cast<CodePage>(best);
}

}  // namespace ftpdir
