/* An installed-library user of the extended C API: a listing fed in two
 * chunks that cut a line, then the fields checked. Built by the CMake
 * consumer (ftpdirlist::ext) and by the pkg-config consumer (ftpdirlist-ext);
 * exits non-zero and says why on the first difference. */
#include <ftpdirlist/ftpdirlist_ext.h>

#include <stdio.h>
#include <string.h>

static const char kListing[] =
    "lrwxrwxrwx   1 root  wheel    7 Mar  3  2001 latest -> v1.4\r\n"
    "type=dir;modify=20020110091500;perm=fle; projects\r\n"
    "README.TXT;3          2  12-JAN-2002 10:30:45  [SYSTEM]  (RWED,RWED,RE,)\r\n"
    "not an entry\r\n";

static int same(const char* text, size_t length, const char* expected) {
    return length == strlen(expected) && memcmp(text, expected, length) == 0;
}

int main(void) {
    ftpdir_parser* parser = NULL;
    ftpdir_entry e[3];
    size_t count = 0, i;
    const size_t cut = 30;
    int ok;
    if (ftpdir_api_version() < FTPDIR_API_VERSION || ftpdir_parser_new(&parser) != FTPDIR_OK) {
        fprintf(stderr, "ext consumer: no parser (library level %d)\n", (int)ftpdir_api_version());
        return 1;
    }
    ok = ftpdir_set_collect_skipped(parser, 1) == FTPDIR_OK &&
         ftpdir_feed(parser, kListing, cut) == FTPDIR_OK &&
         ftpdir_feed(parser, kListing + cut, sizeof kListing - 1 - cut) == FTPDIR_OK &&
         ftpdir_finish(parser, &count) == FTPDIR_OK && count == 3;
    for (i = 0; ok && i < count; ++i) ok = ftpdir_entry_get(parser, i, &e[i], sizeof e[i]) == 0;
    ok = ok && same(e[0].name, e[0].name_length, "latest") && e[0].is_link &&
         same(e[0].target, e[0].target_length, "v1.4") &&
         same(e[0].group, e[0].group_length, "wheel") && e[0].format == FTPDIR_FORMAT_UNIX;
    ok = ok && e[1].is_dir && e[1].utc && e[1].second == 0 && e[1].size == -1 &&
         strcmp(e[1].format_name, "mlsd") == 0;
    ok = ok && same(e[2].name, e[2].name_length, "README.TXT") && e[2].size == 1024 &&
         e[2].second == 45 && e[2].format == FTPDIR_FORMAT_VMS;
    ok = ok && ftpdir_skipped_count(parser) == 1;
    ftpdir_parser_free(parser);
    if (!ok) {
        fprintf(stderr, "ext consumer: unexpected entries (%d)\n", (int)count);
        return 1;
    }
    printf("ext consumer: %d entries as expected (%s)\n", (int)count, ftpdir_version());
    return 0;
}
