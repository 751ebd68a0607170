// Runs the library over one listing file, for the measuring scripts:
//   ftpdirlist_run [--empty|--memory|--cxx|--cxx-classic|--stream|--dump] FILE
// default   InitFtpDirList, then GetFtpDirItem mode 1 and mode 0 for every
//           entry, as a host reads the table;
// --empty   reads the file only (the cost to subtract from the default run);
// --memory  the default run, then prints the peak resident memory beyond the
//           listing, relative to the listing's size;
// --cxx     ftpdir::parse over the whole listing instead (extended dialect);
// --cxx-classic  the same in the classic dialect;
// --stream  an ftpdir::Parser fed in 64 KiB chunks instead;
// --dump    prints every field of every entry through the C interface, then
//           the skipped lines and the entries of the C++ API (every field,
//           the extended ones too) read in chunks of several sizes (to
//           compare builds).
#include <sys/resource.h>

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ftpdirlist/ftpdirlist.h"
#include "ftpdirlist/ftpdirlist.hpp"

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

void DumpCxx(std::string_view listing, std::size_t chunk) {
    ftpdir::Options options;
    options.collectSkipped = true;
    ftpdir::Parser parser(options);
    for (std::size_t at = 0; at < listing.size(); at += chunk) {
        parser.append(listing.substr(at, chunk));
    }
    const std::vector<ftpdir::Entry> entries = parser.finish();
    std::printf("cxx chunk %zu: %zu entries\n", chunk, entries.size());
    for (const ftpdir::Entry& e : entries) {
        std::printf("%s\t%s\t%" PRId64 "\t%d %d", e.name.c_str(), e.attributes.c_str(), e.size,
                    e.isDir, e.isLink);
        if (e.date) std::printf("\t%d-%d-%d", e.date->year, e.date->month, e.date->day);
        if (e.time) {
            std::printf("\t%d:%d:%d", e.time->hour, e.time->minute,
                        e.time->second ? *e.time->second : -1);
        } else {
            std::printf("\t-");
        }
        std::printf("\t%s\t%s\t%s\t%d %s\n", e.target.c_str(), e.owner.c_str(), e.group.c_str(),
                    e.utc ? 1 : 0, ftpdir::formatName(e.format));
    }
    for (const ftpdir::SkippedLine& s : parser.skipped()) {
        std::printf("skipped %" PRIu64 "\t%s\n", s.number, s.text.c_str());
    }
}

}  // namespace

int main(int argc, char** argv) {
    const char* mode = argc == 3 ? argv[1] : "";
    const char* path = argv[argc - 1];
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr,
                     "usage: %s [--empty|--memory|--cxx|--cxx-classic|--stream|--dump] FILE\n",
                     argv[0]);
        return 2;
    }
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
    if (std::strcmp(mode, "--empty") == 0) return listing.empty() ? 1 : 0;

    if (std::strncmp(mode, "--cxx", 5) == 0 || std::strcmp(mode, "--stream") == 0) {
        std::vector<ftpdir::Entry> entries;
        if (mode[2] == 'c') {
            ftpdir::Options options;
            if (std::strcmp(mode, "--cxx-classic") == 0) options.dialect = ftpdir::Dialect::classic;
            entries = ftpdir::parse(listing, options);
        } else {
            ftpdir::Parser parser;
            for (std::size_t at = 0; at < listing.size(); at += 65536) {
                parser.append(listing.substr(at, 65536));
            }
            entries = parser.finish();
        }
        std::printf("%zu entries\n", entries.size());
        return 0;
    }

    const long before = PeakKiB();
    const std::int32_t count =
        InitFtpDirList(listing.data(), static_cast<std::int32_t>(listing.size()));
    const std::uint64_t sum = ReadTable(count, std::strcmp(mode, "--dump") == 0);
    UnInitFtpDirList();
    if (std::strcmp(mode, "--memory") == 0) {
        const double beyond = static_cast<double>(PeakKiB() - before) * 1024.0;
        std::printf("%zu bytes, %d entries: peak %.1f MB beyond the listing, %.2fx its size\n",
                    listing.size(), count, beyond / 1e6,
                    beyond / static_cast<double>(listing.size()));
    } else if (std::strcmp(mode, "--dump") == 0) {
        for (std::size_t chunk : {std::size_t{65536}, std::size_t{4093}, std::size_t{1}}) {
            if (chunk == 1 && listing.size() > 2000000) continue;  // too slow to be worth it
            DumpCxx(listing, chunk);
        }
    } else {
        std::printf("%d entries, checksum %" PRIu64 "\n", count, sum);
    }
    return 0;
}
