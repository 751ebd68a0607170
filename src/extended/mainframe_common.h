// Steps shared by the mainframe family readers (MVS, JES, CMS, Guardian),
// whose lines are columns of tokens.
#pragma once

#include <cstddef>
#include <string_view>

#include "extended/line_parser.h"
#include "fields/fields.h"

namespace ftpdirlist {
namespace ext {

// How many tokens the line has, counting no further than `limit`: a line
// of more than `limit` tokens gives limit + 1.
inline std::size_t CountTokens(fields::TokenWalker& tokens, std::size_t limit) {
    std::size_t n = 0;
    while (n <= limit && tokens[n].data() != nullptr) ++n;
    return n;
}

// The column titles of a family read only after them: `seen` (the family's
// flag in `state`) and the listing's family set, so that the next lines
// are read by that family first.
inline LineKind OpenFamily(bool ListingState::*seen, EntryFormat family, ListingState& state) {
    state.*seen = true;
    state.family = family;
    return LineKind::header;
}

// True when the first token of `line` (after its leading spaces) is
// `word`: the look before a family's column titles, without finding the
// line's other tokens.
inline bool FirstTokenIs(std::string_view line, std::string_view word) {
    std::size_t at = 0;
    while (at < line.size() && line[at] == ' ') ++at;
    const std::size_t end = at + word.size();
    return line.substr(at, word.size()) == word && (end == line.size() || line[end] == ' ');
}

// True once the family's titles were seen or the listing is the family's.
inline bool IsOpen(bool ListingState::*seen, EntryFormat family, const ListingState& state) {
    return state.*seen || state.family == family;
}

}  // namespace ext
}  // namespace ftpdirlist
