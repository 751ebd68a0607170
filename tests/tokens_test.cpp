// TokenScanner, IsAllDigits and the atoi-rule number readers.
#include "parse/tokens.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "parse_helpers.h"

namespace ftpdirlist {
namespace {

using test::HeapBytes;
using test::kInt32Max;
using test::kInt32Min;
using test::kInt64Max;
using test::kInt64Min;

struct Step {
    bool rest;          // Rest() instead of Next()
    const char* token;  // nullptr: no token
};

struct TokenCase {
    const char* reason;
    std::string_view line;
    std::vector<Step> steps;
};

TEST(TokenScanner, CutsTokensAtSpacesAndGivesTheRest) {
    const std::string longToken = test::Repeat('x', 150);
    const std::string spacedLong = "a" + test::Repeat(' ', 70) + longToken + "  b";
    const TokenCase cases[] = {
        {"runs of spaces count as one separator",
         "  abc   def  ",
         {{false, "abc"}, {false, "def"}, {false, nullptr}}},
        {"a line of spaces only has no token", "    ", {{false, nullptr}, {true, nullptr}}},
        {"an empty line has no token", "", {{false, nullptr}, {true, nullptr}}},
        {"the rest keeps inner and trailing spaces",
         "x  y  z ",
         {{false, "x"}, {true, "y  z "}, {false, nullptr}}},
        {"the rest with only spaces left is no token", "a   ", {{false, "a"}, {true, nullptr}}},
        {"the rest skips leading spaces", "   a  b  ", {{true, "a  b  "}}},
        {"tab, CR and high bytes are token bytes",
         "a\tb c\rd \xFF\x80",
         {{false, "a\tb"}, {false, "c\rd"}, {false, "\xFF\x80"}, {false, nullptr}}},
        {"tokens across the 64-byte windows",
         spacedLong,
         {{false, "a"}, {false, longToken.c_str()}, {false, "b"}, {false, nullptr}}},
        {"the rest after a long token",
         spacedLong,
         {{false, "a"}, {false, longToken.c_str()}, {true, "b"}}},
        {"the rest from a later window",
         spacedLong,
         {{false, "a"}, {true, spacedLong.c_str() + 71}}},
    };
    for (const TokenCase& c : cases) {
        SCOPED_TRACE(c.reason);
        const HeapBytes line(c.line);
        const std::string_view bytes = line.view();
        TokenScanner tokens{Line(bytes)};
        for (const Step& step : c.steps) {
            const std::string_view token = step.rest ? tokens.Rest() : tokens.Next();
            if (step.token == nullptr) {
                EXPECT_EQ(token.data(), nullptr);
            } else {
                ASSERT_NE(token.data(), nullptr);
                EXPECT_EQ(token, step.token);
                // The token is a view into the line, not a copy.
                EXPECT_GE(token.data(), bytes.data());
                EXPECT_LE(token.data() + token.size(), bytes.data() + bytes.size());
            }
        }
    }
}

TEST(TokenScanner, TakesSeveralTokensInOneStep) {
    const HeapBytes line(std::string_view("one two  three"));
    TokenScanner tokens{Line(line.view())};
    std::string_view two[2];
    ASSERT_EQ(tokens.Take(two), 2);
    EXPECT_EQ(two[0], "one");
    EXPECT_EQ(two[1], "two");
    std::string_view more[3];
    EXPECT_EQ(tokens.Take(more), 1);  // the line ran out
    EXPECT_EQ(more[0], "three");
    EXPECT_EQ(more[1].data(), nullptr);
    EXPECT_EQ(tokens.Next().data(), nullptr);
}

TEST(TokenScanner, TakesTokensInTheWindowOnlyWhenAllAreThere) {
    const std::string pad = test::Repeat(' ', 50);
    struct Case {
        const char* reason;
        std::string line;
        bool taken;  // false: nothing taken and the scanner where it was
    } const cases[] = {
        {"three tokens and more", "a bb ccc dddd", true},
        {"exactly three", "a bb  ccc", true},
        {"two only", "a  bb ", false},
        {"none", "   ", false},
        {"the third past the window", "a bb" + pad + pad + "ccc", false},
        {"the third ends at the window's top", "a" + pad + "bb " + test::Repeat('c', 10), true},
        {"the third ends at the window's top, the line goes on",
         "a" + pad + "bb " + test::Repeat('c', 10) + " d", false},
        {"the third runs on past the window", "a" + pad + "bb " + test::Repeat('c', 20), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        const HeapBytes line(c.line);
        TokenScanner tokens{Line(line.view())};
        std::string_view three[3];
        const bool taken = tokens.TakeInWindow(three);
        EXPECT_EQ(taken, c.taken && FTPDIRLIST_SHORTCUTS);
        // Either way the walk goes on as if the tokens had been read one by
        // one.
        TokenScanner walk{Line(line.view())};
        if (taken) {
            for (const std::string_view& token : three) EXPECT_EQ(token, walk.Next());
        }
        for (std::string_view want = walk.Next(); want.data() != nullptr; want = walk.Next()) {
            EXPECT_EQ(tokens.Next(), want);
        }
        EXPECT_EQ(tokens.Next().data(), nullptr);
    }
}

TEST(IsAllDigits, AcceptsOnlyDecimalDigits) {
    struct Case {
        const char* reason;
        std::string_view token;
        bool want;
    } const cases[] = {
        {"leading zeros", "0042", true},
        {"all ten digits", "0123456789", true},
        {"empty but present", std::string_view("", 0), true},
        {"absent", std::string_view(), false},
        {"sign", "-1", false},
        {"plus sign", "+1", false},
        {"thousands separator", "1,024", false},
        {"decimal point", "1.5", false},
        {"trailing letter", "12a", false},
        {"space", "1 2", false},
        {"the bytes around the digits", "/:", false},
        {"superscript one, Windows-1252", "\xB9", false},
        {"digits then a high byte", "12\xFF", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        if (c.token.data() == nullptr) {
            EXPECT_EQ(IsAllDigits(c.token), c.want);
            continue;
        }
        const HeapBytes token(c.token);
        EXPECT_EQ(IsAllDigits(token.view()), c.want);
    }
}

TEST(ReadInt, FollowsTheAtoiRuleAndSaturates) {
    const std::string manyDigits = test::Repeat('9', 1000);
    const std::string zerosThenOne = test::Repeat('0', 1000) + "1";
    struct Case {
        const char* reason;
        std::string text;
        std::int32_t want32;
        std::int64_t want64;
    } const cases[] = {
        {"plain", "42", 42, 42},
        {"leading white space", " \t\n\v\f\r42", 42, 42},
        {"plus sign", "+42", 42, 42},
        {"minus sign", "-42", -42, -42},
        {"stops at the first non-digit", "42abc", 42, 42},
        {"stops at a point", "12.30", 12, 12},
        {"no digits", "abc", 0, 0},
        {"empty", "", 0, 0},
        {"sign only", "-", 0, 0},
        {"two signs", "+-1", 0, 0},
        {"space after the sign", "- 1", 0, 0},
        {"non-breaking space is no white space", "\xA0\x31", 0, 0},
        {"long run of leading zeros", zerosThenOne, 1, 1},
        {"int32 maximum", "2147483647", kInt32Max, 2147483647},
        {"one above int32", "2147483648", kInt32Max, 2147483648LL},
        {"int32 minimum", "-2147483648", kInt32Min, -2147483648LL},
        {"one below int32", "-2147483649", kInt32Min, -2147483649LL},
        {"above four GiB", "4294967296", kInt32Max, 4294967296LL},
        {"int64 maximum", "9223372036854775807", kInt32Max, kInt64Max},
        {"one above int64", "9223372036854775808", kInt32Max, kInt64Max},
        {"int64 minimum", "-9223372036854775808", kInt32Min, kInt64Min},
        {"one below int64", "-9223372036854775809", kInt32Min, kInt64Min},
        {"a thousand digits", manyDigits, kInt32Max, kInt64Max},
        {"a thousand digits, negative", "-" + manyDigits, kInt32Min, kInt64Min},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        const HeapBytes text(c.text);
        EXPECT_EQ(ReadInt32(text.view()), c.want32);
        EXPECT_EQ(ReadInt64(text.view()), c.want64);
    }
}

}  // namespace
}  // namespace ftpdirlist
