// An installed-library user in C++: the C++ API from the static library
// that find_package(ftpdirlist) offers as ftpdirlist::cxx.
#include <ftpdirlist/ftpdirlist.hpp>

#include <cstdio>
#include <string_view>

int main() {
    using namespace std::literals;
    ftpdir::Parser parser;
    // Chunks that cut lines in two: only the unfinished line is kept.
    for (std::string_view chunk : {"-rw-r--r--   1 owner group 1234 Jan 15  2002 no"sv,
                                   "tes.txt\r\n01-15-02  10:30AM   <DIR>  My Folder\r"sv, "\n"sv}) {
        parser.append(chunk);
    }
    const auto entries = parser.finish();
    const bool ok = entries.size() == 2 && entries[0].name == "notes.txt" &&
                    entries[0].size == 1234 && entries[0].date == ftpdir::Date{2002, 1, 15} &&
                    !entries[0].time && entries[1].name == "My Folder" && entries[1].isDir &&
                    entries[1].time == ftpdir::Time{10, 30};
    if (!ok) {
        std::fprintf(stderr, "C++ consumer: unexpected entries (%zu)\n", entries.size());
        return 1;
    }
    std::printf("C++ consumer: %zu entries as expected\n", entries.size());
    return 0;
}
