#include "parse/tokens.h"

#include <limits>

namespace ftpdirlist {

namespace {

// Reads the atoi rule into a value clamped to [lo, hi]. Accumulates as a
// negative number so that the most negative value is reachable without
// overflow.
std::int64_t ReadClamped(std::string_view text, std::int64_t lo, std::int64_t hi) {
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // acc holds minus the magnitude read so far, never below lo (or -hi).
    const std::int64_t limit = negative ? lo : -hi;
    std::int64_t acc = 0;
    for (; i < n && text[i] >= '0' && text[i] <= '9'; ++i) {
        const int digit = text[i] - '0';
        if (acc < (limit + digit) / 10) {
            acc = limit;
            // Saturated: the remaining digits cannot change the value.
            break;
        }
        acc = acc * 10 - digit;
        if (acc < limit) acc = limit;
    }
    return negative ? acc : -acc;
}

}  // namespace

std::int32_t ReadInt32Slow(std::string_view text) {
    return static_cast<std::int32_t>(ReadClamped(text, std::numeric_limits<std::int32_t>::min(),
                                                 std::numeric_limits<std::int32_t>::max()));
}

std::int64_t ReadInt64Slow(std::string_view text) {
    return ReadClamped(text, std::numeric_limits<std::int64_t>::min(),
                       std::numeric_limits<std::int64_t>::max());
}

}  // namespace ftpdirlist
