// The command line of ftpls.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "ftpdirlist/ftpdirlist.hpp"

namespace ftpls {

enum class Format { kTable, kCsv, kJson };

// The order of the entries: the listing's, or by a key.
enum class SortKey { kNone, kName, kSize, kTime };

// The listing command for an ftp:// URL.
enum class Command { kAuto, kMlsd, kList };

struct Options {
    Format format = Format::kTable;
    bool attributes = false;  // table: add the attribute column
    bool human = false;       // table: sizes as 1.5K, 12M, ...
    bool namesOnly = false;   // table: the names alone (-1)
    SortKey sort = SortKey::kNone;
    bool reverse = false;
    bool classic = false;  // the classic dialect and the output of earlier versions
    bool keepVersions = false;
    std::size_t maxLineLength = std::size_t{1} << 20;  // 0: no limit
    bool csvRaw = false;                               // CSV cells that start a formula as they are
    bool count = false;
    bool stats = false;
    bool skipped = false;
    bool help = false;
    bool version = false;
    // "auto", "none" or a code page for iconv; empty: the format's default
    // (see EffectiveEncoding).
    std::string encoding;
    std::optional<ftpdir::Date> today;
    // URLs only.
    Command command = Command::kAuto;
    bool ssl = false;
    long connectTimeoutMs = 30000;    // connecting and logging in
    long idleTimeoutMs = 60000;       // the longest silence of the server
    long maxTimeMs = 0;               // all URLs together; 0: no limit
    std::string saveRaw;              // file for the raw reply; empty: none
    std::optional<std::string> user;  // --user: for URLs that name none
    bool netrc = true;                // --no-netrc: false
    std::string netrcFile;            // empty: ~/.netrc
    std::string caCert;               // --cacert; empty: CURL_CA_BUNDLE, SSL_CERT_FILE
    std::string caPath;               // --capath; empty: SSL_CERT_DIR
    bool insecure = false;            // no certificate check
    bool verbose = false;             // the protocol exchange on standard error
    std::vector<std::string> files;   // "-" is standard input; empty means "-"
};

// The encoding in force: --encoding when given; otherwise "auto" for the
// table and "none" for CSV, JSON and --classic.
std::string EffectiveEncoding(const Options& options);

// Reads argv into `options`. On a usage error returns false and sets
// `error` to a one-line reason (without the program name).
bool ParseCommandLine(int argc, char** argv, Options& options, std::string& error);

// Reads YYYY-MM-DD into `date`; false unless it is a date of the calendar.
bool ParseDate(const std::string& text, ftpdir::Date& date);

// The --help text, made from the table of options.
std::string HelpText();

}  // namespace ftpls
