/*
 * A Windows host of ftpdirlist.dll, for 32-bit x86 and x86-64, run under
 * wine in CI.
 *
 * It links against the import library (on 32-bit x86 its calls refer to the
 * __stdcall names _InitFtpDirList@8 and _GetFtpDirItem@12), then checks what
 * a host compiled elsewhere relies on:
 *   - each function resolves by name and by its ordinal to the same address,
 *     the one the import library bound; decorated names are not exported;
 *   - on 32-bit x86, every call leaves the stack pointer where it was before
 *     the arguments were pushed (the callee removes 8 and 12 bytes,
 *     UnInitFtpDirList none);
 *   - the exact bytes GetFtpDirItem writes into the FtpDirItem (48 bytes on
 *     32-bit x86, 64 on x86-64), at fixed offsets, with the two bytes after
 *     hasTime and all unwritten fields untouched.
 * Prints one line per failed check and exits non-zero if any failed.
 *
 *   i686-w64-mingw32-gcc -I include -o host32.exe tests/windows/host.c libftpdirlist.dll.a
 *   wine host32.exe            (ftpdirlist.dll beside host32.exe; x86_64-w64-mingw32-gcc
 *                               and wine64 for the 64-bit host)
 */
#include <windows.h>

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include "ftpdirlist/ftpdirlist.h"

/* The offsets hosts are compiled with, written out rather than taken from
   the header, so that a change of the header's layout fails here. */
#if defined(__i386__)
enum {
    kItemSize = 48,
    kPointer = 4,
    kName = 0,
    kNameLength = 4,
    kAttributes = 8,
    kAttributesLength = 12,
    kSize = 16,
    kYear = 24,
    kMonth = 28,
    kDay = 32,
    kHour = 36,
    kMinute = 40,
    kHasDate = 44,
    kHasTime = 45
};
/* The import library's pointers, by their decorated names. */
extern FARPROC imp_GetFtpDirItem __asm__("__imp__GetFtpDirItem@12");
extern FARPROC imp_InitFtpDirList __asm__("__imp__InitFtpDirList@8");
extern FARPROC imp_UnInitFtpDirList __asm__("__imp__UnInitFtpDirList@0");
#elif defined(__x86_64__)
enum {
    kItemSize = 64,
    kPointer = 8,
    kName = 0,
    kNameLength = 8,
    kAttributes = 16,
    kAttributesLength = 24,
    kSize = 32,
    kYear = 40,
    kMonth = 44,
    kDay = 48,
    kHour = 52,
    kMinute = 56,
    kHasDate = 60,
    kHasTime = 61
};
extern FARPROC imp_GetFtpDirItem __asm__("__imp_GetFtpDirItem");
extern FARPROC imp_InitFtpDirList __asm__("__imp_InitFtpDirList");
extern FARPROC imp_UnInitFtpDirList __asm__("__imp_UnInitFtpDirList");
#else
#error "host.c is the 32-bit x86 and x86-64 host"
#endif

_Static_assert(sizeof(FtpDirItem) == kItemSize, "FtpDirItem size");
_Static_assert(offsetof(FtpDirItem, attributes) == kAttributes, "attributes offset");
_Static_assert(offsetof(FtpDirItem, size) == kSize, "size offset");
_Static_assert(offsetof(FtpDirItem, hasTime) == kHasTime, "hasTime offset");

static int g_checks = 0;
static int g_failed = 0;

static void Check(int ok, const char* what) {
    ++g_checks;
    if (!ok) {
        ++g_failed;
        printf("FAILED: %s\n", what);
    }
}

#if defined(__i386__)
/*
 * Calls fn with args[0..n-1] pushed right to left and returns in *ret what
 * it left in EAX. Returns how many bytes the stack pointer moved from before
 * the pushes to after the call: 0 when the callee removed its arguments
 * (__stdcall), 4*n when it left them (cdecl). The stack pointer is restored
 * either way, so a wrong convention is reported instead of crashing.
 */
