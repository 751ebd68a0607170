// Records that carry one directory entry through the library.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <type_traits>

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
// like the entry's; a classic line leaves all of it as constructed. The
// one-byte fields lie together, after the texts.
struct EntryExtras {
    std::string_view target;  // a link's target
    std::string_view owner;
    std::string_view group;
    std::string_view facts;   // MLSD: the fact list, "name=value;" each
    std::int8_t second = -1;  // 0-60, or -1 when the line gives none
    std::uint8_t utc = 0;     // 1 when date and time are UTC
    EntryFormat format = EntryFormat::unknown;
    // 1 when the byte before the name, a space, was left out as the date
    // column's padding: the table keeps it, to give it back should the
    // listing turn out not to pad (EntryTable::RestoreNamePads).
    std::uint8_t padBeforeName = 0;
};

// The fields of a parsed entry, without the scratch buffers their texts may
// view: plain bytes, so that a reset is a fill.
struct EntryFields {
    std::string_view name;
    std::string_view attributes;
    std::int64_t size = 0;
    std::uint8_t isDir = 0;
    std::uint8_t isLink = 0;
    FtpDateTime dateTime;
    EntryExtras extras;
};

static_assert(std::is_trivially_copyable<EntryFields>::value &&
                  std::is_standard_layout<EntryFields>::value,
              "a reset fills the fields' bytes");
static_assert(static_cast<int>(EntryFormat::unknown) == 0, "a reset's zero bytes read as unknown");

// What a line parser fills: an entry whose texts are views into the line
// being parsed or into the record's own scratch buffers. It lives only until
// the entry list has copied it, so parsing a line allocates nothing once the
// scratch buffers have grown.
struct ParsedEntry : EntryFields {
    std::string nameScratch;        // a name that is not one run of the line
    std::string attributesScratch;  // a mode token joined with its rights token

    // Back to a newly constructed record; the scratch buffers keep capacity.
    // Every field as constructed is zero bytes but extras.second, so zeros
    // and one byte give it: empty views, zero numbers, EntryFormat::unknown.
    void Reset() {
        ResetClassic();
        std::memset(static_cast<void*>(&extras), 0, sizeof extras);
        extras.second = -1;
    }
    // As Reset, except the extras, for a parser that never writes them: what
    // a classic line fills, and nothing more, is cleared for every line (the
    // fields before the extras).
    void ResetClassic() {
        std::memset(static_cast<void*>(&name), 0, offsetof(EntryFields, extras));
    }
};

}  // namespace ftpdirlist
