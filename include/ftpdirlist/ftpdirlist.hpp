// ftpdirlist C++ API: re-entrant parsing of FTP directory listings.
//
//   ftpdir::Listing entries = ftpdir::parse(listing);
//   for (const ftpdir::EntryView& e : entries) use(e.name, e.size);
//
//   ftpdir::Parser parser;
//   while (read(chunk)) parser.append(chunk);  // chunks may be reused at once
//   ftpdir::Listing entries = parser.finish();
//
// Two dialects. The extended dialect (the default) reads Unix, DOS and VMS
// listings as real servers write them, plus MLSD, EPLF and the other server
// families, validates every field and tells more (link target, owner, group,
// seconds, UTC). The classic dialect gives exactly the C interface's entries,
// byte for byte. There is no global state: any number of parsers may run at
// once on different threads (one parser is used by one thread at a time).
// Functions throw only std::bad_alloc.
#ifndef FTPDIRLIST_FTPDIRLIST_HPP
#define FTPDIRLIST_FTPDIRLIST_HPP

// MSVC tells its language level in _MSVC_LANG (its __cplusplus stays 199711L
// unless /Zc:__cplusplus is given).
#if defined(_MSVC_LANG)
#define FTPDIRLIST_CXX_LEVEL _MSVC_LANG
#else
#define FTPDIRLIST_CXX_LEVEL __cplusplus
#endif
#if FTPDIRLIST_CXX_LEVEL < 201703L
#error "ftpdirlist.hpp needs C++17 or later: compile with -std=c++17 (MSVC: /std:c++17)"
#else

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#if defined(__GNUC__) || defined(__clang__)
#define FTPDIRLIST_VIEW_UNLIKELY(x) __builtin_expect(!!(x), 0)
#else
#define FTPDIRLIST_VIEW_UNLIKELY(x) (x)
#endif

