// IBM i (OS/400) lines: owner, size, date, time, object type, name; or,
// for a member, owner, type and name alone.
//   QSYS           77824 02/23/00 15:09:55 *DIR       QOpenSys/
//   ALICE           8192 01/15/02 10:30:45 *STMF      notes.txt
//   ALICE                                  *MEM       MYLIB.FILE/MEMB.MBR
// The date is written as the server's job settings say: month, day or year
// first, with "/", "-" or "." between the numbers.
#include <cstdint>

#include "extended/families.h"
#include "extended/record.h"
#include "fields/fields.h"
#include "parse/tokens.h"

namespace ftpdirlist {
namespace ext {

namespace {

// "*" and capitals or digits: "*STMF", "*DIR", "*MEM".
bool IsObjectType(std::string_view token) {
    if (token.size() < 2 || token[0] != '*') return false;
    for (std::size_t i = 1; i < token.size(); ++i) {
        const char ch = token[i];
        if (!((ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9'))) return false;
    }
    return true;
}

// Objects that hold others: directories, libraries, files (of members),
// folders.
bool IsContainer(std::string_view type) {
    return type == "*DIR" || type == "*DDIR" || type == "*LIB" || type == "*FILE" || type == "*FLR";
}

// A date in the order of the server's job: with "." day first, else month
// first; a date impossible in that order is read in the next one.
bool ReadJobDate(std::string_view text, fields::Stamp& stamp) {
    using fields::DateOrder;
    static constexpr DateOrder kSlashed[] = {DateOrder::mdy, DateOrder::ymd, DateOrder::dmy};
    static constexpr DateOrder kDotted[] = {DateOrder::dmy, DateOrder::ymd, DateOrder::mdy};
    const bool dotted = text.find('.') != std::string_view::npos;
    for (const DateOrder order : dotted ? kDotted : kSlashed) {
        if (fields::ReadNumericDate(text, order, "/-.", stamp)) return true;
    }
    return false;
}

}  // namespace

LineKind ReadIbmiLine(std::string_view line, ListingState& state, Today& today,
                      ParsedEntry& entry) {
    fields::TokenWalker tokens = TokensFor(line, state);
    const std::string_view owner = tokens[0];
    std::size_t type = 1;  // the object type's token
    std::string_view token = tokens[type];
    if (owner.empty() || token.empty()) return LineKind::none;

    entry.size = -1;
    if (token[0] != '*') {
        // Size, date and time before the type.
        if (!fields::ReadNumber(token, entry.size)) return LineKind::none;
        fields::Stamp stamp;
        const std::string_view date = tokens[2];
        if (date.empty() || !ReadJobDate(date, stamp)) return LineKind::none;
        const std::string_view time = tokens[3];
        if (time.empty() || !fields::ReadClock(time, stamp, true)) {
            return LineKind::none;
        }
        if (!StoreStamp(stamp, today, entry)) return LineKind::none;
        type = 4;
        token = tokens[type];
    }
    if (!IsObjectType(token)) return LineKind::none;
    std::string_view name = tokens.From(type + 1);
    if (name.empty()) return LineKind::none;

    entry.isDir = (CutDirectoryMark(name) || IsContainer(token)) ? 1 : 0;
    entry.name = name;
    entry.attributes = token;
    entry.extras.owner = owner;
    entry.extras.format = EntryFormat::ibmi;
    return LineKind::entry;
}

}  // namespace ext
}  // namespace ftpdirlist
