#include "parse/parse_line.h"

namespace ftpdirlist {

int ParseLine(std::string_view line, ParsedEntry& entry, int& flagWord, Today& today) {
    return ParseLine(line, line.data() + line.size(), nullptr, entry, flagWord, today);
}

int ParseLine(std::string_view line, const char* readable, const std::uint64_t* spaces,
              ParsedEntry& entry, int& flagWord, Today& today) {
    flagWord = 0;
    TokenScanner tokens = spaces != nullptr
                              ? TokenScanner(line.data(), line.data() + line.size(), readable, *spaces)
                              : TokenScanner(line.data(), line.data() + line.size(), readable);
    const std::string_view first = tokens.Next();
    if (first.data() == nullptr) return 0;

    switch (first[0]) {
        case '-': case 'b': case 'c': case 'd': case 'l': case 'p': case 's':
            return ParseUnixTokens(first, tokens, entry, today);
        default:
            break;
    }
    const std::size_t semicolon = bytes::Find(first.data(), first.size(), readable, ';');
    if (semicolon != first.size()) {
        // Marked before the line is examined further: the listing counts as
        // VMS-style only if this line is accepted, which the driver decides.
        flagWord |= kVmsLine;
        return ParseVmsTokens(first, semicolon, tokens, entry);
    }
    return ParseDosTokens(first, tokens, entry);
}

int ParseUnixLine(std::string_view mode, Cursor& cursor, ParsedEntry& entry, Today& today) {
    TokenScanner tokens(cursor.pos, cursor.end);
    const int result = ParseUnixTokens(mode, tokens, entry, today);
    cursor.pos = tokens.Pos();
    return result;
}

int ParseVmsLine(std::string_view first, std::size_t semicolon, Cursor& cursor,
                 ParsedEntry& entry) {
    TokenScanner tokens(cursor.pos, cursor.end);
    const int result = ParseVmsTokens(first, semicolon, tokens, entry);
    cursor.pos = tokens.Pos();
    return result;
}

int ParseDosLine(std::string_view date, Cursor& cursor, ParsedEntry& entry) {
    TokenScanner tokens(cursor.pos, cursor.end);
    const int result = ParseDosTokens(date, tokens, entry);
    cursor.pos = tokens.Pos();
    return result;
}

}  // namespace ftpdirlist
