// The listing driver: takes a listing in chunks, cuts it into lines, offers
// each line to its line parser, joins lines that do not parse alone, and
// collects the entries.
#pragma once

#include <algorithm>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "entries/entry_table.h"
#include "extended/line_parser.h"
#include "ftpdirlist/ftpdirlist.hpp"
#include "model/entry.h"
#include "parse/bytes.h"
#include "parse/parse_line.h"
#include "parse/tokens.h"

namespace ftpdirlist {

// A line that yielded no entry: its number in the listing (1-based; CR LF,
// a lone CR and a lone LF each end one line) and its text as parsed. The
// C++ API's type: the driver writes the API's list directly.
using SkippedLine = ftpdir::SkippedLine;
using SkipReason = ftpdir::SkipReason;

// LineParser, the driver's compile-time line parser, is held by the driver
// (it carries per-listing state, such as today's date) and provides:
//   static constexpr bool kKeepSpaces;
//     false: a line reaches the parser without its leading and trailing
//     spaces; true: with the spaces the server wrote. Lines of spaces only
//     are never offered.
//   static constexpr bool kBlankCutIsEmpty;
//     A zero byte ends a line's text. true: a line whose text so cut is
//     empty or spaces only counts as an empty line (never offered, never
//     reported, no break between a held line and the next); false: that
//     text is offered like any other line.
//   static constexpr bool kExtras;
//     true: accepted records are stored with their extras
//     (EntryTable::AddExtended, with KeepVersions()), and only the entries
//     of VMS-style lines collapse their versions; false: Parse never writes
//     entry.extras, and from the first accepted VMS-style line on every
//     entry collapses (EntryTable::AddEntryAhead).
//   LineKind Parse(const Line& line, const std::uint64_t* spaces,
//                  ParsedEntry& entry, LineStyle& style);
//     `entry` arrives newly reset; `spaces`, unless null, holds the spaces
//     among the 64 bytes at line.begin (bit i: line.begin[i] is a space).
//     Returns none (held and tried once more joined with the next line),
//     entry (an entry, in `entry`) or header (skipped at once, never
//     joined). Sets `style`, which the driver reads for an entry only.
//   SkipReason HeaderReason() const;
//     Why the line that Parse last returned header for is skipped.
//   LineKind ParseJoined(const Line& text, std::size_t second, ParsedEntry& entry,
//                        LineStyle& style);     (only with kExtras)
//     Parse for a held line joined with the next one, which starts at
//     text.begin + second; it may refuse an entry that a join must not make.
// It must be copyable: a copy of the one given at construction starts each
// listing.
template <class LineParser>
class ListingDriver {
public:
    // The parser is constructed from `args`.
    template <class... Args>
    explicit ListingDriver(Args&&... args)
        : initial_(std::forward<Args>(args)...), parser_(initial_) {}

    ListingDriver(const ListingDriver&) = delete;
    ListingDriver& operator=(const ListingDriver&) = delete;

    // Lines that yield no entry are appended to `*sink` from now on; null
    // stops it. The sink must outlive the calls that may write to it.
    void SetSkippedSink(std::vector<SkippedLine>* sink) { skipped_ = sink; }

    // Parses every line of `data` whose line end has arrived. The bytes are
    // read only during the call; the unfinished last line is kept (copied,
    // up to the line limit) until the next chunk or Finish. Throws only
    // std::bad_alloc.
    void AppendData(const char* data, std::size_t length);

    // Lines longer than `bytes` (line end not counted; without kKeepSpaces,
    // from the first byte that is no space) yield no entry from now on:
    // each is skipped (lineTooLong) with its first `bytes` bytes as its
    // text, and the rest of it is read past without being kept. 0: no limit,
    // as constructed.
    void SetMaxLineLength(std::size_t bytes) { maxLine_ = bytes == 0 ? kNoLimit : bytes; }

