// Deterministic sample listings for the benchmarks and the measuring
// scripts: the same style and line count always give the same bytes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ftpdirbench {

enum class Style {
    kUnix,         // every Unix-style form, with a few lines that are no entry
    kDos,          // DOS-style: directories, sizes, two- and four-digit years
    kVms,          // VMS-style: several versions per file, names on a line of their own
    kMixed,        // Unix and DOS lines, junk lines, three kinds of line end; VMS at the end
    kVmsDistinct,  // VMS-style, every line a different name
    kVmsRising,    // VMS-style, one name in versions 1, 2, 3, ...
    kVmsFalling,   // VMS-style, one name in versions N, N-1, ..., 1
    kMlsd,         // MLSD facts: files, directories, links, cdir and pdir (100-170 bytes a line)
};

// Every style with its name, in the order above.
struct NamedStyle {
    const char* name;
    Style style;
};
extern const NamedStyle kStyles[8];

// The style called `name`; false when there is none.
bool StyleByName(std::string_view name, Style& style);

// A listing of `lines` lines (line ends counted, CR LF unless the style
// mixes them) of about 60 to 80 bytes each.
std::string Generate(Style style, std::size_t lines);

}  // namespace ftpdirbench
