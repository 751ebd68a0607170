// VMS-style lines of the extended dialect, as `DIRECTORY/FULL`-like
// listings write them, with their header and footer:
//   Directory DISK$USER:[ALICE]
//   NOTES.TXT;4        3  15-JAN-2002 10:30:45.12
//   BIN.DIR;1       12/16 15-JAN-2002 10:30  [SYSTEM]  (RWE,RWE,RE,)
//   Total of 2 files, 15/20 blocks.
// The name comes first; the size (used/allocated blocks, 512 bytes each),
// date, time, owner and protection follow in any order, the time right
// after the date and the protection last.
#include <cstdint>
#include <limits>

#include "extended/families.h"

namespace ftpdirlist {
namespace ext {

namespace {

using fields::Stamp;
using fields::TokenWalker;

constexpr std::int64_t kBlockBytes = 512;

// "Directory DISK$USER:[NAME]", the header of each directory's part.
bool IsDirectoryHeader(TokenWalker& tokens) {
    const std::string_view path = tokens[1];
    return fields::EqualsFolded(tokens[0], "directory") && path.data() != nullptr &&
           tokens[2].data() == nullptr && path.back() == ']' &&
           path.find('[') != std::string_view::npos;
}

// "Total of 2 files, ..." and "Grand total of ...", the footers.
bool IsTotalFooter(TokenWalker& tokens) {
    if (fields::EqualsFolded(tokens[0], "total")) return fields::EqualsFolded(tokens[1], "of");
    return fields::EqualsFolded(tokens[0], "grand") && fields::EqualsFolded(tokens[1], "total") &&
           fields::EqualsFolded(tokens[2], "of");
}

// "(RWED,RWED,RE,)": four groups for system, owner, group and world, each
// some of R, W, E and D in that order.
bool ValidProtection(std::string_view text) {
    static constexpr std::string_view kRights = "RWED";
    if (text.size() < 5 || text.front() != '(' || text.back() != ')') return false;
    int groups = 1;
    std::size_t right = 0;  // the first right still allowed in this group
    for (std::size_t i = 1; i + 1 < text.size(); ++i) {
        const char ch = text[i];
        if (ch == ',') {
            ++groups;
            right = 0;
            continue;
        }
        const std::size_t at = kRights.find(ch, right);
        if (at == std::string_view::npos) return false;
        right = at + 1;
    }
    return groups == 4;
}

// Blocks, "12" or used/allocated "12/16", in bytes (the used blocks).
bool ReadBlocks(std::string_view token, std::int64_t& size) {
    std::int64_t blocks;
    const std::size_t slash = token.find('/');
    std::int64_t allocated;
    if (slash != std::string_view::npos &&
        !fields::ReadNumber(token.substr(slash + 1), allocated)) {
        return false;
    }
    if (!fields::ReadNumber(token.substr(0, slash), blocks) ||
        blocks > std::numeric_limits<std::int64_t>::max() / kBlockBytes) {
        return false;
    }
    size = blocks * kBlockBytes;
    return true;
}

// The name: "NAME.TYPE;version", or without the version once the listing is
// known to be VMS. A ".DIR" type (any case) is a directory, named without it.
bool ReadName(std::string_view name, bool known, ParsedEntry& entry) {
    const std::size_t semicolon = name.rfind(';');
    std::string_view base = name;
    if (semicolon != std::string_view::npos) {
        const std::string_view version = name.substr(semicolon + 1);
        if (semicolon == 0 || version.empty() || !IsAllDigits(version)) return false;
        base = name.substr(0, semicolon);
    } else if (!known || name[0] == '(' || name[0] == '[') {
        return false;
    }
    entry.name = name;
    if (base.size() > 4 && fields::EqualsFolded(base.substr(base.size() - 4), ".dir")) {
        entry.isDir = 1;
        entry.nameScratch.assign(base.data(), base.size() - 4);
        entry.nameScratch.append(name.data() + base.size(), name.size() - base.size());
        entry.name = entry.nameScratch;
    }
    return true;
}

// An owner in brackets, "[SYSTEM]" or "[GROUP,USER]", without them. A
// protection in brackets (three commas) is refused.
bool ReadBracketOwner(std::string_view token, std::string_view& owner) {
    if (token.size() < 3 || token.back() != ']') return false;
    const std::string_view inside = token.substr(1, token.size() - 2);
    std::size_t commas = 0;
    for (const char ch : inside) commas += ch == ',' ? 1 : 0;
    if (commas >= 3) return false;
    owner = inside;
    return true;
}

}  // namespace

LineKind ReadVmsLine(std::string_view line, ListingState& state, Today& today, ParsedEntry& entry) {
    TokenWalker tokens(line);
    const std::string_view name = tokens[0];
    if (name.data() == nullptr) return LineKind::none;
    if (IsDirectoryHeader(tokens)) {
        state.vmsHeader = true;
        return LineKind::header;
    }
    const bool known = state.vmsHeader || state.family == EntryFormat::vms;
    if (known && IsTotalFooter(tokens)) return LineKind::header;
    if (!ReadName(name, known, entry)) return LineKind::none;

    Stamp stamp;
    bool haveSize = false;
    bool haveDate = false;
    bool haveOwner = false;
    std::size_t dateAt = 0;
    entry.size = -1;
    for (std::size_t i = 1;; ++i) {
        const std::string_view token = tokens[i];
        if (token.data() == nullptr) break;
        const char first = token[0];
        if (first == '(') {
            // The protection ends the line.
            if (!ValidProtection(token) || tokens[i + 1].data() != nullptr) return LineKind::none;
            entry.attributes = token;
        } else if (first == '[') {
            if (haveOwner || !ReadBracketOwner(token, entry.extras.owner)) return LineKind::none;
            haveOwner = true;
        } else if (!haveDate && token.find('-') != std::string_view::npos) {
            if (!fields::ReadDayMonthNameYear(token, '-', stamp)) return LineKind::none;
            haveDate = true;
            dateAt = i;
        } else if (haveDate && stamp.hour < 0 && i == dateAt + 1 &&
                   token.find(':') != std::string_view::npos) {
            if (!fields::ReadClock(token, stamp)) return LineKind::none;
        } else if (!haveSize && static_cast<unsigned char>(first - '0') <= 9) {
            if (!ReadBlocks(token, entry.size)) return LineKind::none;
            haveSize = true;
        } else if (!haveOwner && token.find_first_of("()[],") == std::string_view::npos &&
                   !IsAllDigits(token)) {
            entry.extras.owner = token;  // an owner without brackets
            haveOwner = true;
        } else {
            return LineKind::none;
        }
    }
    // A name alone may go on with its fields on the next line.
    if (!haveDate || !StoreStamp(stamp, today, entry)) return LineKind::none;
    entry.extras.format = EntryFormat::vms;
    return LineKind::entry;
}

}  // namespace ext
}  // namespace ftpdirlist
