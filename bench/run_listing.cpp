// Runs the library over one listing file, for the measuring scripts:
//   ftpdirlist_run [WAY] [--memory] FILE
//   ftpdirlist_run --speed ROUNDS FILE
// WAY is one of
// (none)    InitFtpDirList, then GetFtpDirItem mode 1 and mode 0 for every
//           entry, as a host reads the table;
// --empty   reads the file only (the cost to subtract from the other runs);
// --cxx     ftpdir::parse over the whole listing (extended dialect), then
//           every field of every entry read back;
// --cxx-classic  the same in the classic dialect;
// --stream  an ftpdir::Parser fed in 64 KiB chunks, every field read back;
// --take    the same, the ready entries taken (takeReady) and read after
//           every chunk, as a consumer that prints them as they come;
// --dump    prints every field of every entry through the C interface, then
//           the skipped lines and the entries of the C++ API (every field,
//           the extended ones too) read in chunks of several sizes (to
//           compare builds).
// --memory  after the run, prints the peak resident memory beyond the
//           listing, relative to the listing's size (run one way a process:
//           the peak is the process's).
// --speed   runs the C interface, ftpdir::parse classic and ftpdir::parse
//           extended in turn, ROUNDS times, and prints for each the median
//           MB/s of process CPU time (time spent waiting for a shared
//           machine's other work is left out) warm, memory reused from the
//           round before, then cold, each parse in a fresh child process.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <time.h>

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ftpdirlist/ftpdirlist.h"
#include "ftpdirlist/ftpdirlist.hpp"
#include "read_entries.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {

long PeakKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Reads every entry as a host does; returns a checksum so nothing is left out.
std::uint64_t ReadTable(std::int32_t count, bool print) {
    // Buffers grow as needed and are reused, as a careful host does; an
    // empty attribute buffer must hold an empty string for the "d"/"l" rule.
    std::vector<char> name(256);
    std::vector<char> attributes(256);
    std::uint64_t sum = 0;
    for (std::int32_t i = 0; i < count; ++i) {
        FtpDirItem item{};
        GetFtpDirItem(i, &item, 1);
        if (static_cast<std::size_t>(item.nameLength) + 2 > name.size()) {
            name.resize(static_cast<std::size_t>(item.nameLength) + 2);
        }
        if (static_cast<std::size_t>(item.attributesLength) + 2 > attributes.size()) {
            attributes.resize(static_cast<std::size_t>(item.attributesLength) + 2);
        }
        attributes[static_cast<std::size_t>(item.attributesLength)] = '\0';
        attributes[static_cast<std::size_t>(item.attributesLength) + 1] = '\0';
        item.name = name.data();
        item.attributes = attributes.data();
        GetFtpDirItem(i, &item, 0);
        sum += static_cast<std::uint64_t>(item.size) + static_cast<unsigned char>(name[0]);
        if (print) {
            std::printf("%d\t%.*s\t%.*s\t%" PRId64 "\t%d %d %d %d %d %d %d\t%s\n", i,
                        item.nameLength, name.data(), item.attributesLength, attributes.data(),
                        item.size, item.hasDate, item.hasTime, item.year, item.month, item.day,
                        item.hour, item.minute, attributes.data() + item.attributesLength);
        }
    }
    return sum;
}

// InitFtpDirList, both reads of every entry, UnInitFtpDirList.
std::uint64_t RunCInterface(std::string_view listing, std::size_t& count) {
    const std::int32_t n =
        InitFtpDirList(listing.data(), static_cast<std::int32_t>(listing.size()));
    const std::uint64_t sum = ReadTable(n, false);
    UnInitFtpDirList();
    count = static_cast<std::size_t>(n);
    return sum;
}

std::uint64_t RunCxx(std::string_view listing, ftpdir::Dialect dialect, std::size_t& count) {
    ftpdir::Options options;
    options.dialect = dialect;
    return ftpdirbench::ReadEntries(ftpdir::parse(listing, options), count);
}

std::uint64_t RunCxxExtended(std::string_view listing, std::size_t& count) {
    return RunCxx(listing, ftpdir::Dialect::extended, count);
}

std::uint64_t RunCxxClassic(std::string_view listing, std::size_t& count) {
    return RunCxx(listing, ftpdir::Dialect::classic, count);
}

std::uint64_t RunStream(std::string_view listing, std::size_t& count) {
    ftpdir::Parser parser;
    for (std::size_t at = 0; at < listing.size(); at += 65536) {
        parser.append(listing.substr(at, 65536));
    }
    return ftpdirbench::ReadEntries(parser.finish(), count);
}

