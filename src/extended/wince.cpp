// Windows CE and VxWorks lines: size, Mon-dd-yyyy, hh:mm:ss, name, and
// "<DIR>" after a directory's name.
//     size          date       time       name
//   --------       ------     ------    --------
//       2048    Feb-28-1998  05:23:30   tools            <DIR>
//      14821    Mar-02-1998  11:04:51   vxWorks.st
// The column titles and the rule under them are headers.
#include <cstdint>

#include "extended/families.h"
#include "extended/record.h"
#include "fields/fields.h"
#include "parse/bytes.h"
#include "parse/tokens.h"

namespace ftpdirlist {
namespace ext {

namespace {

// "<DIR>" after the name, and the spaces before it, are cut off.
bool CutDirectoryColumn(std::string_view& name) {
    std::string_view rest = name;
    while (!rest.empty() && rest.back() == ' ') rest.remove_suffix(1);
    if (rest.size() < 5 || !fields::EqualsFolded(rest.substr(rest.size() - 5), "<dir>"))
        return false;
    rest.remove_suffix(5);
    if (rest.empty() || rest.back() != ' ') return false;
    while (!rest.empty() && rest.back() == ' ') rest.remove_suffix(1);
    if (rest.empty()) return false;
    name = rest;
    return true;
}

}  // namespace

LineKind ReadWindowsCeLine(std::string_view line, ListingState& state, Today& today,
                           ParsedEntry& entry) {
    fields::TokenWalker tokens = TokensFor(line, state);
    const std::string_view size = tokens[0];
    if (size.empty()) return LineKind::none;
    if (size[0] < '0' || size[0] > '9') {
        // A rule begins with '-', the titles with "Size": each test only
        // where the first token allows it.
        const bool header = size[0] == '-'
                                ? IsRuleLine(line)
                                : fields::EqualsFolded(size, "size") &&
                                      IsTitleLine(tokens, {"size", "date", "time", "name"});
        return header ? LineKind::header : LineKind::none;
    }
    if (!fields::ReadNumber(size, entry.size)) return LineKind::none;
    fields::Stamp stamp;
    const std::string_view date = tokens[1];
    if (date.empty() || !fields::ReadMonthNameDayYear(date, '-', stamp)) return LineKind::none;
    const std::string_view time = tokens[2];
    if (time.empty() || !fields::ReadClock(time, stamp)) return LineKind::none;
    std::string_view name = tokens.From(3);
    if (name.empty()) return LineKind::none;

    entry.isDir = CutDirectoryColumn(name) ? 1 : 0;
    entry.name = name;
    if (!StoreStamp(stamp, today, entry)) return LineKind::none;
    entry.extras.format = EntryFormat::windowsCe;
    return LineKind::entry;
}

// An entry's size is followed by a date whose month ReadMonthNameDayYear
// ends at the first "-" and whose day of digits comes next; the other lines
// the reader takes are a rule ("-" first) and the titles ("Size" first).
bool MayBeWinCeLine(fields::TokenWalker& tokens, std::size_t, const ListingState&) {
    const std::string_view first = tokens[0];
    if (!fields::IsDigit(first[0])) return first[0] == '-' || fields::EqualsFolded(first, "size");
    const std::string_view date = tokens[1];
    if (date.data() == nullptr) return false;
    // date.size() when it holds no "-".
    const std::size_t dash = bytes::Find(date.data(), date.size(), tokens.Readable(), '-');
    return dash + 1 < date.size() && fields::IsDigit(date[dash + 1]);
}

}  // namespace ext
}  // namespace ftpdirlist
