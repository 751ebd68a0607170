// The extended dialect's line parser: every format family, tried with the
// family the listing has used so far first.
#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "model/entry.h"
#include "model/line_kind.h"
#include "parse/parse_line.h"
#include "parse/today.h"
#include "parse/tokens.h"

namespace ftpdirlist {
namespace fields {
class TokenWalker;
}  // namespace fields
namespace ext {

// The readers' verdicts are the listing driver's.
using ftpdirlist::LineKind;

// The line being read as the driver handed it over, for the family readers'
// token walkers (TokensFor): where it starts, how far past its end its
// buffer may be read, and the spaces among its first 64 bytes when the
// driver found them. Set by the caller of ParseExtendedLine for each line;
// empty when only the line itself may be read. A text that starts where
// the line does is the line or a part of it that a reader cut at its end:
// the bounds hold for it too.
struct ScanBounds {
    const char* begin = nullptr;
    const char* readable = nullptr;
    const std::uint64_t* spaces = nullptr;
};

// What a listing has shown so far, carried from line to line, and the
// bounds of the line being read.
struct ListingState {
    ScanBounds scan;
    // The reader of `readerFamily` in kFamilies, kept by ParseExtendedLine
    // for the family of the last entry; before the first, null with
    // kNoReader, which no family has.
    LineKind (*reader)(std::string_view, ListingState&, Today&, ParsedEntry&) = nullptr;
    static constexpr EntryFormat kNoReader = static_cast<EntryFormat>(0xFF);
    EntryFormat readerFamily = kNoReader;
    std::uint8_t readerAt = 0;                  // the place of `reader` in kFamilies
    EntryFormat family = EntryFormat::unknown;  // the family of the last entry
    // Headers seen; some families are only read after their header.
    bool vmsHeader = false;    // "Directory DISK$USER:[NAME]"
    bool mvsDatasets = false;  // "Volume Unit    Referred Ext Used ..."
    bool mvsMembers = false;   // "Name     VV.MM   Created ..."
    bool jesJobs = false;      // "JOBNAME  JOBID    OWNER ..."
    bool guardian = false;     // "File  Code  EOF  Last Modification ..."
    // Why the line a reader returned header for is skipped: header unless
    // the reader says otherwise (SkipAs). Reset for every line.
    ftpdir::SkipReason skip = ftpdir::SkipReason::header;
    // A Unix date of the form that servers pad to the width of the other
    // form has been seen followed by one space and a name: this listing
    // does not pad it, and a second space after it belongs to the name.
    bool unpaddedDates = false;
    // Where the size column of the last line of Unix shape ended (a mode,
    // then columns up to a size read): the offset past its size (or a
    // device's minor number) from the line's first byte; 0 before the first. A group glued to the
    // size is read only where its token ends there too.
    std::size_t unixSizeEdge = 0;
    // The orders (ibmi.cpp) that every IBM i date read so far allows; 0
    // before the first.
    std::uint8_t ibmiDateOrders = 0;
    // The date and time texts of the last IBM i entry, views of its line
    // (valid while it is): empty for an entry without a date.
    std::string_view ibmiDate;
    std::string_view ibmiTime;
};

// A reader's header verdict with its reason.
inline LineKind SkipAs(ListingState& state, ftpdir::SkipReason reason) {
    state.skip = reason;
    return LineKind::header;
}

// A family's reader: LineKind::entry and `entry` filled (format set) when
// `line` is an entry of the family; header for a line of the family that
// is no entry; none otherwise. `line` has no line end but keeps the spaces
// the server wrote around it. `entry` comes newly reset.
using FamilyReader = LineKind (*)(std::string_view line, ListingState& state, Today& today,
                                  ParsedEntry& entry);

// What every line a family's reader takes (as an entry or a header) in a
// listing not of that family has: at least so many space-separated tokens,
// by the class of its first byte that is no space (kNever: no such line
// starts so). Only such listings ask: the listing's own family reads a line
// before the others, unfiltered. These are consequences of the reader's own
// tests, never tests of their own: they only spare a call that would return
// none, and a build without shortcuts offers every line to every family.
struct FewestTokens {
    static constexpr std::uint8_t kNever = 0xFF;
    std::uint8_t digit;   // '0' to '9'
    std::uint8_t letter;  // an ASCII letter
    std::uint8_t dash;    // '-'
    std::uint8_t high;    // 0x80 and above
    std::uint8_t other;   // any other byte
    std::uint8_t blank;   // a line of spaces only
};

// A family's cheap first test of a line that its reader may take: false
// only when the reader would return none for it in `state`. `tokens` walks
// the line as the reader's own walker does (TokensFor) and has counted its
// tokens as far as the dispatcher needs: `count`, which is the dispatcher's
// kCounted for a line of that many tokens or more. Asked only for a line
// that the family's FewestTokens lets through, so that it may take the
// tokens those guarantee. Like FewestTokens, a consequence of the reader's
// own tests, never a test of its own.
using FamilyFilter = bool (*)(fields::TokenWalker& tokens, std::size_t count,
                              const ListingState& state);

// One family of the dispatch table.
struct FamilyEntry {
    EntryFormat format;
    FamilyReader read;
    FewestTokens fewest;
    // A family read only after its column titles: its flag in ListingState
    // (set by the titles), and what every line it takes before them (its
    // titles) has. Null for the other families.
    bool ListingState::*titles = nullptr;
    FewestTokens untitled = {};
    // Asked after `fewest` fits, before the reader; null: no test of its own.
    FamilyFilter mayRead = nullptr;
};

// Every family reader, in the order they are tried for a line that the
// listing's own family does not read (defined in families.cpp).
extern const FamilyEntry kFamilies[];
extern const std::size_t kFamilyCount;

// ParseExtendedLine past the reader kept for the listing's family: the
// reader of `state.family` unless `ownRefused` (it refused the line), then
// every other reader.
LineKind ParseWithOtherFamilies(std::string_view line, bool ownRefused, ListingState& state,
                                Today& today, ParsedEntry& entry);

// Reads one line of a listing: first with the reader of `state.family`,
// then with every other reader of kFamilies in order. An accepted entry
// sets `state.family` to its family; `entry.extras.format` tells it too.
// Returns header for a header, footer or total line of any family, none
// when no reader takes the line. `line` has no line end and keeps the spaces
// the server wrote around it; `entry` comes newly reset and its texts view
// `line` or its own scratch buffers (for none it holds what the readers that
// refused the line left: reset it before reading it again); `state.scan` is
// set for `line`. Never throws except std::bad_alloc from growing a scratch
// buffer.
inline LineKind ParseExtendedLine(std::string_view line, ListingState& state, Today& today,
                                  ParsedEntry& entry) {
    // A line of the listing's own family, the common case, is one call. Its
    // reader sets the entry's format, and an entry leaves the listing's
    // family as it was: nothing to record.
    const EntryFormat known = state.family;
    if (state.readerFamily == known) {
        const LineKind kind = state.reader(line, state, today, entry);
        assert(kind != LineKind::entry || (entry.extras.format == known && state.family == known));
        if (kind != LineKind::none) return kind;
        return ParseWithOtherFamilies(line, true, state, today, entry);
    }
    return ParseWithOtherFamilies(line, false, state, today, entry);
}

// False for an entry read from the line `held` joined with the next (which
// starts one space after it) where its family joins only a line that lacks
// nothing but its name: a DOS entry's date, time and <DIR> marker or size
// all lie in the held line, which ends with the marker or size, so that
// two lines that are no DOS lines never make one. A DOS name that starts
// at the joining space loses it (the held line ended in the column's
// padding): the name is the next line's text. A join never gives a dls
// entry: its lines are whole.
bool JoinSuppliesOnlyName(ParsedEntry& entry, std::string_view held);

// An IBM i entry's date and time texts (ListingState::ibmiDate and
// ibmiTime) read as the IBM i reader reads them when `orders` are allowed,
// into entry.dateTime (ibmi.cpp); false when no order of them reads them.
bool RedateIbmiEntry(std::string_view date, std::string_view time, std::uint8_t orders,
                     Today& today, ParsedEntry& entry);

// The extended dialect as the listing driver's line parser: lines arrive
// with the spaces the server wrote around them, every family is tried with
// the listing's own first, and the records carry their extras. A copy
// starts a listing afresh (no family seen yet).
class ExtendedLineParser {
public:
    static constexpr bool kKeepSpaces = true;
    // A line that a zero byte leaves blank is no line: it must not part a
    // long VMS name from the line it continues on.
    static constexpr bool kBlankCutIsEmpty = true;
    static constexpr bool kExtras = true;

