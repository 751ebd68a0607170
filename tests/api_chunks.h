// The C++ API fed in chunks, shared by the API tests and the extended
// dialect's fuzz target.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "ftpdirlist/ftpdirlist.hpp"
#include "test_support.h"

namespace testsupport {

struct ApiOutcome {
    std::vector<ftpdir::Entry> entries;
    std::vector<ftpdir::SkippedLine> skipped;
};

// Feeds `listing` cut before each offset of `cuts` (ascending, at most its
// size; equal offsets give empty chunks), each chunk a heap copy of exactly
// its length released as soon as append() returns. Skipped lines are
// collected whatever `options` says. With `takeReady`, the entries ready
// after each chunk are taken (and counted in `early`), finish() adds the rest.
inline ApiOutcome ParseInChunks(std::string_view listing, const std::vector<std::size_t>& cuts,
                                ftpdir::Options options, bool takeReady = false,
                                std::size_t* early = nullptr) {
    options.collectSkipped = true;
    ftpdir::Parser parser(options);
    ApiOutcome out;
    std::size_t from = 0;
    const auto feed = [&](std::size_t to) {
        const HeapBytes chunk(listing.substr(from, to - from));
        parser.append(chunk.view());
        from = to;
        if (!takeReady) return;
        const std::vector<ftpdir::Entry> ready = parser.takeReady();
        out.entries.insert(out.entries.end(), ready.begin(), ready.end());
    };
    for (std::size_t cut : cuts) feed(cut);
    feed(listing.size());
    if (early != nullptr) *early = out.entries.size();
    const std::vector<ftpdir::Entry> rest = parser.finish();
    out.entries.insert(out.entries.end(), rest.begin(), rest.end());
    out.skipped = parser.skipped();
    return out;
}

// Offsets n, 2n, ... below `size`: chunks of n bytes.
inline std::vector<std::size_t> EveryNBytes(std::size_t size, std::size_t n) {
    std::vector<std::size_t> cuts;
    for (std::size_t at = n; at < size; at += n) cuts.push_back(at);
    return cuts;
}

inline bool SameSkipped(const std::vector<ftpdir::SkippedLine>& a,
                        const std::vector<ftpdir::SkippedLine>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].number != b[i].number || a[i].text != b[i].text || a[i].reason != b[i].reason) {
            return false;
        }
    }
    return true;
}

// A test name for an example listing's file name: "mvs-members.txt" gives
// "mvs_members".
inline std::string ExampleTestName(std::string file) {
    file = file.substr(0, file.find('.'));
    for (char& ch : file) {
        if (ch == '-') ch = '_';
    }
    return file;
}

// The example listings' "today" as the C++ API takes it.
inline ftpdir::Date ExamplesToday() {
    return {kExamplesToday.year, kExamplesToday.month, kExamplesToday.day};
}

}  // namespace testsupport
