#include "options.h"

#include <cstring>

namespace ftpls {

namespace {

using Apply = bool (*)(Options&, const std::string& value, std::string& error);

// One option: how it is written, what --help says, what it does. Every
// option is defined here and only here.
struct OptionDef {
    char shortName;         // 0: none
    const char* longName;   // without the dashes
    const char* valueName;  // nullptr: a flag, which takes no value
    const char* help;       // lines after the first are indented in --help
    Apply apply;
};

bool SetFormat(Options& options, Format format, std::string& error) {
    if (options.format != Format::kTable && options.format != format) {
        error = "--csv and --json exclude each other";
        return false;
    }
    options.format = format;
    return true;
}

bool SetCommand(Options& options, Command command, std::string& error) {
    if (options.command != Command::kAuto && options.command != command) {
        error = "--mlsd and --list exclude each other";
        return false;
    }
    options.command = command;
    return true;
}

bool SetSeconds(const char* option, const std::string& value, long& seconds, std::string& error) {
    long n = 0;
    bool ok = !value.empty() && value.size() <= 6;
    for (const char c : value) {
        if (c < '0' || c > '9') ok = false;
        if (ok) n = n * 10 + (c - '0');
    }
    if (!ok || n == 0) {
        error = std::string("invalid number of seconds '") + value + "' for " + option;
        return false;
    }
    seconds = n;
    return true;
}

const OptionDef kOptions[] = {
    {'l', "attributes", nullptr, "table: add the attribute column (mode or protection)",
     [](Options& o, const std::string&, std::string&) { return o.attributes = true; }},
    {0, "csv", nullptr, "CSV (RFC 4180, CR LF line ends) with a header line",
     [](Options& o, const std::string&, std::string& e) { return SetFormat(o, Format::kCsv, e); }},
    {0, "json", nullptr, "one JSON array of objects",
     [](Options& o, const std::string&, std::string& e) { return SetFormat(o, Format::kJson, e); }},
    {0, "classic", nullptr,
     "the classic dialect (the C interface's entries) and the\n"
     "output of earlier versions: no new CSV columns or JSON\n"
     "keys, no conversion of names in the table",
     [](Options& o, const std::string&, std::string&) { return o.classic = true; }},
    {0, "keep-versions", nullptr, "keep every version of a VMS file, its name with ';N'",
     [](Options& o, const std::string&, std::string&) { return o.keepVersions = true; }},
    {0, "encoding", "NAME",
     "how names and attribute texts are decoded: 'auto' (the\n"
     "table's default) keeps valid UTF-8 and converts other\n"
     "names from the code page that the listing's month names\n"
     "reveal (Windows-1250, -1251, -1252, KOI8-R; else\n"
     "Windows-1252); 'none' (the default of CSV, JSON and\n"
     "--classic) passes the bytes; any other NAME is a code\n"
     "page for iconv (CP1251, latin1, ...)",
     [](Options& o, const std::string& v, std::string& e) {
         if (v.empty()) {
             e = "option '--encoding' needs a code page name";
             return false;
         }
         o.encoding = v;
         return true;
     }},
    {0, "today", "YYYY-MM-DD",
     "the date that counts as today for entries that give a\n"
     "time instead of a year (default: the local clock)",
     [](Options& o, const std::string& v, std::string& e) {
         ftpdir::Date date{};
         if (!ParseDate(v, date)) {
             e = "invalid date '" + v + "' for --today (expected YYYY-MM-DD)";
             return false;
         }
         o.today = date;
         return true;
     }},
    {0, "count", nullptr, "print only the number of entries (all FILEs together)",
     [](Options& o, const std::string&, std::string&) { return o.count = true; }},
    {0, "stats", nullptr,
     "print entries, bytes, lines skipped and throughput per\n"
     "FILE on standard error",
     [](Options& o, const std::string&, std::string&) { return o.stats = true; }},
    {0, "skipped", nullptr,
     "print the lines that yielded no entry on standard error,\n"
     "as FILE:LINE: text",
     [](Options& o, const std::string&, std::string&) { return o.skipped = true; }},
    {0, "mlsd", nullptr,
     "URL: list with MLSD (default: MLSD when the server\n"
     "offers it, else LIST)",
     [](Options& o, const std::string&, std::string& e) {
         return SetCommand(o, Command::kMlsd, e);
     }},
    {0, "list", nullptr, "URL: list with LIST",
     [](Options& o, const std::string&, std::string& e) {
         return SetCommand(o, Command::kList, e);
     }},
    {0, "ssl", nullptr, "URL: require TLS on the control and data connections",
     [](Options& o, const std::string&, std::string&) { return o.ssl = true; }},
    {0, "connect-timeout", "SECONDS", "URL: give up connecting after SECONDS",
     [](Options& o, const std::string& v, std::string& e) {
         return SetSeconds("--connect-timeout", v, o.connectTimeout, e);
     }},
    {0, "max-time", "SECONDS", "URL: give up the whole transfer after SECONDS",
     [](Options& o, const std::string& v, std::string& e) {
         return SetSeconds("--max-time", v, o.maxTime, e);
     }},
    {0, "save-raw", "FILE", "URL: also write the raw reply to FILE",
     [](Options& o, const std::string& v, std::string& e) {
         if (v.empty()) {
             e = "option '--save-raw' needs a file name";
             return false;
         }
         o.saveRaw = v;
         return true;
     }},
    {'h', "help", nullptr, "show this help and exit",
     [](Options& o, const std::string&, std::string&) { return o.help = true; }},
    {'V', "version", nullptr, "show the version (and whether URLs are supported), exit",
     [](Options& o, const std::string&, std::string&) { return o.version = true; }},
};

const char kHelpHead[] =
    "Usage: ftpls [OPTION]... [FILE|URL]...\n"
    "Parse each FILE as one FTP directory listing (Unix ls -l, DOS/IIS, VMS, MLSD\n"
    "and the other server families) and print its entries. With no FILE, or when\n"
    "FILE is -, read standard input. A FILE that starts with ftp:// or ftps:// is\n"
    "fetched from the server (user and password from the URL or ~/.netrc).\n"
    "\n";

const char kHelpTail[] =
    "      --             end of options: every further argument is a FILE\n"
    "\n"
    "The table has the columns type (d directory, l link, - other), size in bytes\n"
    "(- when the listing gives none), date, time and name ('name -> target' for a\n"
    "link). Control characters in texts (C0, DEL, C1) are shown as \\xHH.\n"
    "Names and attribute texts are bytes in the server's code page; CSV and JSON\n"
    "pass them unchanged unless --encoding says otherwise.\n"
    "JSON keys: name, attributes, size, isDir, isLink, year, month, day, hour,\n"
    "minute (null when the listing gives no date or time), and without --classic\n"
    "second, target, owner, group, format and modified (ISO 8601, such as\n"
    "2002-01-15T10:30:45, seconds only when given, Z when UTC, the date alone\n"
    "when there is no time). CSV has the same columns. Sizes: -1 when the listing\n"
    "gives none (--classic: -1 for a DOS-style directory, -2 for a VMS entry).\n"
    "Bytes that are not valid UTF-8 are written in JSON as \\udc80 to \\udcff\n"
    "(0xDC00 plus the byte value), so the original bytes can be recovered.\n"
    "\n"
    "Several FILEs: the table prints 'FILE:' before each FILE's entries and a blank\n"
    "line between FILEs; CSV and JSON stay one table, with a first column or key\n"
    "'file' naming the FILE of each entry.\n"
    "\n"
    "Exit status: 0 on success (no entries included), 1 when a FILE cannot be read\n"
    "(or a URL cannot be listed) or the output cannot be written, 2 on a usage\n"
    "error.\n";

constexpr std::size_t kHelpColumn = 21;

const OptionDef* FindLong(const std::string& name) {
    for (const OptionDef& option : kOptions) {
        if (name == option.longName) return &option;
    }
    return nullptr;
}

const OptionDef* FindShort(char name) {
    for (const OptionDef& option : kOptions) {
        if (option.shortName != 0 && option.shortName == name) return &option;
    }
    return nullptr;
}

}  // namespace

std::string EffectiveEncoding(const Options& options) {
    if (!options.encoding.empty()) return options.encoding;
    return options.format == Format::kTable && !options.classic ? "auto" : "none";
}

std::string HelpText() {
    std::string text = kHelpHead;
    for (const OptionDef& option : kOptions) {
        std::string left = "  ";
        left += option.shortName != 0 ? std::string{'-', option.shortName, ',', ' '} : "    ";
        left += "--";
        left += option.longName;
        if (option.valueName != nullptr) {
            left += '=';
            left += option.valueName;
        }
        text += left;
        if (left.size() + 1 > kHelpColumn) {
            text += '\n';
            left.clear();
        }
        text.append(kHelpColumn - left.size(), ' ');
        for (const char* c = option.help; *c != '\0'; ++c) {
            text += *c;
            if (*c == '\n') text.append(kHelpColumn, ' ');
        }
        text += '\n';
    }
    return text + kHelpTail;
}

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
    const int year = fields[0], month = fields[1], day = fields[2];
    if (year < 1 || day < 1 || day > ftpdir::daysInMonth(year, month)) return false;
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
        // "--name=value", "--name value", "-x" and "-x value".
        std::string name, value;
        bool hasValue = false;
        const OptionDef* option = nullptr;
        if (arg[1] == '-') {
            const char* eq = std::strchr(arg, '=');
            name.assign(arg, eq != nullptr ? eq : arg + std::strlen(arg));
            if (eq != nullptr) {
                value = eq + 1;
                hasValue = true;
            }
            option = FindLong(name.substr(2));
        } else {
            name = arg;
            if (arg[2] == '\0') option = FindShort(arg[1]);
        }
        if (option == nullptr) {
            error = "unknown option '" + name + "'";
            return false;
        }
        const std::string display = std::string("--") + option->longName;
        if (option->valueName == nullptr && hasValue) {
            error = "option '" + display + "' takes no argument";
            return false;
        }
        if (option->valueName != nullptr && !hasValue) {
            if (i + 1 >= argc) {
                error = "option '" + display + "' needs an argument";
                return false;
            }
            value = argv[++i];
        }
        if (!option->apply(options, value, error)) return false;
    }
    if (options.files.empty()) options.files.emplace_back("-");
    return true;
}

}  // namespace ftpls