    // Hands over the entries that no later line can change, in listing
    // order, and drops them, so that the driver holds only the pending part;
    // Finish then gives the rest. With kExtras: the entries before the first
    // that may still collapse with a later VMS version or whose name pad is
    // undecided (a held line is no entry yet and holds nothing back);
    // or whose IBM i date a later line may still read in another order;
    // without: none, since a later VMS-style line collapses against every
    // stored entry. Results never depend on when it is called. Throws only
    // std::bad_alloc, losing nothing.
    EntryTable TakeReady();

    // Parses what is left and hands over the entries. The driver then starts
    // a new listing: a later AppendData and Finish give that listing's table,
    // as a newly constructed driver would (the skipped-line sink and the
    // line limit are kept).
    EntryTable Finish();

private:
    void Scan(const char* p, const char* end);
    const char* SkipSeparators(const char* p, const char* end, const char*& lineStart);
    void EmitLine(const char* begin, std::size_t length, std::uint64_t number);
    void EmitText(const Line& line, bool cutAtZero, std::uint64_t number,
                  const std::uint64_t* spaces, TextWindow window);
    void LineFailed(std::string_view line, std::uint64_t number);
    LineKind TryLine(const Line& line, const std::uint64_t* spaces, std::uint64_t number,
                     TextWindow window, std::size_t second = 0);
    void Skip(std::string_view text, std::uint64_t number, SkipReason reason);
    void ReleasePending();
    void Carry(const char* begin, const char* end, std::uint64_t number, bool blank);
    void TooLong(std::string_view start, std::uint64_t number);
    void EmitCarry();
    void StoreExtended(bool vmsLine, TextWindow window);
    void RedateIbmi();

    static constexpr std::size_t kNoLimit = static_cast<std::size_t>(-1);
    std::size_t maxLine_ = kNoLimit;

    bool vmsListing_ = false;  // a VMS-style line has been accepted

    // With kExtras: the stored IBM i entries whose date a narrower set of
    // date orders would read otherwise, in row order, with their date and
    // time texts; and the set they were read under.
    struct UndecidedDate {
        std::size_t row;
        std::string date;
        std::string time;
    };
    std::vector<UndecidedDate> undecided_;
    std::uint8_t ibmiOrders_ = 0;
    EntryTable entries_;
    LineParser initial_;
    LineParser parser_;
    ParsedEntry record_;

    // The unfinished last line, from its first byte, while its end has not
    // arrived (empty when there is none: without kKeepSpaces a line never
    // starts with a space; with it, such a line starts at its first space).
    std::string carry_;
    std::uint64_t carryNumber_ = 0;
    // The kept line is longer than maxLine_: carry_ holds its first maxLine_
    // bytes and the rest is read past.
    bool carryTooLong_ = false;
    // With kKeepSpaces: the kept line is spaces only so far (a line of
    // spaces only separates lines, whatever its length).
    bool carryBlank_ = false;

    // A line that did not parse alone, kept to be tried joined with the
    // next: the first pendingSize_ bytes of joined_, where the join starts.
    std::size_t pendingSize_ = 0;
    std::uint64_t pendingNumber_ = 0;
    bool hasPending_ = false;
    // The held line and the next joined, then bytes that may be read past them.
    std::string joined_;
    std::string_view Held() const { return {joined_.data(), pendingSize_}; }

