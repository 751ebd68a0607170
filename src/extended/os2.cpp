// OS/2 lines: size, attribute letters, mm-dd-yy date, hh:mm, name.
//        0           DIR   05-12-97   16:44  PSFONTS
//    36611      A    04-23-103   10:57  test1.file
// Years of three digits count from 1900 (103 is 2003). The attribute
// tokens, "DIR" for a directory or letters of A (archive), H (hidden),
// S (system) and R (read-only), are the attribute text.
#include <cstdint>

#include "extended/families.h"
#include "extended/record.h"
#include "fields/fields.h"
#include "parse/tokens.h"

namespace ftpdirlist {
namespace ext {

namespace {

bool IsAttributes(std::string_view token) {
    if (token.empty() || fields::EqualsFolded(token, "dir")) return !token.empty();
    for (const char ch : token) {
        if (ch != 'A' && ch != 'H' && ch != 'S' && ch != 'R') return false;
    }
    return true;
}

}  // namespace

LineKind ReadOs2Line(std::string_view line, ListingState& state, Today& today, ParsedEntry& entry) {
    fields::TokenWalker tokens = TokensFor(line, state);
    const std::string_view size = tokens[0];
    if (size.empty() || !fields::ReadNumber(size, entry.size)) return LineKind::none;

    // Attribute tokens up to the date: at most a few, letters only.
    std::size_t next = 1;
    std::string_view token = tokens[next++];
    const char* attributesBegin = token.data();
    const char* attributesEnd = token.data();
    for (int count = 0; IsAttributes(token); ++count) {
        if (count == 4) return LineKind::none;
        if (fields::EqualsFolded(token, "dir")) entry.isDir = 1;
        attributesEnd = token.data() + token.size();
        token = tokens[next++];
    }
    fields::Stamp stamp;
    if (token.empty() || !fields::ReadNumericDate(token, fields::DateOrder::mdy, "-", stamp)) {
        return LineKind::none;
    }
    const std::string_view time = tokens[next++];
    if (time.empty() || !fields::ReadClock(time, stamp)) return LineKind::none;
    const std::string_view name = tokens.From(next);
    if (name.empty()) return LineKind::none;

    entry.name = name;
    entry.attributes = std::string_view(attributesBegin,
                                        static_cast<std::size_t>(attributesEnd - attributesBegin));
    if (!StoreStamp(stamp, today, entry)) return LineKind::none;
    entry.extras.format = EntryFormat::os2;
    return LineKind::entry;
}

// After the size come attribute tokens (IsAttributes: "dir" or the letters
// A, H, S and R) or at once the mm-dd-yy date, which ReadNumericDate reads
// only with a digit after its first "-".
bool MayBeOs2Line(fields::TokenWalker& tokens, std::size_t, const ListingState&) {
    const std::string_view second = tokens[1];
    const char first = second[0];
    if (first == 'A' || first == 'H' || first == 'S' || first == 'R' || (first | 0x20) == 'd')
        return true;
    const std::size_t at = fields::NumericDateSeparator(second, "-");
    return at != 0 && at + 1 < second.size() && fields::IsDigit(second[at + 1]);
}

}  // namespace ext
}  // namespace ftpdirlist
