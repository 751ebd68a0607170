// ftpls: prints the entries of FTP directory listings as a table, CSV or JSON.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <new>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "ftpdirlist/ftpdirlist.hpp"
#include "login.h"
#include "options.h"
#include "output.h"
#include "text.h"
#include "url.h"

#ifndef FTPLS_VERSION
#define FTPLS_VERSION "unknown"
#endif

namespace ftpls {

namespace {

constexpr std::size_t kChunkSize = 64 * 1024;

// `text` safe for the terminal: every message passes through here, since
// its parts (server replies, file names, URLs, libcurl's errors) may carry
// control characters.
std::string Escaped(std::string_view text) {
    std::string out;
    AppendDisplay(out, text);
    return out;
}

void Report(std::string_view subject, std::string_view reason) {
    std::fprintf(stderr, "ftpls: %s: %s\n", Escaped(subject).c_str(), Escaped(reason).c_str());
}

int UsageError(const std::string& reason) {
    std::fprintf(stderr, "ftpls: %s\nTry 'ftpls --help' for more information.\n",
                 Escaped(reason).c_str());
    return 2;
}

// --save-raw for one URL: the reply goes to a new file beside the target,
// made with mode 0600 and O_EXCL (so no link is followed), which replaces
// the target (a link there included, never its destination) only once the
// whole listing has arrived. Until then, and when the fetch fails, an old
// target stays as it was.
class RawFile {
public:
    RawFile() = default;
    RawFile(const RawFile&) = delete;
    RawFile& operator=(const RawFile&) = delete;
    ~RawFile() {
        if (file_ != nullptr) {
            std::fclose(file_);
            std::remove(temp_.c_str());
        }
    }

    // False, with errno set, when the new file cannot be made.
    bool Open(const std::string& target) {
        target_ = target;
        temp_ = target + ".XXXXXX";
        const int fd = ::mkstemp(&temp_[0]);
        if (fd < 0) return false;
        file_ = ::fdopen(fd, "wb");
        if (file_ == nullptr) {
            const int error = errno;
            ::close(fd);
            std::remove(temp_.c_str());
            errno = error;
        }
        return file_ != nullptr;
    }

    // Appends `chunk`; the first write error is kept for Commit.
    void Write(std::string_view chunk) {
        if (file_ == nullptr || error_ != 0) return;
        if (std::fwrite(chunk.data(), 1, chunk.size(), file_) != chunk.size()) {
            error_ = errno != 0 ? errno : EIO;
        }
    }

    // Closes the file and puts it in the target's place. False, with errno
    // set and the new file removed, when it could not be written or moved.
    bool Commit() {
        std::FILE* file = file_;
        file_ = nullptr;
        if (std::fclose(file) != 0 && error_ == 0) error_ = errno != 0 ? errno : EIO;
        if (error_ == 0 && std::rename(temp_.c_str(), target_.c_str()) != 0) error_ = errno;
        if (error_ == 0) return true;
        std::remove(temp_.c_str());
        errno = error_;
        return false;
    }

private:
    std::string target_;
    std::string temp_;
    std::FILE* file_ = nullptr;
    int error_ = 0;
};

struct Totals {
    std::uint64_t entries = 0;
    std::uint64_t bytes = 0;
    std::uint64_t skipped = 0;
    double seconds = 0;
};

void PrintStats(std::string_view name, const Totals& t) {
    const double mib = static_cast<double>(t.bytes) / (1024.0 * 1024.0);
    const double rate = t.seconds > 0 ? mib / t.seconds : 0.0;
    std::fprintf(stderr,
                 "%s: %" PRIu64 " entries, %" PRIu64 " bytes, %" PRIu64
                 " lines skipped, %.3f ms, %.1f MiB/s\n",
                 Escaped(name).c_str(), t.entries, t.bytes, t.skipped, t.seconds * 1000.0, rate);
}

class Lister {
public:
    explicit Lister(const Options& options)
        : options_(options),
          output_(stdout, options.format, options.attributes, !options.classic,
                  options.files.size() > 1, decoder_),
          chunk_(kChunkSize),
          logins_(LoginSettings(options)) {
        // The classic output is that of earlier versions, byte for byte.
        output_.KeepFormulas(options.csvRaw || options.classic);
    }

