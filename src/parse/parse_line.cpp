#include "parse/parse_line.h"

namespace ftpdirlist {

int ParseLine(std::string_view line, ParsedEntry& entry, int& flagWord, Today& today) {
    return ParseLine(line, line.data() + line.size(), nullptr, entry, flagWord, today);
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
