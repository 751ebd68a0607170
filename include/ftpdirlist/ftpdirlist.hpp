// ftpdirlist C++ API: re-entrant parsing of FTP directory listings.
//
//   std::vector<ftpdir::Entry> entries = ftpdir::parse(listing);
//
//   ftpdir::Parser parser;
//   while (read(chunk)) parser.append(chunk);  // chunks may be reused at once
//   std::vector<ftpdir::Entry> entries = parser.finish();
//
// Gives the same entries as the C interface, byte for byte. There is no
// global state: any number of parsers may run at once on different threads
// (one parser is used by one thread at a time). Functions throw only
// std::bad_alloc.
#ifndef FTPDIRLIST_FTPDIRLIST_HPP
#define FTPDIRLIST_FTPDIRLIST_HPP

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ftpdir {

struct Date {
    std::int32_t year;
    std::int32_t month;  // 1-12
    std::int32_t day;    // as the listing gives it; not range-checked
    friend bool operator==(const Date& a, const Date& b) {
        return a.year == b.year && a.month == b.month && a.day == b.day;
    }
};

struct Time {
    std::int32_t hour;
    std::int32_t minute;
    friend bool operator==(const Time& a, const Time& b) {
        return a.hour == b.hour && a.minute == b.minute;
    }
};

// One directory entry. Texts are bytes in the server's code page.
struct Entry {
    std::string name;        // a symbolic link keeps " -> target"
    std::string attributes;  // Unix mode string or VMS protection; empty for DOS-style
    std::int64_t size = 0;   // bytes; -1 for a DOS-style directory, -2 for VMS entries
    bool isDir = false;      // also set for Unix-style symbolic links
    bool isLink = false;
    std::optional<Date> date;
    std::optional<Time> time;
    friend bool operator==(const Entry& a, const Entry& b) {
        return a.name == b.name && a.attributes == b.attributes && a.size == b.size &&
               a.isDir == b.isDir && a.isLink == b.isLink && a.date == b.date && a.time == b.time;
    }
    friend bool operator!=(const Entry& a, const Entry& b) { return !(a == b); }
};

// A line that yielded no entry (neither alone nor joined with the next one).
struct SkippedLine {
    std::uint64_t number;  // 1-based line number in the listing
    std::string text;      // the line without its line end and outer spaces
};

struct Options {
    // The date that counts as today for Unix-style entries that give a time
    // instead of a year; by default the local date of the system clock.
    std::optional<Date> today;
    // Collect the lines that yielded no entry (see Parser::skipped()).
    bool collectSkipped = false;
};

// Parses a listing that arrives in chunks.
class Parser {
public:
    explicit Parser(Options options = {});
    ~Parser();
    Parser(Parser&&) noexcept;
    Parser& operator=(Parser&&) noexcept;
    Parser(const Parser&) = delete;
    Parser& operator=(const Parser&) = delete;

    // Parses every line of `chunk` whose line end has arrived. The chunk is
    // read only during the call; only the unfinished last line is kept.
    void append(std::string_view chunk);

    // Parses what is left and returns the entries. The parser is then ready
    // for a new listing with the same options.
    std::vector<Entry> finish();

    // The lines that yielded no entry in the listing being parsed or, after
    // finish(), in the listing just finished. Empty unless
    // Options::collectSkipped is set.
    const std::vector<SkippedLine>& skipped() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Parses a whole listing at once.
std::vector<Entry> parse(std::string_view listing, const Options& options = {});

}  // namespace ftpdir

#endif  // FTPDIRLIST_FTPDIRLIST_HPP