    // Year-less dates are placed from the system's local clock...
    explicit ExtendedLineParser(bool keepVersions = false) : keepVersions_(keepVersions) {}
    // ... or from a fixed date.
    ExtendedLineParser(LocalDate today, bool keepVersions)
        : today_(today), keepVersions_(keepVersions) {}

    // What `line` is; `style` is vms for an entry of the VMS family, whose
    // versions are then collapsed, and other for every other line.
    LineKind Parse(const Line& line, const std::uint64_t* spaces, ParsedEntry& entry,
                   LineStyle& style) {
        state_.scan = {line.begin, line.readable, spaces};
        state_.skip = ftpdir::SkipReason::header;
        const LineKind kind = ParseExtendedLine(line.Text(), state_, today_, entry);
        style = kind == LineKind::entry && entry.extras.format == EntryFormat::vms
                    ? LineStyle::vms
                    : LineStyle::other;
        return kind;
    }

    // Parse for a held line joined with the next by one space, the next
    // starting at line.begin + second. A join supplies what a server wrapped
    // onto a line of its own; an entry that a family's fields cannot have
    // got so (JoinSuppliesOnlyName) is refused: none.
    LineKind ParseJoined(const Line& line, std::size_t second, ParsedEntry& entry,
                         LineStyle& style) {
        const LineKind kind = Parse(line, nullptr, entry, style);
        if (kind == LineKind::entry &&
            !JoinSuppliesOnlyName(entry, std::string_view(line.begin, second - 1))) {
            return LineKind::none;
        }
        return kind;
    }

