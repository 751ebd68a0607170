// Whole listings through the three exported functions, every entry read in
// every mode into buffers of exact size; indices outside the table and a
// second release must leave the host's record alone.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>

#include "c_abi_reader.h"
#include "ftpdirlist/ftpdirlist.h"
#include "fuzz_check.h"

namespace {

// Lines as the reader cuts them: at most one per line end, plus the last.
std::size_t LineBound(const char* data, std::size_t size) {
    std::size_t ends = 0;
    for (std::size_t i = 0; i < size; ++i) ends += (data[i] == '\r' || data[i] == '\n');
    return ends + 1;
}

void CheckUntouched(int32_t index, int32_t mode) {
    FtpDirItem item;
    std::memset(&item, 0xA5, sizeof item);
    FtpDirItem before = item;
    GetFtpDirItem(index, &item, mode);
    FUZZ_CHECK(std::memcmp(&item, &before, sizeof item) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > static_cast<std::size_t>(std::numeric_limits<int32_t>::max())) return 0;
    const char* text = reinterpret_cast<const char*>(data);
    const int32_t count = InitFtpDirList(text, static_cast<int32_t>(size));
    FUZZ_CHECK(count >= 0);
    FUZZ_CHECK(static_cast<std::size_t>(count) <= LineBound(text, size));

    // The first byte picks the mode of neither kind, so that many values are tried.
    const int32_t otherMode = size == 0 ? 2 : (data[0] == 0 || data[0] == 1 ? -1 : data[0]);
    for (int32_t i = 0; i < count; ++i) ReadCAbiEntry(i, otherMode);

    for (int32_t mode : {0, 1, otherMode}) {
        CheckUntouched(-1, mode);
        CheckUntouched(count, mode);
        CheckUntouched(std::numeric_limits<int32_t>::min(), mode);
        GetFtpDirItem(count, nullptr, mode);
        if (count > 0) GetFtpDirItem(0, nullptr, mode);
    }

    UnInitFtpDirList();
    for (int32_t mode : {0, 1, otherMode}) CheckUntouched(0, mode);
    UnInitFtpDirList();
    return 0;
}
