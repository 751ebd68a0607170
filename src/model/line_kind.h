// What a line parser tells the listing driver about one line.
#pragma once

#include <cstdint>

namespace ftpdirlist {

// What one line turned out to be.
enum class LineKind : std::uint8_t {
    none,    // not an entry: the driver holds it and tries it once more joined
             // with the next line
    entry,   // an entry, in the record
    header,  // a header, footer, total or column-title line: reported as
             // skipped at once, never joined with another line
};

// The style a parser took a line as; the driver collapses VMS versions by
// it.
enum class LineStyle : std::uint8_t {
    other,
    vms,
};

}  // namespace ftpdirlist
