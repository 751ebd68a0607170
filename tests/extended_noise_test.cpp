// What is not a listing gives no entry in the extended dialect: random
// bytes, random words, error pages, banners, shell and server messages,
// column titles and rules, lines of one word or number; alone, and between
// the lines of real listings, where exactly the real entries come out.
// Every listing goes through the C++ API whole and in chunks of 7 bytes.
#include <gtest/gtest.h>

#include <cstddef>
#include <random>
#include <string>
#include <vector>

#include "ftpdirlist/ftpdirlist.hpp"
#include "api_chunks.h"

namespace {

// Lines that servers, shells and proxies send where a listing was expected.
const char* const kMessages[] = {
    "<!DOCTYPE html>",
    "<html><head><title>404 Not Found</title></head>",
    "<body><h1>Not Found</h1><p>The requested URL /pub/ was not found on this server.</p>",
    "<hr><address>Web Server at files.example.org Port 80</address>",
    "</body></html>",
    "<title>403 Forbidden</title>",
    "220 Welcome to the example.org archive. Uploads go to /incoming.",
    "220-Local time is now 10:30. Server port: 21.",
    "230 Login successful.",
    "530 Login incorrect.",
    "550 /pub/missing: No such file or directory",
    "425 Can't open data connection.",
    "226 Transfer complete. 12 files, 4096 bytes.",
    "421 Timeout (900 seconds): closing control connection.",
    "ls: cannot access '/pub/missing': No such file or directory",
    "ls: /home/alice/private: Permission denied",
    "ls: unrecognized option '--full-time=x'",
    "Try 'ls --help' for more information.",
    "bash: ls: command not found",
    "sh: 1: dir: not found",
    "Usage: ls [OPTION]... [FILE]...",
    "*** You are not allowed to list this directory ***",
    "Error 404  Not Found",
    "Name                 Size  Date       Time",
    "Name  Size  Modified",
    "----  ----  --------",
    "==================================",
    "-----------------------------------------",
    "README",
    "12345",
    "2002-01-15",
    "Directory of C:\\FTP\\pub",
    "Files: 12, Directories: 3",
    "Total of 4 files, 120 blocks.",
    "Last login: Tue Jan 15 10:30:45 2002 from 192.0.2.1",
    "Connection closed by foreign host.",
    "hello 12345",
    "a=b; c",
    "key=value;other=thing; rest of the sentence",
    "+OK\tready",
    "+ added\tfile.txt",
};

// Words of prose and of listings, numbers and dates among them. "<DIR>" is
// not: a line ending in a DOS date and time joined with one that starts
// with "<DIR>" is a DOS line, which the driver's joining of two
// neighbouring lines may read.
const char* const kWords[] = {"the",  "file",  "is",   "not", "found", "12",    "2002", "Jan",
                              "15",   "10:30", "pub",  "dir", "DIR",   "total", "of",   "x",
                              "4096", "-",     "size", "a",   "name",  "Dec",   "and",  "01-15-02"};

std::string Messages() {
    std::string text;
    for (const char* line : kMessages) text += std::string(line) + "\r\n";
    return text;
}

std::string RandomBytes(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string text(size, '\0');
    for (char& ch : text) ch = static_cast<char>(random() & 0xFF);
    return text;
}

std::string RandomWords(std::size_t lines, unsigned seed) {
    std::mt19937 random(seed);
    constexpr std::size_t kCount = sizeof kWords / sizeof kWords[0];
    std::string text;
    for (std::size_t i = 0; i < lines; ++i) {
        const std::size_t words = 1 + random() % 9;
        for (std::size_t w = 0; w < words; ++w) {
            if (w != 0) text += ' ';
            text += kWords[random() % kCount];
        }
        text += '\n';
    }
    return text;
}

testsupport::ApiOutcome Parse(const std::string& listing, std::size_t chunk) {
    ftpdir::Options options;
    options.today = testsupport::ExamplesToday();
    return testsupport::ParseInChunks(listing, testsupport::EveryNBytes(listing.size(), chunk),
                                      options);
}

std::vector<std::string> Names(const std::vector<ftpdir::Entry>& entries) {
    std::vector<std::string> names;
    for (const ftpdir::Entry& e : entries) names.emplace_back(e.name);
    return names;
}

// `listing` gives no entry, whole and in chunks.
void ExpectNoEntries(const std::string& listing) {
    for (const std::size_t chunk : {listing.size() + 1, std::size_t{7}}) {
        const std::vector<std::string> names = Names(Parse(listing, chunk).entries);
        EXPECT_TRUE(names.empty())
            << names.size() << " entries, the first: " << testing::PrintToString(names.front());
    }
}

TEST(Noise, GivesNoEntries) {
    struct Case {
        const char* reason;
        std::string listing;
    };
    const Case cases[] = {
        {"400 kB of random bytes", RandomBytes(400 * 1024, 20020115)},
        {"random bytes, another seed", RandomBytes(64 * 1024, 7)},
        {"random words", RandomWords(5000, 42)},
        {"messages, pages, banners, titles", Messages()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        ExpectNoEntries(c.listing);
    }
}

// Real listings of several families with noise before, between and after
// their lines: the real entries and nothing else.
TEST(Noise, BetweenRealEntriesGivesExactlyThem) {
    struct Case {
        const char* reason;
        std::vector<std::string> lines;
        std::vector<std::string> names;
    };
    const Case cases[] = {
        {"Unix",
         {"-rw-r--r--   1 alice staff  1234 Jan 15  2002 notes.txt",
          "drwxr-xr-x   2 alice staff  4096 Feb  1 10:30 projects",
          "lrwxrwxrwx   1 root  root      7 Mar  3  2001 motd -> /etc/motd"},
         {"notes.txt", "projects", "motd"}},
        {"MLSD",
         {"type=file;size=12;modify=20020115103045; a.txt", "type=dir;modify=20020115103045; docs"},
         {"a.txt", "docs"}},
        {"DOS",
         {"01-15-02  10:30AM       <DIR>          Projects",
          "01-16-02  08:02PM                 1234 notes.txt"},
         {"Projects", "notes.txt"}},
    };
    const std::string noise[] = {Messages(), RandomWords(40, 3)};
    for (const Case& c : cases) {
        for (const std::string& around : noise) {
            SCOPED_TRACE(c.reason);
            std::string listing = around;
            for (const std::string& line : c.lines) listing += line + "\r\n" + around;
            for (const std::size_t chunk : {listing.size() + 1, std::size_t{7}}) {
                EXPECT_EQ(Names(Parse(listing, chunk).entries), c.names);
            }
        }
    }
}

}  // namespace
