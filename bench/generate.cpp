// Writes a generated sample listing to standard output:
//   ftpdirlist_generate STYLE LINES
#include <cstdio>
#include <cstdlib>
#include <string>

#include "listing_gen.h"

int main(int argc, char** argv) {
    ftpdirbench::Style style;
    if (argc != 3 || !ftpdirbench::StyleByName(argv[1], style)) {
        std::fprintf(stderr, "usage: %s STYLE LINES\nstyles:", argv[0]);
        for (const auto& s : ftpdirbench::kStyles) std::fprintf(stderr, " %s", s.name);
        std::fprintf(stderr, "\n");
        return 2;
    }
    const std::string listing = ftpdirbench::Generate(style, std::strtoull(argv[2], nullptr, 10));
    return std::fwrite(listing.data(), 1, listing.size(), stdout) == listing.size() ? 0 : 1;
}
