#include "codepages.h"

namespace ftpls {

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

CodePage FromRevealed(ftpdir::CodePage revealed) {
    switch (revealed) {
        case ftpdir::CodePage::cp1250:
        case ftpdir::CodePage::iso8859_2:
            return CodePage::kWindows1250;
        case ftpdir::CodePage::cp1251:
            return CodePage::kWindows1251;
        case ftpdir::CodePage::koi8r:
            return CodePage::kKoi8R;
        default:
            return CodePage::kWindows1252;
    }
}

}  // namespace ftpls
