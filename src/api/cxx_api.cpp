#include "ftpdirlist/ftpdirlist.hpp"

#include <algorithm>
#include <cstddef>
#include <type_traits>
#include <utility>

#include "entries/entry_table.h"
#include "input/dir_list.h"

namespace ftpdir {

namespace {

// Options::today within the range the header promises, so that no date
// arithmetic of the parsers can overflow.
ftpdirlist::LocalDate ClampedToday(const Date& d) {
    return {std::clamp(d.year, kTodayYearMin, kTodayYearMax), std::clamp(d.month, 1, 12),
            std::clamp(d.day, 1, 31)};
}

}  // namespace

// What a Listing owns: the table (a classic one has no extras).
struct Listing::Table {
    ftpdirlist::EntryTable rows;
};

// The views read the table's rows and extras in place, as the header lays
// them out.
namespace layout {
using ftpdirlist::EntryRow;
using ftpdirlist::StoredExtras;
using Row = detail::StoredRow;
using Extras = detail::StoredExtras;
static_assert(sizeof(EntryRow) == sizeof(Row) && offsetof(EntryRow, name) == offsetof(Row, name) &&
                  offsetof(EntryRow, nameLength) == offsetof(Row, nameLength) &&
                  offsetof(EntryRow, attributesLength) == offsetof(Row, attributesLength) &&
                  offsetof(EntryRow, size) == offsetof(Row, size) &&
                  offsetof(EntryRow, stamp) == offsetof(Row, stamp) &&
                  offsetof(EntryRow, isDir) == offsetof(Row, isDir) &&
                  offsetof(EntryRow, isLink) == offsetof(Row, isLink) &&
                  offsetof(EntryRow, dateBits) == offsetof(Row, dateBits) &&
                  offsetof(EntryRow, format) == offsetof(Row, format),
              "the header's row is the table's");
static_assert(EntryRow::kHasDate == Row::kHasDate && EntryRow::kHasTime == Row::kHasTime &&
                  EntryRow::kWideDate == Row::kWideDate &&
                  EntryRow::kMonthShift == Row::kMonthShift &&
                  EntryRow::kDayShift == Row::kDayShift &&
                  EntryRow::kHourShift == Row::kHourShift &&
                  EntryRow::kMinuteShift == Row::kMinuteShift,
              "the header packs dates as the table does");
static_assert(sizeof(StoredExtras) == sizeof(Extras) &&
                  offsetof(StoredExtras, targetLength) == offsetof(Extras, targetLength) &&
                  offsetof(StoredExtras, ownerLength) == offsetof(Extras, ownerLength) &&
                  offsetof(StoredExtras, groupLength) == offsetof(Extras, groupLength) &&
                  offsetof(StoredExtras, factsLength) == offsetof(Extras, factsLength) &&
                  offsetof(StoredExtras, second) == offsetof(Extras, second) &&
                  offsetof(StoredExtras, utc) == offsetof(Extras, utc),
              "the header's extras are the table's");
static_assert(std::is_trivially_copyable<EntryRow>::value &&
                  std::is_trivially_copyable<StoredExtras>::value,
              "the views copy their bytes");
}  // namespace layout

Listing::Listing() noexcept = default;
Listing::~Listing() = default;
Listing::Listing(std::unique_ptr<Table> table) noexcept
    : table_(std::move(table)), size_(table_->rows.Size()) {}
Listing::Listing(Listing&& other) noexcept
    : table_(std::move(other.table_)), size_(std::exchange(other.size_, 0)) {}
Listing& Listing::operator=(Listing&& other) noexcept {
    if (this != &other) {
        table_ = std::move(other.table_);
        size_ = std::exchange(other.size_, 0);
    }
    return *this;
}

detail::RowSpan Listing::RowsFrom(std::size_t i) const noexcept {
    using ftpdirlist::RowBlocks;
    const ftpdirlist::EntryTable& table = table_->rows;
    const RowBlocks::Place place = RowBlocks::PlaceOf(i);
    std::size_t rows = std::min(RowBlocks::RowsInBlock(place.block) - place.offset, size_ - i);
    const unsigned char* extras = reinterpret_cast<const unsigned char*>(&detail::kNoExtras);
    std::size_t step = 0;
    const std::size_t extrasCount = std::min(table.ExtrasCount(), size_);
    if (i < extrasCount) {
        // The extras' block of the row block, at the same offset.
        rows = std::min(rows, extrasCount - i);
        extras =
            reinterpret_cast<const unsigned char*>(table.ExtrasBlock(place.block) + place.offset);
        step = sizeof(detail::StoredExtras);
    }
    const auto* row = reinterpret_cast<const unsigned char*>(&table.Row(i));
    return {row, row + rows * sizeof(ftpdirlist::EntryRow), extras, step};
}

detail::WideStamp Listing::WideDate(std::uint64_t stamp) noexcept {
    ftpdirlist::EntryRow row{};
    row.stamp = stamp;
    row.dateBits = ftpdirlist::EntryRow::kWideDate;
    const ftpdirlist::FtpDateTime dt = row.DateTime();
    detail::WideStamp out;
    if (dt.hasDate == 1) out.date = Date{dt.year, dt.month, dt.day};
    if (dt.hasTime == 1) out.time = Time{dt.hour, dt.minute};
    return out;
}

std::vector<Entry> Listing::toEntries() const {
    std::vector<Entry> out;
    out.reserve(size_);
    for (const EntryView& e : *this) out.push_back(e.toEntry());
    return out;
}

Entry EntryView::toEntry() const {
    return Entry{name.str(),   attributes.str(), size,        isDir, isLink, date,       time,
                 target.str(), owner.str(),      group.str(), utc,   format, facts.str()};
}

bool operator==(const EntryView& a, const EntryView& b) noexcept {
    return a.name == b.name && a.attributes == b.attributes && a.size == b.size &&
           a.isDir == b.isDir && a.isLink == b.isLink && a.date == b.date && a.time == b.time &&
           a.target == b.target && a.owner == b.owner && a.group == b.group && a.utc == b.utc &&
           a.format == b.format && a.facts == b.facts;
}

bool operator==(const EntryView& a, const Entry& b) noexcept {
    return a.name == b.name && a.attributes == b.attributes && a.size == b.size &&
           a.isDir == b.isDir && a.isLink == b.isLink && a.date == b.date && a.time == b.time &&
           a.target == b.target && a.owner == b.owner && a.group == b.group && a.utc == b.utc &&
           a.format == b.format && a.facts == b.facts;
}

bool operator==(const Listing& a, const Listing& b) noexcept {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
}

bool operator==(const Listing& a, const std::vector<Entry>& b) noexcept {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin());
}

