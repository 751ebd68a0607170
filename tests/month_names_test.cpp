// LookupMonthName and IsTotalWord: the generated table of month names in the
// languages and code pages that `ls -l` and servers print them in.
#include "fields/month_names.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <string_view>

#include "fields/month_keys.h"
#include "parse/month_map.h"
#include "parse_helpers.h"

namespace ftpdirlist {
namespace {

struct Case {
    const char* reason;
    std::string_view token;
    int month;  // 0: no month name
    CodePage codePage;
};

void ExpectLookups(const Case* begin, const Case* end) {
    for (const Case* c = begin; c != end; ++c) {
        SCOPED_TRACE(std::string(c->reason) + ": \"" + EscapedBytes(c->token) + "\"");
        const test::HeapBytes token(c->token);
        const MonthName got = LookupMonthName(token.view());
        EXPECT_EQ(got.month, c->month);
        EXPECT_EQ(static_cast<int>(got.codePage), static_cast<int>(c->codePage));
    }
}

constexpr CodePage kAscii = CodePage::unknown;

TEST(MonthNames, FindsEachLanguageInEachCodePage) {
    const Case cases[] = {
        {"English abbreviation, capital", "Jan", 1, kAscii},
        {"English full name, capitals", "SEPTEMBER", 9, kAscii},
        {"German UTF-8", "M\xC3\xA4r", 3, CodePage::utf8},
        {"German Windows-1252", "M\xE4r", 3, CodePage::cp1252},
        {"German full name", "Dezember", 12, kAscii},
        {"Austrian January, UTF-8", "J\xC3\xA4n", 1, CodePage::utf8},
        {"Dutch", "mrt", 3, kAscii},
        {"French abbreviation with its dot, UTF-8", "f\xC3\xA9vr.", 2, CodePage::utf8},
        {"French, Windows-1252", "ao\xFBt", 8, CodePage::cp1252},
        {"French full name, Windows-1252",
         "d\xE9"
         "cembre",
         12, CodePage::cp1252},
        {"Italian", "gen", 1, kAscii},
        {"Spanish", "ene", 1, kAscii},
        {"Portuguese", "out", 10, kAscii},
        {"Polish UTF-8", "pa\xC5\xBA", 10, CodePage::utf8},
        {"Polish ISO-8859-2", "pa\xBC", 10, CodePage::iso8859_2},
        {"Polish Windows-1250", "pa\x9F", 10, CodePage::cp1250},
        {"Polish genitive, UTF-8",
         "pa\xC5\xBA"
         "dziernika",
         10, CodePage::utf8},
        {"Russian genitive of May, UTF-8", "\xD0\xBC\xD0\xB0\xD1\x8F", 5, CodePage::utf8},
        {"Russian nominative of May, UTF-8", "\xD0\xBC\xD0\xB0\xD0\xB9", 5, CodePage::utf8},
        {"Russian genitive, KOI8-R", "\xCD\xC1\xD1", 5, CodePage::koi8r},
        {"Russian genitive, Windows-1251", "\xEC\xE0\xFF", 5, CodePage::cp1251},
        {"Russian genitive, ISO-8859-5", "\xDC\xD0\xEF", 5, CodePage::iso8859_5},
        {"Russian full genitive, KOI8-R", "\xD1\xCE\xD7\xC1\xD2\xD1", 1, CodePage::koi8r},
        {"Russian full nominative as written, capital",
         "\xD0\xAF\xD0\xBD\xD0\xB2\xD0\xB0\xD1\x80\xD1\x8C", 1, CodePage::utf8},
        {"Hungarian, ASCII", "szept", 9, kAscii},
        {"Hungarian, UTF-8", "m\xC3\xA1rc", 3, CodePage::utf8},
        {"Hungarian, same bytes in ISO-8859-2 and Windows-1250", "m\xE1rc", 3, CodePage::iso8859_2},
        {"Czech UTF-8",
         "b\xC5\x99"
         "e",
         3, CodePage::utf8},
        {"Czech, same bytes in ISO-8859-2 and Windows-1250",
         "b\xF8"
         "e",
         3, CodePage::iso8859_2},
        {"Czech genitive", "ledna", 1, kAscii},
        {"Swedish", "maj", 5, kAscii},
        {"Norwegian abbreviation with its dot", "des.", 12, kAscii},
        {"Finnish abbreviation", "tammi", 1, kAscii},
        {"Finnish full name, UTF-8", "kes\xC3\xA4kuu", 6, CodePage::utf8},
        {"Finnish full name, Windows-1252", "kes\xE4kuu", 6, CodePage::cp1252},
        {"Turkish, ASCII", "Oca", 1, kAscii},
        {"Turkish UTF-8", "\xC5\x9Eub", 2, CodePage::utf8},
        {"Turkish ISO-8859-9", "\xDEub", 2, CodePage::iso8859_9},
        {"Turkish UTF-8, August", "A\xC4\x9Fu", 8, CodePage::utf8},
        {"Greek UTF-8", "\xCE\x9C\xCE\xB1\xCE\x90", 5, CodePage::utf8},
        {"Greek ISO-8859-7", "\xCC\xE1\xC0", 5, CodePage::iso8859_7},
        {"Greek genitive, UTF-8",
         "\xCE\x94\xCE\xB5\xCE\xBA\xCE\xB5\xCE\xBC\xCE\xB2\xCF\x81\xCE\xAF\xCE\xBF\xCF\x85", 12,
         CodePage::utf8},
        {"Japanese and Chinese UTF-8", "1\xE6\x9C\x88", 1, CodePage::utf8},
        {"Japanese EUC-JP", "1\xB7\xEE", 1, CodePage::eucJp},
        {"Japanese Shift_JIS", "12\x8C\x8E", 12, CodePage::shiftJis},
        {"Chinese full name, UTF-8", "\xE4\xB8\x80\xE6\x9C\x88", 1, CodePage::utf8},
        {"Chinese full name, GBK", "\xCA\xAE\xB6\xFE\xD4\xC2", 12, CodePage::gbk},
        {"Chinese Big5", "10\xA4\xEB", 10, CodePage::big5},
        {"Korean UTF-8", "5\xEC\x9B\x94", 5, CodePage::utf8},
        {"Korean EUC-KR", "5\xBF\xF9", 5, CodePage::eucKr},
    };
    ExpectLookups(std::begin(cases), std::end(cases));
}

TEST(MonthNames, ReadsTokensAsListingsCutThem) {
    const Case cases[] = {
        {"VMS capitals", "JAN", 1, kAscii},
        {"capitals of a longer key", "SZEPT", 9, kAscii},
        {"a final dot on a key without one", "Jan.", 1, kAscii},
        {"padding after an abbreviation", "mai  ", 5, kAscii},
        {"padding before an abbreviation", "  mai", 5, kAscii},
        {"padding after the final dot", "janv. ", 1, kAscii},
        {"classic number key", "05", 5, kAscii},
        {"classic key with a digit", "sept9", 9, kAscii},
        {"classic Windows-1251 key", "\xFF\xED\xE2", 1, CodePage::cp1251},
        {"classic Windows-1252 key not in the locales", "f\xE9v", 2, CodePage::cp1252},
    };
    ExpectLookups(std::begin(cases), std::end(cases));
}

TEST(MonthNames, RejectsWhatIsNoMonthName) {
    const Case cases[] = {
        {"empty", "", 0, kAscii},
        {"a dot alone", ".", 0, kAscii},
        {"spaces alone", "   ", 0, kAscii},
        {"two final dots", "jan..", 0, kAscii},
        {"a dot inside", "j.an", 0, kAscii},
        {"a prefix of a key", "ja", 0, kAscii},
        {"a prefix of a full name", "janua", 0, kAscii},
        {"a key with a letter more", "janx", 0, kAscii},
        {"a byte after the key", std::string_view("jan\0", 4), 0, kAscii},
        {"a long key with a byte changed past the eighth",
         "pa\xC5\xBA"
         "dziernikx",
         0, kAscii},
        {"a long key cut short",
         "pa\xC5\xBA"
         "dzierni",
         0, kAscii},
        {"no month 13", "13", 0, kAscii},
        {"no month 0", "00", 0, kAscii},
        {"over-long token", "septembreeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeeee", 0, kAscii},
        {"non-ASCII capitals are not folded", "M\xC3\x84R", 0, kAscii},
        {"the month marker alone", "\xE6\x9C\x88", 0, kAscii},
        {"month 13 with the marker", "13\xE6\x9C\x88", 0, kAscii},
        {"a total word", "insgesamt", 0, kAscii},
        {"a weekday", "Montag", 0, kAscii},
        {"half of a UTF-8 name", "M\xC3", 0, kAscii},
    };
    ExpectLookups(std::begin(cases), std::end(cases));
}

TEST(MonthNames, KnowsTheTotalWords) {
    struct TotalCase {
        const char* reason;
        std::string_view token;
        bool want;
    };
    const TotalCase cases[] = {
        {"English", "total", true},
        {"English, capitals", "TOTAL", true},
        {"German", "insgesamt", true},
        {"Polish", "razem", true},
        {"Swedish, Danish, Norwegian", "totalt", true},
        {"Czech", "celkem", true},
        {"Russian UTF-8", "\xD0\xB8\xD1\x82\xD0\xBE\xD0\xB3\xD0\xBE", true},
        {"Russian KOI8-R", "\xC9\xD4\xCF\xC7\xCF", true},
        {"Finnish UTF-8", "yhteens\xC3\xA4", true},
        {"Finnish Latin-1", "yhteens\xE4", true},
        {"Hungarian ISO-8859-2", "\xF6sszesen", true},
        {"Japanese UTF-8", "\xE5\x90\x88\xE8\xA8\x88", true},
        {"Japanese EUC-JP", "\xB9\xE7\xB7\xD7", true},
        {"Korean UTF-8", "\xED\x95\xA9\xEA\xB3\x84", true},
        {"Chinese GBK", "\xD7\xDC\xBC\xC6", true},
        {"a month is no total word", "jan", false},
        {"a letter more", "totals", false},
        {"a prefix", "tota", false},
        {"compared whole: no final dot", "total.", false},
        {"compared whole: no padding", " total", false},
        {"empty", "", false},
    };
    for (const TotalCase& c : cases) {
        SCOPED_TRACE(std::string(c.reason) + ": \"" + EscapedBytes(c.token) + "\"");
        const test::HeapBytes token(c.token);
        EXPECT_EQ(IsTotalWord(token.view()), c.want);
    }
}

bool IsAsciiCapital(char ch) { return ch >= 'A' && ch <= 'Z'; }

TEST(MonthNames, GeneratedTableIsSortedFoldedAndComplete) {
    std::size_t classicKeys = 0;
    for (std::size_t i = 0; i < std::size(kMonthKeys); ++i) {
        const MonthKey& key = kMonthKeys[i];
        SCOPED_TRACE("key \"" + EscapedBytes(key.text) + "\"");
        ASSERT_FALSE(key.text.empty());
        ASSERT_GE(key.month, 0);
        ASSERT_LE(key.month, 12);
        if (i > 0) {
            EXPECT_LT(kMonthKeys[i - 1].text, key.text) << "sorted, each key once";
        }
        EXPECT_NE(key.text.back(), '.') << "the final dot is optional at lookup";
        EXPECT_EQ(key.text.find(' '), std::string_view::npos);
        bool ascii = true;
        for (const char ch : key.text) {
            EXPECT_FALSE(IsAsciiCapital(ch)) << "keys are stored folded";
            ascii = ascii && static_cast<unsigned char>(ch) < 0x80;
        }
        EXPECT_EQ(ascii, key.codePage == CodePage::unknown) << "ASCII keys fit any code page";

        // Every key is found as written, in capitals and with a final dot.
        const test::HeapBytes plain(key.text);
        std::string upper(key.text);
        for (char& ch : upper) ch = static_cast<char>(ch >= 'a' && ch <= 'z' ? ch - 32 : ch);
        const test::HeapBytes capitals(upper);
        const test::HeapBytes dotted(std::string(key.text) + ".");
        if (key.month == 0) {
            EXPECT_TRUE(IsTotalWord(plain.view()));
            EXPECT_TRUE(IsTotalWord(capitals.view()));
            EXPECT_EQ(LookupMonthName(plain.view()).month, 0);
            continue;
        }
        EXPECT_FALSE(IsTotalWord(plain.view()));
        for (const test::HeapBytes* form : {&plain, &capitals, &dotted}) {
            const MonthName got = LookupMonthName(form->view());
            EXPECT_EQ(got.month, key.month);
            EXPECT_EQ(static_cast<int>(got.codePage), static_cast<int>(key.codePage));
        }
        // The flag says what the classic lookup, which compares bytes
        // exactly, finds: the key as written and, flagged so, its capitals.
        const bool small = key.classic != ClassicForm::none;
        const bool both = key.classic == ClassicForm::smallAndCapitals;
        EXPECT_EQ(MonthMap(plain.view()), small ? key.month : 0) << "the classic key as written";
        if (upper != key.text) {
            EXPECT_EQ(MonthMap(capitals.view()), both ? key.month : 0) << "its capitals";
        }
        classicKeys += small ? 1 : 0;
    }
    // The classic table's 113 keys fold to 101 (its capital forms `JAN` ...
    // `DEC` fold onto `jan` ... `dec`): each of them is a flagged key here.
    EXPECT_EQ(classicKeys, 101u);
}

}  // namespace
}  // namespace ftpdirlist
