// Month tokens of the listings, in eight languages, to month numbers.
#pragma once

#include <string_view>

namespace ftpdirlist {

// Looks `token` up in MonthMap, comparing whole keys byte for byte (no case
// folding, no trimming). Returns the month number 1-12, or 0 when the token
// is not a key. Does not allocate.
int MonthMap(std::string_view token);

// MonthMap with the ASCII capitals of `token` read as small letters (bytes
// of 0x80 and above are left alone). Does not allocate.
int MonthMapFolded(std::string_view token);

}  // namespace ftpdirlist
