// EPLF lines: "+", facts each ended by ",", a tab, the name.
//   +i8388621.29609,m824255902,/,	dev
//   +i8388621.44468,m839956783,r,s10376,up644,	notes
// Facts by their first letter: "m" Unix seconds (UTC), "/" a directory,
// "r" a file, "s" the size, "up" an octal mode (the attribute text); others
// ("i", the identity) are ignored. Every fact is one or more printable
// ASCII bytes ended by ",", and the last "," stands right before the tab:
// other lines that start with "+" and hold a tab are not EPLF.
#include <cstdint>

#include "extended/families.h"
#include "extended/record.h"
#include "fields/fields.h"

namespace ftpdirlist {
namespace ext {

namespace {

// One fact into `entry`; false when its value is impossible.
bool ReadFact(std::string_view fact, Today& today, ParsedEntry& entry) {
    if (fact.empty()) return true;
    const std::string_view value = fact.substr(1);
    switch (fact[0]) {
        case '/':
            entry.isDir = 1;
            return true;
        case 's':
            return fields::ReadNumber(value, entry.size);
        case 'm': {
            std::int64_t seconds;
            fields::Stamp stamp;
            if (!fields::ReadNumber(value, seconds) || !fields::FromUnixSeconds(seconds, stamp) ||
                !StoreStamp(stamp, today, entry)) {
                return false;
            }
            entry.extras.utc = 1;
            return true;
        }
        case 'u': {
            if (value.empty() || value[0] != 'p') return true;
            std::int64_t mode;
            if (!fields::ReadOctal(value.substr(1), mode)) return false;
            entry.attributes = value.substr(1);
            return true;
        }
        default:
            return true;
    }
}

// Printable ASCII but ",": the bytes of a fact.
bool IsFactText(std::string_view fact) {
    if (fact.empty()) return false;
    for (const char ch : fact) {
        if (ch <= ' ' || ch > '~' || ch == ',') return false;
    }
    return true;
}

}  // namespace

LineKind ReadEplfLine(std::string_view line, ListingState& /*state*/, Today& today,
                      ParsedEntry& entry) {
    if (line.empty() || line[0] != '+') return LineKind::none;
    const std::size_t tab = line.find('\t');
    if (tab == std::string_view::npos || tab < 3 || tab + 1 == line.size() ||
        line[tab - 1] != ',') {
        return LineKind::none;
    }
    entry.size = -1;
    std::string_view facts = line.substr(1, tab - 1);
    while (!facts.empty()) {
        const std::size_t comma = facts.find(',');
        const std::string_view fact = facts.substr(0, comma);
        if (!IsFactText(fact) || !ReadFact(fact, today, entry)) return LineKind::none;
        facts.remove_prefix(comma + 1);
    }
    entry.name = line.substr(tab + 1);
    entry.extras.format = EntryFormat::eplf;
    return LineKind::entry;
}

}  // namespace ext
}  // namespace ftpdirlist
