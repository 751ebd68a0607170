// The normal build of the parser core against the reference build (every
// shortcut off), field for field: the table, the skipped lines and each
// line's verdict, over listing files, generated listings of every style and
// the mutation set (each byte of sample lines replaced by each byte value).
//   ftpdirlist_reference_compare [--quick] [FILE_OR_DIRECTORY...]
// (the listings of a directory are its *.txt files, searched recursively).
// Exits 1 on the first difference, printing where it lies.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "listing_dump.h"
#include "listing_gen.h"

namespace {

namespace fs = std::filesystem;

std::size_t g_listings = 0;

// Compares the two builds on one listing in several chunk sizes; prints
// the first differing output line.
bool Same(const std::string& label, std::string_view listing, bool bytewise) {
    ++g_listings;
    std::vector<std::size_t> chunks = {0, 4093, 61};
    if (bytewise) chunks.push_back(1);
    for (const std::size_t chunk : chunks) {
        const std::string normal = ftpdirlist::DumpListing(listing, chunk);
        const std::string reference = ftpdirlist_reference::DumpListing(listing, chunk);
        if (normal == reference) continue;
        std::size_t at = 0;
        while (at < normal.size() && at < reference.size() && normal[at] == reference[at]) ++at;
        const std::size_t line =
            normal.rfind('\n', at) == std::string::npos ? 0 : normal.rfind('\n', at) + 1;
        std::printf("DIFFERENT: %s (chunk %zu)\n  normal:    %s\n  reference: %s\n", label.c_str(),
                    chunk, normal.substr(line, normal.find('\n', line) - line).c_str(),
                    reference.substr(line, reference.find('\n', line) - line).c_str());
        return false;
    }
    return true;
}

bool CompareFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string listing((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
    return Same(path.string(), listing, listing.size() < 20000);
}

bool ComparePath(const fs::path& path) {
    if (!fs::is_directory(path)) return CompareFile(path);
    std::vector<fs::path> files;
    for (const auto& item : fs::recursive_directory_iterator(path)) {
        const std::string ext = item.path().extension().string();
        if (item.is_regular_file() && ext != ".expected" && ext != ".md")
            files.push_back(item.path());
    }
    std::sort(files.begin(), files.end());
    for (const fs::path& file : files) {
        if (!CompareFile(file)) return false;
    }
    return true;
}

// Lines of every style and their variants (an MLSD line for the extended
// dialect's fact scan); each is mutated at every byte.
const char* const kSamples[] = {
    "-rw-r--r--   1 owner    group        1234 Jan 15  2002 notes.txt",
    "drwxr-xr-x   2 owner    group        4096 Mar  3 12:30 photos",
    "lrwxrwxrwx   1 root     root            7 Aug 30 23:59 latest -> releases/v1",
    "drwxr-xr-x   folder        3 Jul 17  2016 Shared Projects",
    "-rw-r--r--   1 owner          77 Apr  1 07:45 no-group.txt",
    "-rw-r--r--   1 owner    users         519 17 Jul  2017 day-first.txt",
    "-rw-r--r-- 1 o g x y 123456789012345678 Dec 31 1999 extra-columns",
    "- rw-r--r-- group 12 feb. 3, 2019 split-mode",
    "-rw-r--r--   2 1001     1001     24325838 Dec 17 14:40 numeric owners",
    "-rw-r--r--   1 1001     100           512 18. Dez 19:57 day-first",
    "-rw-r--r--   1 mar      15           2002 Jan 15 12:30 owner-month",
    // The size column a line marks decides whether the next one's group is
    // glued to its size, whichever way the first line is read or refused.
    ("-rw-r--r-- 1 ftp ftpadmin      512 Jan 01 11:49 a\r\n"
     "-rw-r--r-- 1 ftp ftpadmin125435904 Apr  9  2008 big.iso"),
    "01-15-02  10:30AM       <DIR>          My Folder",
    "12-31-1999  12:05PM           1024 report.txt",
    "1-5-2001  9:05PM  12345678901234567 odd-date",
    "LOGIN.COM;7            3  12-JAN-2002 10:30:45  [ANNA]   (RWED,RWED,RE,)",
    "BACKUP.DIR;1   1   5-MAR-2001 09:00:12  [GROUP,ANNA]  (RWE,RWE,RE,E)",
    "X;2 1 1-FEB-03 9:5 [A] (R)",
    "type=file;size=1048576;modify=20020115103045;perm=adfrw;UNIX.owner=anna; notes.txt",
};

bool CompareMutations(bool quick) {
    const std::string next = std::string("\r\n") + kSamples[1] + "\r\n";
    for (const char* sample : kSamples) {
        const std::string original = sample;
        for (std::size_t pos = 0; pos < original.size(); ++pos) {
            for (int value = 0; value < 256; value += quick ? 7 : 1) {
                std::string line = original;
                line[pos] = static_cast<char>(value);
                if (!Same("mutation of \"" + original + "\" at " + std::to_string(pos) + " to " +
                              std::to_string(value),
                          line + next, false)) {
                    return false;
                }
            }
        }
    }
    return true;
}

bool CompareGenerated(bool quick) {
    for (const ftpdirbench::NamedStyle& style : ftpdirbench::kStyles) {
        const std::string listing = ftpdirbench::Generate(style.style, quick ? 500 : 20000);
        if (!Same(std::string("generated ") + style.name, listing, quick)) return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    bool quick = false;
    std::vector<fs::path> paths;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--quick") == 0) {
            quick = true;
        } else {
            paths.emplace_back(argv[i]);
        }
    }
    bool same = CompareGenerated(quick) && CompareMutations(quick);
    for (const fs::path& path : paths) same = same && ComparePath(path);
    std::printf("%s: %zu listings compared, normal and reference builds %s\n", argv[0], g_listings,
                same ? "agree" : "DIFFER");
    return same ? 0 : 1;
}
