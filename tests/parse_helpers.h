// Shared by the line-parser tests: every input is parsed from a heap buffer
// of exactly its length, so that AddressSanitizer reports a read past the
// end of the line, and with a fixed date of today.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>

#include "model/entry.h"
#include "parse/parse_line.h"
#include "parse/today.h"

namespace ftpdirlist {

// Failure messages show every field, with bytes outside printable ASCII as
// escapes.
inline std::string EscapedBytes(std::string_view text) {
    std::string out;
    for (const char ch : text) {
        const auto byte = static_cast<unsigned char>(ch);
        if (byte >= 0x20 && byte < 0x7F && byte != '\\') {
            out.push_back(ch);
        } else {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02X", byte);
            out += hex;
        }
    }
    return out;
}

inline void PrintTo(const FtpDirEntry& e, std::ostream* os) {
    const FtpDateTime& t = e.dateTime;
    *os << "{name \"" << EscapedBytes(e.name) << "\", attributes \"" << EscapedBytes(e.attributes)
        << "\", size " << e.size << ", isDir " << int{e.isDir} << ", isLink " << int{e.isLink}
        << ", date " << t.year << "-" << t.month << "-" << t.day << " " << t.hour << ":" << t.minute
        << ", hasTime " << int{t.hasTime} << ", hasDate " << int{t.hasDate} << "}";
}

namespace test {

constexpr std::int32_t kInt32Max = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kInt32Min = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t kInt64Max = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kInt64Min = std::numeric_limits<std::int64_t>::min();

// 10 March 2002: Unix-style entries with a time up to 11 March are dated
// 2002, later ones 2001.
constexpr LocalDate kToday{2002, 3, 10};

// A copy of `text` in a heap block of exactly text.size() bytes.
class HeapBytes {
public:
    explicit HeapBytes(std::string_view text) : size_(text.size()), bytes_(new char[text.size()]) {
        if (size_ != 0) std::memcpy(bytes_.get(), text.data(), size_);
    }
    std::string_view view() const { return {bytes_.get(), size_}; }

private:
    std::size_t size_;
    std::unique_ptr<char[]> bytes_;
};

struct LineResult {
    int result;
    int flagWord;
    FtpDirEntry entry;
};

// Parses one line into a fresh record, as the listing driver does.
inline LineResult ParseOne(std::string_view text, LocalDate today = kToday) {
    const HeapBytes line(text);
    ParsedEntry parsed;
    Today clock(today);
    int flagWord = -1;  // ParseLine must clear it
    const int result = ParseLine(Line(line.view()), nullptr, parsed, flagWord, clock);
    return {result, flagWord, parsed.ToEntry()};
}

// Expected dates: with a time, or with a year only.
inline FtpDateTime Timed(std::int32_t year, std::int32_t month, std::int32_t day, std::int32_t hour,
                         std::int32_t minute) {
    return {year, month, day, hour, minute, 1, 1};
}
inline FtpDateTime Dated(std::int32_t year, std::int32_t month, std::int32_t day) {
    return {year, month, day, 0, 0, 0, 1};
}

// A line and the record it must give when accepted.
struct EntryCase {
    const char* reason;
    std::string line;
    FtpDirEntry want;
};

inline void ExpectAccepted(const EntryCase* begin, const EntryCase* end, int flagWord = 0) {
    for (const EntryCase* c = begin; c != end; ++c) {
        SCOPED_TRACE(std::string(c->reason) + ": " + EscapedBytes(c->line));
        const LineResult r = ParseOne(c->line);
        EXPECT_EQ(r.result, 1);
        EXPECT_EQ(r.flagWord, flagWord);
        EXPECT_EQ(r.entry, c->want);
    }
}

inline std::string Repeat(char byte, std::size_t count) { return std::string(count, byte); }

}  // namespace test
}  // namespace ftpdirlist