std::uint64_t RunTake(std::string_view listing, std::size_t& count) {
    ftpdir::Parser parser;
    std::uint64_t sum = 0;
    std::size_t taken = 0;
    for (std::size_t at = 0; at < listing.size(); at += 65536) {
        parser.append(listing.substr(at, 65536));
        sum += ftpdirbench::ReadEntries(parser.takeReady(), taken);
        count += taken;
    }
    sum += ftpdirbench::ReadEntries(parser.finish(), taken);
    count += taken;
    return sum;
}

using Way = std::uint64_t (*)(std::string_view, std::size_t&);

double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// The MB/s of `seconds`, the median of a way's rounds.
double MegabytesPerSecond(std::size_t bytes, std::vector<double> seconds) {
    std::sort(seconds.begin(), seconds.end());
    return static_cast<double>(bytes) / 1e6 / seconds[seconds.size() / 2];
}

// The process CPU seconds of one run of `run` in a child process forked
// for it: the child starts from this process's memory as it was before any
// parse, so every page the parse needs is fresh, as in a program that parses
// one listing. Adds the run's checksum to `sum`. Negative when no child
// could be had.
double ColdSeconds(Way run, std::string_view listing, std::uint64_t& sum) {
    struct Result {
        double seconds;
        std::uint64_t sum;
    };
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) return -1;
    const pid_t child = fork();
    if (child == 0) {
        close(pipeEnds[0]);
        std::size_t count = 0;
        const double start = CpuSeconds();
        Result result{};
        result.sum = run(listing, count);
        result.seconds = CpuSeconds() - start;
        const ssize_t written = write(pipeEnds[1], &result, sizeof result);
        _exit(written == static_cast<ssize_t>(sizeof result) ? 0 : 1);
    }
    close(pipeEnds[1]);
    Result result{-1, 0};
    if (child < 0 || read(pipeEnds[0], &result, sizeof result) != sizeof result)
        result.seconds = -1;
    close(pipeEnds[0]);
    if (child > 0) waitpid(child, nullptr, 0);
    sum += result.sum;
    return result.seconds;
}

// The ways of --speed, run in turn in every round so that a shared machine's
// slow moments fall on all of them alike. Two figures a way:
// - cold: one parse in a process of its own (ColdSeconds), first, while
//   this process has parsed nothing;
// - warm: parses again and again in this process, with the allocator told
//   to keep what a round frees for the next (glibc: no trimming, mapped
//   blocks only above 32 MiB), as a long-running client's heap does: the
//   pages are the previous round's, so the figure is the parsing's own
//   work. Each way's first round is not counted.
// Which pages are fresh otherwise depends on what the ways before freed,
// which would favour whichever runs after the largest.
int Speed(std::string_view listing, int rounds) {
    struct Timed {
        const char* name;
        Way run;
        std::vector<double> cold;
        std::vector<double> warm;
    };
    Timed ways[] = {{"c-interface", RunCInterface, {}, {}},
                    {"cxx-classic", RunCxxClassic, {}, {}},
                    {"cxx-extended", RunCxxExtended, {}, {}}};
    std::uint64_t sum = 0;
    for (int round = 0; round < rounds; ++round) {
        for (Timed& way : ways) {
            const double seconds = ColdSeconds(way.run, listing, sum);
            if (seconds < 0) {
                std::fprintf(stderr, "cannot run a child process\n");
                return 1;
            }
            way.cold.push_back(seconds);
        }
    }
#if defined(__GLIBC__)
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, std::numeric_limits<int>::max());
#endif
    for (int round = 0; round <= rounds; ++round) {
        for (Timed& way : ways) {
            std::size_t count = 0;
            const double start = CpuSeconds();
            sum += way.run(listing, count);
            if (round > 0) way.warm.push_back(CpuSeconds() - start);
        }
    }
    for (const Timed& way : ways) {
        std::printf("%s %.1f %.1f\n", way.name, MegabytesPerSecond(listing.size(), way.warm),
                    MegabytesPerSecond(listing.size(), way.cold));
    }
    std::printf("checksum %" PRIu64 "\n", sum);
    return 0;
}

