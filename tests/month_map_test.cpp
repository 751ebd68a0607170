// MonthMap: whole keys compared byte for byte, in the servers' code pages.
#include "parse/month_map.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "parse_helpers.h"

namespace ftpdirlist {
namespace {

struct Case {
    const char* reason;
    std::string_view key;
    int want;  // 0: not a key
};

void ExpectLookups(const Case* begin, const Case* end) {
    for (const Case* c = begin; c != end; ++c) {
        SCOPED_TRACE(std::string(c->reason) + ": \"" + EscapedBytes(c->key) + "\"");
        const test::HeapBytes key(c->key);
        EXPECT_EQ(MonthMap(key.view()), c->want);
    }
}

TEST(MonthMap, FindsOneKeyOfEveryLanguageAndForm) {
    const Case cases[] = {
        {"English, lower case", "jan", 1},
        {"English, upper case", "JAN", 1},
        {"English, last month", "dec", 12},
        {"number", "1", 1},
        {"number with leading zero", "01", 1},
        {"two-digit number", "10", 10},
        {"German", "mrz", 3},
        {"Dutch", "mrt", 3},
        {"Dutch", "mei", 5},
        {"Dutch and German", "okt", 10},
        {"French", "janv", 1},
        {"French", "juin", 6},
        {"French without accent", "fevr", 2},
        {"French without accent", "aout", 8},
        {"French", "mars", 3},
        {"German and French", "mai", 5},
        {"Italian", "gen", 1},
        {"Italian", "giu", 6},
        {"Italian", "dic", 12},
        {"Spanish", "ene", 1},
        {"Spanish", "abr", 4},
        {"Italian and Spanish", "ago", 8},
        {"Italian", "set", 9},
        {"Polish", "sty", 1},
        {"Polish", "lut", 2},
        {"Polish", "lis", 11},
        {"Polish", "gru", 12},
        {"long September", "sept", 9},
        {"English with last digit", "jan1", 1},
        {"English with last digit", "oct0", 10},
        {"English with last digit", "dec2", 12},
        {"September with last digit", "sep9", 9},
        {"long September with last digit", "sept9", 9},
    };
    ExpectLookups(std::begin(cases), std::end(cases));
}

TEST(MonthMap, FindsTheNonAsciiKeysFromTheirBytes) {
    const Case cases[] = {
        {"French, Windows-1252", "f\xE9\x62", 2},       // féb
        {"French, Windows-1252", "f\xE9v", 2},          // fév
        {"French, Windows-1252", "f\xE9vr", 2},         // févr
        {"German, Windows-1252", "m\xE4r", 3},          // mär
        {"French, Windows-1252", "ao\xFB", 8},          // aoû
        {"French, Windows-1252", "ao\xFBt", 8},         // août
        {"French, Windows-1252", "d\xE9\x63", 12},      // déc
        {"Polish, Windows-1250", "pa\x9F", 10},         // paź
        {"Russian, Windows-1251", "\xFF\xED\xE2", 1},   // янв
        {"Russian, Windows-1251", "\xF4\xE5\xE2", 2},   // фев
        {"Russian, Windows-1251", "\xEC\xE0\xF0", 3},   // мар
        {"Russian, Windows-1251", "\xE0\xEF\xF0", 4},   // апр
        {"Russian, Windows-1251", "\xEC\xE0\xE9", 5},   // май
        {"Russian, Windows-1251", "\xE8\xFE\xED", 6},   // июн
        {"Russian, Windows-1251", "\xE8\xFE\xEB", 7},   // июл
        {"Russian, Windows-1251", "\xE0\xE2\xE3", 8},   // авг
        {"Russian, Windows-1251", "\xF1\xE5\xED", 9},   // сен
        {"Russian, Windows-1251", "\xEE\xEA\xF2", 10},  // окт
        {"Russian, Windows-1251", "\xED\xEE\xFF", 11},  // ноя
        {"Russian, Windows-1251", "\xE4\xE5\xEA", 12},  // дек
    };
    ExpectLookups(std::begin(cases), std::end(cases));
}

// The English three-letter keys have a shorter way in; every case of each,
// and tokens that differ from one only in bit 5 of a byte, must still give
// what the whole table gives.
TEST(MonthMap, EnglishKeysInEveryCase) {
    const char* const names[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                 "jul", "aug", "sep", "oct", "nov", "dec"};
    for (int month = 1; month <= 12; ++month) {
        const std::string small = names[month - 1];
        std::string capitals = small;
        for (char& ch : capitals) ch = static_cast<char>(ch - 'a' + 'A');
        std::string mixed = small;
        mixed[0] = capitals[0];
        std::string lastCapital = small;
        lastCapital[2] = capitals[2];
        const struct {
            const std::string& token;
            int exact;  // MonthMap; MonthMapFolded always gives the month
        } forms[] = {{small, month}, {capitals, month}, {mixed, 0}, {lastCapital, 0}};
        for (const auto& form : forms) {
            SCOPED_TRACE(form.token);
            const test::HeapBytes key(form.token);
            EXPECT_EQ(MonthMap(key.view()), form.exact);
            EXPECT_EQ(MonthMapFolded(key.view()), month);
        }
    }
    const Case nearMisses[] = {
        {"the byte before the capitals", "@an", 0},
        {"the byte after the capitals", "j[n", 0},
        {"a control byte",
         "j\x0A"
         "n",
         0},
        {"high byte with bit 5 clear", "j\xC1n", 0},
        {"high byte with bit 5 set", "j\xE1n", 0},
        {"one letter off", "jam", 0},
        {"a key's bytes in another order", "naj", 0},
        {"zero bytes", std::string_view("\0\0\0", 3), 0},
    };
    for (const Case& c : nearMisses) {
        SCOPED_TRACE(c.reason);
        const test::HeapBytes key(c.key);
        EXPECT_EQ(MonthMap(key.view()), c.want);
        EXPECT_EQ(MonthMapFolded(key.view()), c.want);
    }
}

TEST(MonthMap, RejectsEverythingElse) {
    const std::string longToken(100, 'j');
    const Case cases[] = {
        {"mixed case", "Jan", 0},
        {"mixed case", "mAR", 0},
        {"zero", "0", 0},
        {"zero with leading zero", "00", 0},
        {"thirteen", "13", 0},
        {"ten with leading zero", "010", 0},
        {"eleven with leading zero", "011", 0},
        {"twelve with leading zero", "012", 0},
        {"empty", std::string_view("", 0), 0},
        {"prefix of a key", "ja", 0},
        {"key with a trailing point", "jan.", 0},
        {"key with a trailing space", "jan ", 0},
        {"key with a leading space", " jan", 0},
        {"key with a zero byte after it", std::string_view("jan\0", 4), 0},
        {"upper case with last digit", "JAN1", 0},
        {"upper case long September", "SEPT", 0},
        {"wrong last digit", "jan2", 0},
        {"five bytes, no key", "septe", 0},
        {"full month name", "january", 0},
        {"a hundred bytes", longToken, 0},
        {"a key in UTF-8 instead of Windows-1252", "f\xC3\xA9v", 0},  // fév
        {"Windows-1252 capitals", "M\xC4R", 0},                       // MÄR
        {"Windows-1251, first letter capital", "\xDF\xED\xE2", 0},    // Янв
    };
    ExpectLookups(std::begin(cases), std::end(cases));
}

}  // namespace
}  // namespace ftpdirlist