    std::uint64_t lineBreaks_ = 0;
    bool lastWasCR_ = false;
    std::vector<SkippedLine>* skipped_ = nullptr;
};

// The classic dialect's driver, which the C interface and the C++ API use.
using CFtpDirList = ListingDriver<ClassicLineParser>;
// The extended dialect's driver, the C++ API's default.
using ExtendedDirList = ListingDriver<ext::ExtendedLineParser>;

// "." or "..": the directory itself or its parent. The length first, as
// few names are that short.
inline bool IsDotName(std::string_view name) {
    return name.size() - 1 < 2 && name[0] == '.' && name[name.size() - 1] == '.';
}

// Offers one text (a line, or a joined pair whose second line starts at
// offset `second`) to the parser and stores the entry it yields, unless it
// is "." or "..", which is reported as skipped at `number`. Returns the
// parser's verdict. `window`: the bytes around the text that may be read,
// the buffer it lies in (EntryTable::AddExtended).
template <class LineParser>
FTPDIRLIST_ALWAYS_INLINE LineKind ListingDriver<LineParser>::TryLine(const Line& line,
                                                                     const std::uint64_t* spaces,
                                                                     std::uint64_t number,
                                                                     TextWindow window,
                                                                     std::size_t second) {
    // Every line starts from a fresh record, so nothing of an earlier line
    // leaks into this one; the extras of a parser that never writes them
    // stay as constructed.
    if constexpr (LineParser::kExtras) {
        record_.Reset();
    } else {
        record_.ResetClassic();
    }
    LineStyle style = LineStyle::other;
    LineKind verdict;
    if constexpr (LineParser::kExtras) {
        verdict = second != 0 ? parser_.ParseJoined(line, second, record_, style)
                              : parser_.Parse(line, spaces, record_, style);
    } else {
        verdict = parser_.Parse(line, spaces, record_, style);
    }
    if (verdict != LineKind::entry) return verdict;
    // Before the name test: a VMS-style "." still marks the listing (whose
    // every entry then collapses: without kExtras only), an IBM i "." still
    // narrows its date orders.
    if constexpr (!LineParser::kExtras) {
        if (style == LineStyle::vms) vmsListing_ = true;
    } else {
        // The date orders narrow only as an IBM i entry is read.
        if (FTPDIRLIST_UNLIKELY(record_.extras.format == EntryFormat::ibmi) &&
            parser_.IbmiDateOrders() != ibmiOrders_) {
            RedateIbmi();
        }
    }
    if (FTPDIRLIST_UNLIKELY(IsDotName(record_.name))) {
        // The line held before it goes first, so that the skipped lines stay
        // in order; a joined text holds no line before it.
        if (number != pendingNumber_) ReleasePending();
        Skip(line.Text(), number, SkipReason::dotEntry);
        return verdict;
    }
    if constexpr (LineParser::kExtras) {
        // The entries of VMS-style lines collapse among themselves, wherever
        // lines of other families stand.
        StoreExtended(style == LineStyle::vms, window);
    } else {
        // From the first accepted VMS-style line on, every entry collapses,
        // against every entry stored before.
        entries_.AddEntryAhead(record_, vmsListing_);
    }
    return verdict;
}

// Stores record_ (with kExtras), read from a text in `window`, keeping the
// texts of an IBM i date that a later line may still read in another order.
template <class LineParser>
FTPDIRLIST_ALWAYS_INLINE void ListingDriver<LineParser>::StoreExtended(bool vmsLine,
                                                                       TextWindow window) {
    if constexpr (LineParser::kExtras) {
        std::string_view date;
        std::string_view time;
        if (!FTPDIRLIST_UNLIKELY(record_.extras.format == EntryFormat::ibmi) ||
            !parser_.UndecidedIbmiDate(date, time)) {
            entries_.AddExtended(record_, vmsLine, parser_.KeepVersions(), window);
            return;
        }
        entries_.Settle();
        const std::size_t row = entries_.Size();
        // What may throw comes before the row is stored, so that a stored
        // row is never left without its texts.
        UndecidedDate kept{row, std::string(date), std::string(time)};
        undecided_.reserve(undecided_.size() + 1);
        entries_.AddExtended(record_, vmsLine, parser_.KeepVersions());
        if (entries_.Size() != row) undecided_.push_back(std::move(kept));
    }
}

// The IBM i date orders have narrowed: the undecided dates are read again
// in the first order still allowed, and are final once one order is left.
template <class LineParser>
void ListingDriver<LineParser>::RedateIbmi() {
    if constexpr (LineParser::kExtras) {
        ibmiOrders_ = parser_.IbmiDateOrders();
        for (const UndecidedDate& u : undecided_) {
            FtpDateTime dt;
            // Every order left read the date when it arrived.
            if (parser_.RedateIbmi(u.date, u.time, dt)) entries_.RedateRow(u.row, dt);
        }
        if ((ibmiOrders_ & (ibmiOrders_ - 1)) == 0) undecided_.clear();
    }
}

template <class LineParser>
FTPDIRLIST_ALWAYS_INLINE void ListingDriver<LineParser>::EmitText(const Line& line, bool cutAtZero,
                                                                  std::uint64_t number,
                                                                  const std::uint64_t* spaces,
                                                                  TextWindow window) {
    const char* end = line.end;
    if constexpr (!LineParser::kKeepSpaces) {
        // A zero byte ends the line's text; trailing spaces go only when the
        // line has none, since they then lie after it.
        if (!cutAtZero && end[-1] == ' ') {
            // A line that ends at its line end is not empty: it starts with
            // a byte that is no separator.
            assert(end != line.begin);
            do {
                --end;
            } while (end != line.begin && end[-1] == ' ');
        }
    }
    if constexpr (LineParser::kBlankCutIsEmpty) {
        if (cutAtZero && bytes::SkipSpaces(line.begin, end) == end) return;
    }
    const Line text(line.begin, end, line.readable);
    const LineKind verdict = TryLine(text, spaces, number, window);
    if (verdict == LineKind::none) {
        LineFailed(text.Text(), number);
        return;
    }
    ReleasePending();
    if (verdict == LineKind::header) Skip(text.Text(), number, parser_.HeaderReason());
}

template <class LineParser>
void ListingDriver<LineParser>::AppendData(const char* data, std::size_t length) {
    if (data == nullptr || length == 0) return;
    entries_.ExpectInput(length);
    const char* p = data;
    const char* end = data + length;
    if (!carry_.empty()) {
        // The kept line goes on into this chunk, kept up to the limit.
        const char* eol = bytes::FindLineStop<false>(p, end);
        if (LineParser::kKeepSpaces && carryBlank_) carryBlank_ = bytes::SkipSpaces(p, eol) == eol;
        if (!carryTooLong_) {
            const std::size_t room = maxLine_ - carry_.size();
            const std::size_t more = static_cast<std::size_t>(eol - p);
            carry_.append(p, more < room ? more : room);
            carryTooLong_ = more > room;
        }
        if (eol == end) return;
        EmitCarry();
        p = eol;
    }
    Scan(p, end);
}

// Keeps the start of a line whose end has not arrived, up to the limit.
template <class LineParser>
void ListingDriver<LineParser>::Carry(const char* begin, const char* end, std::uint64_t number,
                                      bool blank) {
    const std::size_t length = static_cast<std::size_t>(end - begin);
    carryBlank_ = blank;
    carryTooLong_ = length > maxLine_;
    carry_.assign(begin, carryTooLong_ ? maxLine_ : length);
    carryNumber_ = number;
}

// Parses the kept line, now whole, and lets it go.
template <class LineParser>
void ListingDriver<LineParser>::EmitCarry() {
    if (carryTooLong_) {
        if (!carryBlank_) TooLong(carry_, carryNumber_);
    } else {
        EmitLine(carry_.data(), carry_.size(), carryNumber_);
    }
    carry_.clear();
    carryTooLong_ = false;
}

// A line over the limit, of which `start` is kept: no entry, and no join
// across it.
template <class LineParser>
void ListingDriver<LineParser>::TooLong(std::string_view start, std::uint64_t number) {
    if constexpr (!LineParser::kKeepSpaces) {
        // Without its trailing spaces, as every skipped line of this parser.
        while (!start.empty() && start.back() == ' ') start.remove_suffix(1);
    }
    ReleasePending();
    Skip(start, number, SkipReason::lineTooLong);
}

// Steps over line ends, empty lines and spaces, counting line ends; the one
// place that reads line separators. `lineStart` is moved past each line end
// met; stopping before a line's first byte clears lastWasCR_. Most lines end in CR LF with the next
// line's first byte right after it: that form is taken at once.
template <class LineParser>
FTPDIRLIST_ALWAYS_INLINE const char* ListingDriver<LineParser>::SkipSeparators(
    const char* p, const char* end, const char*& lineStart) {
#if FTPDIRLIST_SHORTCUTS
    // One compare of two bytes for the CR LF; a next byte above the space is
    // no separator (the loop below takes every other case).
    if (end - p >= 3 && std::memcmp(p, "\r\n", 2) == 0 && static_cast<unsigned char>(p[2]) > ' ') {
        ++lineBreaks_;
        lastWasCR_ = false;
        lineStart = p + 2;
        return p + 2;
    }
    // A line that opens with spaces, read past a word at a time.
    if (end - p >= 3 && std::memcmp(p, "\r\n", 2) == 0 && p[2] == ' ') {
        const char* first = bytes::SkipSpaces(p + 3, end);
        if (first != end && static_cast<unsigned char>(*first) > ' ') {
            ++lineBreaks_;
            lastWasCR_ = false;
            lineStart = p + 2;
            return first;
        }
    }
#endif
    for (; p != end; ++p) {
        const char ch = *p;
        if (ch == '\n') {
            if (!lastWasCR_) ++lineBreaks_;
            lastWasCR_ = false;
            lineStart = p + 1;
        } else if (ch == '\r') {
            ++lineBreaks_;
            lastWasCR_ = true;
            lineStart = p + 1;
        } else if (ch == ' ') {
            lastWasCR_ = false;
        } else {
            lastWasCR_ = false;
            break;
        }
    }
    return p;
}

template <class LineParser>
void ListingDriver<LineParser>::Scan(const char* p, const char* end) {
    // Every line of the chunk lies in it: one window for all (the table
    // reads it for extended entries only).
    const TextWindow texts = LineParser::kExtras ? TextWindow(p, end) : TextWindow();
    for (;;) {
        // Line ends, empty lines and (unless kept) leading spaces separate
        // lines.
        const char* lineStart = p;
        p = SkipSeparators(p, end, lineStart);
        if (p == end) {
            if constexpr (LineParser::kKeepSpaces) {
                // Spaces that may open a line whose end has not arrived.
                if (lineStart != end) Carry(lineStart, end, lineBreaks_ + 1, true);
            }
            return;
        }
        if constexpr (LineParser::kKeepSpaces) p = lineStart;
        const std::uint64_t number = lineBreaks_ + 1;
        // One pass finds the line end, or a zero byte, which ends the
        // line's text early.
        const char* stop;
        const std::uint64_t* spaces = nullptr;
#if FTPDIRLIST_SSE2
        // The first bytes give the line's first spaces and, for most lines,
        // its end, in one pass.
        std::uint64_t window;
        if (end - p >= bytes::kLineWindow) {
            stop = bytes::ScanWindow64(p, end, window);
            spaces = &window;
        } else {
            stop = bytes::FindLineStop<true>(p, end);
        }
#else
        stop = bytes::FindLineStop<true>(p, end);
#endif
        const char* eol =
            (stop != end && *stop == '\0') ? bytes::FindLineStop<false>(stop, end) : stop;
        if (eol == end) {
            // Its line end has not arrived: wait for the next chunk.
            Carry(p, end, number, false);
            return;
        }
        if (FTPDIRLIST_UNLIKELY(static_cast<std::size_t>(eol - p) > maxLine_)) {
            TooLong({p, maxLine_}, number);
        } else {
            EmitText(Line(p, stop, end), stop != eol, number, spaces, texts);
        }
        p = eol;
    }
}

// A whole line kept in carry_: its text ends at its first zero byte.
template <class LineParser>
void ListingDriver<LineParser>::EmitLine(const char* begin, std::size_t length,
                                         std::uint64_t number) {
    const void* nul = std::memchr(begin, 0, length);
    if constexpr (LineParser::kKeepSpaces) {
        // A line of spaces only separates lines.
        if (nul == nullptr && bytes::SkipSpaces(begin, begin + length) == begin + length) return;
    }
    if (nul != nullptr) length = static_cast<std::size_t>(static_cast<const char*>(nul) - begin);
    EmitText(Line(begin, begin + length, begin + length), nul != nullptr, number, nullptr,
             TextWindow(begin, begin + length));
}

// A line that fails alone is kept and tried once more joined with the next
// line by one space; servers put long names on a line of their own. Only
// two neighbouring lines are ever joined.
template <class LineParser>
void ListingDriver<LineParser>::LineFailed(std::string_view line, std::uint64_t number) {
    // The joined text is followed by bytes the readers may read past it
    // (Line::readable), as the lines of a chunk are: a shortcut.
    constexpr std::size_t kReadable = FTPDIRLIST_SHORTCUTS ? bytes::kWindow : 0;
    if (hasPending_) {
        // The held line is in place: the next goes on after one space.
        const std::size_t held = pendingSize_;
        const std::size_t length = held + 1 + line.size();
        if (joined_.size() < length + kReadable) joined_.resize(length + kReadable);
        char* text = &joined_[0];
        text[held] = ' ';
        if (!line.empty()) std::memcpy(text + held + 1, line.data(), line.size());
        // A joined text taken as a header is no join either.
        if (TryLine(Line(text, text + length, text + joined_.size()), nullptr, pendingNumber_,
                    TextWindow(text, text + joined_.size()), held + 1) == LineKind::entry) {
            hasPending_ = false;
            return;
        }
        Skip(Held(), pendingNumber_, SkipReason::notListingLine);
    }
    if (joined_.size() < line.size()) joined_.resize(line.size());
    if (!line.empty()) std::memcpy(&joined_[0], line.data(), line.size());
    pendingSize_ = line.size();
    pendingNumber_ = number;
    hasPending_ = true;
}

template <class LineParser>
void ListingDriver<LineParser>::ReleasePending() {
    if (hasPending_) {
        Skip(Held(), pendingNumber_, SkipReason::notListingLine);
        hasPending_ = false;
    }
}

template <class LineParser>
void ListingDriver<LineParser>::Skip(std::string_view text, std::uint64_t number,
                                     SkipReason reason) {
    if (skipped_ != nullptr) skipped_->push_back({number, std::string(text), reason});
}

template <class LineParser>
EntryTable ListingDriver<LineParser>::TakeReady() {
    if constexpr (LineParser::kExtras) {
        // Once the listing has shown that it does not pad its dates, no pad
        // is left to decide.
        if (parser_.DatesUnpadded()) entries_.RestoreNamePads();
        std::size_t ready = entries_.FinalRows();
        if (!undecided_.empty()) ready = std::min(ready, undecided_.front().row);
        EntryTable front = entries_.TakeFront(ready);
        for (UndecidedDate& u : undecided_) u.row -= ready;
        return front;
    } else {
        return EntryTable();
    }
}

template <class LineParser>
EntryTable ListingDriver<LineParser>::Finish() {
    if (!carry_.empty()) {
        EmitCarry();
        carry_.shrink_to_fit();
    }
    ReleasePending();
    if constexpr (LineParser::kExtras) {
        // Whether the date column is padded is the whole listing's answer.
        if (parser_.DatesUnpadded()) entries_.RestoreNamePads();
    }
    EntryTable table = std::move(entries_);
    // A new listing from here on.
    entries_ = EntryTable();
    parser_ = initial_;
    vmsListing_ = false;
    undecided_.clear();
    ibmiOrders_ = 0;
    lineBreaks_ = 0;
    lastWasCR_ = false;
    return table;
}

// Built once, in dir_list.cpp.
extern template class ListingDriver<ClassicLineParser>;

}  // namespace ftpdirlist
