#include "extended/line_parser.h"

#include "extended/families.h"
#include "model/calendar.h"
#include "parse/bytes.h"

namespace ftpdirlist {
namespace ext {

namespace {

// The place of each format's reader in kFamilies (kFamilyCount for a
// format without one), found once.
struct FamilyPlaces {
    std::size_t of[256];
    FamilyPlaces() {
        for (std::size_t& at : of) at = kFamilyCount;
        for (std::size_t i = 0; i < kFamilyCount; ++i) {
            of[static_cast<std::uint8_t>(kFamilies[i].format)] = i;
        }
    }
};

std::size_t FamilyAt(EntryFormat format) {
    static const FamilyPlaces places;
    return places.of[static_cast<std::uint8_t>(format)];
}

// Records an accepted entry's family for the next lines.
LineKind Settle(LineKind kind, EntryFormat format, ListingState& state, ParsedEntry& entry) {
    if (kind == LineKind::entry) {
        entry.extras.format = format;
        state.family = format;
    }
    return kind;
}

// What the dispatcher knows of a line before offering it to the families:
// the class of its first byte that is no space and how many tokens it has,
// counted up to kCounted (more than any family needs).
struct LineShape {
    static constexpr std::size_t kCounted = 8;
    // The member of FewestTokens for the line's first byte.
    std::uint8_t FewestTokens::*first = &FewestTokens::blank;
    std::size_t tokens = 0;

    // False only when no line that `family` takes can look like this one.
    bool Fits(const FamilyEntry& family) const { return tokens >= family.fewest.*first; }
};

std::uint8_t FewestTokens::*ClassOf(unsigned char byte) {
    if (byte >= '0' && byte <= '9') return &FewestTokens::digit;
    if ((byte | 0x20) >= 'a' && (byte | 0x20) <= 'z') return &FewestTokens::letter;
    if (byte == '-') return &FewestTokens::dash;
    return byte >= 0x80 ? &FewestTokens::high : &FewestTokens::other;
}

// The shape from the space masks of 64 bytes at a time, read until the
// line ends or kCounted tokens are found.
LineShape ShapeOf(std::string_view line, const ScanBounds& bounds) {
    constexpr std::size_t kWindow = 64;
    LineShape shape;
    const char* const end = line.data() + line.size();
    // The driver's bound when the line is the one it handed over.
    const char* const readable =
        bounds.begin == line.data() && bounds.end == end ? bounds.readable : end;
    bool open = false;  // the window before ended inside a token
    for (const char* base = line.data(); base != end && shape.tokens < LineShape::kCounted;) {
        const std::size_t left = static_cast<std::size_t>(end - base);
        const std::size_t n = left < kWindow ? left : kWindow;
        const std::uint64_t inWindow =
            n == kWindow ? ~std::uint64_t{0} : (std::uint64_t{1} << n) - 1;
        const std::uint64_t token = ~bytes::SpaceMask64(base, n, readable) & inWindow;
        if (shape.tokens == 0 && token != 0) {
            shape.first = ClassOf(static_cast<unsigned char>(base[bytes::LowestBit(token)]));
        }
        for (std::uint64_t starts = token & ~((token << 1) | (open ? 1u : 0u)); starts != 0;
             starts &= starts - 1) {
            ++shape.tokens;
        }
        open = (token >> (n - 1)) & 1;
        base += n;
    }
    return shape;
}

}  // namespace

bool StoreStamp(fields::Stamp stamp, Today& today, ParsedEntry& entry) {
    const bool leapDay = stamp.month == 2 && stamp.day == 29;
    if (stamp.year < 0) stamp.year = calendar::NearestYear(stamp.month, stamp.day, today.Get());
    if (leapDay && !calendar::IsLeapYear(stamp.year)) return false;
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

bool MayRead(const FamilyEntry& family, std::string_view line) {
    return !FTPDIRLIST_SHORTCUTS || ShapeOf(line, ScanBounds{}).Fits(family);
}

LineKind ParseExtendedLine(std::string_view line, ListingState& state, Today& today,
                           ParsedEntry& entry) {
    // The listing's own family first: one attempt per line for a listing of
    // one family.
    const EntryFormat known = state.family;
    bool first = true;
    const std::size_t knownAt = FamilyAt(known);
    if (knownAt != kFamilyCount) {
        const LineKind kind = kFamilies[knownAt].read(line, state, today, entry);
        if (kind != LineKind::none) return Settle(kind, known, state, entry);
        first = false;
    }
    // A shortcut: a build without shortcuts offers the line to every family.
    const LineShape shape =
        FTPDIRLIST_SHORTCUTS ? ShapeOf(line, state.scan) : LineShape{nullptr, 0};
    for (std::size_t i = 0; i < kFamilyCount; ++i) {
        const FamilyEntry& family = kFamilies[i];
        if (family.format == known || (shape.first != nullptr && !shape.Fits(family))) continue;
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