const char* formatName(Format format) {
    static const char* const kNames[] = {
        "unknown", "unix", "dos",        "vms",    "mlsd",         "eplf",     "os2",
        "ibmi",    "mvs",  "mvs-member", "jes",    "cms",          "guardian", "wince",
        "vshell",  "os9",  "dls",        "nortel", "unix-numeric",
    };
    static_assert(
        sizeof(kNames) / sizeof(kNames[0]) == static_cast<std::size_t>(Format::unixNumeric) + 1,
        "one name per format");
    const auto i = static_cast<std::size_t>(format);
    return i < sizeof(kNames) / sizeof(kNames[0]) ? kNames[i] : "unknown";
}

const char* skipReasonName(SkipReason reason) {
    static const char* const kNames[] = {
        "not-a-listing-line", "header",    "title",           "total",
        "joined-elsewhere",   "dot-entry", "impossible-date", "line-too-long",
    };
    static_assert(
        sizeof(kNames) / sizeof(kNames[0]) == static_cast<std::size_t>(SkipReason::lineTooLong) + 1,
        "one name per reason");
    const auto i = static_cast<std::size_t>(reason);
    return i < sizeof(kNames) / sizeof(kNames[0]) ? kNames[i] : kNames[0];
}

struct Parser::Impl {
    Options options;
    // One of the two, as the dialect says.
    std::unique_ptr<ftpdirlist::CFtpDirList> classic;
    std::unique_ptr<ftpdirlist::ExtendedDirList> extended;
    std::vector<SkippedLine> skipped;
    // The extended driver reports lines with the spaces the server wrote
    // around them (its parsers need them); skipped lines before this index
    // are trimmed as SkippedLine promises.
    std::size_t trimmed = 0;
    bool finished = false;

