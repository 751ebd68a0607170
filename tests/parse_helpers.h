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
#include "test_support.h"

namespace ftpdirlist {

namespace test {

constexpr std::int32_t kInt32Max = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kInt32Min = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t kInt64Max = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kInt64Min = std::numeric_limits<std::int64_t>::min();

using testsupport::HeapBytes;
using testsupport::kToday;

struct LineResult {
    int result;  // 1: accepted (LineKind::entry), 0: not
    LineStyle style;
    FtpDirEntry entry;
};

// Parses one line into a fresh record, as the listing driver does.
inline LineResult ParseOne(std::string_view text, LocalDate today = kToday) {
    const HeapBytes line(text);
    ParsedEntry parsed;
    Today clock(today);
    LineStyle style = LineStyle::vms;  // ParseLine must set it
    const LineKind kind = ParseLine(Line(line.view()), nullptr, parsed, style, clock);
    EXPECT_NE(kind, LineKind::header) << "the classic dialect knows no headers";
    return {kind == LineKind::entry ? 1 : 0, style, ToEntry(parsed)};
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

inline void ExpectAccepted(const EntryCase* begin, const EntryCase* end,
                           LineStyle style = LineStyle::other) {
    for (const EntryCase* c = begin; c != end; ++c) {
        SCOPED_TRACE(std::string(c->reason) + ": " + EscapedBytes(c->line));
        const LineResult r = ParseOne(c->line);
        EXPECT_EQ(r.result, 1);
        EXPECT_EQ(r.style, style);
        EXPECT_EQ(r.entry, c->want);
    }
}

inline std::string Repeat(char byte, std::size_t count) { return std::string(count, byte); }

}  // namespace test
}  // namespace ftpdirlist
