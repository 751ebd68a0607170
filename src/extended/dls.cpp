// Lines of the dls form: name, size, description. A directory's name ends
// in "/" and may have "-" or "=" in place of its size.
//   README          2345  what this archive holds
//   pub/               -  public files
//   incoming/          =  uploads
// The description, two spaces or more after the size, is not kept. A line
// that starts with a space continues the description above it.
#include <cstdint>

#include "extended/families.h"
#include "extended/record.h"
#include "fields/fields.h"
#include "parse/tokens.h"

namespace ftpdirlist {
namespace ext {

LineKind ReadDlsLine(std::string_view line, ListingState& state, Today& /*today*/,
                     ParsedEntry& entry) {
    // Almost any line of words fits the form: it is read only where no
    // other family has been seen.
    if (state.family != EntryFormat::unknown && state.family != EntryFormat::dls) {
        return LineKind::none;
    }
    if (line.empty()) return LineKind::none;
    fields::TokenWalker tokens = TokensFor(line, state);
    if (line[0] == ' ') {
        const bool continued = state.family == EntryFormat::dls && !tokens[0].empty();
        return continued ? LineKind::header : LineKind::none;
    }
    std::string_view name = tokens[0];
    const std::string_view size = tokens[1];
    if (size.empty()) return LineKind::none;
    // The description stands apart from the size by two spaces or more, as
    // the columns are aligned: this keeps other families' lines of words
    // and numbers ("drwxr-xr-xx 2 u g ...") out.
    const char* const afterSize = size.data() + size.size();
    const char* const end = line.data() + line.size();
    if (end - afterSize >= 2 && afterSize[1] != ' ') return LineKind::none;
    const bool isDir = CutDirectoryMark(name);
    if (size == "-" || size == "=") {
        if (!isDir) return LineKind::none;
        entry.size = -1;
    } else if (!fields::ReadNumber(size, entry.size)) {
        return LineKind::none;
    }

    entry.isDir = isDir ? 1 : 0;
    entry.name = name;
    entry.extras.format = EntryFormat::dls;
    return LineKind::entry;
}

}  // namespace ext
}  // namespace ftpdirlist
