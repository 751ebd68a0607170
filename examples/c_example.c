/* A host reads a listing file and prints its entries through the C ABI. */
#include <ftpdirlist/ftpdirlist.h>
#include <stdio.h>
#include <stdlib.h>

int main(int argc, char** argv) {
    static char data[1 << 20];
    FILE* file = fopen(argc > 1 ? argv[1] : "examples/dos.txt", "rb");
    size_t length;
    int32_t count, i;
    if (file == NULL) return 1;
    length = fread(data, 1, sizeof data, file);
    fclose(file);

    count = InitFtpDirList(data, (int32_t)length);
    for (i = 0; i < count; ++i) {
        FtpDirItem item = {0};
        GetFtpDirItem(i, &item, 1); /* the two text lengths first */
        item.name = malloc((size_t)item.nameLength + 1);
        item.attributes = calloc((size_t)item.attributesLength + 2, 1); /* room for "d" or "l" */
        if (item.name == NULL || item.attributes == NULL) return 1;
        GetFtpDirItem(i, &item, 0); /* texts (not zero-ended) and values */
        printf("%-10s %12lld", item.attributes, (long long)item.size);
        if (item.hasDate) printf(" %04d-%02d-%02d", (int)item.year, (int)item.month, (int)item.day);
        if (item.hasTime) printf(" %02d:%02d", (int)item.hour, (int)item.minute);
        printf(" %.*s\n", (int)item.nameLength, item.name);
        free(item.name);
        free(item.attributes);
    }
    UnInitFtpDirList();
    return 0;
}
