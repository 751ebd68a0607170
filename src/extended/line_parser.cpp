#include "extended/line_parser.h"

#include "extended/families.h"
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
// counted up to kCounted (as many as any family needs).
struct LineShape {
    static constexpr std::size_t kCounted = 8;
    // The member of FewestTokens for the line's first byte.
    std::uint8_t FewestTokens::*first = &FewestTokens::blank;
    std::size_t tokens = 0;

    // False only when no line that `family` takes in `state` can look like
    // this one; `family` is not the listing's own.
    bool Fits(const FamilyEntry& family, const ListingState& state) const {
        const bool untitled = family.titles != nullptr && !(state.*family.titles);
        return tokens >= (untitled ? family.untitled : family.fewest).*first;
    }
};

std::uint8_t FewestTokens::*ClassOf(char byte) {
    if (fields::IsDigit(byte)) return &FewestTokens::digit;
    if (fields::IsLetter(byte)) return &FewestTokens::letter;
    if (byte == '-') return &FewestTokens::dash;
    return static_cast<unsigned char>(byte) >= 0x80 ? &FewestTokens::high : &FewestTokens::other;
}

// The shape of the line `tokens` walks.
LineShape ShapeOf(fields::TokenWalker& tokens) {
    LineShape shape;
    shape.tokens = tokens.Count(LineShape::kCounted - 1);
    if (shape.tokens != 0) shape.first = ClassOf(tokens[0][0]);
    return shape;
}

// Offers the line to every family but `known` (the listing's own, which
// refused it when `tried`), in the order of kFamilies. Out of line: a line
// of the listing's own family never needs it.
FTPDIRLIST_NOINLINE LineKind OfferToOthers(std::string_view line, EntryFormat known, bool tried,
                                           ListingState& state, Today& today, ParsedEntry& entry) {
    bool first = !tried;
    // A shortcut: a build without shortcuts offers the line to every family.
    LineShape shape{nullptr, 0};
    if (FTPDIRLIST_SHORTCUTS) {
        fields::TokenWalker tokens = TokensFor(line, state);
        shape = ShapeOf(tokens);
    }
    LineKind kind = LineKind::none;
    for (std::size_t i = 0; i < kFamilyCount; ++i) {
        const FamilyEntry& family = kFamilies[i];
        if (family.format == known || (shape.first != nullptr && !shape.Fits(family, state)))
            continue;
        // A reader that refused the line may have filled part of the record.
        if (!first) entry.Reset();
        first = false;
        kind = family.read(line, state, today, entry);
        if (kind != LineKind::none) {
            Settle(kind, family.format, state, entry);
            break;
        }
    }
    if (kind == LineKind::none && !first) entry.Reset();
    return kind;
}

}  // namespace

LineKind ParseExtendedLine(std::string_view line, ListingState& state, Today& today,
                           ParsedEntry& entry) {
    // The listing's own family first: one attempt per line for a listing of
    // one family.
    const EntryFormat known = state.family;
    const std::size_t knownAt = FamilyAt(known);
    if (knownAt != kFamilyCount) {
        const LineKind kind = kFamilies[knownAt].read(line, state, today, entry);
        if (kind != LineKind::none) return Settle(kind, known, state, entry);
    }
    return OfferToOthers(line, known, knownAt != kFamilyCount, state, today, entry);
}

}  // namespace ext
}  // namespace ftpdirlist
