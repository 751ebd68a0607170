// ftpls: prints the entries of FTP directory listings as a table, CSV or JSON.
#include <cerrno>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "ftpdirlist/ftpdirlist.hpp"
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

void Report(std::string_view subject, const char* reason) {
    std::fprintf(stderr, "ftpls: %.*s: %s\n", static_cast<int>(subject.size()), subject.data(),
                 reason);
}

int UsageError(const std::string& reason) {
    std::fprintf(stderr, "ftpls: %s\nTry 'ftpls --help' for more information.\n", reason.c_str());
    return 2;
}

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
                 "%.*s: %" PRIu64 " entries, %" PRIu64 " bytes, %" PRIu64
                 " lines skipped, %.3f ms, %.1f MiB/s\n",
                 static_cast<int>(name.size()), name.data(), t.entries, t.bytes, t.skipped,
                 t.seconds * 1000.0, rate);
}

class Lister {
public:
    explicit Lister(const Options& options)
        : options_(options),
          output_(stdout, options.format, options.attributes, !options.classic,
                  options.files.size() > 1, decoder_),
          chunk_(kChunkSize) {}

    // Runs the whole command; returns the exit status.
    int Run() {
        const std::string encoding = EffectiveEncoding(options_);
        if (!decoder_.Configure(encoding)) return UsageError("unknown encoding '" + encoding + "'");
        if (!options_.saveRaw.empty()) {
            raw_ = std::fopen(options_.saveRaw.c_str(), "wb");
            if (raw_ == nullptr) {
                Report(options_.saveRaw, std::strerror(errno));
                return 1;
            }
        }
        if (!options_.count) output_.Begin();
        Totals all;
        for (const std::string& file : options_.files) {
            if (!ListFile(file, all)) status_ = 1;
            if (output_.Error() != 0) break;
        }
        if (options_.count) {
            output_.Line(std::to_string(all.entries));
        } else {
            output_.End();
        }
        if (!output_.Flush()) {
            Report("standard output", std::strerror(output_.Error()));
            return 1;
        }
        if (options_.stats && options_.files.size() > 1) PrintStats("total", all);
        if (raw_ != nullptr && std::fclose(raw_) != 0) {
            Report(options_.saveRaw, std::strerror(errno));
            return 1;
        }
        return status_;
    }

private:
    // Parses one FILE or URL and writes its entries. False when it cannot be
    // read; nothing of it is written then.
    bool ListFile(const std::string& argument, Totals& all) {
        const bool url = IsUrl(argument);
        const std::string file = url ? RedactUrl(argument) : argument;
        const auto start = std::chrono::steady_clock::now();
        ftpdir::Options parseOptions;
        parseOptions.dialect =
            options_.classic ? ftpdir::Dialect::classic : ftpdir::Dialect::extended;
        parseOptions.today = options_.today;
        parseOptions.collectSkipped = options_.stats || options_.skipped;
        parseOptions.keepVersions = options_.keepVersions;
        ftpdir::Parser parser(parseOptions);
        monthCodePage_ = ftpdir::MonthCodePage();

        Totals one;
        if (!(url ? Fetch(argument, file, parser, one.bytes) : Read(file, parser, one.bytes))) {
            return false;
        }
        const std::vector<ftpdir::Entry> entries = parser.finish();
        if (decoder_.Auto()) decoder_.SetRevealed(FromRevealed(monthCodePage_.finish()));
        one.entries = entries.size();
        one.skipped = parser.skipped().size();
        one.seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

        if (!options_.count) output_.Listing(file, entries);
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
        request.connectTimeout = options_.connectTimeout;
        request.maxTime = options_.maxTime;
        std::string used, error;
        const bool ok = FetchListing(
            url, request,
            [&](std::string_view chunk) {
                Feed(chunk, parser, bytes);
                if (raw_ != nullptr) std::fwrite(chunk.data(), 1, chunk.size(), raw_);
            },
            used, error);
        if (!ok) Report(shown, error.c_str());
        return ok;
    }

    void Feed(std::string_view chunk, ftpdir::Parser& parser, std::uint64_t& bytes) {
        parser.append(chunk);
        if (decoder_.Auto()) monthCodePage_.append(chunk);
        bytes += chunk.size();
    }

    // Skipped lines go to the terminal as the table's texts do: decoded and
    // with control characters escaped.
    void PrintSkipped(std::string_view file, const std::vector<ftpdir::SkippedLine>& lines) {
        for (const ftpdir::SkippedLine& line : lines) {
            std::string text;
            AppendDisplay(text, decoder_.Decode(line.text));
            std::fprintf(stderr, "%.*s:%" PRIu64 ": %.*s\n", static_cast<int>(file.size()),
                         file.data(), line.number, static_cast<int>(text.size()), text.data());
        }
    }

    const Options& options_;
    TextDecoder decoder_;
    ftpdir::MonthCodePage monthCodePage_;  // --encoding=auto
    Output output_;
    std::vector<char> chunk_;
    std::FILE* raw_ = nullptr;  // --save-raw
    int status_ = 0;
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