static __attribute__((noinline)) int32_t StackDelta(FARPROC fn, const uintptr_t* args, uint32_t n,
                                                    uint32_t* ret) {
    uint32_t eax, before, after;
    uint32_t count = n;
    const uintptr_t* argv = args;
    __asm__ volatile(
        "movl %%esp, %%esi\n\t"
        "jecxz 2f\n"
        "1:\n\t"
        "pushl -4(%%edx,%%ecx,4)\n\t"
        "loop 1b\n"
        "2:\n\t"
        "call *%%ebx\n\t"
        "movl %%esp, %%edi\n\t"
        "movl %%esi, %%esp\n\t"
        : "=a"(eax), "=&S"(before), "=&D"(after), "+c"(count), "+d"(argv)
        : "b"(fn)
        : "memory", "cc");
    *ret = eax;
    return (int32_t)(before - after);
}

/* A cdecl function: the check that StackDelta tells the conventions apart. */
static __attribute__((noinline, cdecl)) int32_t CdeclAdd(int32_t a, int32_t b) { return a + b; }
#endif

static uintptr_t Word(const void* p) { return (uintptr_t)p; }

static int32_t g_espFaults = 0;

#if defined(__i386__)
static uint32_t CallChecked(FARPROC fn, const uintptr_t* args, uint32_t n, const char* what) {
    uint32_t ret = 0;
    const int32_t delta = StackDelta(fn, args, n, &ret);
    if (delta != 0) {
        ++g_espFaults;
        printf("FAILED: %s moved the stack pointer by %ld bytes\n", what, (long)delta);
    }
    ++g_checks;
    if (delta != 0) ++g_failed;
    return ret;
}
#else
/* x86-64 has one calling convention: the call itself is the check. */
static uint32_t CallChecked(FARPROC fn, const uintptr_t* args, uint32_t n, const char* what) {
    (void)what;
    switch (n) {
        case 0:
            ((void (*)(void))fn)();
            return 0;
        case 2:
            return (uint32_t)((int32_t(*)(const char*, int32_t))(void (*)(void))fn)(
                (const char*)args[0], (int32_t)args[1]);
        default:
            ((void (*)(int32_t, FtpDirItem*, int32_t))(void (*)(void))fn)(
                (int32_t)args[0], (FtpDirItem*)args[1], (int32_t)args[2]);
            return 0;
    }
}
#endif

/* --- the record as raw bytes, at the offsets hosts are compiled with --- */
enum { kPattern = 0xA5 };

static void Put32(unsigned char* b, int at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = (unsigned char)(v >> (8 * i));
}
static void Put64(unsigned char* b, int at, int64_t v) {
    const uint64_t u = (uint64_t)v;
    Put32(b, at, (uint32_t)u);
    Put32(b, at + 4, (uint32_t)(u >> 32));
}

static void PutPointer(unsigned char* b, int at, const void* p) {
    const uint64_t u = (uint64_t)(uintptr_t)p;
    Put32(b, at, (uint32_t)u);
    if (kPointer == 8) Put32(b, at + 4, (uint32_t)(u >> 32));
}

static void CheckBytes(const FtpDirItem* item, const unsigned char* expected, const char* what) {
    const unsigned char* got = (const unsigned char*)item;
    for (int i = 0; i < kItemSize; ++i) {
        if (got[i] != expected[i]) {
            printf("FAILED: %s: byte %d is %02X, expected %02X\n", what, i, got[i], expected[i]);
            ++g_checks;
            ++g_failed;
            return;
        }
    }
    ++g_checks;
}

struct Expected {
    const char* name;
    const char* attributes; /* after mode 0 into a zero-filled buffer */
    int64_t size;
    int32_t year, month, day, hour, minute;
    unsigned char hasTime;
};

static const char kListing[] =
    "total 3\r\n"
    "-rw-r--r--   1 owner group 5000000000 Mar  3  2001 big.iso\r\n"
    "01-15-02  10:30PM       <DIR>          My Folder\r\n"
    "README.TXT;3          2  12-JAN-2002 10:30:45  [SYSTEM]  (RWED,RWED,RE,)\r\n";

static const struct Expected kEntries[] = {
    {"big.iso", "-rw-r--r--", 5000000000LL, 2001, 3, 3, 0, 0, 0},
    {"My Folder", "d", -1, 2002, 1, 15, 22, 30, 1},
    {"README.TXT", "(RWED,RWED,RE,)", -2, 2002, 1, 12, 10, 30, 1},
};

static FARPROC g_get;

