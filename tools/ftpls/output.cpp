#include "output.h"

#include <algorithm>
#include <cerrno>
#include <cinttypes>

namespace ftpls {

namespace {

constexpr std::size_t kDrainSize = 64 * 1024;

// What a cell holds, and so how each format writes it.
enum class Kind {
    kBytes,   // server text: decoded; escaped for the table, quoted for CSV and JSON
    kText,    // ASCII made by ftpls (dates, type letters, format names)
    kNumber,  // the table shows a negative size as '-'
    kBool,
    kNull,  // nothing to tell: empty in the table and CSV, null in JSON
};

struct Cell {
    Kind kind = Kind::kNull;
    std::string_view bytes;  // kBytes
    std::string_view link;   // kBytes in the table: a link's target, written after " -> "
    bool isName = false;     // the table: quoted when it begins or ends with a space
    char text[48] = {};      // kText, NUL-terminated
    std::int64_t number = 0;
    bool flag = false;
};

Cell Bytes(std::string_view bytes, std::string_view link = {}) {
    Cell c;
    c.kind = Kind::kBytes;
    c.bytes = bytes;
    c.link = link;
    return c;
}

Cell Number(std::int64_t value) {
    Cell c;
    c.kind = Kind::kNumber;
    c.number = value;
    return c;
}

Cell Optional(bool present, std::int32_t value) { return present ? Number(value) : Cell{}; }

Cell Bool(bool value) {
    Cell c;
    c.kind = Kind::kBool;
    c.flag = value;
    return c;
}

Cell Text(const char* text) {
    Cell c;
    c.kind = Kind::kText;
    std::snprintf(c.text, sizeof c.text, "%s", text);
    return c;
}

void AppendNumber(std::string& out, std::int64_t value) {
    char text[24];
    const int n = std::snprintf(text, sizeof text, "%" PRId64, value);
    out.append(text, static_cast<std::size_t>(n));
}

std::size_t AppendDate(char* out, std::size_t size, const ftpdir::Date& d) {
    const int n =
        std::snprintf(out, size, "%04" PRId32 "-%02" PRId32 "-%02" PRId32, d.year, d.month, d.day);
    return n < 0 ? 0 : std::min(static_cast<std::size_t>(n), size - 1);
}

std::size_t AppendTime(char* out, std::size_t size, const ftpdir::Time& t) {
    const int n = t.second ? std::snprintf(out, size, "%02" PRId32 ":%02" PRId32 ":%02" PRId32,
                                           t.hour, t.minute, *t.second)
                           : std::snprintf(out, size, "%02" PRId32 ":%02" PRId32, t.hour, t.minute);
    return n < 0 ? 0 : std::min(static_cast<std::size_t>(n), size - 1);
}

Cell DateCell(const Row& e) {
    Cell c;
    if (!e.date) return c;
    c.kind = Kind::kText;
    AppendDate(c.text, sizeof c.text, *e.date);
    return c;
}

Cell TimeCell(const Row& e) {
    Cell c;
    if (!e.time) return c;
    c.kind = Kind::kText;
    AppendTime(c.text, sizeof c.text, *e.time);
    return c;
}

// ISO 8601: the date, then the time when there is one ("T10:30", seconds
// only when given, "Z" when UTC).
Cell Modified(const Row& e) {
    Cell c;
    if (!e.date) return c;
    c.kind = Kind::kText;
    std::size_t n = AppendDate(c.text, sizeof c.text, *e.date);
    if (e.time) {
        c.text[n++] = 'T';
        n += AppendTime(c.text + n, sizeof c.text - n, *e.time);
        if (e.utc && n + 1 < sizeof c.text) {
            c.text[n++] = 'Z';
            c.text[n] = '\0';
        }
    }
    return c;
}

// "c", "b", "p" or "s" for a device, FIFO or socket of a Unix listing (its
// mode's first letter, or the type bits of a numeric mode), else "-".
const char* SpecialFile(const Row& e) {
    const std::string_view mode = e.attributes;
    if (e.format == ftpdir::Format::unixStyle && !mode.empty()) {
        switch (mode[0]) {
            case 'c':
                return "c";
            case 'b':
                return "b";
            case 'p':
                return "p";
            case 's':
                return "s";
            default:
                return "-";
        }
    }
    if (e.format == ftpdir::Format::unixNumeric && mode.size() >= 6) {
        const std::string_view type(mode.data() + mode.size() - 6, 2);  // 0TTPPPP: TT of 6 digits
        if (type == "02") return "c";
        if (type == "06") return "b";
        if (type == "01") return "p";
        if (type == "14") return "s";
    }
    return "-";
}

// Where a column appears.
enum Flags : unsigned {
    kInTable = 1,
    kInData = 2,          // CSV and JSON, named by the column's key
    kExtendedOnly = 4,    // not with --classic
    kWithAttributes = 8,  // the table: only with -l
    kRightAligned = 16,   // the table
    kTimeWidth = 32,      // the table: at least as wide as hh:mm
};

struct Column {
    const char* key;
    unsigned flags;
    Cell (*value)(const Row&);
};

// Every output field, once. The table takes the kInTable columns and CSV and
// JSON the kInData columns, each in this order.
const Column kColumns[] = {
    {"type", kInTable,
     [](const Row& e) {
         return Text(e.isLink ? "l" : e.isDir ? "d" : SpecialFile(e));
     }},
    {"name", kInData, [](const Row& e) { return Bytes(e.name); }},
    {"attributes", kInTable | kWithAttributes | kInData,
     [](const Row& e) { return Bytes(e.attributes); }},
    {"size", kInTable | kRightAligned | kInData, [](const Row& e) { return Number(e.size); }},
    {"isDir", kInData, [](const Row& e) { return Bool(e.isDir); }},
    {"isLink", kInData, [](const Row& e) { return Bool(e.isLink); }},
    {"year", kInData, [](const Row& e) { return Optional(!!e.date, e.date ? e.date->year : 0); }},
    {"month", kInData, [](const Row& e) { return Optional(!!e.date, e.date ? e.date->month : 0); }},
    {"day", kInData, [](const Row& e) { return Optional(!!e.date, e.date ? e.date->day : 0); }},
    {"hour", kInData, [](const Row& e) { return Optional(!!e.time, e.time ? e.time->hour : 0); }},
    {"minute", kInData,
     [](const Row& e) { return Optional(!!e.time, e.time ? e.time->minute : 0); }},
    {"date", kInTable, DateCell},
    {"time", kInTable | kTimeWidth, TimeCell},
    {"name", kInTable,
     [](const Row& e) {
         Cell c = Bytes(e.name, e.target);
         c.isName = true;
         return c;
     }},
    {"second", kInData | kExtendedOnly,
     [](const Row& e) {
         const bool given = e.time && e.time->second;
         return Optional(given, given ? *e.time->second : 0);
     }},
    {"target", kInData | kExtendedOnly, [](const Row& e) { return Bytes(e.target); }},
    {"owner", kInData | kExtendedOnly, [](const Row& e) { return Bytes(e.owner); }},
    {"group", kInData | kExtendedOnly, [](const Row& e) { return Bytes(e.group); }},
    {"format", kInData | kExtendedOnly,
     [](const Row& e) { return Text(ftpdir::formatName(e.format)); }},
    {"modified", kInData | kExtendedOnly, Modified},
};

}  // namespace

Output::Output(std::FILE* stream, Format format, bool attributes, bool extended, bool severalFiles,
               TextDecoder& decoder)
    : stream_(stream),
      format_(format),
      attributes_(attributes),
      extended_(extended),
      severalFiles_(severalFiles),
      decoder_(decoder) {}

bool Output::Shown(unsigned flags, bool table) const {
    if ((flags & kExtendedOnly) != 0 && !extended_) return false;
    if (table) return (flags & kInTable) != 0 && ((flags & kWithAttributes) == 0 || attributes_);
    return (flags & kInData) != 0;
}

void Output::Begin() {
    if (begun_) return;
    begun_ = true;
    if (format_ == Format::kCsv) {
        if (severalFiles_) buffer_ += "file,";
        bool first = true;
        for (const Column& column : kColumns) {
            if (!Shown(column.flags, false)) continue;
            if (!first) buffer_.push_back(',');
            buffer_ += column.key;
            first = false;
        }
        buffer_ += "\r\n";
    } else if (format_ == Format::kJson) {
        buffer_ += "[";
    }
}

void Output::Listing(std::string_view file, const std::vector<Row>& entries) {
    if (format_ == Format::kTable) {
        Table(file, entries);
    } else {
        for (const Row& e : entries) Entry(file, e);
    }
    ++listings_;
    Drain(false);
}

void Output::Entry(std::string_view file, const Row& e) {
    if (format_ == Format::kCsv) {
        Csv(file, e);
    } else {
        Json(file, e);
    }
    Drain(false);
}

bool Output::DecodesAlike(const Row& e) const {
    const bool table = format_ == Format::kTable;
    for (const Column& column : kColumns) {
        if (!Shown(column.flags, table)) continue;
        const Cell c = column.value(e);
        if (c.kind == Kind::kBytes && (!IsUtf8(c.bytes) || !IsUtf8(c.link))) return false;
    }
    return true;
}

void Output::End() {
    if (begun_ && format_ == Format::kJson) buffer_ += jsonEntries_ == 0 ? "]\n" : "\n]\n";
}

void Output::Line(std::string_view text) {
    buffer_.append(text.data(), text.size());
    buffer_.push_back('\n');
}

namespace {

// A name as the table shows it: escaped, and quoted as a shell would need
// it when it begins or ends with a space: 'name ', "it's ", or
// 'a'\''b\" ' when the name holds both kinds of quote or shell marks.
void AppendName(std::string& out, std::string_view bytes, TextDecoder& decoder) {
    const std::size_t start = out.size();
    AppendDisplay(out, decoder.Decode(bytes));
    const std::string_view shown(out.data() + start, out.size() - start);
    if (shown.empty() || (shown.front() != ' ' && shown.back() != ' ')) return;
    std::string name(shown);
    out.resize(start);
    if (name.find('\'') == std::string::npos) {
        out += '\'' + name + '\'';
    } else if (name.find_first_of("\"$`\\!") == std::string::npos) {
        out += '"' + name + '"';
    } else {
        out += '\'';
        for (const char c : name) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
        out += '\'';
    }
}

// A cell as the table shows it.
void TableCell(std::string& out, const Cell& c, TextDecoder& decoder, bool human) {
    switch (c.kind) {
        case Kind::kBytes:
            if (!c.isName) {
                AppendDisplay(out, decoder.Decode(c.bytes));
                break;
            }
            AppendName(out, c.bytes, decoder);
            if (!c.link.empty()) {
                out += " -> ";
                AppendName(out, c.link, decoder);
            }
            break;
        case Kind::kText:
            out += c.text;
            break;
        case Kind::kNumber:
            if (c.number < 0) {
                out.push_back('-');  // no size in bytes
            } else if (human) {
                out += HumanSize(c.number);
            } else {
                AppendNumber(out, c.number);
            }
            break;
        case Kind::kBool:
            out.push_back(c.flag ? '1' : '0');
            break;
        case Kind::kNull:
            break;
    }
}

// The cell of `column` for `e` in the table; with -1 without a link's target.
Cell CellOf(const Column& column, const Row& e, bool namesOnly) {
    Cell c = column.value(e);
    if (namesOnly) c.link = {};
    return c;
}

}  // namespace

void Output::Table(std::string_view file, const std::vector<Row>& entries) {
    if (severalFiles_) {
        if (listings_ > 0) buffer_.push_back('\n');
        AppendDisplay(buffer_, file);
        buffer_ += ":\n";
    }
    std::vector<const Column*> columns;
    for (const Column& column : kColumns) {
        if (Shown(column.flags, true)) columns.push_back(&column);
    }
    if (namesOnly_) columns.erase(columns.begin(), columns.end() - 1);  // the name is last
    // Every column but the last is padded to its widest cell.
    std::vector<std::size_t> widths(columns.size(), 0);
    for (std::size_t c = 0; c + 1 < columns.size(); ++c) {
        if ((columns[c]->flags & kTimeWidth) != 0) widths[c] = 5;
        for (const Row& e : entries) {
            cell_.clear();
            TableCell(cell_, CellOf(*columns[c], e, namesOnly_), decoder_, human_);
            widths[c] = std::max(widths[c], DisplayWidth(cell_));
        }
    }
    for (const Row& e : entries) {
        for (std::size_t c = 0; c < columns.size(); ++c) {
            cell_.clear();
            TableCell(cell_, CellOf(*columns[c], e, namesOnly_), decoder_, human_);
            const bool last = c + 1 == columns.size();
            const std::size_t width = DisplayWidth(cell_);
            const std::size_t pad = !last && width < widths[c] ? widths[c] - width : 0;
            if ((columns[c]->flags & kRightAligned) != 0) buffer_.append(pad, ' ');
            buffer_ += cell_;
            if ((columns[c]->flags & kRightAligned) == 0) buffer_.append(pad, ' ');
            buffer_.push_back(last ? '\n' : ' ');
        }
        Drain(false);
    }
}

void Output::Csv(std::string_view file, const Row& e) {
    if (severalFiles_) {
        AppendCsvField(buffer_, file, keepFormulas_);
        buffer_.push_back(',');
    }
    bool first = true;
    for (const Column& column : kColumns) {
        if (!Shown(column.flags, false)) continue;
        if (!first) buffer_.push_back(',');
        first = false;
        const Cell c = column.value(e);
        switch (c.kind) {
            case Kind::kBytes:
                AppendCsvField(buffer_, decoder_.Decode(c.bytes), keepFormulas_);
                break;
            case Kind::kText:
                AppendCsvField(buffer_, c.text, true);
                break;
            case Kind::kNumber:
                AppendNumber(buffer_, c.number);
                break;
            case Kind::kBool:
                buffer_.push_back(c.flag ? '1' : '0');
                break;
            case Kind::kNull:
                break;
        }
    }
    buffer_ += "\r\n";
}

void Output::Json(std::string_view file, const Row& e) {
    buffer_ += jsonEntries_++ == 0 ? "\n  {" : ",\n  {";
    if (severalFiles_) {
        buffer_ += "\"file\": \"";
        AppendJsonString(buffer_, file);
        buffer_ += "\", ";
    }
    bool first = true;
    for (const Column& column : kColumns) {
        if (!Shown(column.flags, false)) continue;
        buffer_ += first ? "\"" : ", \"";
        first = false;
        buffer_ += column.key;
        buffer_ += "\": ";
        const Cell c = column.value(e);
        switch (c.kind) {
            case Kind::kBytes:
            case Kind::kText:
                buffer_.push_back('"');
                AppendJsonString(buffer_,
                                 c.kind == Kind::kBytes ? decoder_.Decode(c.bytes) : c.text);
                buffer_.push_back('"');
                break;
            case Kind::kNumber:
                AppendNumber(buffer_, c.number);
                break;
            case Kind::kBool:
                buffer_ += c.flag ? "true" : "false";
                break;
            case Kind::kNull:
                buffer_ += "null";
                break;
        }
    }
    buffer_ += "}";
}

void Output::Drain(bool force) {
    if (buffer_.empty() || (!force && buffer_.size() < kDrainSize)) return;
    if (error_ == 0 && std::fwrite(buffer_.data(), 1, buffer_.size(), stream_) != buffer_.size()) {
        error_ = errno != 0 ? errno : EIO;
    }
    buffer_.clear();
}

bool Output::Flush() {
    Drain(true);
    if (error_ == 0 && std::fflush(stream_) != 0) error_ = errno != 0 ? errno : EIO;
    return error_ == 0;
}

std::string HumanSize(std::int64_t size) {
    static const char kUnits[] = "KMGTPE";
    std::uint64_t n = static_cast<std::uint64_t>(size < 0 ? 0 : size);
    if (n < 1024) return std::to_string(n);
    std::size_t unit = 0;
    std::uint64_t divisor = 1024;
    while (unit + 1 < sizeof kUnits - 1 && n / divisor >= 1024) {
        divisor *= 1024;
        ++unit;
    }
    // divisor <= 2^60, so 10 * remainder stays below 2^64.
    const std::uint64_t whole = n / divisor, rest = n % divisor;
    const std::uint64_t tenths = whole * 10 + (rest * 10 + divisor - 1) / divisor;
    char text[32];
    if (tenths < 100) {
        std::snprintf(text, sizeof text, "%u.%u%c", static_cast<unsigned>(tenths / 10),
                      static_cast<unsigned>(tenths % 10), kUnits[unit]);
        return text;
    }
    const std::uint64_t up = whole + (rest != 0 ? 1 : 0);
    if (up >= 1024 && unit + 1 < sizeof kUnits - 1) {
        std::snprintf(text, sizeof text, "1.0%c", kUnits[unit + 1]);
    } else {
        std::snprintf(text, sizeof text, "%" PRIu64 "%c", up, kUnits[unit]);
    }
    return text;
}

namespace {

// The entry's time as one comparable number; -1 without a date.
std::int64_t TimeKey(const Row& e) {
    if (!e.date) return -1;
    std::int64_t key =
        (static_cast<std::int64_t>(e.date->year) * 100 + e.date->month) * 100 + e.date->day;
    key *= 100000;
    if (e.time) key += (e.time->hour * 60 + e.time->minute) * 60 + e.time->second.value_or(0);
    return key;
}

}  // namespace

void SortEntries(std::vector<Row>& entries, SortKey key, bool reverse) {
    switch (key) {
        case SortKey::kNone:
            break;
        case SortKey::kName:
            std::stable_sort(entries.begin(), entries.end(),
                             [](const Row& a, const Row& b) { return a.name < b.name; });
            break;
        case SortKey::kSize:
            std::stable_sort(entries.begin(), entries.end(), [](const Row& a, const Row& b) {
                if (a.size != b.size) return a.size > b.size;
                return a.name < b.name;
            });
            break;
        case SortKey::kTime:
            std::stable_sort(entries.begin(), entries.end(), [](const Row& a, const Row& b) {
                const std::int64_t ta = TimeKey(a), tb = TimeKey(b);
                if (ta != tb) return ta > tb;
                return a.name < b.name;
            });
            break;
    }
    if (reverse) std::reverse(entries.begin(), entries.end());
}

}  // namespace ftpls
