// Small steps that the readers of the machine and small families share:
// the mark some servers put after a directory's name, and the column
// titles and rules above a listing.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <string_view>

#include "fields/fields.h"

namespace ftpdirlist {
namespace ext {

// A final "/" that a server writes after a directory's name: no file name
// holds a "/", so it is the server's mark and is cut off. A name of "/"
// alone is kept. True when the mark was there.
inline bool CutDirectoryMark(std::string_view& name) {
    if (name.size() < 2 || name.back() != '/') return false;
    name.remove_suffix(1);
    return true;
}

// Column titles: the line's tokens are exactly `lowerTitles`, in any case.
inline bool IsTitleLine(fields::TokenWalker& tokens,
                        std::initializer_list<std::string_view> lowerTitles) {
    std::size_t i = 0;
    for (const std::string_view title : lowerTitles) {
        if (!fields::EqualsFolded(tokens[i++], title)) return false;
    }
    return tokens[i].empty();
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