void DumpCxx(std::string_view listing, std::size_t chunk) {
    ftpdir::Options options;
    options.collectSkipped = true;
    ftpdir::Parser parser(options);
    for (std::size_t at = 0; at < listing.size(); at += chunk) {
        parser.append(listing.substr(at, chunk));
    }
    const ftpdir::Listing entries = parser.finish();
    std::printf("cxx chunk %zu: %zu entries\n", chunk, entries.size());
    // Texts may hold zero bytes: printed by their lengths.
    const auto text = [](std::string_view t) { return static_cast<int>(t.size()); };
    for (const ftpdir::EntryView& e : entries) {
        std::printf("%.*s\t%.*s\t%" PRId64 "\t%d %d", text(e.name), e.name.data(),
                    text(e.attributes), e.attributes.data(), e.size, e.isDir, e.isLink);
        if (e.date) std::printf("\t%d-%d-%d", e.date->year, e.date->month, e.date->day);
        if (e.time) {
            std::printf("\t%d:%d:%d", e.time->hour, e.time->minute,
                        e.time->second ? *e.time->second : -1);
        } else {
            std::printf("\t-");
        }
        std::printf("\t%.*s\t%.*s\t%.*s\t%d %s\n", text(e.target), e.target.data(), text(e.owner),
                    e.owner.data(), text(e.group), e.group.data(), e.utc ? 1 : 0,
                    ftpdir::formatName(e.format));
    }
    for (const ftpdir::SkippedLine& s : parser.skipped()) {
        std::printf("skipped %" PRIu64 "\t%s\n", s.number, s.text.c_str());
    }
}

}  // namespace

int main(int argc, char** argv) {
    const char* way = "";
    bool memory = false;
    int rounds = 0;
    int at = 1;
    for (; at < argc - 1; ++at) {
        if (std::strcmp(argv[at], "--memory") == 0) {
            memory = true;
        } else if (std::strcmp(argv[at], "--speed") == 0 && at + 1 < argc - 1) {
            rounds = std::max(1, std::atoi(argv[++at]));
        } else if (*way == '\0') {
            way = argv[at];
        } else {
            break;
        }
    }
    struct Named {
        const char* name;
        Way run;
    };
    static constexpr Named kWays[] = {{"", RunCInterface},
                                      {"--cxx", RunCxxExtended},
                                      {"--cxx-classic", RunCxxClassic},
                                      {"--stream", RunStream},
                                      {"--take", RunTake}};
    Way run = nullptr;
    for (const Named& named : kWays) {
        if (std::strcmp(way, named.name) == 0) run = named.run;
    }
    const bool known =
        run != nullptr || std::strcmp(way, "--empty") == 0 || std::strcmp(way, "--dump") == 0;
    if (argc < 2 || at != argc - 1 || !known) {
        std::fprintf(
            stderr,
            "usage: %s [--empty|--cxx|--cxx-classic|--stream|--take|--dump] [--memory] FILE\n"
            "       %s --speed ROUNDS FILE\n",
            argv[0], argv[0]);
        return 2;
    }
    const char* path = argv[argc - 1];
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", path);
        return 1;
    }
    // Read once into a buffer of exactly its size: the peak before parsing
    // is the listing itself, and a sanitizer build catches a read past it.
    in.seekg(0, std::ios::end);
    const std::size_t size = static_cast<std::size_t>(in.tellg());
    std::unique_ptr<char[]> bytes(new char[size]);
    in.seekg(0);
    in.read(bytes.get(), static_cast<std::streamsize>(size));
    const std::string_view listing(bytes.get(), size);
    if (std::strcmp(way, "--empty") == 0) return listing.empty() ? 1 : 0;
    if (rounds > 0) return Speed(listing, rounds);

    if (std::strcmp(way, "--dump") == 0) {
        const std::int32_t count =
            InitFtpDirList(listing.data(), static_cast<std::int32_t>(listing.size()));
        ReadTable(count, true);
        UnInitFtpDirList();
        for (std::size_t chunk : {std::size_t{65536}, std::size_t{4093}, std::size_t{1}}) {
            if (chunk == 1 && listing.size() > 2000000) continue;  // too slow to be worth it
            DumpCxx(listing, chunk);
        }
        return 0;
    }
    const long before = PeakKiB();
    std::size_t count = 0;
    const std::uint64_t sum = run(listing, count);
    if (memory) {
        const double beyond = static_cast<double>(PeakKiB() - before) * 1024.0;
        std::printf("%zu bytes, %zu entries: peak %.1f MB beyond the listing, %.2fx its size\n",
                    listing.size(), count, beyond / 1e6,
                    beyond / static_cast<double>(listing.size()));
    } else {
        std::printf("%zu entries, checksum %" PRIu64 "\n", count, sum);
    }
    return 0;
}
