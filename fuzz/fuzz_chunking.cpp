// Chunking must not matter: the same bytes fed whole and cut at
// fuzzer-chosen points give the same table and the same skipped lines.
// Every chunk lives in a buffer of its own that is freed right after the
// call, as a host that reuses its receive buffer would.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "entries/entry_table.h"
#include "fuzz_check.h"
#include "input/dir_list.h"
#include "test_support.h"

namespace {

using ftpdirlist::CFtpDirList;
using ftpdirlist::EntryRow;
using ftpdirlist::EntryTable;
using ftpdirlist::LocalDate;
using ftpdirlist::SkippedLine;

constexpr LocalDate kToday = testsupport::kExamplesToday;

void Feed(CFtpDirList& list, const std::string& listing, std::size_t from, std::size_t to) {
    const testsupport::HeapBytes chunk(std::string_view(listing).substr(from, to - from));
    list.AppendData(chunk.data(), chunk.size());
}

void CheckSameRows(const EntryTable& a, const EntryTable& b) {
    FUZZ_CHECK(a.Size() == b.Size());
    for (std::size_t i = 0; i < a.Size(); ++i) {
        const EntryRow& x = a.Row(i);
        const EntryRow& y = b.Row(i);
        FUZZ_CHECK(x.Name() == y.Name());
        FUZZ_CHECK(ftpdirlist::AttributesOf(x) == ftpdirlist::AttributesOf(y));
        FUZZ_CHECK(x.size == y.size && x.isDir == y.isDir && x.isLink == y.isLink);
        FUZZ_CHECK(x.version == y.version);
        FUZZ_CHECK(x.DateTime() == y.DateTime());
    }
}

void CheckSameSkipped(const std::vector<SkippedLine>& a, const std::vector<SkippedLine>& b) {
    FUZZ_CHECK(a.size() == b.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
        FUZZ_CHECK(a[i].number == b[i].number);
        FUZZ_CHECK(a[i].text == b[i].text);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The cut points come from the end of the input, the listing is the
    // rest, so seed listings stay readable.
    FuzzedDataProvider provider(data, size);
    const bool byteByByte = provider.ConsumeBool();
    std::vector<std::size_t> cuts(provider.ConsumeIntegralInRange<std::size_t>(0, 24));
    for (std::size_t& cut : cuts) cut = provider.ConsumeIntegral<std::uint16_t>();
    const std::string listing = provider.ConsumeRemainingBytesAsString();

    std::vector<SkippedLine> wholeSkipped;
    CFtpDirList whole(kToday);
    whole.SetSkippedSink(&wholeSkipped);
    whole.AppendData(listing.data(), listing.size());
    const EntryTable wholeTable = whole.Finish();

    std::vector<SkippedLine> cutSkipped;
    CFtpDirList pieces(kToday);
    pieces.SetSkippedSink(&cutSkipped);
    if (byteByByte) {
        for (std::size_t i = 0; i < listing.size(); ++i) Feed(pieces, listing, i, i + 1);
    } else {
        for (std::size_t& cut : cuts) cut %= listing.size() + 1;
        std::sort(cuts.begin(), cuts.end());
        std::size_t from = 0;
        for (std::size_t cut : cuts) {  // equal cuts give empty chunks, which must do nothing
            Feed(pieces, listing, from, cut);
            from = cut;
        }
        Feed(pieces, listing, from, listing.size());
    }
    const EntryTable cutTable = pieces.Finish();

    CheckSameRows(wholeTable, cutTable);
    CheckSameSkipped(wholeSkipped, cutSkipped);
    return 0;
}
