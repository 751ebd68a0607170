// Nortel switch lines: name, size, mm/dd/yy, day of the week, hh:mm:ss.
//   config.cfg   1014196  06/03/04  Thur.   10:20:03
#include <cstdint>
#include <initializer_list>

#include "extended/families.h"
#include "extended/record.h"
#include "fields/fields.h"
#include "parse/tokens.h"

namespace ftpdirlist {
namespace ext {

namespace {

// A day of the week shortened to three letters or more, an optional final
// ".": "Thu", "Thur.", "Tues.", "Monday".
bool IsWeekday(std::string_view token) {
    if (!token.empty() && token.back() == '.') token.remove_suffix(1);
    if (token.size() < 3) return false;
    for (const std::string_view day :
         {"monday", "tuesday", "wednesday", "thursday", "friday", "saturday", "sunday"}) {
        if (token.size() <= day.size() &&
            fields::EqualsFolded(token, day.substr(0, token.size()))) {
            return true;
        }
    }
    return false;
}

}  // namespace

LineKind ReadNortelLine(std::string_view line, ListingState& state, Today& today,
                        ParsedEntry& entry) {
    fields::TokenWalker tokens = TokensFor(line, state);
    const std::string_view name = tokens[0];
    const std::string_view size = tokens[1];
    // The size first: most lines of other families fail here.
    if (!fields::ReadNumber(size, entry.size)) return LineKind::none;
    const std::string_view date = tokens[2];
    const std::string_view weekday = tokens[3];
    const std::string_view time = tokens[4];
    if (time.empty() || !tokens[5].empty() || !IsWeekday(weekday)) {
        return LineKind::none;
    }
    fields::Stamp stamp;
    if (!fields::ReadNumericDate(date, fields::DateOrder::mdy, "/", stamp) ||
        !fields::ReadClock(time, stamp)) {
        return LineKind::none;
    }

    entry.name = name;
    if (!StoreStamp(stamp, today, entry)) return LineKind::none;
    entry.extras.format = EntryFormat::nortel;
    return LineKind::entry;
}

// Exactly five tokens (a time and nothing after it), the second a size of
// digits alone (ReadNumber).
bool MayBeNortelLine(fields::TokenWalker& tokens, std::size_t count, const ListingState&) {
    return count == 5 && IsAllDigits(tokens[1]);
}

}  // namespace ext
}  // namespace ftpdirlist
