#include "ftpdirlist/ftpdirlist.hpp"

#include <algorithm>
#include <type_traits>

#include "entries/entry_table.h"
#include "input/dir_list.h"

namespace ftpdir {

namespace {

// A text of a row as a string built at once (cheaper than assigning to an
// empty one); an empty text costs nothing, as most targets and many groups
// are.
std::string Text(const char* data, std::size_t size) {
    return size == 0 ? std::string() : std::string(data, size);
}

// The table's rows as entries; `extras`: the table was filled by the
// extended dialect, whose rows tell more.
std::vector<Entry> ToEntries(const ftpdirlist::EntryTable& table, bool extras) {
    std::vector<Entry> out;
    out.reserve(table.Size());
    for (std::size_t i = 0; i < table.Size(); ++i) {
        const ftpdirlist::EntryRow& row = table.Row(i);
        const ftpdirlist::FtpDateTime dt = row.DateTime();
        std::optional<Date> date;
        std::optional<Time> time;
        if (dt.hasDate == 1) date = Date{dt.year, dt.month, dt.day};
        if (dt.hasTime == 1) time = Time{dt.hour, dt.minute};
        if (!extras) {
            out.push_back(Entry{
                Text(row.name, row.nameLength), Text(row.AttributesData(), row.attributesLength),
                row.size, row.isDir != 0, row.isLink != 0, date, time, std::string(), std::string(),
                std::string(), false, Format::unknown, std::string()});
            continue;
        }
        const ftpdirlist::RowExtras x = table.Extras(i);
        if (time && x.second >= 0) time->second = x.second;
        out.push_back(
            Entry{Text(row.name, row.nameLength), Text(row.AttributesData(), row.attributesLength),
                  row.size, row.isDir != 0, row.isLink != 0, date, time,
                  Text(x.target.data(), x.target.size()), Text(x.owner.data(), x.owner.size()),
                  Text(x.group.data(), x.group.size()), x.utc != 0, x.format,
                  Text(x.facts.data(), x.facts.size())});
    }
    return out;
}

// Options::today within the range the header promises, so that no date
// arithmetic of the parsers can overflow.
ftpdirlist::LocalDate ClampedToday(const Date& d) {
    return {std::clamp(d.year, kTodayYearMin, kTodayYearMax), std::clamp(d.month, 1, 12),
            std::clamp(d.day, 1, 31)};
}

}  // namespace

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
        "not-a-listing-line", "header", "title", "total", "joined-elsewhere", "dot-entry",
        "line-too-long",
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

    std::vector<Entry> Finish() {
        // The listing is finished even if copying the entries throws: the
        // next call starts a new one.
        finished = true;
        if (classic) return ToEntries(classic->Finish(), false);
        const ftpdirlist::EntryTable table = extended->Finish();
        TrimSkipped();
        return ToEntries(table, true);
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

std::vector<Entry> Parser::finish() {
    Impl& state = impl();
    if (state.finished) state.Start();
    return state.Finish();
}

const std::vector<SkippedLine>& Parser::skipped() const {
    static const std::vector<SkippedLine> kNone;
    return impl_ ? impl_->skipped : kNone;
}

std::vector<Entry> parse(std::string_view listing, const Options& options) {
    Parser parser(options);
    parser.append(listing);
    return parser.finish();
}

}  // namespace ftpdir
