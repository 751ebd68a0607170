// IBM i (OS/400) lines: owner, size, date, time, object type, name; or,
// for a member, owner, type and name alone.
//   QSYS           77824 02/23/00 15:09:55 *DIR       QOpenSys/
//   ALICE           8192 01/15/02 10:30:45 *STMF      notes.txt
//   ALICE                                  *MEM       MYLIB.FILE/MEMB.MBR
// The date is written as the server's job settings say: yy/mm/dd, mm/dd/yy
// or dd/mm/yy, with "/", "-" or "." between the numbers. The listing tells
// the order: a number above 12 is no month, one above 31 a year. Each date
// keeps the orders it allows among those the dates before it allowed, and
// is read in the first of them by IBM i's default, mm/dd/yy, then yy/mm/dd
// and dd/mm/yy; with "." (the European format's separator) dd.mm.yy first. A date that no order
// left allows refuses its line. A date read while several orders are allowed is read again
// (RedateIbmiEntry, by the listing driver) when a later date narrows them, so that in the end
// every date is read in the first order that all dates of the listing allow.
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
        if (!fields::IsUpper(ch) && !fields::IsDigit(ch)) return false;
    }
    return true;
}

// A user profile's name, as IBM i writes the owner: at most ten capitals,
// digits and "$#@_", the first no digit or "_". Random bytes seldom give
// one, so that a line of them is no member line.
bool IsProfileName(std::string_view token) {
    if (token.empty() || token.size() > 10 || fields::IsDigit(token[0]) || token[0] == '_') {
        return false;
    }
    for (const char ch : token) {
        if (!fields::IsUpper(ch) && !fields::IsDigit(ch) && ch != '$' && ch != '#' && ch != '@' &&
            ch != '_') {
            return false;
        }
    }
    return true;
}

// Objects that hold others: directories, libraries, files (of members),
// folders.
bool IsContainer(std::string_view type) {
    return type == "*DIR" || type == "*DDIR" || type == "*LIB" || type == "*FILE" || type == "*FLR";
}

// The date orders as bits of ListingState::ibmiDateOrders, in the order
// they are preferred.
struct OrderBit {
    fields::DateOrder order;
    std::uint8_t bit;
};
constexpr OrderBit kOrders[] = {
    {fields::DateOrder::mdy, 1}, {fields::DateOrder::ymd, 2}, {fields::DateOrder::dmy, 4}};
constexpr OrderBit kDottedOrders[] = {
    {fields::DateOrder::dmy, 4}, {fields::DateOrder::ymd, 2}, {fields::DateOrder::mdy, 1}};
constexpr std::uint8_t kAllOrders = 7;

// Reads `text` in the first order that it and `orders` allow; `orders`
// becomes the orders the date allows among them. False when none does.
bool ReadJobDate(std::string_view text, std::uint8_t& orders, fields::Stamp& stamp) {
    std::uint8_t allowed = 0;
    const bool dotted = text.find('.') != std::string_view::npos;
    for (const OrderBit& o : dotted ? kDottedOrders : kOrders) {
        fields::Stamp read;
        if ((orders & o.bit) == 0 || !fields::ReadNumericDate(text, o.order, "/-.", read)) continue;
        if (allowed == 0) stamp = read;
        allowed |= o.bit;
    }
    orders = allowed;
    return allowed != 0;
}

// The date and time texts in the first order that `orders` and the date
// allow, into entry.dateTime; `orders` becomes the orders the date allows
// among them.
bool ReadDateTime(std::string_view date, std::string_view time, std::uint8_t& orders, Today& today,
                  ParsedEntry& entry) {
    fields::Stamp stamp;
    return !date.empty() && ReadJobDate(date, orders, stamp) && !time.empty() &&
           fields::ReadClock(time, stamp, true) && StoreStamp(stamp, today, entry);
}

}  // namespace

bool RedateIbmiEntry(std::string_view date, std::string_view time, std::uint8_t orders,
                     Today& today, ParsedEntry& entry) {
    return ReadDateTime(date, time, orders, today, entry);
}

LineKind ReadIbmiLine(std::string_view line, ListingState& state, Today& today,
                      ParsedEntry& entry) {
    fields::TokenWalker tokens = TokensFor(line, state);
    const std::string_view owner = tokens[0];
    std::size_t type = 1;  // the object type's token
    std::string_view token = tokens[type];
    if (!IsProfileName(owner) || token.empty()) return LineKind::none;

    entry.size = -1;
    std::uint8_t orders = state.ibmiDateOrders != 0 ? state.ibmiDateOrders : kAllOrders;
    std::string_view date;
    std::string_view time;
    if (token[0] != '*') {
        // Size, date and time before the type.
        if (!fields::ReadNumber(token, entry.size)) return LineKind::none;
        date = tokens[2];
        time = tokens[3];
        if (!ReadDateTime(date, time, orders, today, entry)) return LineKind::none;
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
    state.ibmiDateOrders = orders;
    state.ibmiDate = date;
    state.ibmiTime = time;
    return LineKind::entry;
}

// The second token is the object type ("*" first), which a name follows,
// or a size of digits alone (ReadNumber), which a date, a time, the type
// and a name follow.
bool MayBeIbmiLine(fields::TokenWalker& tokens, std::size_t count, const ListingState&) {
    const std::string_view second = tokens[1];
    return second[0] == '*' ? count >= 3 : count >= 6 && IsAllDigits(second);
}

}  // namespace ext
}  // namespace ftpdirlist
