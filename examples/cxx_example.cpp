// Streams a listing file through ftpdir::Parser, then prints the entries and
// the lines that were not entries.
#include <cstdio>
#include <ftpdirlist/ftpdirlist.hpp>

int main(int argc, char** argv) {
    ftpdir::Options options;
    options.today = ftpdir::Date{2024, 6, 15};  // the year of "Feb 14 09:30"
    options.collectSkipped = true;
    ftpdir::Parser parser(options);

    std::FILE* file = std::fopen(argc > 1 ? argv[1] : "examples/mixed.txt", "rb");
    if (file == nullptr) return 1;
    char chunk[4096];  // reused at once: the parser keeps what it still needs
    while (std::size_t n = std::fread(chunk, 1, sizeof chunk, file)) parser.append({chunk, n});
    std::fclose(file);

    for (const ftpdir::EntryView& e : parser.finish()) {
        const char type = e.isLink ? 'l' : (e.isDir ? 'd' : '-');
        std::printf("%c %12lld  %.*s", type, static_cast<long long>(e.size),
                    static_cast<int>(e.name.size()), e.name.data());
        if (e.date) std::printf("  %04d-%02d-%02d", e.date->year, e.date->month, e.date->day);
        if (e.time) std::printf(" %02d:%02d", e.time->hour, e.time->minute);
        std::printf("\n");
    }
    for (const ftpdir::SkippedLine& line : parser.skipped()) {
        std::printf("line %llu skipped: %s\n", static_cast<unsigned long long>(line.number),
                    line.text.c_str());
    }
    return 0;
}