namespace ftpdir {

// How a listing is read.
enum class Dialect : std::uint8_t {
    extended,  // every family, validated, with the extra fields
    classic,   // exactly what the C interface gives
};

// The family a line was read as (extended dialect; unknown for classic
// entries).
enum class Format : std::uint8_t {
    unknown,
    unixStyle,    // ls -l and its relatives ("unix"; `unix` is a macro in GNU modes)
    dos,          // DOS and IIS
    vms,          // OpenVMS
    mlsd,         // MLSD / MLST facts
    eplf,         // Easily Parsed LIST Format
    os2,          // OS/2
    ibmi,         // IBM i (OS/400)
    mvs,          // z/OS datasets
    mvsMember,    // z/OS partitioned-dataset members
    jes,          // z/OS JES spool jobs
    cms,          // z/VM CMS
    guardian,     // HP NonStop
    windowsCe,    // Windows CE and VxWorks
    vshell,       // VShell
    os9,          // OS-9
    dls,          // the dls form: name, size, description
    nortel,       // Nortel switches
    unixNumeric,  // octal mode, uid, gid, size, Unix seconds
};

// The format's short name as ftpls prints it ("unix", "mvs-member", ...).
const char* formatName(Format format);

// Extended: a valid calendar date, year 1-9999. Classic: the numbers the line
// writes, as the C interface gives them (ftpdirlist.h, FtpDirItem): month
// 0-12, where 0 comes from a DOS-style date such as 00-00-00, so index a
// table by month only after testing it; day and year unchecked.
struct Date {
    std::int32_t year = 0;
    std::int32_t month = 0;  // extended: 1-12; classic: 0-12
    std::int32_t day = 0;    // extended: valid for the month; classic: as the line writes it
    friend bool operator==(const Date& a, const Date& b) {
        return a.year == b.year && a.month == b.month && a.day == b.day;
    }
};

// Classic: hour and minute as the line writes them (0-23 and 0-59 for
// DOS-style lines, unchecked for Unix-style and VMS-style ones).
struct Time {
    std::int32_t hour = 0;    // extended: 0-23
    std::int32_t minute = 0;  // extended: 0-59
    // Extended only, when the line gives seconds: 0-60. Always empty in the
    // classic dialect.
    std::optional<std::int32_t> second;
    constexpr Time() = default;
    constexpr Time(std::int32_t h, std::int32_t m, std::optional<std::int32_t> s = std::nullopt)
        : hour(h), minute(m), second(s) {}
    friend bool operator==(const Time& a, const Time& b) {
        return a.hour == b.hour && a.minute == b.minute && a.second == b.second;
    }
};

// One directory entry. Texts are bytes in the server's code page, never
// converted.
struct Entry {
    // Classic: a symbolic link keeps " -> target". Extended: the name alone.
    std::string name;
    // Unix mode string, VMS protection, MLSD perm, ...; empty for DOS-style.
    std::string attributes;
    // Bytes. Classic: -1 for a DOS-style directory, -2 for VMS entries.
    // Extended: -1 when the line gives no size; VMS blocks x 512.
    std::int64_t size = 0;
    // Classic: also set for Unix-style symbolic links. Extended: a link is
    // isLink with isDir false (its target's type is unknown).
    bool isDir = false;
    bool isLink = false;
    std::optional<Date> date;
    std::optional<Time> time;
    // Extended only (empty in the classic dialect):
    std::string target;  // a link's target
    std::string owner;
    std::string group;
    // The date and time are UTC (machine formats such as MLSD and EPLF);
    // otherwise they are the server's local time.
    bool utc = false;
    Format format = Format::unknown;  // the family the line was read as
    // MLSD and MLST: the facts as the line gives them, each "name=value;"
    // (the fields above read from some of them); empty for other formats.
    std::string facts;
    friend bool operator==(const Entry& a, const Entry& b) {
        return a.name == b.name && a.attributes == b.attributes && a.size == b.size &&
               a.isDir == b.isDir && a.isLink == b.isLink && a.date == b.date && a.time == b.time &&
               a.target == b.target && a.owner == b.owner && a.group == b.group && a.utc == b.utc &&
               a.format == b.format && a.facts == b.facts;
    }
    friend bool operator!=(const Entry& a, const Entry& b) { return !(a == b); }
};

// A text of an entry in a Listing: bytes held by the listing it came from
// (never converted), valid while that listing lives. A std::string_view
// that also converts to std::string implicitly.
class TextView : public std::string_view {
public:
    constexpr TextView() noexcept = default;
    constexpr TextView(std::string_view text) noexcept : std::string_view(text) {}
    operator std::string() const { return str(); }
    std::string str() const { return empty() ? std::string() : std::string(data(), size()); }
};

// One entry of a Listing, the fields as in Entry. Its texts are views into
// that listing, valid while it lives (moving the Listing keeps them valid).
struct EntryView {
    TextView name;
    TextView attributes;
    std::int64_t size = 0;
    bool isDir = false;
    bool isLink = false;
    std::optional<Date> date;
    std::optional<Time> time;
    TextView target;
    TextView owner;
    TextView group;
    bool utc = false;
    Format format = Format::unknown;
    TextView facts;

    Entry toEntry() const;  // an owning copy
    operator Entry() const { return toEntry(); }
};

bool operator==(const EntryView& a, const EntryView& b) noexcept;
bool operator==(const EntryView& a, const Entry& b) noexcept;
inline bool operator==(const Entry& a, const EntryView& b) noexcept { return b == a; }
inline bool operator!=(const EntryView& a, const EntryView& b) noexcept { return !(a == b); }
inline bool operator!=(const EntryView& a, const Entry& b) noexcept { return !(a == b); }
inline bool operator!=(const Entry& a, const EntryView& b) noexcept { return !(b == a); }

namespace detail {

// How a Listing stores an entry, as its iterator reads it: not part of the
// API, and it changes with the library. A row's texts lie one after another
// from `name`: the name, the attributes, then the extras' texts in the
// order of their lengths in StoredExtras. The date packs into `stamp`
// unless dateBits has kWideDate: then stamp holds the address of the whole
// date, which the library reads out of line.
struct StoredRow {
    const char* name;
    std::uint32_t nameLength;
    std::uint32_t attributesLength;
    std::int64_t size;
    std::uint64_t stamp;  // the year in the low 32 bits, then month, day, hour, minute
    std::int32_t version;
    std::uint8_t isDir;
    std::uint8_t isLink;
    std::uint8_t dateBits;
    Format format;

