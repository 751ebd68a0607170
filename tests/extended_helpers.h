// Shared by the extended dialect's tests: one line through the dispatcher,
// from a heap buffer of exactly its length, with a fixed today, and the
// record compared field by field, extras included.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "extended/line_parser.h"
#include "parse_helpers.h"

namespace ftpdirlist {
namespace test {

// What a line must give: the entry's fields and its extras.
struct Want {
    std::string name;
    std::string attributes;
    std::int64_t size;
    int isDir;
    int isLink;
    FtpDateTime dateTime;
    std::string owner = {};
    std::string group = {};
    std::string target = {};
    int second = -1;
};

struct ExtResult {
    ext::LineKind kind;
    FtpDirEntry entry;
    std::string owner;
    std::string group;
    std::string target;
    int second;
    EntryFormat format;
};

// A reader's verdict and the record it filled.
inline ExtResult ResultOf(ext::LineKind kind, const ParsedEntry& parsed) {
    const EntryExtras& x = parsed.extras;
    return {kind,
            ToEntry(parsed),
            std::string(x.owner),
            std::string(x.group),
            std::string(x.target),
            x.second,
            x.format};
}

// Parses one line as a listing's line in `state` (updated), on `today`;
// with `held`, a held line of that length joined with the next, as the
// driver joins them (ExtendedLineParser::ParseJoined).
inline ExtResult ParseExt(std::string_view text, ext::ListingState& state, LocalDate today = kToday,
                          std::size_t held = 0) {
    const HeapBytes line(text);
    ParsedEntry parsed;
    Today clock(today);
    ext::LineKind kind = ext::ParseExtendedLine(line.view(), state, clock, parsed);
    if (held != 0 && kind == ext::LineKind::entry &&
        !ext::JoinSuppliesOnlyName(parsed, line.view().substr(0, held))) {
        kind = ext::LineKind::none;
    }
    return ResultOf(kind, parsed);
}

inline ExtResult ParseExt(std::string_view text) {
    ext::ListingState state;
    return ParseExt(text, state);
}

// ParseExt for a line as a listing's line: followed in its buffer by a line
// end and `after` more bytes that the readers may read past it, into
// `parsed` (reset first, as the driver resets its one record per line).
inline ExtResult ParseExtInListing(std::string_view text, ParsedEntry& parsed,
                                   std::size_t after = 48) {
    const HeapBytes input(std::string(text) + "\r\n" + std::string(after, 'x'));
    ext::ListingState state;
    state.scan = {input.data(), input.data() + input.size(), nullptr};
    parsed.Reset();
    Today clock(kToday);
    const ext::LineKind kind =
        ext::ParseExtendedLine(input.view().substr(0, text.size()), state, clock, parsed);
    return ResultOf(kind, parsed);
}

// The same result, field by field.
inline void ExpectSameResult(const ExtResult& got, const ExtResult& want) {
    EXPECT_EQ(got.kind, want.kind);
    if (got.kind != ext::LineKind::entry || want.kind != ext::LineKind::entry) return;
    EXPECT_EQ(got.entry, want.entry);
    EXPECT_EQ(got.owner, want.owner);
    EXPECT_EQ(got.group, want.group);
    EXPECT_EQ(got.target, want.target);
    EXPECT_EQ(got.second, want.second);
    EXPECT_EQ(got.format, want.format);
}

struct AcceptCase {
    const char* reason;
    std::string line;
    Want want;
};

// Every line read as an entry of `format` with the fields of its row, in a
// listing of `state`.
inline void ExpectEntries(const AcceptCase* begin, const AcceptCase* end, EntryFormat format,
                          const ext::ListingState& state = {}) {
    for (const AcceptCase* c = begin; c != end; ++c) {
        SCOPED_TRACE(std::string(c->reason) + ": " + EscapedBytes(c->line));
        ext::ListingState s = state;
        const ExtResult r = ParseExt(c->line, s);
        ASSERT_EQ(r.kind, ext::LineKind::entry);
        EXPECT_EQ(r.format, format);
        EXPECT_EQ(s.family, format);
        const Want& w = c->want;
        const FtpDirEntry want{w.name,
                               w.attributes,
                               w.size,
                               static_cast<std::uint8_t>(w.isDir),
                               static_cast<std::uint8_t>(w.isLink),
                               w.dateTime};
        EXPECT_EQ(r.entry, want);
        EXPECT_EQ(r.owner, w.owner);
        EXPECT_EQ(r.group, w.group);
        EXPECT_EQ(r.target, w.target);
        EXPECT_EQ(r.second, w.second);
    }
}

struct RejectCase {
    const char* reason;
    std::string line;
};

// Every line read as no entry of any family (or as a header when `kind`
// says so).
inline void ExpectRejected(const RejectCase* begin, const RejectCase* end,
                           const ext::ListingState& state = {},
                           ext::LineKind kind = ext::LineKind::none) {
    for (const RejectCase* c = begin; c != end; ++c) {
        SCOPED_TRACE(std::string(c->reason) + ": " + EscapedBytes(c->line));
        ext::ListingState s = state;
        EXPECT_EQ(ParseExt(c->line, s).kind, kind);
    }
}

// Every line read as a line of some family that is skipped for `reason`.
inline void ExpectSkippedAs(const RejectCase* begin, const RejectCase* end,
                            ftpdir::SkipReason reason, const ext::ListingState& state = {}) {
    for (const RejectCase* c = begin; c != end; ++c) {
        SCOPED_TRACE(std::string(c->reason) + ": " + EscapedBytes(c->line));
        ext::ListingState s = state;
        EXPECT_EQ(ParseExt(c->line, s).kind, ext::LineKind::header);
        EXPECT_EQ(s.skip, reason);
    }
}

}  // namespace test
}  // namespace ftpdirlist
