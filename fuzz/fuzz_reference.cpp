// The normal parser core against its reference build (every shortcut off)
// on fuzzer input: the table, the skipped lines and each line's verdict and
// fields must be the same, whole and in fuzzer-chosen chunks. Both builds
// are linked into this program (tests/reference/listing_dump.h).
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "fuzz_check.h"
#include "listing_dump.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The chunk size comes from the end of the input, so seed listings stay
    // readable.
    FuzzedDataProvider provider(data, size);
    const std::size_t chunk = provider.ConsumeIntegralInRange<std::size_t>(0, 200);
    const std::string listing = provider.ConsumeRemainingBytesAsString();
    for (const std::size_t cut : {std::size_t{0}, chunk}) {
        const std::string normal = ftpdirlist::DumpListing(listing, cut);
        const std::string reference = ftpdirlist_reference::DumpListing(listing, cut);
        if (normal != reference) {
            std::fprintf(stderr, "normal:\n%s\nreference:\n%s\n", normal.c_str(),
                         reference.c_str());
        }
        FUZZ_CHECK(normal == reference);
    }
    return 0;
}
