// OS-9 lines ("dir -e"): owner as group.user, yy/mm/dd, hhmm, attributes,
// starting sector, size, name.
//    Owner    Last modified  Attributes Sector Bytecount Name
//   -------   -------------  ---------- ------ --------- ----
//     20.20   07/03/29 1026   d-ewrewr    2650     85920 CMDS
// The column titles and the rule under them are headers.
#include <cstdint>

#include "extended/families.h"
#include "extended/record.h"
#include "fields/fields.h"
#include "parse/tokens.h"

namespace ftpdirlist {
namespace ext {

namespace {

// "group.user", both numbers.
bool IsOwner(std::string_view token) {
    const std::size_t dot = token.find('.');
    std::int64_t part;
    return dot != std::string_view::npos && fields::ReadNumber(token.substr(0, dot), part) &&
           fields::ReadNumber(token.substr(dot + 1), part);
}

// "hhmm".
bool ReadCompactClock(std::string_view text, fields::Stamp& stamp) {
    if (text.size() != 4) return false;
    const int hour = TwoDigits(text.data());
    const int minute = TwoDigits(text.data() + 2);
    if (!fields::ValidClock(hour, minute, -1)) return false;
    stamp.hour = hour;
    stamp.minute = minute;
    return true;
}

// Directory, shared, then execute, write and read for the public and the
// owner: "d-ewrewr", "--e--e-r", each letter or "-".
bool IsAttributes(std::string_view token) {
    static constexpr char kLetters[] = "dsewrewr";
    if (token.size() != 8) return false;
    for (std::size_t i = 0; i < 8; ++i) {
        if (token[i] != '-' && token[i] != kLetters[i]) return false;
    }
    return true;
}

bool IsHex(std::string_view token) {
    if (token.empty()) return false;
    for (const char ch : token) {
        if (!((ch >= '0' && ch <= '9') || (ch >= 'a' && ch <= 'f') || (ch >= 'A' && ch <= 'F'))) {
            return false;
        }
    }
    return true;
}

}  // namespace

LineKind ReadOs9Line(std::string_view line, ListingState& state, Today& today, ParsedEntry& entry) {
    fields::TokenWalker tokens = TokensFor(line, state);
    const std::string_view owner = tokens[0];
    if (owner.empty()) return LineKind::none;
    if (owner[0] < '0' || owner[0] > '9') {
        // A rule begins with '-', the titles with "Owner": each test only
        // where the first token allows it.
        const bool header =
            owner[0] == '-' ? IsRuleLine(line)
                            : fields::EqualsFolded(owner, "owner") &&
                                  IsTitleLine(tokens, {"owner", "last", "modified", "attributes",
                                                       "sector", "bytecount", "name"});
        return header ? LineKind::header : LineKind::none;
    }
    if (!IsOwner(owner)) return LineKind::none;
    fields::Stamp stamp;
    const std::string_view date = tokens[1];
    if (!fields::ReadNumericDate(date, fields::DateOrder::ymd, "/", stamp)) return LineKind::none;
    if (!ReadCompactClock(tokens[2], stamp)) return LineKind::none;
    const std::string_view attributes = tokens[3];
    if (!IsAttributes(attributes) || !IsHex(tokens[4])) return LineKind::none;
    const std::string_view size = tokens[5];
    if (size.empty() || !fields::ReadNumber(size, entry.size)) return LineKind::none;
    const std::string_view name = tokens.From(6);
    if (name.empty()) return LineKind::none;

    entry.isDir = attributes[0] == 'd' ? 1 : 0;
    entry.name = name;
    entry.attributes = attributes;
    entry.extras.owner = owner;
    if (!StoreStamp(stamp, today, entry)) return LineKind::none;
    entry.extras.format = EntryFormat::os9;
    return LineKind::entry;
}

}  // namespace ext
}  // namespace ftpdirlist
