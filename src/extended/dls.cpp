// Lines of the dls form: name, size, an optional date, a description. A
// directory's name ends in "/" and may have "-" or "=" in place of its size.
//   README          2345  Jan 15  2002  what this archive holds
//   notes.txt        120  2002-01-15  short notes
//   pub/               -  public files
//   incoming/          =  uploads
// The columns are aligned: two spaces or more after the name and after the
// size. The date is "Mon dd yyyy", "Mon dd hh:mm" or "yyyy-mm-dd"; the
// description after it is not kept. A line that starts with a space
// continues the description above it.
//
// Almost any line of a word and a number fits "name size", so a line is
// read as dls only when it shows the form whole: in a listing not yet of
// any family, a description that starts with a date or with a byte that
// is no digit (the numbers and dates of another family's columns are not
// a description); in a dls listing, also a line without a description.
#include <cstdint>

#include "extended/families.h"
#include "extended/record.h"
#include "fields/fields.h"
#include "fields/month_names.h"
#include "parse/tokens.h"

namespace ftpdirlist {
namespace ext {

namespace {

// Two spaces or more between `token` and the next one (or the line's end).
bool AlignedAfter(std::string_view token, std::string_view next) {
    return next.data() == nullptr || next.data() - (token.data() + token.size()) >= 2;
}

bool IsLetter(char ch) { return static_cast<unsigned char>((ch | 0x20) - 'a') < 26; }

enum class Date : std::uint8_t { none, read, impossible };

// The date at token `at`, if the description starts with one: read (the
// stamp filled), none, or impossible when a month name and a day start it
// but do not make a date.
Date ReadDlsDate(fields::TokenWalker& tokens, std::size_t at, fields::Stamp& stamp) {
    const std::string_view first = tokens[at];
    if (first.empty()) return Date::none;
    if (first.size() == 10 && fields::ReadNumericDate(first, fields::DateOrder::ymd, "-", stamp)) {
        return Date::read;
    }
    if (!IsLetter(first[0])) return Date::none;
    const int month = LookupMonthName(first).month;
    const std::string_view dayText = tokens[at + 1];
    std::int32_t day = 0;
    if (month == 0 || dayText.size() > 2 || !fields::ReadNumber32(dayText, day)) return Date::none;
    if (!fields::ValidDate(month, day)) return Date::impossible;
    stamp.month = month;
    stamp.day = day;
    const std::string_view third = tokens[at + 2];
    std::int32_t year = 0;
    if (third.size() == 4 && fields::ReadNumber32(third, year)) {
        stamp.year = year;
    } else if (!fields::ReadClock(third, stamp)) {
        return Date::impossible;
    }
    return Date::read;
}

}  // namespace

LineKind ReadDlsLine(std::string_view line, ListingState& state, Today& today, ParsedEntry& entry) {
    // A line of another family's listing is never read as dls.
    const bool inDls = state.family == EntryFormat::dls;
    if (!inDls && state.family != EntryFormat::unknown) return LineKind::none;
    if (line.empty()) return LineKind::none;
    fields::TokenWalker tokens = TokensFor(line, state);
    if (line[0] == ' ') {
        const bool continued = inDls && !tokens[0].empty();
        return continued ? SkipAs(state, ftpdir::SkipReason::joinedElsewhere) : LineKind::none;
    }
    std::string_view name = tokens[0];
    const std::string_view size = tokens[1];
    if (size.empty() || !AlignedAfter(name, size) || !AlignedAfter(size, tokens[2])) {
        return LineKind::none;
    }
    const bool isDir = CutDirectoryMark(name);
    if (size == "-" || size == "=") {
        if (!isDir) return LineKind::none;
        entry.size = -1;
    } else if (!fields::ReadNumber(size, entry.size)) {
        return LineKind::none;
    }
    const std::string_view description = tokens[2];
    fields::Stamp stamp;
    const Date date = ReadDlsDate(tokens, 2, stamp);
    if (date == Date::impossible) return LineKind::none;
    if (date == Date::read) {
        if (!StoreStamp(stamp, today, entry)) return LineKind::none;
    } else if (description.empty() ? !inDls : (!inDls && fields::IsDigit(description[0]))) {
        return LineKind::none;
    }

    entry.isDir = isDir ? 1 : 0;
    entry.name = name;
    entry.extras.format = EntryFormat::dls;
    return LineKind::entry;
}

// The reader's first test.
bool MayBeDlsLine(fields::TokenWalker&, std::size_t, const ListingState& state) {
    return state.family == EntryFormat::unknown || state.family == EntryFormat::dls;
}

}  // namespace ext
}  // namespace ftpdirlist
