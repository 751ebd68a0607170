// The numeric Unix form: octal mode (type bits included), uid, gid, size,
// modification time in Unix seconds (UTC), name.
//   0100644  500  101  12345  1011090645  notes.txt
//   040755   0    0    4096   1011090645  projects
#include <cstdint>

#include "extended/families.h"
#include "extended/record.h"
#include "fields/fields.h"
#include "parse/tokens.h"

namespace ftpdirlist {
namespace ext {

namespace {

constexpr std::int64_t kTypeBits = 0170000;
constexpr std::int64_t kDirectory = 0040000;
constexpr std::int64_t kLink = 0120000;

// A mode whose type bits name a kind of file: fifo, character device,
// directory, block device, regular file, link or socket.
bool IsFileMode(std::int64_t mode) {
    if (mode > 0177777) return false;
    switch (mode & kTypeBits) {
        case 0010000:
        case 0020000:
        case 0040000:
        case 0060000:
        case 0100000:
        case 0120000:
        case 0140000:
            return true;
        default:
            return false;
    }
}

}  // namespace

LineKind ReadUnixNumericLine(std::string_view line, ListingState& state, Today& today,
                             ParsedEntry& entry) {
    fields::TokenWalker tokens = TokensFor(line, state);
    const std::string_view mode = tokens[0];
    std::int64_t modeBits;
    if (mode.empty() || !fields::ReadOctal(mode, modeBits) || !IsFileMode(modeBits)) {
        return LineKind::none;
    }
    const std::string_view uid = tokens[1];
    const std::string_view gid = tokens[2];
    const std::string_view size = tokens[3];
    const std::string_view seconds = tokens[4];
    std::int64_t number;
    std::int64_t secondsValue;
    fields::Stamp stamp;
    if (!fields::ReadNumber(uid, number) || !fields::ReadNumber(gid, number) ||
        !fields::ReadNumber(size, entry.size) || !fields::ReadNumber(seconds, secondsValue) ||
        !fields::FromUnixSeconds(secondsValue, stamp)) {
        return LineKind::none;
    }
    std::string_view name = tokens.From(5);
    if (name.empty()) return LineKind::none;

    if ((modeBits & kTypeBits) == kLink) {
        entry.isLink = 1;
        // A link's name and target as "name -> target", split at the first
        // arrow, when the server writes the target.
        const std::size_t arrow = name.find(" -> ");
        if (arrow != std::string_view::npos && arrow != 0) {
            entry.extras.target = name.substr(arrow + 4);
            name = name.substr(0, arrow);
        }
    } else if ((modeBits & kTypeBits) == kDirectory) {
        entry.isDir = 1;
    }
    entry.name = name;
    entry.attributes = mode;
    entry.extras.owner = uid;
    entry.extras.group = gid;
    if (!StoreStamp(stamp, today, entry)) return LineKind::none;
    entry.extras.utc = 1;
    entry.extras.format = EntryFormat::unixNumeric;
    return LineKind::entry;
}

}  // namespace ext
}  // namespace ftpdirlist