    // Why the line Parse last returned header for is skipped.
    ftpdir::SkipReason HeaderReason() const { return state_.skip; }
    // True when the listing has shown a padded date form without its pad
    // (ListingState::unpaddedDates).
    bool DatesUnpadded() const { return state_.unpaddedDates; }

    // Every version of a VMS file is kept as its own entry.
    bool KeepVersions() const { return keepVersions_; }

    // The IBM i date orders the listing allows so far, as bits: a change
    // may read the dates of earlier IBM i entries otherwise.
    std::uint8_t IbmiDateOrders() const { return state_.ibmiDateOrders; }
    // For the IBM i entry that Parse just gave: true, with its date and
    // time texts (views of its line), when a later line may still change
    // the order its date is read in.
    bool UndecidedIbmiDate(std::string_view& date, std::string_view& time) const {
        const std::uint8_t orders = state_.ibmiDateOrders;
        if (state_.ibmiDate.empty() || (orders & (orders - 1)) == 0) return false;
        date = state_.ibmiDate;
        time = state_.ibmiTime;
        return true;
    }
    // The date and time of an IBM i entry, from texts UndecidedIbmiDate
    // gave, read in the first order the listing allows now; false when none
    // reads them.
    bool RedateIbmi(std::string_view date, std::string_view time, FtpDateTime& out) {
        ParsedEntry entry;
        if (!RedateIbmiEntry(date, time, state_.ibmiDateOrders, today_, entry)) return false;
        out = entry.dateTime;
        return true;
    }

private:
    ListingState state_;
    Today today_;
    bool keepVersions_ = false;
};

}  // namespace ext
}  // namespace ftpdirlist
