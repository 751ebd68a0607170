#include "options.h"

#include <algorithm>
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

// Reads BYTES, a number of up to 18 digits, 0 included.
bool SetBytes(const char* option, const std::string& value, std::size_t& bytes,
              std::string& error) {
    std::size_t n = 0;
    bool ok = !value.empty() && value.size() <= 18;
    for (const char c : value) {
        ok = ok && c >= '0' && c <= '9';
        n = n * 10 + static_cast<std::size_t>(c - '0');
    }
    if (!ok) {
        error = std::string("invalid number of bytes '") + value + "' for " + option;
        return false;
    }
    bytes = n;
    return true;
}

// Reads SECONDS, a positive number of up to six digits and three decimals
// ("0.5"), as milliseconds.
bool SetSeconds(const char* option, const std::string& value, long& ms, std::string& error) {
    long n = 0;
    int digits = 0, decimals = -1;  // -1: no '.' yet
    bool ok = true;
    for (const char c : value) {
        if (c == '.' && decimals < 0) {
            decimals = 0;
        } else if (c >= '0' && c <= '9' && (decimals < 0 ? digits < 6 : decimals < 3)) {
            n = n * 10 + (c - '0');
            ++(decimals < 0 ? digits : decimals);
        } else {
            ok = false;
        }
    }
    for (int d = std::max(decimals, 0); d < 3; ++d) n *= 10;
    if (!ok || n == 0) {
        error = std::string("invalid number of seconds '") + value + "' for " + option;
        return false;
    }
    ms = n;
    return true;
}

// Sets `field` to `value`, which must not be empty (`what` names it).
bool SetText(const char* option, const char* what, const std::string& value, std::string& field,
             std::string& error) {
    if (value.empty()) {
        error = std::string("option '") + option + "' needs " + what;
        return false;
    }
    field = value;
    return true;
}

