#include "options.h"

#include <cstring>

namespace ftpls {

const char kHelpText[] =
    "Usage: ftpls [OPTION]... [FILE]...\n"
    "Parse each FILE as one FTP directory listing (Unix ls -l, DOS/IIS or VMS style)\n"
    "and print its entries. With no FILE, or when FILE is -, read standard input.\n"
    "\n"
    "  -l, --attributes   table: add the attribute text column (mode or protection)\n"
    "      --csv          CSV (RFC 4180, CR LF line ends) with a header line\n"
    "      --json         one JSON array of objects\n"
    "      --encoding=NAME  convert names and attribute texts from code page NAME\n"
    "                     (e.g. CP1251, CP1252, CP1250, latin1) to UTF-8\n"
    "      --today=YYYY-MM-DD  the date that counts as today for entries that give\n"
    "                     a time instead of a year (default: the local clock)\n"
    "      --count        print only the number of entries (all FILEs together)\n"
    "      --stats        print entries, bytes, lines skipped and throughput per\n"
    "                     FILE on standard error\n"
    "      --skipped      print the lines that yielded no entry on standard error,\n"
    "                     as FILE:LINE: text\n"
    "  -h, --help         show this help and exit\n"
    "  -V, --version      show the version and exit\n"
    "      --             end of options: every further argument is a FILE\n"
    "\n"
    "The table has the columns type (d directory, l link, - other), size in bytes\n"
    "(- when the listing gives none), date, time and name. Names and attribute\n"
    "texts are bytes in the server's code page; without --encoding, the table and\n"
    "CSV pass them through unchanged.\n"
    "JSON keys: name, attributes, size, isDir, isLink, year, month, day, hour,\n"
    "minute (null when the listing gives no date or time); size is -1 for a\n"
    "DOS-style directory and -2 for a VMS-style entry. Bytes that are not valid\n"
    "UTF-8 are written as \\udc80 to \\udcff (0xDC00 plus the byte value), so the\n"
    "original bytes can be recovered.\n"
    "\n"
    "Several FILEs: the table prints 'FILE:' before each FILE's entries and a blank\n"
    "line between FILEs; CSV and JSON stay one table, with a first column or key\n"
    "'file' naming the FILE of each entry.\n"
    "\n"
    "Exit status: 0 on success (no entries included), 1 when a FILE cannot be read\n"
    "or the output cannot be written, 2 on a usage error.\n";

namespace {

// Splits "--name=value" into name and value.
bool SplitLong(const char* arg, std::string& name, std::string& value) {
    const char* eq = std::strchr(arg, '=');
    if (eq == nullptr) {
        name = arg;
        return false;
    }
    name.assign(arg, eq);
    value = eq + 1;
    return true;
}

bool SetFormat(Options& options, Format format, std::string& error) {
    if (options.format != Format::kTable && options.format != format) {
        error = "--csv and --json exclude each other";
        return false;
    }
    options.format = format;
    return true;
}

bool IsFlag(const std::string& name) {
    static const char* const kFlags[] = {"--attributes", "--csv",     "--json", "--count",
                                         "--stats",      "--skipped", "--help", "--version"};
    for (const char* flag : kFlags) {
        if (name == flag) return true;
    }
    return false;
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

}  // namespace

bool ParseDate(const std::string& text, ftpdir::Date& date) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') return false;
    int fields[3] = {0, 0, 0};
    const std::size_t starts[3] = {0, 5, 8};
    const std::size_t widths[3] = {4, 2, 2};
    for (int f = 0; f < 3; ++f) {
        for (std::size_t i = starts[f]; i < starts[f] + widths[f]; ++i) {
            if (text[i] < '0' || text[i] > '9') return false;
            fields[f] = fields[f] * 10 + (text[i] - '0');
        }
    }
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const int year = fields[0], month = fields[1], day = fields[2];
    if (year < 1 || month < 1 || month > 12 || day < 1) return false;
    const int days = kDays[month - 1] + ((month == 2 && IsLeapYear(year)) ? 1 : 0);
    if (day > days) return false;
    date = ftpdir::Date{year, month, day};
    return true;
}

bool ParseCommandLine(int argc, char** argv, Options& options, std::string& error) {
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (optionsEnded || arg[0] != '-' || std::strcmp(arg, "-") == 0) {
            options.files.emplace_back(arg);
            continue;
        }
        if (std::strcmp(arg, "--") == 0) {
            optionsEnded = true;
            continue;
        }
        std::string name, value;
        bool hasValue = arg[1] == '-' && SplitLong(arg, name, value);
        if (arg[1] != '-') name = arg;

        // Options that take a value accept "--name=value" and "--name value".
        const bool takesValue = name == "--encoding" || name == "--today";
        if (takesValue && !hasValue) {
            if (i + 1 >= argc) {
                error = "option '" + name + "' needs an argument";
                return false;
            }
            value = argv[++i];
            hasValue = true;
        }
        if (hasValue && !takesValue) {
            error = IsFlag(name) ? "option '" + name + "' takes no argument"
                                 : "unknown option '" + name + "'";
            return false;
        }

        if (name == "-l" || name == "--attributes") {
            options.attributes = true;
        } else if (name == "--csv") {
            if (!SetFormat(options, Format::kCsv, error)) return false;
        } else if (name == "--json") {
            if (!SetFormat(options, Format::kJson, error)) return false;
        } else if (name == "--encoding") {
            if (value.empty()) {
                error = "option '--encoding' needs a code page name";
                return false;
            }
            options.encoding = value;
        } else if (name == "--today") {
            ftpdir::Date date{};
            if (!ParseDate(value, date)) {
                error = "invalid date '" + value + "' for --today (expected YYYY-MM-DD)";
                return false;
            }
            options.today = date;
        } else if (name == "--count") {
            options.count = true;
        } else if (name == "--stats") {
            options.stats = true;
        } else if (name == "--skipped") {
            options.skipped = true;
        } else if (name == "-h" || name == "--help") {
            options.help = true;
        } else if (name == "-V" || name == "--version") {
            options.version = true;
        } else {
            error = "unknown option '" + std::string(arg) + "'";
            return false;
        }
    }
    if (options.files.empty()) options.files.emplace_back("-");
    return true;
}

}  // namespace ftpls
