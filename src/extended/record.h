// Small steps that the family readers share: storing a validated stamp in
// a record, comparing a token with a key in any case, and the marks some
// servers put on a directory's name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string_view>

#include "model/entry.h"
#include "parse/fields.h"
#include "parse/tokens.h"

namespace ftpdirlist {
namespace ext {

// Stores the parts of `stamp` that the text gave (date when it has a year,
// time when it has an hour, seconds when it has them). `utc` marks the
// date and time as UTC.
inline void StoreStamp(const fields::Stamp& stamp, ParsedEntry& entry, bool utc = false) {
    FtpDateTime& dt = entry.dateTime;
    if (stamp.year >= 0) {
        dt.year = stamp.year;
        dt.month = stamp.month;
        dt.day = stamp.day;
        dt.hasDate = 1;
    }
    if (stamp.hour >= 0) {
        dt.hour = stamp.hour;
        dt.minute = stamp.minute;
        dt.hasTime = 1;
        if (stamp.second >= 0) entry.extras.second = static_cast<std::int8_t>(stamp.second);
    }
    entry.extras.utc = utc ? 1 : 0;
}

// True when `text` equals `lowerKey` with ASCII capitals read as small
// letters. `lowerKey` holds no capitals.
inline bool EqualsFolded(std::string_view text, std::string_view lowerKey) {
    if (text.size() != lowerKey.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char ch = text[i];
        if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
        if (ch != lowerKey[i]) return false;
    }
    return true;
}

// True when `text` begins with `lowerKey`, compared as EqualsFolded does.
inline bool StartsFolded(std::string_view text, std::string_view lowerKey) {
    return text.size() >= lowerKey.size() &&
           EqualsFolded(text.substr(0, lowerKey.size()), lowerKey);
}

// A final "/" that a server writes after a directory's name: no file name
// holds a "/", so it is the server's mark and is cut off. A name of "/"
// alone is kept. True when the mark was there.
inline bool CutDirectoryMark(std::string_view& name) {
    if (name.size() < 2 || name.back() != '/') return false;
    name.remove_suffix(1);
    return true;
}

// Column titles: exactly the tokens of `lowerTitles`, in any case.
inline bool IsTitleLine(std::string_view line,
                        std::initializer_list<std::string_view> lowerTitles) {
    Cursor cursor = MakeCursor(line);
    for (const std::string_view title : lowerTitles) {
        if (!EqualsFolded(NextToken(cursor, false), title)) return false;
    }
    return NextToken(cursor, false).empty();
}

// A rule under column titles: groups of "-" separated by spaces, at least
// two groups, nothing else.
inline bool IsRuleLine(std::string_view line) {
    int groups = 0;
    bool inGroup = false;
    for (const char ch : line) {
        if (ch == '-') {
            if (!inGroup) ++groups;
            inGroup = true;
        } else if (ch == ' ') {
            inGroup = false;
        } else {
            return false;
        }
    }
    return groups >= 2;
}

}  // namespace ext
}  // namespace ftpdirlist