static void Get(int32_t index, FtpDirItem* item, int32_t mode, const char* what) {
    const uintptr_t args[3] = {(uintptr_t)(uint32_t)index, Word(item), (uintptr_t)(uint32_t)mode};
    CallChecked(g_get, args, 3, what);
}

static void CheckEntry(int index, const struct Expected* e) {
    char what[96];
    FtpDirItem item;
    unsigned char expected[kItemSize];
    const int32_t nameLength = (int32_t)strlen(e->name);
    const int32_t attrLength =
        e->attributes[0] == 'd' && e->attributes[1] == '\0' ? 0 : (int32_t)strlen(e->attributes);
    /* Zero-filled buffers of length + 1 (attributes at least 2), and one
       guard byte after each that nothing may touch. */
    char name[64], attributes[64];
    memset(name, 0, sizeof name);
    memset(attributes, 0, sizeof attributes);
    name[nameLength + 1] = 'G';
    attributes[(attrLength < 1 ? 1 : attrLength) + 1] = 'G';

    /* mode 1: the two lengths only. */
    memset(&item, kPattern, sizeof item);
    item.name = name;
    item.attributes = attributes;
    memset(expected, kPattern, sizeof expected);
    PutPointer(expected, kName, name);
    Put32(expected, kNameLength, (uint32_t)nameLength);
    PutPointer(expected, kAttributes, attributes);
    Put32(expected, kAttributesLength, (uint32_t)attrLength);
    snprintf(what, sizeof what, "entry %d mode 1", index);
    Get(index, &item, 1, what);
    CheckBytes(&item, expected, what);

    /* mode 0: texts and values; the lengths are not written again. */
    memset(&item, kPattern, sizeof item);
    item.name = name;
    item.attributes = attributes;
    memset(expected, kPattern, sizeof expected);
    PutPointer(expected, kName, name);
    PutPointer(expected, kAttributes, attributes);
    Put64(expected, kSize, e->size);
    Put32(expected, kYear, (uint32_t)e->year);
    Put32(expected, kMonth, (uint32_t)e->month);
    Put32(expected, kDay, (uint32_t)e->day);
    if (e->hasTime) {
        Put32(expected, kHour, (uint32_t)e->hour);
        Put32(expected, kMinute, (uint32_t)e->minute);
    }
    expected[kHasDate] = 1;
    expected[kHasTime] = e->hasTime;
    snprintf(what, sizeof what, "entry %d mode 0", index);
    Get(index, &item, 0, what);
    CheckBytes(&item, expected, what);
    snprintf(what, sizeof what, "entry %d mode 0 name text", index);
    Check(strcmp(name, e->name) == 0 && name[nameLength + 1] == 'G', what);
    snprintf(what, sizeof what, "entry %d mode 0 attribute text", index);
    Check(strcmp(attributes, e->attributes) == 0 &&
              attributes[(attrLength < 1 ? 1 : attrLength) + 1] == 'G',
          what);

    /* mode 2: values only; a non-empty attribute buffer is left alone. */
    memset(&item, kPattern, sizeof item);
    item.name = NULL;
    item.attributes = attributes;
    attributes[0] = 'x';
    PutPointer(expected, kName, NULL);
    snprintf(what, sizeof what, "entry %d mode 2", index);
    Get(index, &item, 2, what);
    CheckBytes(&item, expected, what);
    Check(attributes[0] == 'x', "mode 2 keeps a non-empty attribute buffer");
}