    // Runs the whole command; returns the exit status.
    int Run() {
        const std::string encoding = EffectiveEncoding(options_);
        if (!decoder_.Configure(encoding)) return UsageError("unknown encoding '" + encoding + "'");
        for (const std::string& file : options_.files) urls_ += IsUrl(file) ? 1 : 0;
        if (!options_.saveRaw.empty()) {
            for (std::size_t n = 1; n <= std::max<std::size_t>(urls_, 1); ++n) {
                if (IsInput(RawTarget(n))) {
                    return UsageError("--save-raw=" + RawTarget(n) + " is also an input");
                }
            }
        }
        output_.SetTableStyle(options_.human, options_.namesOnly);
        Totals all;
        for (const std::string& file : options_.files) {
            if (!ListFile(file, all)) status_ = 1;
            if (output_.Error() != 0) break;
        }
        // Nothing at all when no input could be read: no count, no CSV
        // header, no empty JSON array that a script would take for a listing.
        if (listed_ > 0) {
            if (options_.count) {
                output_.Line(std::to_string(all.entries));
            } else {
                output_.End();
            }
        }
        if (!output_.Flush()) {
            Report("standard output", std::strerror(output_.Error()));
            return 1;
        }
        if (options_.stats && options_.files.size() > 1) PrintStats("total", all);
        return status_;
    }

private:
    // Parses one FILE or URL and writes its entries. False when it cannot be
    // read; nothing of it is written then.
    bool ListFile(const std::string& argument, Totals& all) {
        const bool url = IsUrl(argument);
        const std::string file = url ? RedactUrl(argument) : argument;
        if (IsOtherUrl(argument)) {
            Report(RedactUrl(argument), "only ftp:// and ftps:// URLs can be listed");
            return false;
        }
        const auto start = std::chrono::steady_clock::now();
        ftpdir::Options parseOptions;
        parseOptions.dialect =
            options_.classic ? ftpdir::Dialect::classic : ftpdir::Dialect::extended;
        parseOptions.today = options_.today;
        parseOptions.collectSkipped = options_.stats || options_.skipped;
        parseOptions.keepVersions = options_.keepVersions;
        parseOptions.maxLineLength = options_.maxLineLength;
        ftpdir::Parser parser(parseOptions);
        monthCodePage_ = ftpdir::MonthCodePage();

        Totals one;
        if (!(url ? Fetch(argument, file, parser, one.bytes) : Read(file, parser, one.bytes))) {
            return false;
        }
        std::vector<ftpdir::Entry> entries = parser.finish();
        SortEntries(entries, options_.sort, options_.reverse);
        if (decoder_.Auto()) decoder_.SetRevealed(FromRevealed(monthCodePage_.finish()));
        one.entries = entries.size();
        one.skipped = parser.skipped().size();
        one.seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

        if (!options_.count) {
            if (listed_ == 0) output_.Begin();
            output_.Listing(file, entries);
        }
        ++listed_;
        // Keeps the diagnostics after the entries they follow on a terminal.
        if (options_.skipped || options_.stats) output_.Flush();
        if (options_.skipped) PrintSkipped(file, parser.skipped());
        if (options_.stats) PrintStats(file, one);
        all.entries += one.entries;
        all.bytes += one.bytes;
        all.skipped += one.skipped;
        all.seconds += one.seconds;
        return true;
    }

    // Feeds FILE to `parser` chunk by chunk.
    bool Read(const std::string& file, ftpdir::Parser& parser, std::uint64_t& bytes) {
        const bool isStdin = file == "-";
        std::FILE* stream = stdin;
        if (isStdin) {
#ifdef _WIN32
            _setmode(_fileno(stdin), _O_BINARY);
#endif
        } else {
            stream = std::fopen(file.c_str(), "rb");
            if (stream == nullptr) {
                Report(file, std::strerror(errno));
                return false;
            }
        }
        bool ok = true;
        for (;;) {
            errno = 0;
            const std::size_t n = std::fread(chunk_.data(), 1, chunk_.size(), stream);
            const int readError = errno;
            if (n > 0) Feed(std::string_view(chunk_.data(), n), parser, bytes);
            if (n < chunk_.size()) {
                if (std::ferror(stream)) {
                    Report(file, std::strerror(readError != 0 ? readError : EIO));
                    ok = false;
                }
                break;
            }
        }
        if (isStdin) {
            std::clearerr(stdin);
        } else {
            std::fclose(stream);
        }
        return ok;
    }

    // Lists URL as it streams in (`shown` is the URL without its password).
    bool Fetch(const std::string& url, const std::string& shown, ftpdir::Parser& parser,
               std::uint64_t& bytes) {
        FetchRequest request;
        request.command = options_.command;
        request.ssl = options_.ssl;
        request.caCert = FirstOf(options_.caCert, {"CURL_CA_BUNDLE", "SSL_CERT_FILE"});
        request.caPath = FirstOf(options_.caPath, {"SSL_CERT_DIR"});
        request.insecure = options_.insecure;
        request.verbose = options_.verbose;
        if (options_.insecure && !warnedInsecure_) {
            std::fputs("ftpls: warning: --insecure: server certificates are not checked\n", stderr);
            warnedInsecure_ = true;
        }
        request.connectTimeoutMs = options_.connectTimeoutMs;
        request.idleTimeoutMs = options_.idleTimeoutMs;
        request.maxTimeMs = options_.maxTimeMs;
        if (options_.maxTimeMs > 0) {
            request.deadline = start_ + std::chrono::milliseconds(options_.maxTimeMs);
        }
        ++fetched_;
        RawFile raw;
        const std::string target = options_.saveRaw.empty() ? "" : RawTarget(fetched_);
        if (!target.empty() && !raw.Open(target)) {
            Report(target, std::strerror(errno));
            return false;
        }
        std::string used, error;
        UrlParts parts;
        if (!SplitUrl(url, parts, error) || !logins_.For(parts, request.login, error)) {
            Report(shown, error);
            return false;
        }
        const bool ok = FetchListing(
            UrlWithoutLogin(parts), request,
            [&](std::string_view chunk) {
                Feed(chunk, parser, bytes);
                raw.Write(chunk);
            },
            used, error);
        if (!ok) {
            Report(shown, error);
            return false;
        }
        if (!target.empty() && !raw.Commit()) {
            Report(target, std::strerror(errno));
            return false;
        }
        return true;
    }