    explicit Impl(Options o) : options(std::move(o)) { Start(); }

    void Start() {
        classic.reset();
        extended.reset();
        if (options.dialect == Dialect::classic) {
            classic = options.today
                          ? std::make_unique<ftpdirlist::CFtpDirList>(ClampedToday(*options.today))
                          : std::make_unique<ftpdirlist::CFtpDirList>();
        } else {
            extended = options.today
                           ? std::make_unique<ftpdirlist::ExtendedDirList>(
                                 ClampedToday(*options.today), options.keepVersions)
                           : std::make_unique<ftpdirlist::ExtendedDirList>(options.keepVersions);
        }
        if (classic) classic->SetMaxLineLength(options.maxLineLength);
        if (extended) extended->SetMaxLineLength(options.maxLineLength);
        skipped.clear();
        trimmed = 0;
        if (options.collectSkipped) {
            if (classic) classic->SetSkippedSink(&skipped);
            if (extended) extended->SetSkippedSink(&skipped);
        }
        finished = false;
    }

    void Append(std::string_view chunk) {
        if (classic) {
            classic->AppendData(chunk.data(), chunk.size());
        } else {
            extended->AppendData(chunk.data(), chunk.size());
            TrimSkipped();
        }
    }

    // The table just finished, for a Listing. The listing is finished even
    // if this throws: the next call starts a new one.
    std::unique_ptr<Listing::Table> Finish() {
        finished = true;
        auto table = std::make_unique<Listing::Table>();
        if (classic) {
            table->rows = classic->Finish();
            return table;
        }
        table->rows = extended->Finish();
        TrimSkipped();
        return table;
    }

    // The extended table's final rows, for a Listing; null in the classic
    // dialect, which hands out nothing before Finish(). The table is made
    // first, so that no row handed over can be lost.
    std::unique_ptr<Listing::Table> TakeReady() {
        if (!extended) return nullptr;
        auto table = std::make_unique<Listing::Table>();
        table->rows = extended->TakeReady();
        return table;
    }

    void TrimSkipped() {
        for (; trimmed < skipped.size(); ++trimmed) {
            std::string& text = skipped[trimmed].text;
            text.erase(0, std::min(text.find_first_not_of(' '), text.size()));
            text.erase(text.find_last_not_of(' ') + 1);
        }
    }
};

Parser::Parser(Options options)
    : options_(std::move(options)), impl_(std::make_unique<Impl>(options_)) {}
Parser::~Parser() = default;
static_assert(std::is_nothrow_copy_constructible<Options>::value &&
                  std::is_nothrow_copy_assignable<Options>::value,
              "the moves copy the options");
Parser::Parser(Parser&& other) noexcept : options_(other.options_), impl_(std::move(other.impl_)) {}
Parser& Parser::operator=(Parser&& other) noexcept {
    if (this != &other) {
        options_ = other.options_;
        impl_ = std::move(other.impl_);
    }
    return *this;
}

Parser::Impl& Parser::impl() {
    // A moved-from parser starts over as a new one with the options it had.
    if (!impl_) impl_ = std::make_unique<Impl>(options_);
    return *impl_;
}

void Parser::append(std::string_view chunk) {
    Impl& state = impl();
    if (state.finished) state.Start();
    state.Append(chunk);
}

Listing Parser::finish() {
    Impl& state = impl();
    if (state.finished) state.Start();
    return Listing(state.Finish());
}

Listing Parser::takeReady() {
    Impl& state = impl();
    // A finished listing has nothing left to hand out.
    if (state.finished) return Listing();
    std::unique_ptr<Listing::Table> table = state.TakeReady();
    return table ? Listing(std::move(table)) : Listing();
}

const std::vector<SkippedLine>& Parser::skipped() const {
    static const std::vector<SkippedLine> kNone;
    return impl_ ? impl_->skipped : kNone;
}

Listing parse(std::string_view listing, const Options& options) {
    Parser parser(options);
    parser.append(listing);
    return parser.finish();
}

}  // namespace ftpdir