static void CheckExports(HMODULE dll) {
    static const struct {
        const char* name;
        WORD ordinal;
        FARPROC* imported;
    } kExports[] = {
        {"GetFtpDirItem", 1, &imp_GetFtpDirItem},
        {"InitFtpDirList", 2, &imp_InitFtpDirList},
        {"UnInitFtpDirList", 3, &imp_UnInitFtpDirList},
    };
    char what[96];
    for (size_t i = 0; i < sizeof kExports / sizeof kExports[0]; ++i) {
        FARPROC byName = GetProcAddress(dll, kExports[i].name);
        FARPROC byOrdinal = GetProcAddress(dll, MAKEINTRESOURCEA(kExports[i].ordinal));
        snprintf(what, sizeof what, "%s resolves by name", kExports[i].name);
        Check(byName != NULL, what);
        snprintf(what, sizeof what, "%s is ordinal %u", kExports[i].name,
                 (unsigned)kExports[i].ordinal);
        Check(byName == byOrdinal, what);
        snprintf(what, sizeof what, "%s from the import library is the export", kExports[i].name);
        Check(byName == *kExports[i].imported, what);
    }
    static const char* const kNotExported[] = {"_InitFtpDirList@8", "InitFtpDirList@8",
                                               "_GetFtpDirItem@12", "GetFtpDirItem@12"};
    for (size_t i = 0; i < sizeof kNotExported / sizeof kNotExported[0]; ++i) {
        snprintf(what, sizeof what, "%s is not exported", kNotExported[i]);
        Check(GetProcAddress(dll, kNotExported[i]) == NULL, what);
    }
    Check(GetProcAddress(dll, MAKEINTRESOURCEA(4)) == NULL, "no ordinal 4");
}

int main(void) {
#if defined(__i386__)
    /* The measurement itself: a cdecl callee leaves its 8 bytes. */
    {
        const uintptr_t args[2] = {40, 2};
        uint32_t ret = 0;
        const int32_t delta = StackDelta((FARPROC)CdeclAdd, args, 2, &ret);
        Check(ret == 42 && delta == 8, "stack measurement sees a cdecl callee leave 8 bytes");
    }
#endif

    HMODULE dll = GetModuleHandleA("ftpdirlist.dll");
    Check(dll != NULL, "ftpdirlist.dll is loaded through the import library");
    if (dll == NULL) return 1;
    Check(LoadLibraryA("ftpdirlist.dll") == dll, "LoadLibrary gives the same module");
    CheckExports(dll);

    FARPROC init = GetProcAddress(dll, MAKEINTRESOURCEA(2));
    FARPROC uninit = GetProcAddress(dll, MAKEINTRESOURCEA(3));
    g_get = GetProcAddress(dll, MAKEINTRESOURCEA(1));
    if (init == NULL || uninit == NULL || g_get == NULL) return 1;

    /* The listing in a buffer of exactly its length. */
    const uint32_t length = (uint32_t)(sizeof kListing - 1);
    char* data = (char*)HeapAlloc(GetProcessHeap(), 0, length);
    if (data == NULL) return 1;
    memcpy(data, kListing, length);
    const uintptr_t initArgs[2] = {Word(data), length};
    const uint32_t count = CallChecked(init, initArgs, 2, "InitFtpDirList");
    HeapFree(GetProcessHeap(), 0, data);
    Check(count == 3, "InitFtpDirList returns 3 entries");
    if (count == 3) {
        for (int i = 0; i < 3; ++i) CheckEntry(i, &kEntries[i]);
    }

    /* Outside the table and after UnInitFtpDirList nothing is written. */
    FtpDirItem item;
    unsigned char untouched[kItemSize];
    memset(&item, kPattern, sizeof item);
    memset(untouched, kPattern, sizeof untouched);
    Get(3, &item, 0, "GetFtpDirItem past the end");
    Get(-1, &item, 0, "GetFtpDirItem at -1");
    CheckBytes(&item, untouched, "index outside the table writes nothing");
    CallChecked(uninit, NULL, 0, "UnInitFtpDirList");
    CallChecked(uninit, NULL, 0, "UnInitFtpDirList again");
    Get(0, &item, 2, "GetFtpDirItem after UnInitFtpDirList");
    CheckBytes(&item, untouched, "after UnInitFtpDirList nothing is written");

    /* The same functions called directly, through the import library. */
    Check(InitFtpDirList(kListing, (int32_t)length) == 3, "direct InitFtpDirList");
    memset(&item, 0, sizeof item);
    GetFtpDirItem(0, &item, 1);
    Check(item.nameLength == 7 && item.attributesLength == 10, "direct GetFtpDirItem");
    UnInitFtpDirList();
    Check(InitFtpDirList(NULL, 5) == 0 && InitFtpDirList(kListing, 0) == 0, "empty inputs give 0");

    printf("host (%d-bit): %d checks, %d failed (%ld stack faults)\n", kPointer * 8, g_checks,
           g_failed, (long)g_espFaults);
    return g_failed == 0 ? 0 : 1;
}
