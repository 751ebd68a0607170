#include "listing_dump.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <memory>
#include <type_traits>
#include <vector>

#include "entries/entry_table.h"
#include "input/dir_list.h"
#include "parse/parse_line.h"

namespace ftpdirlist {

namespace {

// A fixed "today", so that both builds date timed entries alike.
constexpr LocalDate kToday{2024, 6, 15};

void Put(std::string& out, std::string_view text) {
    out += '"';
    for (const char ch : text) {
        const auto byte = static_cast<unsigned char>(ch);
        if (byte >= 0x20 && byte < 0x7F && byte != '\\' && byte != '"') {
            out += ch;
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", byte);
            out += hex;
        }
    }
    out += '"';
}

void Put(std::string& out, const FtpDateTime& dt) {
    char text[128];
    std::snprintf(text, sizeof text,
                  " date %d %" PRId32 "-%" PRId32 "-%" PRId32 " time %d %" PRId32 ":%" PRId32,
                  dt.hasDate, dt.year, dt.month, dt.day, dt.hasTime, dt.hour, dt.minute);
    out += text;
}

std::unique_ptr<char[]> ExactCopy(std::string_view text) {
    std::unique_ptr<char[]> copy(new char[text.size()]);
    if (!text.empty()) std::memcpy(copy.get(), text.data(), text.size());
    return copy;
}

// The table of either dialect's driver; the extended dialect's rows with
// what they tell beyond the row.
template <class DirList, class... Args>
void DumpTable(std::string& out, std::string_view listing, std::size_t chunk, Args... args) {
    std::vector<SkippedLine> skipped;
    DirList list(args...);
    list.SetSkippedSink(&skipped);
    const std::size_t step = chunk == 0 ? listing.size() : chunk;
    for (std::size_t at = 0; at < listing.size(); at += step) {
        const std::string_view piece = listing.substr(at, step);
        const auto copy = ExactCopy(piece);
        list.AppendData(copy.get(), piece.size());
    }
    const EntryTable table = list.Finish();
    char text[96];
    for (std::size_t i = 0; i < table.Size(); ++i) {
        const EntryRow& row = table.Row(i);
        out += "row ";
        Put(out, row.Name());
        out += ' ';
        Put(out, std::string_view(row.AttributesData(), row.attributesLength));
        std::snprintf(text, sizeof text, " size %" PRId64 " dir %d link %d version %" PRId32,
                      row.size, row.isDir, row.isLink, row.version);
        out += text;
        Put(out, row.DateTime());
        if constexpr (std::is_same_v<DirList, ExtendedDirList>) {
            const RowExtras extras = table.Extras(i);
            out += " target ";
            Put(out, extras.target);
            out += " owner ";
            Put(out, extras.owner);
            out += " group ";
            Put(out, extras.group);
            std::snprintf(text, sizeof text, " second %d utc %d format %d", extras.second,
                          extras.utc, static_cast<int>(extras.format));
            out += text;
        }
        out += '\n';
    }
    for (const SkippedLine& line : skipped) {
        out += "skipped " + std::to_string(line.number) + ' ';
        Put(out, line.text);
        out += '\n';
    }
}

// Each line alone, read up to its own end, and read inside the listing
// (where the fast kernels may read past it).
void DumpLines(std::string& out, std::string_view listing) {
    const auto whole = ExactCopy(listing);
    const char* end = whole.get() + listing.size();
    std::size_t at = 0;
    for (;;) {
        std::size_t eol = listing.find('\n', at);
        if (eol == std::string_view::npos) eol = listing.size();
        const std::string_view text = listing.substr(at, eol - at);
        const auto alone = ExactCopy(text);
        const char* begin = whole.get() + at;
        const Line lines[] = {Line(std::string_view(alone.get(), text.size())),
                              Line(begin, begin + text.size(), end)};
        for (const Line& line : lines) {
            ParsedEntry entry;
            Today today(kToday);
            LineStyle style = LineStyle::other;
            const LineKind verdict = ParseLine(line, nullptr, entry, style, today);
            out += "line " + std::to_string(static_cast<int>(verdict)) + ' ' +
                   std::to_string(static_cast<int>(style));
            if (verdict == LineKind::entry) {
                out += ' ';
                Put(out, entry.name);
                out += ' ';
                Put(out, entry.attributes);
                char fields[64];
                std::snprintf(fields, sizeof fields, " size %" PRId64 " dir %d link %d", entry.size,
                              entry.isDir, entry.isLink);
                out += fields;
                Put(out, entry.dateTime);
            }
            out += '\n';
        }
        if (eol == listing.size()) return;
        at = eol + 1;
    }
}

}  // namespace

std::string DumpListing(std::string_view listing, std::size_t chunk) {
    std::string out;
    DumpTable<CFtpDirList>(out, listing, chunk, kToday);
    out += "extended\n";
    DumpTable<ExtendedDirList>(out, listing, chunk, kToday, false);
    DumpLines(out, listing);
    return out;
}

}  // namespace ftpdirlist
