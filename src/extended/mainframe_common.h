// Helpers shared by the mainframe family readers (MVS, JES, CMS, Guardian):
// their lines are columns of tokens read left to right and right to left.
#pragma once

#include <cstddef>
#include <string_view>

#include "model/entry.h"
#include "parse/fields.h"
#include "parse/tokens.h"

namespace ftpdirlist {
namespace ext {

// Reads the tokens left at `c` into out[0..max). Returns how many there
// were, or max + 1 when there were more than `max` (out then holds the
// first `max`). The views point into the line.
inline int SplitTokens(Cursor& c, std::string_view* out, int max) {
    int n = 0;
    for (std::string_view token = NextToken(c, false); !token.empty();
         token = NextToken(c, false)) {
        if (n == max) return max + 1;
        out[n++] = token;
    }
    return n;
}

// The bytes of the line from the first byte of `first` to the last byte
// of `last`, both views into the same line with `first` not after `last`.
inline std::string_view Columns(std::string_view first, std::string_view last) {
    return {first.data(), static_cast<std::size_t>(last.data() + last.size() - first.data())};
}

// Stores the parts of `stamp` that were read: the date when it has a year,
// month and day; the clock when it has an hour and a minute; the seconds
// when given.
inline void StoreStamp(const fields::Stamp& stamp, ParsedEntry& entry) {
    if (stamp.year >= 0 && stamp.month >= 1 && stamp.day >= 1) {
        entry.dateTime.year = stamp.year;
        entry.dateTime.month = stamp.month;
        entry.dateTime.day = stamp.day;
        entry.dateTime.hasDate = 1;
    }
    if (stamp.hour >= 0 && stamp.minute >= 0) {
        entry.dateTime.hour = stamp.hour;
        entry.dateTime.minute = stamp.minute;
        entry.dateTime.hasTime = 1;
        if (stamp.second >= 0) entry.extras.second = static_cast<std::int8_t>(stamp.second);
    }
}

}  // namespace ext
}  // namespace ftpdirlist
