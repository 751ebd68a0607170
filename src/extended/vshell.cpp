// VShell lines: size, "Mon dd, yyyy", hh:mm, name; a final "/" marks a
// directory.
//   206876  Apr 04, 2000 21:06 install.log
//        0  Jan 15, 2002 10:30 projects/
#include <cstdint>

#include "extended/families.h"
#include "extended/record.h"
#include "fields/fields.h"
#include "fields/month_names.h"
#include "parse/tokens.h"

namespace ftpdirlist {
namespace ext {

LineKind ReadVshellLine(std::string_view line, ListingState& state, Today& today,
                        ParsedEntry& entry) {
    fields::TokenWalker tokens = TokensFor(line, state);
    const std::string_view size = tokens[0];
    if (size.empty() || !fields::ReadNumber(size, entry.size)) return LineKind::none;
    const std::string_view month = tokens[1];
    const std::string_view day = tokens[2];
    // The day's comma first: most lines of other families fail here.
    if (day.size() < 2 || day.back() != ',') return LineKind::none;
    const std::string_view year = tokens[3];
    const std::string_view time = tokens[4];
    if (time.empty() || year.size() != 4) return LineKind::none;
    fields::Stamp stamp;
    stamp.month = LookupMonthName(month).month;
    if (!fields::ReadNumber32(day.substr(0, day.size() - 1), stamp.day) ||
        !fields::ReadNumber32(year, stamp.year) || !fields::ValidDate(stamp.month, stamp.day) ||
        !fields::ReadClock(time, stamp)) {
        return LineKind::none;
    }
    std::string_view name = tokens.From(5);
    if (name.empty()) return LineKind::none;

    entry.isDir = CutDirectoryMark(name) ? 1 : 0;
    entry.name = name;
    if (!StoreStamp(stamp, today, entry)) return LineKind::none;
    entry.extras.format = EntryFormat::vshell;
    return LineKind::entry;
}

}  // namespace ext
}  // namespace ftpdirlist
