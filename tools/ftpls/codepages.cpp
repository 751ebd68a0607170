#include "codepages.h"

#include <algorithm>
#include <cstring>

namespace ftpls {

namespace {

bool IsSeparator(unsigned char b) { return b == ' ' || b == '\t' || b == '\r' || b == '\n'; }

// The code page of a month token, or false when it is none of the table's.
bool LookUp(std::string_view token, CodePage& page) {
    const MonthToken* end = kMonthTokens + kMonthTokenCount;
    const MonthToken* found = std::lower_bound(
        kMonthTokens, end, token,
        [](const MonthToken& t, std::string_view key) { return std::string_view(t.bytes) < key; });
    if (found == end || std::string_view(found->bytes) != token) return false;
    page = found->page;
    return true;
}

}  // namespace

const char* CodePageName(CodePage page) {
    switch (page) {
        case CodePage::kWindows1250:
            return "Windows-1250";
        case CodePage::kWindows1251:
            return "Windows-1251";
        case CodePage::kWindows1252:
            return "Windows-1252";
        case CodePage::kKoi8R:
            return "KOI8-R";
    }
    return "Windows-1252";
}

void AppendFromCodePage(std::string& out, std::string_view bytes, CodePage page) {
    const char* const* upper = kUpperHalves[static_cast<std::size_t>(page)];
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80) {
            out.push_back(c);
        } else {
            out += upper[b - 0x80];
        }
    }
}

void CodePageDetector::Feed(std::string_view chunk) {
    for (const char c : chunk) {
        const auto b = static_cast<unsigned char>(c);
        if (IsSeparator(b)) {
            EndToken();
            continue;
        }
        if (tokenLength_ < kLongestToken) token_[tokenLength_] = c;
        if (tokenLength_ <= kLongestToken) ++tokenLength_;
        if (b >= 0x80) tokenHasHighByte_ = true;
    }
}

void CodePageDetector::EndToken() {
    std::size_t length = tokenLength_;
    const bool candidate = tokenHasHighByte_ && length <= kLongestToken;
    tokenLength_ = 0;
    tokenHasHighByte_ = false;
    if (!candidate) return;
    // Abbreviations may end in a dot ("févr."), a day-first date in a comma.
    if (length > 0 && (token_[length - 1] == '.' || token_[length - 1] == ',')) --length;
    CodePage page;
    if (LookUp(std::string_view(token_, length), page)) ++votes_[static_cast<std::size_t>(page)];
}

CodePage CodePageDetector::Result() {
    EndToken();
    std::size_t best = static_cast<std::size_t>(CodePage::kWindows1252);
    std::size_t bestVotes = 0;
    for (std::size_t i = 0; i < kCodePageCount; ++i) {
        if (votes_[i] > bestVotes) {
            best = i;
            bestVotes = votes_[i];
        }
    }
    return static_cast<CodePage>(best);
}

void CodePageDetector::Reset() {
    tokenLength_ = 0;
    tokenHasHighByte_ = false;
    std::fill(votes_, votes_ + kCodePageCount, std::size_t{0});
}

}  // namespace ftpls
