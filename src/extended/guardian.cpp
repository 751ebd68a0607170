// HP NonStop (Guardian) files of one subvolume, after column titles:
//
//   File  Code  EOF  Last Modification  Owner  RWEP
//   FILE1  101  528  6-Apr-07 14:21:18  255, 0  "oooo"
//   DATA2    0  4096 12-Dec-06 09:05:00  8,12   "nunu"
//
//   name        the file name
//   size        EOF, the end-of-file position in bytes
//   date, time  Last Modification: d-Mon-yy (or yyyy) and hh:mm[:ss]
//   owner       the "group,user" pair as written ("255, 0", "8,12")
//   attributes  the security string (read, write, execute, purge) without
//               its quotes ("oooo")
// The file code (101: an edit file) is checked to be a number but not
// kept. A "$VOLUME.SUBVOL" line naming the subvolume, once the titles have
// been seen, is a header.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "extended/families.h"
#include "extended/mainframe_common.h"
#include "fields/fields.h"

namespace ftpdirlist {
namespace ext {
namespace {

// File, Code, EOF, date, time, owner (one or two columns), security.
constexpr std::size_t kMaxColumns = 8;
constexpr std::size_t kMinColumns = 7;

// "255, 0" or "255,0": digits, a comma, optional spaces, digits.
bool IsOwnerPair(std::string_view text) {
    std::size_t i = 0;
    const std::size_t groupStart = i;
    while (i < text.size() && fields::IsDigit(text[i])) ++i;
    if (i == groupStart || i == text.size() || text[i] != ',') return false;
    ++i;
    while (i < text.size() && text[i] == ' ') ++i;
    const std::size_t userStart = i;
    while (i < text.size() && fields::IsDigit(text[i])) ++i;
    return i != userStart && i == text.size();
}

// Who may read, write, execute and purge: owner, group, any local user,
// any network user, the owner local or remote, the group on the network;
// "-" for the super ID alone.
constexpr std::string_view kSecurityLetters = "ogancu-OGANCU";

// The security string: bare, four of those letters; quoted, one to four
// letters, digits or "-" (servers shorten or code it in other ways).
std::string_view Security(std::string_view text) {
    if (text.size() >= 3 && text.size() <= 6 && text.front() == '"' && text.back() == '"') {
        text = text.substr(1, text.size() - 2);
        for (const char ch : text) {
            const bool letter = static_cast<unsigned char>((ch | 0x20) - 'a') < 26;
            if (!letter && !fields::IsDigit(ch) && ch != '-') return {};
        }
        return text;
    }
    if (text.size() != 4) return {};
    for (const char ch : text) {
        if (kSecurityLetters.find(ch) == std::string_view::npos) return {};
    }
    return text;
}

}  // namespace

LineKind ReadGuardian(std::string_view line, ListingState& state, Today& today,
                      ParsedEntry& entry) {
    fields::TokenWalker col = TokensFor(line, state);
    const std::string_view first = col[0];
    // A listing not yet of the family reads nothing but its titles.
    if (!IsOpen(&ListingState::guardian, EntryFormat::guardian, state) && first != "File")
        return LineKind::none;
    if (first.empty()) return LineKind::none;
    if (first == "File" && col[1] == "Code" && col[2] == "EOF") {
        return OpenFamily(&ListingState::guardian, EntryFormat::guardian, state);
    }
    if (!IsOpen(&ListingState::guardian, EntryFormat::guardian, state)) return LineKind::none;

    const std::size_t n = col.Count(kMaxColumns);
    if (n == 1 && first.front() == '$') return SkipAs(state, ftpdir::SkipReason::title);
    if (n < kMinColumns || n > kMaxColumns) return LineKind::none;

    std::int64_t code = 0;
    std::int64_t eof = 0;
    if (!fields::ReadNumber(col[1], code) || !fields::ReadNumber(col[2], eof)) {
        return LineKind::none;
    }
    const std::string_view owner = fields::TokenWalker::Span(col[5], col[n - 2]);
    const std::string_view security = Security(col[n - 1]);
    if (!IsOwnerPair(owner) || security.empty()) return LineKind::none;
    fields::Stamp stamp;
    if (!fields::ReadDayMonthNameYear(col[3], '-', stamp) || !fields::ReadClock(col[4], stamp) ||
        !StoreStamp(stamp, today, entry)) {
        return LineKind::none;
    }

    entry.name = first;
    entry.attributes = security;
    entry.size = eof;
    entry.extras.owner = owner;
    entry.extras.format = EntryFormat::guardian;
    return LineKind::entry;
}

}  // namespace ext
}  // namespace ftpdirlist
