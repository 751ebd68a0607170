// The extended C API over the C++ API: a handle owns one ftpdir::Parser and
// the results of the listing it finished last. Every exported function
// catches everything at the boundary.
#include "ftpdirlist/ftpdirlist_ext.h"

#include <cstring>
#include <memory>
#include <new>
#include <string_view>
#include <vector>

#include "ftpdirlist/ftpdirlist.hpp"

namespace {

constexpr bool SameText(const char* a, const char* b) {
    for (; *a != '\0' && *a == *b; ++a, ++b) {
    }
    return *a == *b;
}
static_assert(SameText(FTPDIR_VERSION_STRING, FTPDIRLIST_VERSION),
              "ftpdirlist_ext.h names the release the build makes");

// The header's constants are the C++ API's values.
static_assert(FTPDIR_FORMAT_UNIX == static_cast<int>(ftpdir::Format::unixStyle) &&
                  FTPDIR_FORMAT_MLSD == static_cast<int>(ftpdir::Format::mlsd) &&
                  FTPDIR_FORMAT_MVS_MEMBER == static_cast<int>(ftpdir::Format::mvsMember) &&
                  FTPDIR_FORMAT_WINDOWS_CE == static_cast<int>(ftpdir::Format::windowsCe) &&
                  FTPDIR_FORMAT_UNIX_NUMERIC == static_cast<int>(ftpdir::Format::unixNumeric),
              "FTPDIR_FORMAT_* mirror ftpdir::Format");
static_assert(FTPDIR_SKIP_NOT_A_LISTING_LINE ==
                      static_cast<int>(ftpdir::SkipReason::notListingLine) &&
                  FTPDIR_SKIP_HEADER == static_cast<int>(ftpdir::SkipReason::header) &&
                  FTPDIR_SKIP_TITLE == static_cast<int>(ftpdir::SkipReason::title) &&
                  FTPDIR_SKIP_TOTAL == static_cast<int>(ftpdir::SkipReason::total) &&
                  FTPDIR_SKIP_JOINED_ELSEWHERE ==
                      static_cast<int>(ftpdir::SkipReason::joinedElsewhere) &&
                  FTPDIR_SKIP_DOT_ENTRY == static_cast<int>(ftpdir::SkipReason::dotEntry) &&
                  FTPDIR_SKIP_LINE_TOO_LONG == static_cast<int>(ftpdir::SkipReason::lineTooLong),
              "FTPDIR_SKIP_* mirror ftpdir::SkipReason");

}  // namespace

struct ftpdir_parser {
    ftpdir::Options options;
    // Made when a listing starts, dropped when options change or a call
    // fails, so that the next listing starts clean.
    std::unique_ptr<ftpdir::Parser> parser;
    bool inListing = false;  // bytes were fed since the last finish
    std::vector<ftpdir::Entry> entries;
    std::vector<ftpdir::SkippedLine> skipped;

    ftpdir::Parser& Current() {
        if (!parser) parser = std::make_unique<ftpdir::Parser>(options);
        return *parser;
    }
};

namespace {

// Runs `step` with every exception turned into a return code; on an error
// the listing in progress is dropped.
template <typename Step>
int32_t Guarded(ftpdir_parser* p, Step step) noexcept {
    try {
        step();
        return FTPDIR_OK;
    } catch (const std::bad_alloc&) {
        p->parser.reset();
        p->inListing = false;
        return FTPDIR_ERROR_NO_MEMORY;
    } catch (...) {
        p->parser.reset();
        p->inListing = false;
        return FTPDIR_ERROR_INTERNAL;
    }
}

// Applies an option change that starts with the next listing.
template <typename Change>
int32_t SetOption(ftpdir_parser* p, Change change) noexcept {
    if (p == nullptr) return FTPDIR_ERROR_ARGUMENT;
    if (p->inListing) return FTPDIR_ERROR_STATE;
    change(p->options);
    p->parser.reset();
    return FTPDIR_OK;
}

}  // namespace

