// The byte kernels, the token scanner and the digit readers against small
// scalar references, in whichever kernel this build uses (SSE2, SWAR or
// scalar: FTPDIRLIST_KERNEL): every length from 0 to 130, across the 8-,
// 16- and 64-byte steps, with the byte of interest at every position.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/bits.h"
#include "parse/bytes.h"
#include "parse/tokens.h"
#include "parse_helpers.h"

namespace ftpdirlist {
namespace {

using test::HeapBytes;

constexpr std::size_t kMaxLength = 130;

// A text of `length` copies of `fill` with `mark` at `at` (none when at is
// length or more).
std::string Marked(std::size_t length, char fill, char mark, std::size_t at) {
    std::string text(length, fill);
    if (at < length) text[at] = mark;
    return text;
}

TEST(Kernels, FindLineStopFindsTheFirstLineEnd) {
    struct Case {
        const char* reason;
        char mark;
        bool stopsPlain;   // FindLineStop<false>
        bool stopsOrZero;  // FindLineStop<true>
    } const cases[] = {
        {"CR ends a line", '\r', true, true},
        {"LF ends a line", '\n', true, true},
        {"NUL ends only the text", '\0', false, true},
        {"a tab below CR ends nothing", '\t', false, false},
        {"a space ends nothing", ' ', false, false},
        {"a high byte ends nothing", '\xFF', false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        for (std::size_t length = 0; length <= kMaxLength; ++length) {
            for (std::size_t at = 0; at <= length; ++at) {
                const HeapBytes bytes(Marked(length, 'x', c.mark, at));
                const char* p = bytes.view().data();
                const std::size_t want = at < length ? at : length;
                EXPECT_EQ(bytes::FindLineStop<false>(p, p + length) - p,
                          static_cast<std::ptrdiff_t>(c.stopsPlain ? want : length))
                    << "length " << length << " at " << at;
                EXPECT_EQ(bytes::FindLineStop<true>(p, p + length) - p,
                          static_cast<std::ptrdiff_t>(c.stopsOrZero ? want : length))
                    << "length " << length << " at " << at;
            }
        }
    }
}

#if FTPDIRLIST_SSE2
// The line window: the first line end or NUL wherever it lies (in the
// chunks tested together, the two after them or beyond), past control
// bytes that end nothing, and the spaces of the first 64 bytes.
TEST(Kernels, LineWindowFindsTheLineStopAndTheSpaces) {
    const char marks[] = {'\r', '\n', '\0', '\t', '\x01', ' '};
    for (std::size_t length = bytes::kLineWindow; length <= kMaxLength; ++length) {
        for (std::size_t at = 0; at <= length; ++at) {
            for (const char mark : marks) {
                for (const std::size_t gap : {std::size_t{1}, std::size_t{17}}) {
                    // A second mark, a line end, follows the first.
                    std::string text = Marked(length, 'x', mark, at);
                    if (at + gap < length) text[at + gap] = '\n';
                    for (std::size_t i = 0; i < length; i += 9) {
                        if (text[i] == 'x') text[i] = ' ';
                    }
                    const HeapBytes bytes(text);
                    const char* p = bytes.view().data();
                    std::size_t want = 0;
                    while (want < length && text[want] != '\r' && text[want] != '\n' &&
                           text[want] != '\0') {
                        ++want;
                    }
                    std::uint64_t wantSpaces = 0;
                    for (std::size_t i = 0; i < 64; ++i) {
                        wantSpaces |= std::uint64_t{text[i] == ' '} << i;
                    }
                    std::uint64_t spaces = 0;
                    EXPECT_EQ(bytes::ScanWindow64(p, p + length, spaces) - p,
                              static_cast<std::ptrdiff_t>(want))
                        << "length " << length << " at " << at << " mark " << int{mark};
                    EXPECT_EQ(spaces, wantSpaces) << "length " << length << " at " << at;
                }
            }
        }
    }
}
#endif

TEST(Kernels, SpaceSearchesAndFindAgreeWithTheByteLoop) {
    for (std::size_t length = 0; length <= kMaxLength; ++length) {
        for (std::size_t at = 0; at <= length; ++at) {
            const HeapBytes spaces(Marked(length, ' ', 'x', at));
            const HeapBytes letters(Marked(length, 'x', ' ', at));
            const HeapBytes semicolon(Marked(length, 'x', ';', at));
            const char* s = spaces.view().data();
            const char* l = letters.view().data();
            const char* m = semicolon.view().data();
            const std::size_t want = at < length ? at : length;
            EXPECT_EQ(bytes::SkipSpaces(s, s + length) - s, static_cast<std::ptrdiff_t>(want))
                << "length " << length << " at " << at;
            EXPECT_EQ(bytes::FindSpace(l, l + length) - l, static_cast<std::ptrdiff_t>(want))
                << "length " << length << " at " << at;
            // Find reads up to its bound, but finds only within n.
            for (std::size_t n = 0; n <= length; n += (n < 20 ? 1 : 17)) {
                EXPECT_EQ(bytes::Find(m, n, m + length, ';'), want < n ? want : n)
                    << "length " << length << " at " << at << " n " << n;
            }
        }
    }
}

TEST(Kernels, SpaceMaskHasOneBitPerSpace) {
    // Spaces at a changing pattern of places, read with every bound.
    for (std::size_t length = 0; length <= kMaxLength; ++length) {
        for (std::size_t seed = 0; seed < 8; ++seed) {
            std::string text(length, 'x');
            for (std::size_t i = 0; i < length; ++i) {
                if ((i * 7 + seed * 3) % 5 < 2 || i == seed) text[i] = ' ';
            }
            const HeapBytes bytes(text);
            const char* p = bytes.view().data();
            const std::size_t most = length < bytes::kWindow ? length : bytes::kWindow;
            for (std::size_t n = 0; n <= most; ++n) {
                std::uint64_t want = 0;
                for (std::size_t i = 0; i < n; ++i) want |= std::uint64_t{text[i] == ' '} << i;
                EXPECT_EQ(bytes::SpaceMask64(p, n, p + n), want)
                    << "length " << length << " n " << n;
                EXPECT_EQ(bytes::SpaceMask64(p, n, p + length), want)
                    << "length " << length << " n " << n;
            }
        }
    }
}

TEST(Kernels, CopyCopiesExactlyTheBytes) {
    for (std::size_t length = 0; length <= kMaxLength; ++length) {
        std::string from(length, '\0');
        for (std::size_t i = 0; i < length; ++i) from[i] = static_cast<char>('A' + i % 26);
        const HeapBytes source(from);
        std::string to(length + 2, '#');
        bits::Copy(&to[1], source.view().data(), length);
        EXPECT_EQ(to, "#" + from + "#") << "length " << length;
    }
}

// Texts in buffers of exactly their length (ASan sees any byte read beyond),
// equal, or different at one position, or one byte longer.
TEST(Kernels, SameBytesComparesExactlyTheBytes) {
    for (std::size_t length = 0; length <= 40; ++length) {
        std::string text(length, '\0');
        for (std::size_t i = 0; i < length; ++i) text[i] = static_cast<char>('a' + i % 26);
        const HeapBytes a(text);
        const HeapBytes b(text);
        EXPECT_TRUE(bits::SameBytes(a.view(), b.view())) << "length " << length;
        const HeapBytes longer(text + "x");
        EXPECT_FALSE(bits::SameBytes(a.view(), longer.view())) << "length " << length;
        for (std::size_t at = 0; at < length; ++at) {
            std::string other = text;
            other[at] = static_cast<char>(other[at] ^ 0x80);
            const HeapBytes c(other);
            EXPECT_FALSE(bits::SameBytes(a.view(), c.view()))
                << "length " << length << " at " << at;
        }
    }
}

// The scanner's tokens and rest, by the plain walk.
std::vector<std::string> ReferenceTokens(std::string_view line, std::size_t restAfter) {
    std::vector<std::string> out;
    std::size_t at = 0;
    for (;;) {
        while (at < line.size() && line[at] == ' ') ++at;
        if (at == line.size()) return out;
        if (out.size() == restAfter) {
            out.emplace_back("rest:" + std::string(line.substr(at)));
            return out;
        }
        const std::size_t stop =
            line.find(' ', at) == std::string_view::npos ? line.size() : line.find(' ', at);
        out.emplace_back(line.substr(at, stop - at));
        at = stop;
    }
}

std::vector<std::string> ScannerTokens(TokenScanner tokens, std::size_t restAfter) {
    std::vector<std::string> out;
    for (;;) {
        if (out.size() == restAfter) {
            const std::string_view rest = tokens.Rest();
            if (rest.data() != nullptr) out.emplace_back("rest:" + std::string(rest));
            EXPECT_EQ(tokens.Next().data(), nullptr);
            return out;
        }
        const std::string_view token = tokens.Next();
        if (token.data() == nullptr) return out;
        EXPECT_FALSE(token.empty());
        out.emplace_back(token);
    }
}

TEST(Kernels, TokenScannerAgreesWithThePlainWalk) {
    // Lines of tokens with a space at every position, in the three ways a
    // scanner is made: bound at the line's end, bound past it, and with the
    // driver's space mask.
    for (std::size_t length = 0; length <= kMaxLength; ++length) {
        for (std::size_t at = 0; at <= length; ++at) {
            for (const char fill : {'x', ' '}) {
                std::string text = Marked(length, fill, fill == 'x' ? ' ' : 'x', at);
                if (fill == 'x' && length > 70) text[length / 2 + 3] = ' ';  // more tokens
                const std::string padded = text + std::string(64, 'p');
                const HeapBytes exact(text);
                const HeapBytes wide(padded);
                const char* p = wide.view().data();
                const Line lines[] = {Line(exact.view()), Line(p, p + length, p + padded.size())};
                const std::uint64_t mask = bytes::SpaceMask64(p, bytes::kWindow, p + padded.size());
                for (const std::size_t restAfter :
                     {std::size_t{0}, std::size_t{1}, std::size_t{99}}) {
                    const auto want = ReferenceTokens(text, restAfter);
                    SCOPED_TRACE("length " + std::to_string(length) + " at " + std::to_string(at) +
                                 " rest after " + std::to_string(restAfter));
                    for (const Line& line : lines) {
                        EXPECT_EQ(ScannerTokens(TokenScanner(line), restAfter), want);
                    }
                    EXPECT_EQ(ScannerTokens(TokenScanner(lines[1], &mask), restAfter), want);
                }
            }
        }
    }
}

TEST(Kernels, TakeGivesWhatNextGives) {
    for (std::size_t length = 0; length <= kMaxLength; ++length) {
        for (std::size_t at = 0; at <= length; ++at) {
            std::string text(length, 'x');
            for (std::size_t i = at % 9; i < length; i += 9) text[i] = ' ';
            const HeapBytes bytes(text);
            TokenScanner taking{Line(bytes.view())};
            TokenScanner stepping{Line(bytes.view())};
            std::string_view four[4];
            const int found = taking.Take(four);
            for (int i = 0; i < 4; ++i) {
                const std::string_view next = stepping.Next();
                if (i < found) {
                    EXPECT_EQ(four[i], next) << "length " << length << " token " << i;
                } else {
                    EXPECT_EQ(next.data(), nullptr) << "length " << length << " token " << i;
                }
            }
            EXPECT_EQ(taking.Rest(), stepping.Rest()) << "length " << length;
        }
    }
}

TEST(Kernels, DigitReadersAgreeWithTheByteLoop) {
    // Every token of 1 to 20 bytes of digits with one byte at each position
    // replaced by a digit, a non-digit next to the digits, or a high byte;
    // read with the bound at its end and 16 bytes past it.
    for (std::size_t length = 1; length <= 20; ++length) {
        for (std::size_t at = 0; at <= length; ++at) {
            for (const char mark : {'7', '/', ':', '0', '\xB9'}) {
                std::string text(length, '0');
                for (std::size_t i = 0; i < length; ++i) text[i] = static_cast<char>('1' + i % 9);
                if (at < length) text[at] = mark;
                bool allDigits = true;
                std::int64_t want = 0;
                for (const char ch : text) {
                    if (ch < '0' || ch > '9') allDigits = false;
                    if (!allDigits) continue;
                    // Beyond the type's range the value saturates.
                    const int digit = ch - '0';
                    want =
                        want > (test::kInt64Max - digit) / 10 ? test::kInt64Max : want * 10 + digit;
                }
                const std::string padded = text + std::string(16, ' ');
                const HeapBytes exact(text);
                const HeapBytes wide(padded);
                const std::string_view tokens[] = {exact.view(), wide.view().substr(0, length)};
                const char* bounds[] = {exact.view().data() + length,
                                        wide.view().data() + padded.size()};
                for (int i = 0; i < 2; ++i) {
                    SCOPED_TRACE(EscapedBytes(text) + (i == 0 ? " exact" : " padded"));
                    std::int64_t value = -1;
                    EXPECT_EQ(ReadDigits(tokens[i], value, bounds[i]), allDigits);
                    if (allDigits) {
                        EXPECT_EQ(value, want);
                    }
                    if (length <= 8 && i == 1) {
                        EXPECT_EQ(EightDigits(tokens[i].data(), length), allDigits ? want : -1);
                    }
                }
                if (length == 2) {
                    EXPECT_EQ(TwoDigits(exact.view().data()), allDigits ? want : -1);
                }
            }
        }
    }
}

}  // namespace
}  // namespace ftpdirlist