    static constexpr std::uint8_t kHasDate = 1;
    static constexpr std::uint8_t kHasTime = 2;
    static constexpr std::uint8_t kWideDate = 4;
    static constexpr unsigned kMonthShift = 32;
    static constexpr unsigned kDayShift = 40;
    static constexpr unsigned kHourShift = 48;
    static constexpr unsigned kMinuteShift = 56;
};

// What an extended row tells beyond the row and its format; the rows that
// have none stored read kNoExtras.
struct StoredExtras {
    std::uint32_t targetLength;
    std::uint32_t ownerLength;
    std::uint32_t groupLength;
    std::uint32_t factsLength;
    std::int8_t second;  // -1: none
    std::uint8_t utc;
};

// The extras of a row that has none stored: empty texts, no second, not UTC.
inline constexpr StoredExtras kNoExtras = {0, 0, 0, 0, -1, 0};

// Where the rows lie from one row on: `row` up to `end`, each
// sizeof(StoredRow) bytes, within one block and all with stored extras or
// all without; the first row's extras at `extras`, the next row's
// `extrasStep` bytes on (0: every row reads kNoExtras).
struct RowSpan {
    const unsigned char* row;
    const unsigned char* end;
    const unsigned char* extras;
    std::size_t extrasStep;
};

// A wide date as the view gives it.
struct WideStamp {
    std::optional<Date> date;
    std::optional<Time> time;
};

}  // namespace detail

// The entries of one listing, owning their memory. Move-only; a move keeps
// every view into it valid, and leaves the moved-from listing empty.
// Indexing and iterating build each EntryView from the stored row on the
// fly: no allocation.
class Listing {
public:
    Listing() noexcept;
    ~Listing();
    Listing(Listing&& other) noexcept;
    Listing& operator=(Listing&& other) noexcept;
    Listing(const Listing&) = delete;
    Listing& operator=(const Listing&) = delete;

    std::size_t size() const noexcept { return size_; }
    bool empty() const noexcept { return size_ == 0; }
    // Entry `i`, which must be below size().
    EntryView operator[](std::size_t i) const noexcept {
        EntryView view;
        const detail::RowSpan span = RowsFrom(i);
        Fill(span.row, span.extras, view);
        return view;
    }

    // A forward iterator; the EntryView it refers to stays valid until the
    // iterator moves or ends (its texts: while the listing lives). Reading
    // it writes that view, so one iterator is used by one thread at a time
    // (a listing may be read by many, each with its own iterators).
    class const_iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = EntryView;
        using difference_type = std::ptrdiff_t;
        using pointer = const EntryView*;
        using reference = const EntryView&;

        const_iterator() noexcept = default;
        // The entry is built from its row here, where it is read, rather
        // than as the iterator moves.
        reference operator*() const noexcept {
            Fill(row_, extras_, current_);
            return current_;
        }
        pointer operator->() const noexcept { return &**this; }
        const_iterator& operator++() noexcept {
            ++index_;
            row_ += sizeof(detail::StoredRow);
            extras_ += extrasStep_;
            // rowsEnd_ ends the rows of one block and one kind of extras, or
            // the listing, whichever comes first.
            if (row_ == rowsEnd_) {
                if (index_ == listing_->size_) return *this;
                Step();
            }
            return *this;
        }
        const_iterator operator++(int) noexcept {
            const_iterator before = *this;
            ++*this;
            return before;
        }
        friend bool operator==(const const_iterator& a, const const_iterator& b) noexcept {
            return a.index_ == b.index_;
        }
        friend bool operator!=(const const_iterator& a, const const_iterator& b) noexcept {
            return a.index_ != b.index_;
        }

    private:
        friend class Listing;
        // At entry `index`; the end when it is size().
        const_iterator(const Listing* listing, std::size_t index) noexcept
            : listing_(listing), index_(index) {
            if (index_ < listing->size_) Step();
        }
        // The rows from index_ on, out of line: once a span.
        void Step() noexcept {
            const detail::RowSpan span = listing_->RowsFrom(index_);
            row_ = span.row;
            rowsEnd_ = span.end;
            extras_ = span.extras;
            extrasStep_ = span.extrasStep;
        }

