#include "extended/line_parser.h"

#include <cassert>

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

// Records an accepted entry's family (kFamilies[at]) and its reader for
// the next lines.
LineKind Settle(LineKind kind, std::size_t at, ListingState& state, ParsedEntry& entry) {
    if (kind == LineKind::entry) {
        const FamilyEntry& family = kFamilies[at];
        entry.extras.format = family.format;
        state.family = family.format;
        state.readerFamily = family.format;
        state.reader = family.read;
        state.readerAt = static_cast<std::uint8_t>(at);
    }
    return kind;
}

// The first-byte classes of FewestTokens, in the order of its members.
constexpr std::uint8_t FewestTokens::*kClasses[] = {&FewestTokens::digit, &FewestTokens::letter,
                                                    &FewestTokens::dash,  &FewestTokens::high,
                                                    &FewestTokens::other, &FewestTokens::blank};
constexpr std::size_t kClassCount = sizeof kClasses / sizeof kClasses[0];
constexpr std::size_t kBlank = kClassCount - 1;

// The class of the first byte of a line's first token.
std::size_t ClassOf(char byte) {
    if (fields::IsDigit(byte)) return 0;
    if (fields::IsLetter(byte)) return 1;
    if (byte == '-') return 2;
    return static_cast<unsigned char>(byte) >= 0x80 ? 3 : 4;
}

// Tokens are counted up to kCounted (as many as any family needs): a line
// of more counts as kCounted.
constexpr std::size_t kCounted = 8;

// The families, as bits of kFamilies' places (bit i: kFamilies[i]), whose
// FewestTokens let a line through, for each class of its first byte and
// count of its tokens, found once. A family read only after its titles
// has its bit by `untitled` in `beforeTitles`.
struct ShapeMasks {
    using Mask = std::uint64_t;
    Mask fits[kClassCount][kCounted + 1] = {};
    Mask beforeTitles[kClassCount][kCounted + 1] = {};
    // The families read only after their titles: their flags and bits.
    bool ListingState::*titles[sizeof(Mask) * 8] = {};
    Mask titledBits[sizeof(Mask) * 8] = {};
    std::size_t titledCount = 0;

    ShapeMasks() {
        assert(kFamilyCount <= sizeof(Mask) * 8);
        for (std::size_t i = 0; i < kFamilyCount; ++i) {
            const FamilyEntry& family = kFamilies[i];
            const Mask bit = Mask{1} << i;
            if (family.titles != nullptr) {
                assert(family.titles == &ListingState::mvsDatasets ||
                       family.titles == &ListingState::mvsMembers ||
                       family.titles == &ListingState::jesJobs ||
                       family.titles == &ListingState::guardian);
                titles[titledCount] = family.titles;
                titledBits[titledCount++] = bit;
            }
            for (std::size_t c = 0; c < kClassCount; ++c) {
                for (std::size_t n = 0; n <= kCounted; ++n) {
                    if (n >= family.fewest.*kClasses[c]) fits[c][n] |= bit;
                    const FewestTokens& before =
                        family.titles != nullptr ? family.untitled : family.fewest;
                    if (n >= before.*kClasses[c]) beforeTitles[c][n] |= bit;
                }
            }
        }
    }

    // The families whose FewestTokens let the line through in `state`.
    Mask For(std::size_t byteClass, std::size_t tokens, const ListingState& state) const {
        Mask mask = beforeTitles[byteClass][tokens];
        // Most listings show no titles: one test for all of them (the flags
        // that the families' `titles` name, as the constructor checks).
        if (!(state.mvsDatasets | state.mvsMembers | state.jesJobs | state.guardian)) return mask;
        for (std::size_t k = 0; k < titledCount; ++k) {
            if (state.*titles[k]) {
                const Mask bit = titledBits[k];
                mask = (mask & ~bit) | (fits[byteClass][tokens] & bit);
            }
        }
        return mask;
    }
};

// Offers the line to every family but `known` (the listing's own, at
// `knownAt` in kFamilies, which refused it; kFamilyCount when it has no
// reader), in the order of kFamilies. Inline: its one caller is out of
// line already.
FTPDIRLIST_ALWAYS_INLINE LineKind OfferToOthers(std::string_view line, EntryFormat known,
                                                std::size_t knownAt, ListingState& state,
                                                Today& today, ParsedEntry& entry) {
    // A reader that refused the line may have filled part of the record.
    bool dirty = knownAt != kFamilyCount;
    // The line offered to kFamilies[i], on a record reset when dirty.
    const auto offer = [&](std::size_t i) {
        if (dirty) entry.Reset();
        dirty = true;
        return kFamilies[i].read(line, state, today, entry);
    };
    if (!FTPDIRLIST_SHORTCUTS) {
        for (std::size_t i = 0; i < kFamilyCount; ++i) {
            if (kFamilies[i].format == known) continue;
            const LineKind kind = offer(i);
            if (kind != LineKind::none) return Settle(kind, i, state, entry);
        }
        return LineKind::none;
    }
    // A shortcut: the families whose FewestTokens and FamilyFilter refuse
    // the line are not asked; a build without shortcuts offers the line to
    // every family.
    static const ShapeMasks masks;
    fields::TokenWalker tokens = TokensFor(line, state);
    // The first two tokens, which the filters read, at once when they lie
    // in the first window; the rest only counted.
    if (!tokens.TakeInWindow<2>()) tokens.TakeInWindow<1>();
    const std::size_t count = tokens.CountAhead(kCounted - 1);
    ShapeMasks::Mask candidates =
        masks.For(count != 0 ? ClassOf(tokens[0][0]) : kBlank, count, state);
    if (dirty) candidates &= ~(ShapeMasks::Mask{1} << knownAt);
    // Lowest bit first: the order of kFamilies.
    for (; candidates != 0; candidates &= candidates - 1) {
        const std::size_t i = bytes::LowestBit(candidates);
        const FamilyEntry& family = kFamilies[i];
        if (family.mayRead != nullptr && !family.mayRead(tokens, count, state)) continue;
        const LineKind kind = offer(i);
        if (kind != LineKind::none) return Settle(kind, i, state, entry);
    }
    return LineKind::none;
}

}  // namespace

LineKind ParseWithOtherFamilies(std::string_view line, bool ownRefused, ListingState& state,
                                Today& today, ParsedEntry& entry) {
    const EntryFormat known = state.family;
    const std::size_t knownAt = known == state.readerFamily ? state.readerAt : FamilyAt(known);
    if (knownAt != kFamilyCount && !ownRefused) {
        const LineKind kind = kFamilies[knownAt].read(line, state, today, entry);
        if (kind != LineKind::none) return Settle(kind, knownAt, state, entry);
    }
    return OfferToOthers(line, known, knownAt, state, today, entry);
}

}  // namespace ext
}  // namespace ftpdirlist
