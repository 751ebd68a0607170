// Allocation failing at every allocation point in turn. This program
// replaces the global operator new: once armed, the Nth allocation throws
// std::bad_alloc. InitFtpDirList must then return 0, keep nothing (the count
// of live allocations is back where it was) and parse the next listing
// normally; the C++ API must let std::bad_alloc through and leak nothing,
// the extended C API must report it as a return code.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "ftpdirlist/ftpdirlist.h"
#include "ftpdirlist/ftpdirlist_ext.h"
#include "ftpdirlist/ftpdirlist.hpp"
#include "test_support.h"

// The replacement operators below take their memory from malloc and give it
// back with free; g++ sees the inlined pair and takes it for a mismatch.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

namespace {

// Plain counters: the tests run on one thread.
bool g_armed = false;
long g_failAt = 0;  // the allocation, counted from 1 after arming, that fails
long g_allocations = 0;
long g_live = 0;  // allocations not yet released, while armed or not
bool g_failed = false;

void* Allocate(std::size_t size) {
    if (g_armed && ++g_allocations == g_failAt) {
        g_failed = true;
        return nullptr;
    }
    void* p = std::malloc(size == 0 ? 1 : size);
    if (p != nullptr) ++g_live;
    return p;
}

void Release(void* p) {
    if (p == nullptr) return;
    --g_live;
    std::free(p);
}

void Arm(long failAt) {
    g_allocations = 0;
    g_failAt = failAt;
    g_failed = false;
    g_armed = true;
}

void Disarm() { g_armed = false; }

}  // namespace

