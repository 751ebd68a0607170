// The extended dialect through the C++ API. For both settings of
// keepVersions: the same bytes fed whole, cut at fuzzer-chosen points (also
// taking the ready entries after every chunk), and one byte at a time give
// the same entries and the same skipped lines;
// every date and time is a real one. Collapsing versions leaves the entries
// of other families alone, and without keepVersions no VMS name repeats.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "api_chunks.h"
#include "ftpdirlist/ftpdirlist.hpp"
#include "fuzz_check.h"

namespace {

using Result = testsupport::ApiOutcome;

ftpdir::Options ExtendedOptions(bool keepVersions) {
    ftpdir::Options options;
    options.dialect = ftpdir::Dialect::extended;
    options.today = testsupport::ExamplesToday();
    options.collectSkipped = true;
    options.keepVersions = keepVersions;
    return options;
}

void CheckSame(const Result& a, const Result& b) {
    FUZZ_CHECK(a.entries == b.entries);
    FUZZ_CHECK(testsupport::SameSkipped(a.skipped, b.skipped));
}

// Every entry through its view, which equals its owning copy.
void CheckFields(const ftpdir::Listing& entries) {
    for (const ftpdir::EntryView& e : entries) {
        FUZZ_CHECK(e == e.toEntry());
        FUZZ_CHECK(!e.name.empty());
        FUZZ_CHECK(e.format != ftpdir::Format::unknown);
        FUZZ_CHECK(e.size >= -1);
        FUZZ_CHECK(!(e.isDir && e.isLink));
        FUZZ_CHECK(e.isLink || e.target.empty());
        FUZZ_CHECK(!e.time || e.date);
        if (e.date) {
            FUZZ_CHECK(e.date->month >= 1 && e.date->month <= 12);
            FUZZ_CHECK(e.date->day >= 1 &&
                       e.date->day <= ftpdir::daysInMonth(e.date->year, e.date->month));
        }
        if (e.time) {
            FUZZ_CHECK(e.time->hour >= 0 && e.time->hour <= 23);
            FUZZ_CHECK(e.time->minute >= 0 && e.time->minute <= 59);
            FUZZ_CHECK(!e.time->second || (*e.time->second >= 0 && *e.time->second <= 60));
        }
    }
}

std::vector<ftpdir::Entry> WithoutVms(const std::vector<ftpdir::Entry>& entries) {
    std::vector<ftpdir::Entry> rest;
    for (const ftpdir::Entry& e : entries) {
        if (e.format != ftpdir::Format::vms) rest.push_back(e);
    }
    return rest;
}

// Collapsing touches only VMS entries: the others keep their names and
// order. (A VMS version may still replace an earlier entry of another family
// with the same name, so a non-VMS entry may be missing when collapsed.)
void CheckVersions(const Result& collapsed, const Result& kept) {
    const std::vector<ftpdir::Entry> keptRest = WithoutVms(kept.entries);
    auto next = keptRest.begin();
    for (const ftpdir::Entry& e : WithoutVms(collapsed.entries)) {
        next = std::find(next, keptRest.end(), e);
        FUZZ_CHECK(next != keptRest.end());
        ++next;
    }
    FUZZ_CHECK(collapsed.entries.size() <= kept.entries.size());
    std::set<std::string> names;
    for (const ftpdir::Entry& e : collapsed.entries) {
        if (e.format == ftpdir::Format::vms) FUZZ_CHECK(names.insert(e.name).second);
    }
}

Result ReadEveryWay(bool keepVersions, std::string_view listing,
                    const std::vector<std::size_t>& cuts) {
    const ftpdir::Options options = ExtendedOptions(keepVersions);
    Result whole;
    const ftpdir::Listing parsed = ftpdir::parse(listing, options);
    whole.entries = parsed;
    {
        ftpdir::Parser parser(options);
        parser.append(listing);
        FUZZ_CHECK(parser.finish() == parsed);
        whole.skipped = parser.skipped();
    }
    CheckFields(parsed);
    CheckSame(whole, testsupport::ParseInChunks(listing, cuts, options));
    CheckSame(whole, testsupport::ParseInChunks(listing, cuts, options, true));
    CheckSame(whole, testsupport::ParseInChunks(
                         listing, testsupport::EveryNBytes(listing.size(), 1), options));
    return whole;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The cut points come from the end of the input, the listing is the
    // rest, so seed listings stay readable.
    FuzzedDataProvider provider(data, size);
    std::vector<std::size_t> cuts(provider.ConsumeIntegralInRange<std::size_t>(0, 24));
    for (std::size_t& cut : cuts) cut = provider.ConsumeIntegral<std::uint16_t>();
    const std::string listing = provider.ConsumeRemainingBytesAsString();
    for (std::size_t& cut : cuts) cut %= listing.size() + 1;
    std::sort(cuts.begin(), cuts.end());

    const Result collapsed = ReadEveryWay(false, listing, cuts);
    const Result kept = ReadEveryWay(true, listing, cuts);
    CheckVersions(collapsed, kept);
    return 0;
}
