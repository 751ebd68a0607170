// Records that carry one directory entry through the library.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

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

bool operator==(const FtpDateTime& a, const FtpDateTime& b);

// One parsed entry as a value: a copy owns its own texts.
struct FtpDirEntry {
    std::string name;
    std::string attributes;
    std::int64_t size = 0;
    std::uint8_t isDir = 0;
    std::uint8_t isLink = 0;
    FtpDateTime dateTime;
};

bool operator==(const FtpDirEntry& a, const FtpDirEntry& b);
inline bool operator!=(const FtpDirEntry& a, const FtpDirEntry& b) { return !(a == b); }

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
    std::string nameScratch;        // a name that is not one run of the line
    std::string attributesScratch;  // a mode token joined with its rights token

    // Back to a newly constructed record; the scratch buffers keep capacity.
    void Reset() {
        name = {};
        attributes = {};
        size = 0;
        isDir = 0;
        isLink = 0;
        dateTime = FtpDateTime{};
    }

    FtpDirEntry ToEntry() const;
};

}  // namespace ftpdirlist
