/* A host written in C: reads a listing file and prints its table through the
 * three exported functions, the way hosts call them (lengths first, then the
 * texts into zero-filled buffers of length + 1 bytes).
 *
 * Output: "entries N", then one line per entry, fields separated by tabs:
 * index, name, attributes, size, year-month-day, hour:minute (or "-"). */
#include <inttypes.h>
#include <stdio.h>
#include <stdlib.h>

#include "ftpdirlist/ftpdirlist.h"

static char* read_file(const char* path, long* length) {
    FILE* f = fopen(path, "rb");
    char* data;
    if (f == NULL) return NULL;
    if (fseek(f, 0, SEEK_END) != 0 || (*length = ftell(f)) < 0 || fseek(f, 0, SEEK_SET) != 0) {
        fclose(f);
        return NULL;
    }
    data = malloc((size_t)*length + 1);
    if (data != NULL && fread(data, 1, (size_t)*length, f) != (size_t)*length) {
        free(data);
        data = NULL;
    }
    fclose(f);
    return data;
}

int main(int argc, char** argv) {
    long length = 0;
    char* data;
    int32_t count, i;

    if (argc != 2) {
        fprintf(stderr, "usage: %s LISTING\n", argv[0]);
        return 2;
    }
    data = read_file(argv[1], &length);
    if (data == NULL) {
        fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    count = InitFtpDirList(data, (int32_t)length);
    free(data); /* the library keeps no pointer into the listing */
    printf("entries %" PRId32 "\n", count);

    for (i = 0; i < count; ++i) {
        FtpDirItem item = {0};
        char *name, *attributes;
        GetFtpDirItem(i, &item, 1);
        name = calloc((size_t)item.nameLength + 1, 1);
        /* at least 2 bytes: room for the default text "d" or "l" */
        attributes = calloc(item.attributesLength > 0 ? (size_t)item.attributesLength + 1 : 2, 1);
        if (name == NULL || attributes == NULL) {
            free(name);
            free(attributes);
            UnInitFtpDirList();
            return 1;
        }
        item.name = name;
        item.attributes = attributes;
        GetFtpDirItem(i, &item, 0);
        printf("%" PRId32 "\t%s\t%s\t%" PRId64 "\t%" PRId32 "-%02" PRId32 "-%02" PRId32, i, name,
               attributes, item.size, item.year, item.month, item.day);
        if (item.hasTime == 1) {
            printf("\t%02" PRId32 ":%02" PRId32 "\n", item.hour, item.minute);
        } else {
            printf("\t-\n");
        }
        free(name);
        free(attributes);
    }
    UnInitFtpDirList();
    return 0;
}
