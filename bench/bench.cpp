// Throughput of the library on generated listings held in memory. Every
// benchmark reports bytes/s and entries/s of process CPU time (time spent
// waiting for a shared machine's other work is left out). Listings have
// 1 million lines unless FTPDIRLIST_BENCH_LINES says otherwise, except
// VmsNames/N, which reads N distinct VMS names (20k, 100k, 1M) and reports
// ns/line: flat when the name index costs no more per line as it grows.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "ftpdirlist/ftpdirlist.h"
#include "ftpdirlist/ftpdirlist.hpp"
#include "listing_gen.h"
#include "read_entries.h"

namespace {

using ftpdirbench::Style;

const std::string& Listing(Style style) {
    static std::map<Style, std::string> cache;
    auto it = cache.find(style);
    if (it == cache.end()) {
        const char* env = std::getenv("FTPDIRLIST_BENCH_LINES");
        const std::size_t lines = env != nullptr ? std::strtoull(env, nullptr, 10) : 1000000;
        it = cache.emplace(style, ftpdirbench::Generate(style, lines)).first;
    }
    return it->second;
}

void Report(benchmark::State& state, const std::string& listing, std::size_t entries) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * listing.size()));
    state.counters["entries/s"] = benchmark::Counter(static_cast<double>(entries),
                                                     benchmark::Counter::kIsIterationInvariantRate);
}

// InitFtpDirList alone; releasing the table is not timed.
void InitOnly(benchmark::State& state, Style style) {
    const std::string& listing = Listing(style);
    std::int32_t count = 0;
    for (auto _ : state) {
        count = InitFtpDirList(listing.data(), static_cast<std::int32_t>(listing.size()));
        state.PauseTiming();
        UnInitFtpDirList();
        state.ResumeTiming();
    }
    Report(state, listing, static_cast<std::size_t>(count));
}

// What a host does: InitFtpDirList, then mode 1 and mode 0 for every entry.
void InitAndRead(benchmark::State& state, Style style) {
    const std::string& listing = Listing(style);
    std::vector<char> name(1 << 16);
    std::vector<char> attributes(1 << 16);
    std::int32_t count = 0;
    for (auto _ : state) {
        count = InitFtpDirList(listing.data(), static_cast<std::int32_t>(listing.size()));
        for (std::int32_t i = 0; i < count; ++i) {
            FtpDirItem item{};
            GetFtpDirItem(i, &item, 1);
            item.name = name.data();
            item.attributes = attributes.data();
            attributes[static_cast<std::size_t>(item.attributesLength)] = '\0';
            GetFtpDirItem(i, &item, 0);
            benchmark::DoNotOptimize(item);
        }
        state.PauseTiming();
        UnInitFtpDirList();
        state.ResumeTiming();
    }
    Report(state, listing, static_cast<std::size_t>(count));
}

// ftpdir::parse in the extended dialect (the default) or the classic one,
// every field of every entry read back through the views.
void CxxParseIn(benchmark::State& state, Style style, ftpdir::Dialect dialect) {
    const std::string& listing = Listing(style);
    ftpdir::Options options;
    options.dialect = dialect;
    std::size_t count = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(ftpdirbench::ReadEntries(ftpdir::parse(listing, options), count));
    }
    Report(state, listing, count);
}

void CxxParse(benchmark::State& state, Style style) {
    CxxParseIn(state, style, ftpdir::Dialect::extended);
}

void CxxParseClassic(benchmark::State& state, Style style) {
    CxxParseIn(state, style, ftpdir::Dialect::classic);
}

// InitFtpDirList over `names` distinct VMS names, in ns per line.
void VmsNames(benchmark::State& state) {
    std::size_t lines = static_cast<std::size_t>(state.range(0));
    // A brief run (FTPDIRLIST_BENCH_LINES) caps the names too.
    if (const char* env = std::getenv("FTPDIRLIST_BENCH_LINES")) {
        lines = std::min<std::size_t>(lines, std::strtoull(env, nullptr, 10));
    }
    const std::string listing = ftpdirbench::Generate(Style::kVmsDistinct, lines);
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            InitFtpDirList(listing.data(), static_cast<std::int32_t>(listing.size())));
        state.PauseTiming();
        UnInitFtpDirList();
        state.ResumeTiming();
    }
    state.counters["ns/line"] = benchmark::Counter(
        static_cast<double>(lines) * 1e-9,
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// The C++ parser fed in 64 KiB chunks, as from a socket.
void CxxStream(benchmark::State& state, Style style) {
    const std::string& listing = Listing(style);
    constexpr std::size_t kChunk = 64 * 1024;
    std::size_t count = 0;
    for (auto _ : state) {
        ftpdir::Parser parser;
        for (std::size_t at = 0; at < listing.size(); at += kChunk) {
            parser.append(std::string_view(listing).substr(at, kChunk));
        }
        benchmark::DoNotOptimize(ftpdirbench::ReadEntries(parser.finish(), count));
    }
    Report(state, listing, count);
}

int RegisterAll() {
    struct Kind {
        const char* name;
        void (*run)(benchmark::State&, Style);
    };
    static constexpr Kind kKinds[] = {
        {"Init", InitOnly},          {"InitAndRead", InitAndRead},
        {"CxxParse", CxxParse},      {"CxxParseClassic", CxxParseClassic},
        {"CxxStream64K", CxxStream},
    };
    for (const Kind& kind : kKinds) {
        for (const ftpdirbench::NamedStyle& s : ftpdirbench::kStyles) {
            const std::string name = std::string(kind.name) + "/" + s.name;
            benchmark::RegisterBenchmark(name.c_str(), kind.run, s.style)
                ->Unit(benchmark::kMillisecond);
        }
    }
    benchmark::RegisterBenchmark("VmsNames", VmsNames)
        ->Arg(20000)
        ->Arg(100000)
        ->Arg(1000000)
        ->Unit(benchmark::kMillisecond);
    return 0;
}

const int kRegistered = RegisterAll();

}  // namespace

BENCHMARK_MAIN();