void* operator new(std::size_t size) {
    void* p = Allocate(size);
    if (p == nullptr) throw std::bad_alloc();
    return p;
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void operator delete(void* p) noexcept { Release(p); }
void operator delete[](void* p) noexcept { Release(p); }
void operator delete(void* p, std::size_t) noexcept { Release(p); }
void operator delete[](void* p, std::size_t) noexcept { Release(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { Release(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { Release(p); }

namespace {

struct Listing {
    const char* why;
    std::string text;
    std::int32_t count;
};

// Small listings that reach every kind of allocation: rows, text arena,
// long texts, carried and joined lines, scratch buffers, the VMS index.
std::vector<Listing> Listings() {
    return {
        {"Unix, with a long name and a joined line",
         "total 3\r\n"
         "-rw-r--r--   1 owner group 1234 Jan 15  2002 notes.txt\r\n"
         "lrwxrwxrwx   1 root  root     7 Aug 30 23:59 latest -> releases/v1\r\n"
         "d rwxr-xr-x group 4096 Mar  3 12:30 split-mode\r\n"
         "-rw-r--r--   1 owner group 5 Feb 29  2020\r\n"
         "name on its own line\r\n"
         "-rw-r--r--   1 owner group 7 Mar  1  2021 " +
             std::string(20000, 'L') + "\r\n",
         5},
        {"DOS",
         "01-15-02  10:30AM       <DIR>          My Folder\r\n"
         "12-31-1999  12:05PM           1024 report.txt\r\n"
         "11-02-2023  01:07PM       <DIR>          .\r\n",
         2},
        {"VMS, versions collapsed",
         "Directory DISK$USERS:[ANNA]\r\n\r\n"
         "LOGIN.COM;7   3  12-JAN-2002 10:30:45  [ANNA]  (RWED,RWED,RE,)\r\n"
         "LOGIN.COM;9   3  13-JAN-2002 10:30:45  [ANNA]  (RWED,RWED,RE,)\r\n"
         "BACKUP.DIR;1  1   5-MAR-2001 09:00:12  [ANNA]  (RWE,RWE,RE,E)\r\n"
         "A_VERY_LONG_FILE_NAME_FOR_THE_QUARTERLY_REPORT.TXT;3\r\n"
         "              42  30-SEP-2021 16:20:00  [ANNA]  (RWED,RWED,R,)\r\n"
         "\r\nTotal of 3 files, 46 blocks.",
         3},
    };
}

using testsupport::InitExact;

TEST(OutOfMemory, InitFtpDirListFailsCleanlyAtEveryAllocation) {
    for (const Listing& listing : Listings()) {
        SCOPED_TRACE(listing.why);
        ASSERT_EQ(InitExact(listing.text), listing.count);
        UnInitFtpDirList();
        const testsupport::HeapBytes copy(listing.text);
        const auto length = static_cast<std::int32_t>(copy.size());

        long points = 0;
        for (long n = 1;; ++n) {
            const long liveBefore = g_live;
            Arm(n);
            const std::int32_t count = InitFtpDirList(copy.data(), length);
            Disarm();
            if (!g_failed) {
                EXPECT_EQ(count, listing.count);  // every allocation point has been tried
                UnInitFtpDirList();
                break;
            }
            ++points;
            ASSERT_EQ(count, 0) << "allocation " << n;
            ASSERT_EQ(g_live, liveBefore) << "allocation " << n << " left memory behind";
            // Nothing of the failed listing is open.
            FtpDirItem item{};
            GetFtpDirItem(0, &item, 1);
            EXPECT_EQ(item.nameLength, 0);
            // The next listing parses normally.
            ASSERT_EQ(InitFtpDirList(copy.data(), length), listing.count)
                << "after allocation " << n;
            UnInitFtpDirList();
            ASSERT_EQ(g_live, liveBefore);
        }
        EXPECT_GT(points, 3);
    }
}

TEST(OutOfMemory, CxxApiThrowsBadAllocAndLeaksNothing) {
    for (const Listing& listing : Listings()) {
        SCOPED_TRACE(listing.why);
        for (long n = 1;; ++n) {
            const long liveBefore = g_live;
            bool threw = false;
            std::size_t count = 0;
            Arm(n);
            try {
                count = ftpdir::parse(listing.text).size();
            } catch (const std::bad_alloc&) {
                threw = true;
            }
            Disarm();
            ASSERT_EQ(threw, g_failed) << "allocation " << n;
            ASSERT_EQ(g_live, liveBefore) << "allocation " << n << " left memory behind";
            if (!g_failed) {
                EXPECT_EQ(count, static_cast<std::size_t>(listing.count));
                break;
            }
        }
    }
}

}  // namespace

// After std::bad_alloc from append() or finish(), a parser must still be
// safe to use: the listing it was parsing is lost, but the next calls may
// neither crash nor leak.
TEST(OutOfMemory, ParserStaysUsableAfterBadAlloc) {
    ftpdir::Options collecting;
    collecting.collectSkipped = true;
    for (const ftpdir::Options& options : {ftpdir::Options{}, collecting})
        for (const Listing& listing : Listings()) {
            SCOPED_TRACE(std::string(listing.why) +
                         (options.collectSkipped ? ", collecting skipped lines" : ""));
            for (long n = 1;; ++n) {
                const long liveBefore = g_live;
                {
                    ftpdir::Parser parser(options);
                    Arm(n);
                    try {
                        parser.append(listing.text);
                        parser.append(listing.text);
                        parser.finish();
                    } catch (const std::bad_alloc&) {
                    }
                    Disarm();
                    if (!g_failed) break;
                    parser.append(listing.text);
                    parser.finish();
                    parser.append(listing.text);
                    EXPECT_EQ(parser.finish().size(), static_cast<std::size_t>(listing.count))
                        << "allocation " << n;
                }
                ASSERT_EQ(g_live, liveBefore) << "allocation " << n << " left memory behind";
            }
        }
}

// The extended C API reports an allocation failure as FTPDIR_ERROR_NO_MEMORY
// from whichever call met it, leaks nothing, and its handle parses the next
// listing normally.
TEST(OutOfMemory, ExtendedCApiReportsNoMemoryAndStaysUsable) {
    for (const Listing& listing : Listings()) {
        SCOPED_TRACE(listing.why);
        long points = 0;
        for (long n = 1;; ++n) {
            const long liveBefore = g_live;
            ftpdir_parser* parser = nullptr;
            Arm(n);
            int32_t status = ftpdir_parser_new(&parser);
            if (status == FTPDIR_OK) {
                ASSERT_EQ(ftpdir_set_collect_skipped(parser, 1), FTPDIR_OK);
                status = ftpdir_feed(parser, listing.text.data(), listing.text.size());
            }
            std::size_t count = 99;
            if (status == FTPDIR_OK) status = ftpdir_finish(parser, &count);
            Disarm();
            ASSERT_EQ(status == FTPDIR_ERROR_NO_MEMORY, g_failed) << "allocation " << n;
            if (parser == nullptr) {
                ASSERT_EQ(g_live, liveBefore) << "allocation " << n;
                ++points;
                continue;
            }
            if (!g_failed) {
                EXPECT_EQ(count, static_cast<std::size_t>(listing.count));
                ftpdir_parser_free(parser);
                ASSERT_EQ(g_live, liveBefore);
                break;
            }
            ++points;
            ASSERT_EQ(ftpdir_feed(parser, listing.text.data(), listing.text.size()), FTPDIR_OK);
            ASSERT_EQ(ftpdir_finish(parser, &count), FTPDIR_OK);
            EXPECT_EQ(count, static_cast<std::size_t>(listing.count)) << "after allocation " << n;
            ftpdir_parser_free(parser);
            ASSERT_EQ(g_live, liveBefore) << "allocation " << n << " left memory behind";
        }
        EXPECT_GT(points, 3);
    }
}

// takeReady() that meets std::bad_alloc loses nothing: the entries it would
// have handed out stay in the parser, and the listing ends as it would have.
TEST(OutOfMemory, TakeReadyLosesNothing) {
    const std::string head =
        "-rw-r--r--   1 owner group 1234 Jan 15 10:00 notes.txt\r\n"
        "-rw-r--r--   1 owner group 5 2021-03-04  padded\r\n"
        "LOGIN.COM;7   3  12-JAN-2002 10:30:45  [ANNA]  (RWED,RWED,RE,)\r\n";
    const std::string tail =
        "LOGIN.COM;9   3  13-JAN-2002 10:30:45  [ANNA]  (RWED,RWED,RE,)\r\n"
        "-rw-r--r--   1 owner group 5 2021-03-05 unpadded\r\n";
    const std::vector<ftpdir::Entry> whole = ftpdir::parse(head + tail);
    ASSERT_EQ(whole.size(), 4u);
    long points = 0;
    for (long n = 1;; ++n) {
        const long liveBefore = g_live;
        {
            ftpdir::Parser parser;
            parser.append(head);
            std::vector<ftpdir::Entry> got;
            Arm(n);
            try {
                const ftpdir::Listing ready = parser.takeReady();
                Disarm();
                got = ready;
            } catch (const std::bad_alloc&) {
                Disarm();
            }
            const bool failed = g_failed;
            parser.append(tail);
            const std::vector<ftpdir::Entry> rest = parser.finish();
            got.insert(got.end(), rest.begin(), rest.end());
            EXPECT_EQ(got, whole) << "allocation " << n;
            if (!failed) break;
            ++points;
        }
        ASSERT_EQ(g_live, liveBefore) << "allocation " << n << " left memory behind";
    }
    EXPECT_GT(points, 3);  // the table, the rows and texts copied, the index
}

namespace {

using ftpdirlist::EntryTable;
using ftpdirlist::ParsedEntry;

// An add that meets std::bad_alloc leaves the table as it was, whatever it
// needed: the next block of rows and of extras, extras slots for the classic
// rows before it, the texts, a VMS name's index; asked again, it takes the
// entry.
TEST(OutOfMemory, FailedAddLeavesTheTableWhole) {
    struct Case {
        const char* reason;
        std::size_t classic;   // rows first stored without extras
        std::size_t extended;  // then rows with
        bool vms;              // the rows and the entry added are VMS versions
    };
    const Case cases[] = {
        {"the first row of the second blocks", 0, 1024, false},
        {"after classic rows filling two blocks", 3072, 0, false},
        {"a VMS version awaiting its lookup, first of the second blocks", 0, 1024, true},
        {"a VMS version of a classic row in the second block", 1100, 0, true},
    };
    const std::string owner(300, 'o');  // more than the texts' room at hand
    const auto entry = [&owner](const std::string& name, bool extended) {
        ParsedEntry e;
        e.name = name;
        e.size = 7;
        if (extended) e.extras.owner = owner;
        return e;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        const auto nameOf = [&c](std::size_t i, int version) {
            return "N" + std::to_string(i) + (c.vms ? ";" + std::to_string(version) : "");
        };
        // The last entry: a new row, or a later version of row 1050.
        const std::string last =
            c.vms && c.classic != 0 ? nameOf(1050, 2) : nameOf(c.classic + c.extended, 1);
        long points = 0;
        for (long n = 1;; ++n) {
            EntryTable table;
            for (std::size_t i = 0; i < c.classic + c.extended; ++i) {
                const std::string name = nameOf(i, 1);
                ParsedEntry e = entry(name, i >= c.classic);
                if (i < c.classic) {
                    table.AddEntryAhead(e, c.vms);
                } else {
                    table.AddExtended(e, c.vms, false);
                }
            }
            table.Settle();
            const std::vector<std::string> before = ftpdirlist::RowTexts(table);
            const std::size_t slotsBefore = table.ExtrasCount();
            ParsedEntry e = entry(last, true);
            Arm(n);
            try {
                table.AddExtended(e, c.vms, false);
                table.Settle();
            } catch (const std::bad_alloc&) {
            }
            Disarm();
            table.Settle();
            if (!g_failed) {
                EXPECT_EQ(table.Size(), before.size() + (c.vms && c.classic != 0 ? 0 : 1));
                break;
            }
            ++points;
            ASSERT_EQ(ftpdirlist::RowTexts(table), before) << "allocation " << n;
            ASSERT_EQ(table.ExtrasCount(), slotsBefore) << "allocation " << n;
            ParsedEntry again = entry(last, true);
            table.AddExtended(again, c.vms, false);
            table.Settle();
            const std::size_t at = c.vms && c.classic != 0 ? 1050 : before.size();
            ASSERT_EQ(table.Extras(at).owner, owner) << "allocation " << n;
        }
        EXPECT_GT(points, 0);
    }
}

}  // namespace
