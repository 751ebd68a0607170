#include "parse/month_names.h"

#include "parse/month_map.h"

namespace ftpdirlist {

namespace {

// The code page of a classic key: ASCII keys fit any; the Cyrillic keys are
// all letters of 0xC0 and above (Windows-1251); `paź` carries 0x9F
// (Windows-1250); the other keys mix ASCII with Latin-1 letters
// (Windows-1252).
CodePage ClassicCodePage(std::string_view key) {
    bool ascii = false;
    bool high = false;
    bool cp1250 = false;
    for (const char byte : key) {
        const unsigned ch = static_cast<unsigned char>(byte);
        if (ch < 0x80) {
            ascii = true;
        } else {
            high = true;
            cp1250 = cp1250 || ch == 0x9F;
        }
    }
    if (!high) return CodePage::unknown;
    if (cp1250) return CodePage::cp1250;
    return ascii ? CodePage::cp1252 : CodePage::cp1251;
}

}  // namespace

MonthName LookupMonthName(std::string_view token) {
    if (!token.empty() && token.back() == '.') token.remove_suffix(1);
    const int month = MonthMapFolded(token);
    if (month == 0) return {};
    return {month, ClassicCodePage(token)};
}

}  // namespace ftpdirlist