        const Listing* listing_ = nullptr;
        std::size_t index_ = 0;
        const unsigned char* row_ = nullptr;
        const unsigned char* rowsEnd_ = nullptr;
        const unsigned char* extras_ = nullptr;
        std::size_t extrasStep_ = 0;
        // The entry at row_, as the last operator* built it.
        mutable EntryView current_;
    };
    using iterator = const_iterator;

    const_iterator begin() const noexcept { return const_iterator(this, 0); }
    const_iterator end() const noexcept { return const_iterator(this, size_); }

    // Owning copies of every entry, in order.
    std::vector<Entry> toEntries() const;
    operator std::vector<Entry>() const { return toEntries(); }

private:
    friend class Parser;
    struct Table;
    explicit Listing(std::unique_ptr<Table> table) noexcept;
    // The rows from row `i` (below size_) to the end of its block.
    detail::RowSpan RowsFrom(std::size_t i) const noexcept;
    // The date and time of a row whose date is wide.
    static detail::WideStamp WideDate(std::uint64_t stamp) noexcept;
    // Writes the entry of the stored row at `row`, with the extras at
    // `extras` (detail::kNoExtras for a row without), into `view`. Every
    // field is written whatever the row holds, and an optional's flag is
    // the row's bit, so that entries of different shapes take one path.
    static void Fill(const unsigned char* row, const unsigned char* extras,
                     EntryView& view) noexcept {
        using Row = detail::StoredRow;
        using Extras = detail::StoredExtras;
        const char* const name = Read<const char*>(row, offsetof(Row, name));
        const std::uint32_t nameLength = Read<std::uint32_t>(row, offsetof(Row, nameLength));
        const std::uint32_t attributesLength =
            Read<std::uint32_t>(row, offsetof(Row, attributesLength));
        const std::uint64_t stamp = Read<std::uint64_t>(row, offsetof(Row, stamp));
        const std::uint8_t dateBits = Read<std::uint8_t>(row, offsetof(Row, dateBits));
        view.name = std::string_view(name, nameLength);
        view.attributes = std::string_view(name + nameLength, attributesLength);
        view.size = Read<std::int64_t>(row, offsetof(Row, size));
        view.isDir = Read<std::uint8_t>(row, offsetof(Row, isDir)) != 0;
        view.isLink = Read<std::uint8_t>(row, offsetof(Row, isLink)) != 0;
        const char* at = name + nameLength + attributesLength;
        view.target = Next(at, Read<std::uint32_t>(extras, offsetof(Extras, targetLength)));
        view.owner = Next(at, Read<std::uint32_t>(extras, offsetof(Extras, ownerLength)));
        view.group = Next(at, Read<std::uint32_t>(extras, offsetof(Extras, groupLength)));
        view.facts = Next(at, Read<std::uint32_t>(extras, offsetof(Extras, factsLength)));
        view.utc = Read<std::uint8_t>(extras, offsetof(Extras, utc)) != 0;
        view.format = Read<Format>(row, offsetof(Row, format));
        const std::int8_t s = Read<std::int8_t>(extras, offsetof(Extras, second));
        std::optional<std::int32_t> second;
        if (s >= 0) second = s;
        if (FTPDIRLIST_VIEW_UNLIKELY((dateBits & Row::kWideDate) != 0)) {
            const detail::WideStamp wide = WideDate(stamp);
            view.date = wide.date;
            view.time = wide.time;
            if (view.time) view.time->second = second;
            return;
        }
        view.date.emplace(Date{static_cast<std::int32_t>(static_cast<std::uint32_t>(stamp)),
                               Byte(row, Row::kMonthShift), Byte(row, Row::kDayShift)});
        if ((dateBits & Row::kHasDate) == 0) view.date.reset();
        view.time.emplace(Byte(row, Row::kHourShift), Byte(row, Row::kMinuteShift), second);
        if ((dateBits & Row::kHasTime) == 0) view.time.reset();
    }
    // The T stored at `offset` bytes into `bytes`.
    template <class T>
    static T Read(const unsigned char* bytes, std::size_t offset) noexcept {
        T value;
        std::memcpy(&value, bytes + offset, sizeof value);
        return value;
    }
    // The byte at `shift` of the packed stamp of the row at `row`.
    static std::int32_t Byte(const unsigned char* row, unsigned shift) noexcept {
        constexpr std::size_t kStamp = offsetof(detail::StoredRow, stamp);
#if defined(__BYTE_ORDER__) && defined(__ORDER_LITTLE_ENDIAN__) && \
    __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
        return Read<std::uint8_t>(row, kStamp + shift / 8);
#else
        return static_cast<std::int32_t>(Read<std::uint64_t>(row, kStamp) >> shift & 0xFF);
#endif
    }
    // The text of `length` bytes at `at`, and `at` moved past it.
    static std::string_view Next(const char*& at, std::uint32_t length) noexcept {
        const std::string_view text(at, length);
        at += length;
        return text;
    }

