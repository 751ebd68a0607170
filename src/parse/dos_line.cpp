// DOS-style lines, as IIS and DOS servers write them:
//   01-15-02  10:30AM       <DIR>          My Folder
//   12-31-1999  12:05PM           1024 report.txt
#include <cstdint>
#include <limits>

#include "parse/parse_line.h"

namespace ftpdirlist {

namespace {

// Date and hour fields are built byte by byte without testing for digits:
// each byte adds its offset from "0", read as a signed 8-bit value. Only
// upper limits are tested, so long runs of high bytes drive a field far
// below zero; it saturates instead of overflowing.
std::int32_t AddByte(std::int32_t field, char byte) {
    const std::int64_t next = static_cast<std::int64_t>(field) * 10 +
                              (static_cast<std::int64_t>(static_cast<signed char>(byte)) - '0');
    if (next > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
    if (next < std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(next);
}

// Walks a date part from `i` until the byte that follows is "-"; `i` ends on
// that "-". Fails when the token ends first or the field passes `limit`.
bool WalkDatePart(std::string_view token, std::size_t& i, std::int32_t& field,
                  std::int32_t limit) {
    for (;;) {
        if (i >= token.size()) return false;
        field = AddByte(field, token[i]);
        if (field > limit) return false;
        ++i;
        if (i < token.size() && token[i] == '-') return true;
    }
}

bool ReadDate(std::string_view token, FtpDateTime& dt) {
    std::size_t i = 0;
    dt.month = 0;
    if (!WalkDatePart(token, i, dt.month, 12)) return false;
    ++i;
    dt.day = 0;
    if (!(i < token.size() && token[i] == '-')) {  // "01--02" has an empty day
        if (!WalkDatePart(token, i, dt.day, 31)) return false;
    }
    ++i;
    dt.year = 0;
    for (; i < token.size() && token[i] != '-'; ++i) {
        dt.year = AddByte(dt.year, token[i]);
        if (dt.year > 3000) return false;
    }
    if (dt.year < 50) {
        dt.year += 2000;
    } else if (dt.year < 100) {
        dt.year += 1900;
    } else if (dt.year < 1000) {
        return false;
    }
    return true;
}

// hh:mm on a twelve-hour clock, "P" right after the minutes for PM.
bool ReadTime(std::string_view token, FtpDateTime& dt) {
    std::size_t i = 0;
    dt.hour = 0;
    for (;;) {
        if (i >= token.size()) return false;
        if (token[i] == ':') break;
        dt.hour = AddByte(dt.hour, token[i]);
        if (dt.hour > 12) return false;
        ++i;
    }
    ++i;
    if (dt.hour == 0) return false;
    dt.minute = 0;
    for (; i < token.size() && token[i] >= '0' && token[i] <= '9'; ++i) {
        dt.minute = AddByte(dt.minute, token[i]);
        if (dt.minute > 59) return false;
    }
    if (i < token.size() && token[i] == 'P') {
        if (dt.hour != 12) dt.hour += 12;
    } else if (dt.hour == 12) {
        dt.hour = 0;
    }
    return true;
}

}  // namespace

int ParseDosTokens(std::string_view date, TokenScanner& tokens, ParsedEntry& entry) {
    FtpDateTime& dt = entry.dateTime;
    if (!ReadDate(date, dt)) return 0;

    const std::string_view time = tokens.Next();
    if (time.data() == nullptr) return 0;
    dt.hasTime = 1;
    if (!ReadTime(time, dt)) return 0;

    const std::string_view size = tokens.Next();
    if (size.data() == nullptr) return 0;
    if (size == "<DIR>") {
        entry.isDir = 1;
        entry.size = -1;
    } else {
        entry.isDir = 0;
        entry.size = ReadInt64(size);
    }

    const std::string_view name = tokens.Rest();
    if (name.data() == nullptr) return 0;
    entry.name = name;
    dt.hasDate = 1;
    return 1;
}

}  // namespace ftpdirlist
