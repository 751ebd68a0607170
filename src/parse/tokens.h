// Splitting a listing line into space-separated tokens, and reading numbers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace ftpdirlist {

// A read position in a line. Tokens are views into the line; the line is
// never written, so a line can be parsed where it lies in the input.
struct Cursor {
    const char* pos;
    const char* end;
};

inline Cursor MakeCursor(std::string_view line) { return {line.data(), line.data() + line.size()}; }

// The next token: bytes up to the next space (0x20, the only separator),
// after skipping spaces. With restOfLine, everything left of the line from
// its first non-space byte, inner and trailing spaces included. Returns a
// view with a null data() when only spaces are left; a token is never empty.
inline std::string_view NextToken(Cursor& c, bool restOfLine) {
    const char* p = c.pos;
    while (p != c.end && *p == ' ') ++p;
    if (p == c.end) {
        c.pos = p;
        return {};
    }
    const char* begin = p;
    if (restOfLine) {
        c.pos = c.end;
        return {begin, static_cast<std::size_t>(c.end - begin)};
    }
    while (p != c.end && *p != ' ') ++p;
    // Step over the one space that ended the token; further ones are
    // skipped by the next call.
    c.pos = (p == c.end) ? p : p + 1;
    return {begin, static_cast<std::size_t>(p - begin)};
}

// True when every byte is a decimal digit; the empty token is all digits,
// the absent token (null data()) is not.
inline bool IsAllDigits(std::string_view token) {
    if (token.data() == nullptr) return false;
    for (char ch : token) {
        if (ch < '0' || ch > '9') return false;
    }
    return true;
}

// Numbers read by the atoi rule: optional leading white space and sign,
// then the leading decimal digits; 0 when there are none. Values beyond the
// type's range saturate instead of overflowing.
std::int32_t ReadInt32(std::string_view text);
std::int64_t ReadInt64(std::string_view text);

// Bytes before the first `ch` of `text`, or the whole text when it holds none.
inline std::string_view UpTo(std::string_view text, char ch) {
    std::size_t at = text.find(ch);
    return at == std::string_view::npos ? text : text.substr(0, at);
}

}  // namespace ftpdirlist