    std::unique_ptr<Table> table_;
    std::size_t size_ = 0;
};

// Entry by entry, in order.
bool operator==(const Listing& a, const Listing& b) noexcept;
bool operator==(const Listing& a, const std::vector<Entry>& b) noexcept;
inline bool operator==(const std::vector<Entry>& a, const Listing& b) noexcept { return b == a; }
inline bool operator!=(const Listing& a, const Listing& b) noexcept { return !(a == b); }
inline bool operator!=(const Listing& a, const std::vector<Entry>& b) noexcept { return !(a == b); }
inline bool operator!=(const std::vector<Entry>& a, const Listing& b) noexcept { return !(b == a); }

// Why a line yielded no entry, as the reader that refused it or the
// listing driver decided. The classic dialect gives notListingLine,
// dotEntry or lineTooLong.
enum class SkipReason : std::uint8_t {
    notListingLine,   // no reader takes the line
    header,           // column titles, a rule, a frame: a line of a family's layout
    title,            // a line naming the directory, volume or subvolume listed
    total,            // a count of blocks, files or bytes
    joinedElsewhere,  // a line that continues the entry above it
    dotEntry,         // "." or "..": the directory itself or its parent
    impossibleDate,   // an entry's shape with a date no calendar has (31 April, hour 25)
    lineTooLong,      // longer than Options::maxLineLength; its text is cut there
};

// The reason's stable short name, as ftpls prints it ("not-a-listing-line",
// "dot-entry", ...); "not-a-listing-line" for a value outside the enum.
const char* skipReasonName(SkipReason reason);

// A line that yielded no entry (neither alone nor joined with the next one).
struct SkippedLine {
    std::uint64_t number;  // 1-based line number in the listing
    std::string text;      // the line without its line end and outer spaces
    SkipReason reason = SkipReason::notListingLine;
};

// The Gregorian calendar the parsers date by, for hosts that check or build
// dates (any year; neither throws):
// true for the leap years,
bool isLeapYear(std::int32_t year) noexcept;
// and the days in `month` (1-12) of `year`, 0 for another month.
int daysInMonth(std::int32_t year, std::int32_t month) noexcept;

// The code pages that month names reveal: the listing's texts are in the
// code page its month names are written in.
enum class CodePage : std::uint8_t {
    unknown,  // no month name outside ASCII (any code page)
    utf8,
    cp1250,  // Windows-1250
    cp1251,  // Windows-1251
    cp1252,  // Windows-1252
    koi8r,
    iso8859_1,
    iso8859_2,
    iso8859_7,
    eucJp,
    eucKr,
    gbk,
    shiftJis,
    iso8859_5,
    iso8859_9,
    big5,
};

// The code page's name ("UTF-8", "Windows-1251", "KOI8-R", ...; "unknown").
const char* codePageName(CodePage page) noexcept;

// Tells the code page of a listing from its month names, as the listing
// streams in: any dialect, and apart from any Parser (feed both the same
// chunks). A name whose bytes spell it in several code pages counts for
// one of them: Windows-1252 before ISO-8859-1, ISO-8859-2 before
// Windows-1250. Never allocates or throws; the names are not converted.
class MonthCodePage {
public:
    // Reads the next bytes of the listing; the chunk is read only during
    // the call, and a token may be cut anywhere between chunks.
    void append(std::string_view chunk) noexcept;

