#include "extended/line_parser.h"

#include "extended/families.h"

namespace ftpdirlist {
namespace ext {

namespace {

// Records an accepted entry's family for the next lines.
LineKind Settle(LineKind kind, EntryFormat format, ListingState& state, ParsedEntry& entry) {
    if (kind == LineKind::entry) {
        entry.extras.format = format;
        state.family = format;
    }
    return kind;
}

}  // namespace

bool StoreStamp(fields::Stamp stamp, Today& today, ParsedEntry& entry) {
    const bool leapDay = stamp.month == 2 && stamp.day == 29;
    if (stamp.year < 0) {
        stamp.year = fields::NearestYear(stamp.month, stamp.day, today.Get());
        // A leap year lies at most eight years back; the year stays >= 1.
        while (leapDay && !fields::IsLeapYear(stamp.year) && stamp.year > 8) --stamp.year;
    }
    if (leapDay && !fields::IsLeapYear(stamp.year)) return false;
    if (!fields::RollMidnight(stamp)) return false;
    FtpDateTime& dt = entry.dateTime;
    dt.year = stamp.year;
    dt.month = stamp.month;
    dt.day = stamp.day;
    dt.hasDate = 1;
    if (stamp.hour >= 0) {
        dt.hour = stamp.hour;
        dt.minute = stamp.minute;
        dt.hasTime = 1;
        entry.extras.second = static_cast<std::int8_t>(stamp.second);
    }
    return true;
}

LineKind ParseExtendedLine(std::string_view line, ListingState& state, Today& today,
                           ParsedEntry& entry) {
    // The listing's own family first: one attempt per line for a listing of
    // one family.
    const EntryFormat known = state.family;
    bool first = true;
    if (known != EntryFormat::unknown) {
        for (std::size_t i = 0; i < kFamilyCount; ++i) {
            if (kFamilies[i].format != known) continue;
            const LineKind kind = kFamilies[i].read(line, state, today, entry);
            if (kind != LineKind::none) return Settle(kind, known, state, entry);
            first = false;
            break;
        }
    }
    for (std::size_t i = 0; i < kFamilyCount; ++i) {
        const FamilyEntry& family = kFamilies[i];
        if (family.format == known) continue;
        // A reader that refused the line may have filled part of the record.
        if (!first) entry.Reset();
        first = false;
        const LineKind kind = family.read(line, state, today, entry);
        if (kind != LineKind::none) return Settle(kind, family.format, state, entry);
    }
    if (!first) entry.Reset();
    return LineKind::none;
}

}  // namespace ext
}  // namespace ftpdirlist
