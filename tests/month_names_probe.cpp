// Reads tokens, one per line as hexadecimal bytes, and prints for each
// "<month> <code page> <total>": what LookupMonthName and IsTotalWord say of
// it. The `ls -l` test drives it with the tokens of real listings.
#include <iostream>
#include <string>

#include "fields/month_names.h"

namespace {

const char* CodePageName(ftpdirlist::CodePage page) {
    using ftpdirlist::CodePage;
    switch (page) {
        case CodePage::unknown:
            return "unknown";
        case CodePage::utf8:
            return "utf8";
        case CodePage::cp1250:
            return "cp1250";
        case CodePage::cp1251:
            return "cp1251";
        case CodePage::cp1252:
            return "cp1252";
        case CodePage::koi8r:
            return "koi8r";
        case CodePage::iso8859_1:
            return "iso8859_1";
        case CodePage::iso8859_2:
            return "iso8859_2";
        case CodePage::iso8859_7:
            return "iso8859_7";
        case CodePage::eucJp:
            return "eucJp";
        case CodePage::eucKr:
            return "eucKr";
        case CodePage::gbk:
            return "gbk";
        case CodePage::shiftJis:
            return "shiftJis";
        case CodePage::iso8859_5:
            return "iso8859_5";
        case CodePage::iso8859_9:
            return "iso8859_9";
        case CodePage::big5:
            return "big5";
    }
    return "?";
}

int HexDigit(char ch) {
    if (ch >= '0' && ch <= '9') return ch - '0';
    if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
    if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
    return -1;
}

}  // namespace

int main() {
    std::string line;
    while (std::getline(std::cin, line)) {
        std::string token;
        for (std::size_t i = 0; i + 1 < line.size(); i += 2) {
            const int high = HexDigit(line[i]);
            const int low = HexDigit(line[i + 1]);
            if (high < 0 || low < 0) {
                std::cerr << "not hexadecimal: " << line << '\n';
                return 2;
            }
            token.push_back(static_cast<char>(high * 16 + low));
        }
        const ftpdirlist::MonthName name = ftpdirlist::LookupMonthName(token);
        std::cout << name.month << ' ' << CodePageName(name.codePage) << ' '
                  << (ftpdirlist::IsTotalWord(token) ? 1 : 0) << '\n';
    }
    return 0;
}
