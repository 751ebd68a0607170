// Steps shared by the mainframe family readers (MVS, JES, CMS, Guardian),
// whose lines are columns of tokens.
#pragma once

#include <cstddef>
#include <string_view>

#include "extended/line_parser.h"
#include "fields/fields.h"

namespace ftpdirlist {
namespace ext {

// The column titles of a family read only after them: `seen` (the family's
// flag in `state`) and the listing's family set, so that the next lines
// are read by that family first.
inline LineKind OpenFamily(bool ListingState::*seen, EntryFormat family, ListingState& state) {
    state.*seen = true;
    state.family = family;
    return LineKind::header;
}

// True once the family's titles were seen or the listing is the family's.
inline bool IsOpen(bool ListingState::*seen, EntryFormat family, const ListingState& state) {
    return state.*seen || state.family == family;
}

}  // namespace ext
}  // namespace ftpdirlist