    // The code page of the most tokens (bytes between spaces, tabs and line
    // ends; a final '.' or ',' aside) that are month names of the extended
    // dialect with a byte above 0x7F; the first in CodePage order on a tie;
    // unknown when there is none. Counts a token still open, then starts
    // afresh for the next listing.
    CodePage finish() noexcept;

private:
    void EndToken() noexcept;

    static constexpr std::size_t kLongestToken = 32;  // longer tokens are no month names
    static constexpr std::size_t kPages = 16;         // the CodePage values
    char token_[kLongestToken] = {};
    std::size_t length_ = 0;  // kLongestToken + 1: too long
    bool high_ = false;       // the token has a byte above 0x7F
    std::uint32_t votes_[kPages] = {};
};

// The range Options::today is clamped to. A date that a line gives without
// a year (resolved against today) lies within it too.
inline constexpr std::int32_t kTodayYearMin = 1;
inline constexpr std::int32_t kTodayYearMax = 9999;

struct Options {
    Dialect dialect = Dialect::extended;
    // The date that counts as today for Unix-style entries that give a time
    // instead of a year; by default the local date of the system clock.
    // Any value is safe: the year is clamped to kTodayYearMin..kTodayYearMax,
    // the month to 1-12 and the day to 1-31.
    std::optional<Date> today;
    // Collect the lines that yielded no entry (see Parser::skipped()),
    // "." and ".." among them.
    bool collectSkipped = false;
    // Keep every version of a VMS file as its own entry, the name with its
    // ";N". By default only the highest version is kept, its name without it.
    bool keepVersions = false;
    // A line longer than this many bytes (line end not counted) yields no
    // entry: it is a skipped line (SkipReason::lineTooLong) whose text is
    // its first maxLineLength bytes, and the rest of it is read past without
    // being kept, so a line that never ends costs no more memory. 0: no
    // limit. Both dialects; the C interface (InitFtpDirList) has no limit.
    std::size_t maxLineLength = std::size_t{1} << 20;
};

// Parses a listing that arrives in chunks.
class Parser {
public:
    explicit Parser(Options options = {});
    ~Parser();
    // A moved-from parser keeps the options it had and may be destroyed,
    // assigned and used: append() and finish() then start a new listing
    // with those options, and skipped() is empty until they are called.
    Parser(Parser&&) noexcept;
    Parser& operator=(Parser&&) noexcept;
    Parser(const Parser&) = delete;
    Parser& operator=(const Parser&) = delete;

    // Parses every line of `chunk` whose line end has arrived. The chunk is
    // read only during the call; only the unfinished last line is kept.
    void append(std::string_view chunk);

    // Parses what is left and returns the entries. The parser is then ready
    // for a new listing with the same options.
    Listing finish();

    // The entries that no later line can change, in listing order, handed
    // out now and dropped from the parser, so that its memory stays bounded
    // by the pending part; finish() then gives only the rest. Extended
    // dialect: every entry before the first that may still collapse with a
    // later VMS version (unless keepVersions) or whose name may still take
    // back the space of a padded date column (a plain Unix or DOS listing
    // hands out every entry). Classic dialect: empty until finish(), since a
    // later VMS-style line may collapse with any stored entry. When and how
    // often it is called never changes the entries, their order or the
    // skipped lines.
    Listing takeReady();

    // The lines that yielded no entry in the listing being parsed (those
    // that append() has decided so far) or, after finish(), in the listing
    // just finished. Empty unless Options::collectSkipped is set. Reading it
    // changes nothing; the reference stays valid until the next call of
    // append() or finish() or the parser's end.
    const std::vector<SkippedLine>& skipped() const;

private:
    struct Impl;
    Impl& impl();
    Options options_;  // copied, never moved: a moved-from parser starts again from them
    std::unique_ptr<Impl> impl_;
};

// Parses a whole listing at once.
Listing parse(std::string_view listing, const Options& options = {});

}  // namespace ftpdir

#undef FTPDIRLIST_VIEW_UNLIKELY
#endif  // C++17
#undef FTPDIRLIST_CXX_LEVEL

#endif  // FTPDIRLIST_FTPDIRLIST_HPP
