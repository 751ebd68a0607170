// Records that carry one directory entry through the library.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "ftpdirlist/ftpdirlist.hpp"

namespace ftpdirlist {

// Date and optional time of an entry. A number means something only while
// its flag is 1; construction sets every field to 0.
struct FtpDateTime {
    std::int32_t year = 0;
    std::int32_t month = 0;
    std::int32_t day = 0;
    std::int32_t hour = 0;
    std::int32_t minute = 0;
    std::uint8_t hasTime = 0;
    std::uint8_t hasDate = 0;
};

// The family a line was read as: the public API's enum, so that a row's
// format reaches an Entry unconverted.
using EntryFormat = ftpdir::Format;

// What the extended dialect tells beyond a classic entry. Texts are views
// like the entry's; a classic line leaves all of it as constructed.
struct EntryExtras {
    std::string_view target;  // a link's target
    std::string_view owner;
    std::string_view group;
    std::int8_t second = -1;  // 0-60, or -1 when the line gives none
    std::uint8_t utc = 0;     // 1 when date and time are UTC
    EntryFormat format = EntryFormat::unknown;
    std::string_view facts;  // MLSD: the fact list, "name=value;" each
};

// What a line parser fills: an entry whose texts are views into the line
// being parsed or into the record's own scratch buffers. It lives only until
// the entry list has copied it, so parsing a line allocates nothing once the
// scratch buffers have grown.
struct ParsedEntry {
    std::string_view name;
    std::string_view attributes;
    std::int64_t size = 0;
    std::uint8_t isDir = 0;
    std::uint8_t isLink = 0;
    FtpDateTime dateTime;
    EntryExtras extras;
    std::string nameScratch;        // a name that is not one run of the line
    std::string attributesScratch;  // a mode token joined with its rights token

    // Back to a newly constructed record; the scratch buffers keep capacity.
    void Reset() {
        ResetClassic();
        extras = EntryExtras{};
    }
    // As Reset, except the extras, for a parser that never writes them: what
    // a classic line fills, and nothing more, is cleared for every line.
    void ResetClassic() {
        name = {};
        attributes = {};
        size = 0;
        isDir = 0;
        isLink = 0;
        dateTime = FtpDateTime{};
    }
};

}  // namespace ftpdirlist