extern "C" {

const char* ftpdir_version(void) { return FTPDIR_VERSION_STRING; }

int32_t ftpdir_api_version(void) { return FTPDIR_API_VERSION; }

const char* ftpdir_status_text(int32_t status) {
    switch (status) {
        case FTPDIR_OK:
            return "ok";
        case FTPDIR_ERROR_ARGUMENT:
            return "bad argument";
        case FTPDIR_ERROR_NO_MEMORY:
            return "out of memory";
        case FTPDIR_ERROR_STATE:
            return "not allowed while a listing is in progress";
        case FTPDIR_ERROR_INTERNAL:
            return "internal error";
        default:
            return "unknown status";
    }
}

const char* ftpdir_format_name(int32_t format) {
    if (format < FTPDIR_FORMAT_UNKNOWN || format > FTPDIR_FORMAT_UNIX_NUMERIC) return "unknown";
    return ftpdir::formatName(static_cast<ftpdir::Format>(format));
}

int32_t ftpdir_parser_new(ftpdir_parser** out) {
    if (out == nullptr) return FTPDIR_ERROR_ARGUMENT;
    try {
        *out = new ftpdir_parser();
        return FTPDIR_OK;
    } catch (...) {
        *out = nullptr;
        return FTPDIR_ERROR_NO_MEMORY;
    }
}

void ftpdir_parser_free(ftpdir_parser* parser) { delete parser; }

int32_t ftpdir_set_dialect(ftpdir_parser* parser, int32_t dialect) {
    if (dialect != FTPDIR_DIALECT_EXTENDED && dialect != FTPDIR_DIALECT_CLASSIC) {
        return FTPDIR_ERROR_ARGUMENT;
    }
    return SetOption(parser, [&](ftpdir::Options& o) {
        o.dialect = dialect == FTPDIR_DIALECT_CLASSIC ? ftpdir::Dialect::classic
                                                      : ftpdir::Dialect::extended;
    });
}

int32_t ftpdir_set_today(ftpdir_parser* parser, int32_t year, int32_t month, int32_t day) {
    return SetOption(parser, [&](ftpdir::Options& o) {
        if (year == 0 && month == 0 && day == 0) {
            o.today.reset();
        } else {
            o.today = ftpdir::Date{year, month, day};
        }
    });
}

int32_t ftpdir_set_keep_versions(ftpdir_parser* parser, int32_t keep) {
    return SetOption(parser, [&](ftpdir::Options& o) { o.keepVersions = keep != 0; });
}

int32_t ftpdir_set_collect_skipped(ftpdir_parser* parser, int32_t collect) {
    return SetOption(parser, [&](ftpdir::Options& o) { o.collectSkipped = collect != 0; });
}

int32_t ftpdir_feed(ftpdir_parser* parser, const char* data, size_t length) {
    if (parser == nullptr || (data == nullptr && length != 0)) return FTPDIR_ERROR_ARGUMENT;
    if (length == 0) return FTPDIR_OK;
    return Guarded(parser, [&] {
        parser->inListing = true;
        parser->Current().append(std::string_view(data, length));
    });
}

int32_t ftpdir_finish(ftpdir_parser* parser, size_t* count) {
    if (count != nullptr) *count = 0;
    if (parser == nullptr) return FTPDIR_ERROR_ARGUMENT;
    // The previous results go first, so that their memory is free for these.
    parser->entries.clear();
    parser->entries.shrink_to_fit();
    parser->skipped.clear();
    parser->skipped.shrink_to_fit();
    const int32_t status = Guarded(parser, [&] {
        ftpdir::Parser& current = parser->Current();
        parser->inListing = false;
        parser->entries = current.finish();
        parser->skipped = current.skipped();
    });
    if (status != FTPDIR_OK) {
        parser->entries.clear();
        parser->skipped.clear();
    } else if (count != nullptr) {
        *count = parser->entries.size();
    }
    return status;
}

size_t ftpdir_entry_count(const ftpdir_parser* parser) {
    return parser != nullptr ? parser->entries.size() : 0;
}

int32_t ftpdir_entry_get(const ftpdir_parser* parser, size_t index, ftpdir_entry* out,
                         size_t out_size) {
    if (parser == nullptr || out == nullptr || out_size < FTPDIR_ENTRY_SIZE_V1 ||
        index >= parser->entries.size()) {
        return FTPDIR_ERROR_ARGUMENT;
    }
    const ftpdir::Entry& e = parser->entries[index];
    ftpdir_entry r;
    std::memset(&r, 0, sizeof r);
    r.name = e.name.c_str();
    r.name_length = e.name.size();
    r.attributes = e.attributes.c_str();
    r.attributes_length = e.attributes.size();
    r.target = e.target.c_str();
    r.target_length = e.target.size();
    r.owner = e.owner.c_str();
    r.owner_length = e.owner.size();
    r.group = e.group.c_str();
    r.group_length = e.group.size();
    r.format = static_cast<int32_t>(e.format);
    r.format_name = ftpdir::formatName(e.format);
    r.size = e.size;
    if (e.date) {
        r.has_date = 1;
        r.year = e.date->year;
        r.month = e.date->month;
        r.day = e.date->day;
    }
    r.second = -1;
    if (e.time) {
        r.has_time = 1;
        r.hour = e.time->hour;
        r.minute = e.time->minute;
        if (e.time->second) r.second = *e.time->second;
    }
    r.is_dir = e.isDir ? 1 : 0;
    r.is_link = e.isLink ? 1 : 0;
    r.utc = e.utc ? 1 : 0;
    r.facts = e.facts.c_str();
    r.facts_length = e.facts.size();
    std::memcpy(out, &r, out_size < sizeof r ? out_size : sizeof r);
    return FTPDIR_OK;
}

size_t ftpdir_skipped_count(const ftpdir_parser* parser) {
    return parser != nullptr ? parser->skipped.size() : 0;
}

int32_t ftpdir_skipped_get(const ftpdir_parser* parser, size_t index, uint64_t* line_number,
                           const char** text, size_t* length) {
    if (parser == nullptr || index >= parser->skipped.size()) return FTPDIR_ERROR_ARGUMENT;
    const ftpdir::SkippedLine& line = parser->skipped[index];
    if (line_number != nullptr) *line_number = line.number;
    if (text != nullptr) *text = line.text.c_str();
    if (length != nullptr) *length = line.text.size();
    return FTPDIR_OK;
}

int32_t ftpdir_skipped_reason(const ftpdir_parser* parser, size_t index) {
    if (parser == nullptr || index >= parser->skipped.size()) return -1;
    return static_cast<int32_t>(parser->skipped[index].reason);
}

const char* ftpdir_skip_reason_name(int32_t reason) {
    if (reason < FTPDIR_SKIP_NOT_A_LISTING_LINE || reason > FTPDIR_SKIP_LINE_TOO_LONG) {
        reason = FTPDIR_SKIP_NOT_A_LISTING_LINE;
    }
    return ftpdir::skipReasonName(static_cast<ftpdir::SkipReason>(reason));
}

}  // extern "C"