const OptionDef kOptions[] = {
    {'l', "attributes", nullptr, "table: add the attribute column (mode or protection)",
     [](Options& o, const std::string&, std::string&) { return o.attributes = true; }},
    {'h', "human-readable", nullptr, "table: sizes in powers of 1024 (1.5K, 12M, 5.0G)",
     [](Options& o, const std::string&, std::string&) { return o.human = true; }},
    {'1', "names-only", nullptr, "table: the names alone, one per line",
     [](Options& o, const std::string&, std::string&) { return o.namesOnly = true; }},
    {0, "sort", "KEY",
     "sort by 'name' (byte order), 'size' (largest first) or\n"
     "'time' (newest first); ties by name (default: the\n"
     "listing's order)",
     [](Options& o, const std::string& v, std::string& e) {
         const SortKey keys[] = {SortKey::kName, SortKey::kSize, SortKey::kTime};
         const char* names[] = {"name", "size", "time"};
         for (int i = 0; i < 3; ++i) {
             if (v == names[i]) {
                 o.sort = keys[i];
                 return true;
             }
         }
         e = "invalid sort key '" + v + "' (expected name, size or time)";
         return false;
     }},
    {'r', "reverse", nullptr, "reverse the order",
     [](Options& o, const std::string&, std::string&) { return o.reverse = true; }},
    {0, "csv", nullptr, "CSV (RFC 4180, CR LF line ends) with a header line",
     [](Options& o, const std::string&, std::string& e) { return SetFormat(o, Format::kCsv, e); }},
    {0, "csv-raw", nullptr,
     "CSV: every cell as it is; by default a cell that starts\n"
     "with = + - @ TAB or CR, which a spreadsheet would run as\n"
     "a formula, gets a leading ' (--classic: as it is)",
     [](Options& o, const std::string&, std::string&) { return o.csvRaw = true; }},
    {0, "json", nullptr, "one JSON array of objects",
     [](Options& o, const std::string&, std::string& e) { return SetFormat(o, Format::kJson, e); }},
    {0, "classic", nullptr,
     "the classic dialect (the C interface's entries) and the\n"
     "output of earlier versions: no new CSV columns or JSON\n"
     "keys, no conversion of names in the table",
     [](Options& o, const std::string&, std::string&) { return o.classic = true; }},
    {0, "keep-versions", nullptr, "keep every version of a VMS file, its name with ';N'",
     [](Options& o, const std::string&, std::string&) { return o.keepVersions = true; }},
    {0, "max-line-length", "BYTES",
     "a line longer than BYTES is skipped, its text cut there\n"
     "(default 1048576; 0: no limit)",
     [](Options& o, const std::string& v, std::string& e) {
         return SetBytes("--max-line-length", v, o.maxLineLength, e);
     }},
    {0, "encoding", "NAME",
     "how names and attribute texts are decoded: 'auto' (the\n"
     "table's default) keeps valid UTF-8 and converts other\n"
     "names from the code page that the listing's month names\n"
     "reveal (Windows-1250, -1251, -1252, KOI8-R; else\n"
     "Windows-1252); 'none' (the default of CSV, JSON and\n"
     "--classic) passes the bytes; any other NAME is a code\n"
     "page for iconv (CP1251, latin1, ...)",
     [](Options& o, const std::string& v, std::string& e) {
         return SetText("--encoding", "a code page name", v, o.encoding, e);
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
     "as FILE:LINE: reason: text (not-a-listing-line, header,\n"
     "title, total, joined-elsewhere, dot-entry, line-too-long)",
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
    {0, "ssl", nullptr,
     "URL: require explicit TLS (AUTH TLS) on the control and\n"
     "data connections; ftps:// is implicit TLS",
     [](Options& o, const std::string&, std::string&) { return o.ssl = true; }},
    {0, "cacert", "FILE",
     "URL, TLS: trust the certificates in FILE (PEM; default:\n"
     "CURL_CA_BUNDLE, else SSL_CERT_FILE, else the system's)",
     [](Options& o, const std::string& v, std::string& e) {
         return SetText("--cacert", "a file name", v, o.caCert, e);
     }},
    {0, "capath", "DIR",
     "URL, TLS: trust the hashed certificates in DIR (default:\n"
     "SSL_CERT_DIR, else the system's)",
     [](Options& o, const std::string& v, std::string& e) {
         return SetText("--capath", "a folder name", v, o.caPath, e);
     }},
    {0, "insecure", nullptr,
     "URL, TLS: do not check the server's certificate or name\n"
     "(anyone on the way can read and change the listing)",
     [](Options& o, const std::string&, std::string&) { return o.insecure = true; }},
    {0, "verbose", nullptr,
     "URL: print the commands and replies on standard error\n"
     "(the password masked)",
     [](Options& o, const std::string&, std::string&) { return o.verbose = true; }},
    {0, "connect-timeout", "SECONDS",
     "URL: give up when connecting and logging in take longer\n"
     "than SECONDS (default 30; fractions such as 0.5 too)",
     [](Options& o, const std::string& v, std::string& e) {
         return SetSeconds("--connect-timeout", v, o.connectTimeoutMs, e);
     }},
    {0, "idle-timeout", "SECONDS",
     "URL: give up when the server sends nothing for SECONDS,\n"
     "on the control or the data connection (default 60)",
     [](Options& o, const std::string& v, std::string& e) {
         return SetSeconds("--idle-timeout", v, o.idleTimeoutMs, e);
     }},
    {0, "max-time", "SECONDS",
     "URL: give up after SECONDS in all, every URL of the run\n"
     "together (default: no limit)",
     [](Options& o, const std::string& v, std::string& e) {
         return SetSeconds("--max-time", v, o.maxTimeMs, e);
     }},
    {0, "save-raw", "FILE",
     "URL: also write the reply to FILE, mode 0600; FILE is\n"
     "replaced once the listing has arrived, never written\n"
     "through a link; several URLs: FILE.1, FILE.2, ...",
     [](Options& o, const std::string& v, std::string& e) {
         if (v.empty()) {
             e = "option '--save-raw' needs a file name";
             return false;
         }
         o.saveRaw = v;
         return true;
     }},
    {0, "user", "NAME",
     "URL: log in as NAME where the URL names no user; the\n"
     "password comes from FTPLS_PASSWORD, the netrc file or a\n"
     "prompt on the terminal",
     [](Options& o, const std::string& v, std::string& e) {
         std::string name;
         if (!SetText("--user", "a user name", v, name, e)) return false;
         o.user = name;
         return true;
     }},
    {0, "netrc", nullptr,
     "URL: read logins from ~/.netrc (the default): a password\n"
     "only with its own login, 'default' only when no user is\n"
     "named, nothing from a file that others may read",
     [](Options& o, const std::string&, std::string&) { return o.netrc = true; }},
    {0, "no-netrc", nullptr, "URL: read no netrc file",
     [](Options& o, const std::string&, std::string&) {
         o.netrc = false;
         return true;
     }},
    {0, "netrc-file", "FILE", "URL: read logins from FILE instead of ~/.netrc",
     [](Options& o, const std::string& v, std::string& e) {
         o.netrc = true;
         return SetText("--netrc-file", "a file name", v, o.netrcFile, e);
     }},
    {0, "help", nullptr, "show this help and exit",
     [](Options& o, const std::string&, std::string&) { return o.help = true; }},
    {'V', "version", nullptr, "show the version (and whether URLs are supported), exit",
     [](Options& o, const std::string&, std::string&) { return o.version = true; }},
};

const char kHelpHead[] =
    "Usage: ftpls [OPTION]... [FILE|URL]...\n"
    "Parse each FILE as one FTP directory listing (Unix ls -l, DOS/IIS, VMS, MLSD\n"
    "and the other server families) and print its entries. With no FILE, or when\n"
    "FILE is -, read standard input. A FILE that starts with ftp:// or ftps:// is\n"
    "fetched from the server: ftps:// is implicit TLS (port 990), --ssl with\n"
    "ftp:// explicit TLS (AUTH TLS). The login is the URL's user, else --user,\n"
    "else the netrc entry of the host, else anonymous; a password in the URL can\n"
    "be seen by other users of the machine (FTPLS_PASSWORD, the netrc file or the\n"
    "prompt keep it private).\n"
    "\n";

const char kHelpTail[] =
    "      --             end of options: every further argument is a FILE\n"
    "\n"
    "The table has the columns type (d directory, l link, c and b devices, p FIFO,\n"
    "s socket, - other), size in bytes (- when the listing gives none), date, time\n"
    "and name ('name -> target' for a link; quoted when it begins or ends with a\n"
    "space). Control characters in texts (C0, DEL, C1) are shown as \\xHH.\n"
    "Short options combine: -lh is -l -h.\n"
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
            // "-lh1": flags, of which the last may take a value ("-xVALUE" or "-x VALUE").
            for (const char* c = arg + 1; *c != '\0'; ++c) {
                option = FindShort(*c);
                if (option == nullptr) {
                    error = std::string("unknown option '-") + *c + "'";
                    return false;
                }
                if (option->valueName != nullptr) {
                    hasValue = c[1] != '\0';
                    if (hasValue) value = c + 1;
                    break;
                }
                if (c[1] != '\0' && !option->apply(options, value, error)) return false;
            }
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
