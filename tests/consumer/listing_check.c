/* An installed-library user in plain C: parses a small listing through the
 * three exported functions and checks what comes back. Built by the CMake
 * consumer (find_package) and by the pkg-config consumer; exits non-zero and
 * says why on the first difference. */
#include <ftpdirlist/ftpdirlist.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static const char kListing[] =
    "total 3\r\n"
    "-rw-r--r--   1 owner group 5000000000 Mar  3  2001 big.iso\r\n"
    "01-15-02  10:30AM       <DIR>          My Folder\r\n"
    "README.TXT;3          2  12-JAN-2002 10:30:45  [SYSTEM]  (RWED,RWED,RE,)\r\n";

struct Expected {
    const char* name;
    const char* attributes; /* after mode 0 into a zero-filled buffer */
    int64_t size;
    int32_t year, month, day;
    unsigned char hasTime;
};

static const struct Expected kExpected[] = {
    {"big.iso", "-rw-r--r--", 5000000000LL, 2001, 3, 3, 0},
    {"My Folder", "d", -1, 2002, 1, 15, 1},
    {"README.TXT", "(RWED,RWED,RE,)", -2, 2002, 1, 12, 1},
};

static int failures = 0;

static void check(int ok, const char* what, int index) {
    if (!ok) {
        fprintf(stderr, "entry %d: %s\n", index, what);
        ++failures;
    }
}

int main(void) {
    /* The library must not depend on a zero byte after the listing. */
    const int32_t length = (int32_t)(sizeof kListing - 1);
    char* data = malloc((size_t)length);
    const int expectedCount = (int)(sizeof kExpected / sizeof kExpected[0]);
    if (data == NULL) return 2;
    memcpy(data, kListing, (size_t)length);

    int32_t count = InitFtpDirList(data, length);
    free(data); /* parsing is done; nothing may point into the listing now */
    if (count != expectedCount) {
        fprintf(stderr, "InitFtpDirList returned %d, expected %d\n", (int)count, expectedCount);
        return 1;
    }
    for (int i = 0; i < count; ++i) {
        const struct Expected* e = &kExpected[i];
        FtpDirItem item;
        memset(&item, 0, sizeof item);
        GetFtpDirItem(i, &item, 1);
        check(item.nameLength == (int32_t)strlen(e->name), "name length", i);
        /* Buffers of length + 1, zero-filled; at least 2 for the "d" default. */
        char* name = calloc((size_t)item.nameLength + 1, 1);
        char* attributes = calloc((size_t)item.attributesLength + 2, 1);
        if (name == NULL || attributes == NULL) return 2;
        item.name = name;
        item.attributes = attributes;
        GetFtpDirItem(i, &item, 0);
        check(strcmp(name, e->name) == 0, "name", i);
        check(strcmp(attributes, e->attributes) == 0, "attributes", i);
        check(item.size == e->size, "size", i);
        check(item.hasDate == 1, "hasDate", i);
        check(item.year == e->year && item.month == e->month && item.day == e->day, "date", i);
        check(item.hasTime == e->hasTime, "hasTime", i);
        free(name);
        free(attributes);
    }
    UnInitFtpDirList();
    GetFtpDirItem(0, NULL, 0); /* no listing open: does nothing */
    if (failures != 0) return 1;
    printf("C consumer: %d entries as expected\n", (int)count);
    return 0;
}
