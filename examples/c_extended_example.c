/* A C program lists a file in the extended dialect, read in chunks. */
#include <ftpdirlist/ftpdirlist_ext.h>
#include <stdio.h>

int main(int argc, char** argv) {
    char chunk[4096];
    size_t length, count, i;
    ftpdir_parser* parser;
    FILE* file = fopen(argc > 1 ? argv[1] : "examples/mlsd.txt", "rb");
    if (file == NULL || ftpdir_parser_new(&parser) != FTPDIR_OK) return 1;
    ftpdir_set_collect_skipped(parser, 1);
    while ((length = fread(chunk, 1, sizeof chunk, file)) > 0) {
        if (ftpdir_feed(parser, chunk, length) != FTPDIR_OK) return 1;
    }
    fclose(file);
    if (ftpdir_finish(parser, &count) != FTPDIR_OK) return 1;

    for (i = 0; i < count; ++i) {
        ftpdir_entry e;
        const char* kind;
        ftpdir_entry_get(parser, i, &e, sizeof e);
        kind = e.is_link ? "link" : "file";
        if (e.is_dir) kind = "dir";
        printf("%-5s %-4s %12lld", e.format_name, kind, (long long)e.size);
        if (e.has_date) printf(" %04d-%02d-%02d", (int)e.year, (int)e.month, (int)e.day);
        if (e.has_time) printf(" %02d:%02d", (int)e.hour, (int)e.minute);
        if (e.second >= 0) printf(":%02d", (int)e.second);
        printf("%s %.*s", e.utc ? "Z" : "", (int)e.name_length, e.name);
        if (e.target_length > 0) printf(" -> %.*s", (int)e.target_length, e.target);
        if (e.owner_length > 0) printf(" (%.*s)", (int)e.owner_length, e.owner);
        printf("\n");
    }
    for (i = 0; i < ftpdir_skipped_count(parser); ++i) {
        uint64_t line;
        const char* text;
        ftpdir_skipped_get(parser, i, &line, &text, NULL);
        printf("line %llu skipped: %s\n", (unsigned long long)line, text);
    }
    ftpdir_parser_free(parser);
    return 0;
}