    // The --save-raw file of the n-th URL: FILE itself when there is one
    // URL, else FILE.1, FILE.2, ... in the order of the URLs.
    std::string RawTarget(std::size_t n) const {
        return urls_ > 1 ? options_.saveRaw + "." + std::to_string(n) : options_.saveRaw;
    }

    // True when `path` names one of the inputs that are files (standard
    // input included), by name or as the same file.
    bool IsInput(const std::string& path) const {
        struct stat target;
        const bool exists = ::stat(path.c_str(), &target) == 0;
        for (const std::string& file : options_.files) {
            if (IsUrl(file)) continue;
            if (file == path) return true;
            struct stat input;
            const int rc = file == "-" ? ::fstat(0, &input) : ::stat(file.c_str(), &input);
            if (exists && rc == 0 && input.st_dev == target.st_dev &&
                input.st_ino == target.st_ino) {
                return true;
            }
        }
        return false;
    }

    void Feed(std::string_view chunk, ftpdir::Parser& parser, std::uint64_t& bytes) {
        parser.append(chunk);
        if (decoder_.Auto()) monthCodePage_.append(chunk);
        bytes += chunk.size();
    }

    // Skipped lines go to the terminal as the table's texts do: decoded and
    // with control characters escaped.
    void PrintSkipped(std::string_view file, const std::vector<ftpdir::SkippedLine>& lines) {
        const std::string shown = Escaped(file);
        for (const ftpdir::SkippedLine& line : lines) {
            const std::string text = Escaped(decoder_.Decode(line.text));
            std::fprintf(stderr, "%s:%" PRIu64 ": %s: %s\n", shown.c_str(), line.number,
                         ftpdir::skipReasonName(line.reason), text.c_str());
        }
    }

    // `given` when it is not empty, else the first of the environment
    // variables that is set and not empty.
    static std::string FirstOf(const std::string& given,
                               std::initializer_list<const char*> variables) {
        if (!given.empty()) return given;
        for (const char* name : variables) {
            const char* value = std::getenv(name);
            if (value != nullptr && *value != '\0') return value;
        }
        return {};
    }

    static LoginSource::Settings LoginSettings(const Options& options) {
        LoginSource::Settings settings;
        settings.user = options.user;
        settings.netrc = options.netrc;
        settings.netrcFile = options.netrcFile;
        if (const char* password = std::getenv("FTPLS_PASSWORD")) {
            settings.environmentPassword = password;
        }
        return settings;
    }

    const Options& options_;
    const std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    TextDecoder decoder_;
    ftpdir::MonthCodePage monthCodePage_;  // --encoding=auto
    Output output_;
    std::vector<char> chunk_;
    std::size_t urls_ = 0;     // URLs among the inputs
    std::size_t fetched_ = 0;  // URLs fetched so far
    LoginSource logins_;
    bool warnedInsecure_ = false;
    int status_ = 0;
    std::size_t listed_ = 0;  // inputs read and written
};

std::string VersionText() { return "ftpls (ftpdirlist) " FTPLS_VERSION "\n" + UrlSupport() + "\n"; }

int Main(int argc, char** argv) {
    Options options;
    std::string error;
    if (!ParseCommandLine(argc, argv, options, error)) return UsageError(error);
    if (options.help || options.version) {
        const std::string text = options.help ? HelpText() : VersionText();
        errno = 0;
        if (std::fputs(text.c_str(), stdout) < 0 || std::fflush(stdout) != 0) {
            Report("standard output", std::strerror(errno != 0 ? errno : EIO));
            return 1;
        }
        return 0;
    }
    Lister lister(options);
    return lister.Run();
}

}  // namespace

}  // namespace ftpls

int main(int argc, char** argv) {
    try {
        return ftpls::Main(argc, argv);
    } catch (const std::bad_alloc&) {
        std::fputs("ftpls: out of memory\n", stderr);
        return 1;
    }
}
