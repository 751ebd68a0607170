#include "listing_gen.h"

#include <cstdarg>
#include <cstdint>
#include <cstdio>

namespace ftpdirbench {

const NamedStyle kStyles[8] = {
    {"unix", Style::kUnix},
    {"dos", Style::kDos},
    {"vms", Style::kVms},
    {"mixed", Style::kMixed},
    {"vms-distinct", Style::kVmsDistinct},
    {"vms-rising", Style::kVmsRising},
    {"vms-falling", Style::kVmsFalling},
    {"mlsd", Style::kMlsd},
};

bool StyleByName(std::string_view name, Style& style) {
    for (const NamedStyle& s : kStyles) {
        if (name == s.name) {
            style = s.style;
            return true;
        }
    }
    return false;
}

namespace {

// splitmix64: small, fast and the same on every platform.
class Rng {
public:
    explicit Rng(std::uint64_t seed) : state_(seed) {}
    std::uint64_t Next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    unsigned Below(unsigned n) { return static_cast<unsigned>(Next() % n); }
    template <std::size_t N>
    const char* Pick(const char* const (&items)[N]) {
        return items[Below(N)];
    }

private:
    std::uint64_t state_;
};

constexpr const char* kWords[] = {"report", "backup",  "archive", "notes",   "release", "install",
                                  "photo",  "invoice", "budget",  "summary", "readme",  "changes",
                                  "kernel", "source",  "project", "data"};
constexpr const char* kExtensions[] = {"txt", "tar.gz", "zip", "pdf", "c", "html", "iso", "jpg"};
constexpr const char* kOwners[] = {"root", "ftp", "www-data", "anna", "nobody", "backup"};
constexpr const char* kModes[] = {"-rw-r--r--", "-rw-r--r--", "-rwxr-xr-x", "drwxr-xr-x",
                                  "-rw-rw-r--", "drwxrwxr-x", "prw-r--r--", "srwxrwxrwx"};
constexpr const char* kEnglishMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
// Months as servers in other languages and cases write them.
constexpr const char* kOtherMonths[] = {
    "JAN",
    "feb",
    "Mrz",
    "avr",
    "Mai",
    "juin",
    "Juil",
    "AUG",
    "sept",
    "Okt",
    "NOV",
    "Dez",
    "f\xE9vr",  // févr, Windows-1252
    "M\xE4r",   // Mär, Windows-1252
    ("d\xE9"
     "c"),           // déc, Windows-1252 (split: \xE9c would read as one escape)
    "\xEC\xE0\xE9",  // май, Windows-1251
};
constexpr const char* kVmsMonths[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                      "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
constexpr const char* kVmsOwners[] = {"SYSTEM", "USER1", "OPERATOR", "GROUP1,ANNA"};
constexpr const char* kVmsRights[] = {"(RWED,RWED,RE,)", "(RWED,RWED,,)", "(RWED,RWED,RWED,RE)"};

void Append(std::string& out, const char* format, ...) {
    char line[512];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    if (n > 0) out.append(line, static_cast<std::size_t>(n) < sizeof line ? n : sizeof line - 1);
}

std::string FileName(Rng& rng) {
    std::string name = rng.Pick(kWords);
    switch (rng.Below(4)) {
        case 0:
            name += "_";
            name += rng.Pick(kWords);
            break;
        case 1:
            name += " ";
            name += rng.Pick(kWords);
            break;  // a name with a space
        case 2:
            name += "-" + std::to_string(rng.Below(100000));
            break;
        default:
            break;
    }
    name += ".";
    name += rng.Pick(kExtensions);
    return name;
}

// One Unix-style line without its line end.
void UnixLine(std::string& out, Rng& rng) {
    const unsigned form = rng.Below(100);
    const char* mode = rng.Pick(kModes);
    const unsigned links = 1 + rng.Below(12);
    const char* owner = rng.Pick(kOwners);
    const char* group = rng.Pick(kOwners);
    const unsigned long long size = rng.Next() % (form % 3 == 0 ? 100000000ull : 100000ull);
    const char* month = rng.Pick(kEnglishMonths);
    const unsigned day = 1 + rng.Below(28);
    const unsigned hour = rng.Below(24);
    const unsigned minute = rng.Below(60);
    const unsigned year = 1990 + rng.Below(35);
    const std::string name = FileName(rng);
    if (form < 45) {  // the usual form with a time
        Append(out, "%s %3u %-8s %-8s %10llu %s %2u %02u:%02u %s", mode, links, owner, group, size,
               month, day, hour, minute, name.c_str());
    } else if (form < 65) {  // a year instead of the time
        Append(out, "%s %3u %-8s %-8s %10llu %s %2u  %u %s", mode, links, owner, group, size, month,
               day, year, name.c_str());
    } else if (form < 70) {  // no group column
        Append(out, "%s %3u %-8s %10llu %s %2u %02u:%02u %s", mode, links, owner, size, month, day,
               hour, minute, name.c_str());
    } else if (form < 74) {  // an extra column before the size
        Append(out, "%s %3u %-8s %-8s %-6s %10llu %s %2u  %u %s", mode, links, owner, group,
               "staff", size, month, day, year, name.c_str());
    } else if (form < 77) {  // a one-byte type and the rights as two tokens
        Append(out, "%c %s %-8s %-8s %10llu %s %2u %02u:%02u %s", mode[0], mode + 1, owner, group,
               size, month, day, hour, minute, name.c_str());
    } else if (form < 80) {  // "folder" in place of the link count, no owner and group
        Append(out, "drwxrwxrwx               folder %8llu %s %2u  %u %s", size % 100, month, day,
               year, name.c_str());
    } else if (form < 85) {  // day before month, months in other languages and cases
        Append(out, "%s %3u %-8s %-8s %10llu %u. %s %02u:%02u %s", mode, links, owner, group, size,
               day, rng.Pick(kOtherMonths), hour, minute, name.c_str());
    } else if (form < 90) {  // symbolic link with its target
        Append(out, "lrwxrwxrwx %3u %-8s %-8s %10llu %s %2u %02u.%02u %s -> ../%s", links, owner,
               group, size % 100, rng.Pick(kOtherMonths), day, hour, minute, name.c_str(),
               rng.Pick(kWords));
    } else if (form < 94) {  // type marks after the name (ls -F)
        static constexpr const char* kMarks[] = {"/", "*", "|"};
        Append(out, "%s %3u %-8s %-8s %10llu %s %2u  %u %s%s", mode, links, owner, group, size,
               month, day, year, name.c_str(), rng.Pick(kMarks));
    } else if (form < 96) {  // device files: major, minor in place of the size
        Append(out, "%crw-rw---- %3u %-8s %-8s %3u, %3u %s %2u %02u:%02u tty%u",
               form % 2 ? 'c' : 'b', links, owner, group, links, minute, month, day, hour, minute,
               hour);
    } else if (form < 98) {  // the directory itself and its parent
        Append(out, "drwxr-xr-x %3u %-8s %-8s %10llu %s %2u %02u:%02u %s", links, owner, group,
               size, month, day, hour, minute, form % 2 ? "." : "..");
    } else {  // no entry
        Append(out, "total %llu", size);
    }
}

void DosLine(std::string& out, Rng& rng) {
    const unsigned month = 1 + rng.Below(12);
    const unsigned day = 1 + rng.Below(31);
    const unsigned year = rng.Below(3) == 0 ? 1980 + rng.Below(45) : rng.Below(100);
    const unsigned hour = 1 + rng.Below(12);
    const unsigned minute = rng.Below(60);
    const char* half = rng.Below(2) ? "AM" : "PM";
    const std::string name = FileName(rng) + (rng.Below(2) ? " (copy)" : "_final");
    if (rng.Below(5) == 0) {
        Append(out, "%02u-%02u-%0*u  %02u:%02u%s       <DIR>          %s", month, day,
               year < 100 ? 2 : 4, year, hour, minute, half, name.c_str());
    } else {
        Append(out, "%02u-%02u-%0*u  %02u:%02u%s  %17llu %s", month, day, year < 100 ? 2 : 4, year,
               hour, minute, half, static_cast<unsigned long long>(rng.Next() % 10000000000ull),
               name.c_str());
    }
}

void VmsRest(std::string& out, Rng& rng) {
    Append(out, "%u  %02u-%s-%u %02u:%02u:%02u.%02u  [%s]  %s", rng.Below(5000), 1 + rng.Below(28),
           rng.Pick(kVmsMonths), 1990 + rng.Below(35), rng.Below(24), rng.Below(60), rng.Below(60),
           rng.Below(100), rng.Pick(kVmsOwners), rng.Pick(kVmsRights));
}

void VmsName(std::string& out, Rng& rng, unsigned file, unsigned version) {
    static constexpr const char* kTypes[] = {"TXT", "COM", "EXE", "DAT", "DIR", "LIS"};
    // VMS writes names in capitals.
    std::string word = rng.Pick(kWords);
    for (char& ch : word) ch = static_cast<char>(ch - 'a' + 'A');
    Append(out, "%s_%u.%s;%u", word.c_str(), file, kTypes[file % 6], version);
}

void EndLine(std::string& out) { out += "\r\n"; }

std::string VmsListing(Rng& rng, std::size_t lines) {
    std::string out;
    out.reserve(lines * 80);
    std::size_t n = 0;
    out += "Directory USERS:[ANNA.PROJECT]\r\n\r\n";
    n += 2;
    unsigned file = 0;
    while (n + 2 < lines) {
        // A file in one to four versions, usually newest first; a few come
        // oldest first so that later lines replace earlier ones.
        const unsigned versions = 1 + rng.Below(4);
        const bool rising = rng.Below(8) == 0;
        ++file;
        const Rng names = rng;
        for (unsigned v = 0; v < versions && n + 2 < lines; ++v) {
            Rng sameName = names;
            VmsName(out, sameName, file, rising ? v + 1 : versions - v);
            if (rng.Below(10) == 0 && n + 3 < lines) {
                // A long name on a line of its own, the rest on the next line.
                EndLine(out);
                out += "        ";
                ++n;
            } else {
                out += "  ";
            }
            VmsRest(out, rng);
            EndLine(out);
            ++n;
        }
        rng.Next();
    }
    while (n < lines) {
        out += n + 1 == lines ? "Total of 1234 files, 56789 blocks.\r\n" : "\r\n";
        ++n;
    }
    return out;
}

std::string OneVmsName(Rng& rng, std::size_t lines, bool rising, bool distinct) {
    std::string out;
    out.reserve(lines * 72);
    for (std::size_t i = 0; i < lines; ++i) {
        const unsigned version =
            rising ? static_cast<unsigned>(i + 1) : static_cast<unsigned>(lines - i);
        if (distinct) {
            Append(out, "FILE%07u.DAT;1", version);
        } else {
            Append(out, "BIGFILE.DAT;%u", version);
        }
        Append(out, "  %u  %02u-%s-%u %02u:%02u:%02u.%02u  [SYSTEM]  (RWED,RWED,RE,)",
               rng.Below(5000), 1 + rng.Below(28), rng.Pick(kVmsMonths), 1990 + rng.Below(35),
               rng.Below(24), rng.Below(60), rng.Below(60), rng.Below(100));
        EndLine(out);
    }
    return out;
}

// One MLSD line without its line end: the facts servers usually send, in
// the order and case of several servers.
void MlsdLine(std::string& out, Rng& rng) {
    const unsigned form = rng.Below(100);
    char modify[32];
    std::snprintf(modify, sizeof modify, "%04u%02u%02u%02u%02u%02u", 1990 + rng.Below(35),
                  1 + rng.Below(12), 1 + rng.Below(28), rng.Below(24), rng.Below(60),
                  rng.Below(60));
    const char* owner = rng.Pick(kOwners);
    const char* group = rng.Pick(kOwners);
    const std::string name = FileName(rng);
    const unsigned long long size = rng.Next() % (form % 3 == 0 ? 100000000ull : 100000ull);
    if (form < 60) {  // a file with owner and mode
        Append(out,
               "type=file;size=%llu;modify=%s;perm=adfrw;UNIX.mode=0644;UNIX.owner=%s;"
               "UNIX.group=%s; %s",
               size, modify, owner, group, name.c_str());
    } else if (form < 75) {  // a directory
        Append(out,
               "type=dir;sizd=4096;modify=%s;perm=flcdmpe;UNIX.mode=0755;UNIX.owner=%s;"
               "UNIX.group=%s; %s",
               modify, owner, group, name.c_str());
    } else if (form < 85) {  // another server: unique id, fraction, fewer facts
        Append(out, "Type=file;Size=%llu;Modify=%s.%03u;Perm=rw;Unique=%llx; %s", size, modify,
               rng.Below(1000), static_cast<unsigned long long>(rng.Next()), name.c_str());
    } else if (form < 93) {  // a link with its target
        Append(out, "type=OS.unix=slink:../%s;modify=%s;perm=adfrw;UNIX.uid=%u;UNIX.gid=%u; %s",
               rng.Pick(kWords), modify, rng.Below(2000), rng.Below(2000), name.c_str());
    } else if (form < 97) {  // names with ";" and "=" after the first space
        Append(out, "type=file;size=%llu;modify=%s; %s;v=%u", size, modify, name.c_str(),
               rng.Below(10));
    } else {  // the directory itself and its parent
        Append(out, "type=%s;sizd=4096;modify=%s;perm=flcdmpe; /home/%s",
               form % 2 ? "cdir" : "pdir", modify, owner);
    }
}

std::string MixedListing(Rng& rng, std::size_t lines) {
    std::string out;
    out.reserve(lines * 80);
    const std::size_t vmsFrom = lines - lines / 10;
    for (std::size_t n = 0; n < vmsFrom; ++n) {
        const unsigned kind = rng.Below(20);
        if (kind < 10) {
            UnixLine(out, rng);
        } else if (kind < 18) {
            DosLine(out, rng);
        } else if (kind < 19) {
            out += "   ";  // a line of spaces only
        } else {
            Append(out, "226 Transfer complete, %u bytes", rng.Below(100000));
        }
        // Mostly CR LF, some LF alone, a few CR alone.
        const unsigned end = rng.Below(10);
        out += end < 7 ? "\r\n" : end < 9 ? "\n" : "\r";
    }
    // Once a VMS-style line is accepted, only names with a version count.
    out += VmsListing(rng, lines - vmsFrom);
    return out;
}

}  // namespace

std::string Generate(Style style, std::size_t lines) {
    Rng rng(0x5EED0000u + static_cast<unsigned>(style));
    std::string out;
    switch (style) {
        case Style::kUnix:
            out.reserve(lines * 80);
            for (std::size_t n = 0; n < lines; ++n) {
                UnixLine(out, rng);
                EndLine(out);
            }
            return out;
        case Style::kDos:
            out.reserve(lines * 80);
            for (std::size_t n = 0; n < lines; ++n) {
                DosLine(out, rng);
                EndLine(out);
            }
            return out;
        case Style::kVms:
            return VmsListing(rng, lines);
        case Style::kMixed:
            return MixedListing(rng, lines);
        case Style::kVmsDistinct:
            return OneVmsName(rng, lines, true, true);
        case Style::kVmsRising:
            return OneVmsName(rng, lines, true, false);
        case Style::kVmsFalling:
            return OneVmsName(rng, lines, false, false);
        case Style::kMlsd:
            out.reserve(lines * 140);
            for (std::size_t n = 0; n < lines; ++n) {
                MlsdLine(out, rng);
                EndLine(out);
            }
            return out;
    }
    return out;
}

}  // namespace ftpdirbench
