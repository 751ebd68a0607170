// The command line of ftpls.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "ftpdirlist/ftpdirlist.hpp"

namespace ftpls {

enum class Format { kTable, kCsv, kJson };

struct Options {
    Format format = Format::kTable;
    bool attributes = false;  // table: add the attribute column
    bool count = false;
    bool stats = false;
    bool skipped = false;
    bool help = false;
    bool version = false;
    std::string encoding;  // empty: bytes pass unchanged
    std::optional<ftpdir::Date> today;
    std::vector<std::string> files;  // "-" is standard input; empty means "-"
};

// Reads argv into `options`. On a usage error returns false and sets
// `error` to a one-line reason (without the program name).
bool ParseCommandLine(int argc, char** argv, Options& options, std::string& error);

// Reads YYYY-MM-DD into `date`; false unless it is a date of the calendar.
bool ParseDate(const std::string& text, ftpdir::Date& date);

extern const char kHelpText[];

}  // namespace ftpls
