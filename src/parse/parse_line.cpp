#include "parse/parse_line.h"

namespace ftpdirlist {

int ParseLine(std::string_view line, ParsedEntry& entry, int& flagWord, Today& today) {
    flagWord = 0;
    Cursor cursor = MakeCursor(line);
    const std::string_view first = NextToken(cursor, false);
    if (first.data() == nullptr) return 0;

    switch (first[0]) {
        case '-': case 'b': case 'c': case 'd': case 'l': case 'p': case 's':
            return ParseUnixLine(first, cursor, entry, today);
        default:
            break;
    }
    const std::size_t semicolon = first.find(';');
    if (semicolon != std::string_view::npos) {
        // Marked before the line is examined further: the listing counts as
        // VMS-style only if this line is accepted, which the driver decides.
        flagWord |= kVmsLine;
        return ParseVmsLine(first, semicolon, cursor, entry);
    }
    return ParseDosLine(first, cursor, entry);
}

}  // namespace ftpdirlist
