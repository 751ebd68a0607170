/* The hosts' header and the extended C API's compiled as strict C99, with
 * the layouts of FtpDirItem and ftpdir_entry checked at compile time: hosts
 * are compiled against these offsets. */
#include "ftpdirlist/ftpdirlist.h"
#include "ftpdirlist/ftpdirlist_ext.h"

#include <stddef.h>
#include <stdint.h>

/* A negative array size stops the compilation when a check fails
 * (C99 has no static assertions). */
#define LAYOUT_CHECK(name, condition) typedef char layout_check_##name[(condition) ? 1 : -1]
#define AT(field, offset) LAYOUT_CHECK(field, offsetof(FtpDirItem, field) == (offset))

#if defined(__i386__) || defined(_M_IX86)
AT(name, 0);
AT(nameLength, 4);
AT(attributes, 8);
AT(attributesLength, 12);
AT(size, 16);
AT(year, 24);
AT(month, 28);
AT(day, 32);
AT(hour, 36);
AT(minute, 40);
AT(hasDate, 44);
AT(hasTime, 45);
LAYOUT_CHECK(record_size, sizeof(FtpDirItem) == 48);
#elif UINTPTR_MAX == 0xFFFFFFFFFFFFFFFFu
AT(name, 0);
AT(nameLength, 8);
AT(attributes, 16);
AT(attributesLength, 24);
AT(size, 32);
AT(year, 40);
AT(month, 44);
AT(day, 48);
AT(hour, 52);
AT(minute, 56);
AT(hasDate, 60);
AT(hasTime, 61);
LAYOUT_CHECK(record_size, sizeof(FtpDirItem) == 64);
#else
/* Other targets: the field order at least. */
LAYOUT_CHECK(order, offsetof(FtpDirItem, nameLength) < offsetof(FtpDirItem, attributes) &&
                        offsetof(FtpDirItem, size) < offsetof(FtpDirItem, year) &&
                        offsetof(FtpDirItem, minute) < offsetof(FtpDirItem, hasDate) &&
                        offsetof(FtpDirItem, hasDate) + 1 == offsetof(FtpDirItem, hasTime));
#endif

LAYOUT_CHECK(size_is_64_bits, sizeof(((FtpDirItem*)0)->size) == 8);
LAYOUT_CHECK(flags_are_bytes, sizeof(((FtpDirItem*)0)->hasDate) == 1);

/* The three functions have the types hosts expect, calling convention included. */
typedef int32_t(FTPDIRLIST_CALL* InitFn)(const char*, int32_t);
typedef void(FTPDIRLIST_CALL* GetFn)(int32_t, FtpDirItem*, int32_t);
typedef void(FTPDIRLIST_CALL* UnInitFn)(void);

struct ftpdirlist_functions {
    InitFn init;
    GetFn get;
    UnInitFn uninit;
};

const struct ftpdirlist_functions ftpdirlist_header_check = {InitFtpDirList, GetFtpDirItem,
                                                             UnInitFtpDirList};

/* ftpdir_entry, version 1: the 64-bit size first, so that its offsets are
 * the same for every compiler of a target. */
#define EXT_AT(field, offset) LAYOUT_CHECK(ext_##field, offsetof(ftpdir_entry, field) == (offset))
#define EXT_WORD (sizeof(void*))
EXT_AT(size, 0);
EXT_AT(name, 8);
EXT_AT(name_length, 8 + EXT_WORD);
EXT_AT(format_name, 8 + 10 * EXT_WORD);
EXT_AT(year, 8 + 11 * EXT_WORD);
EXT_AT(format, 8 + 11 * EXT_WORD + 24);
EXT_AT(has_date, 8 + 11 * EXT_WORD + 28);
EXT_AT(utc, 8 + 11 * EXT_WORD + 32);
LAYOUT_CHECK(ext_v1_size, FTPDIR_ENTRY_SIZE_V1 == 8 + 11 * EXT_WORD + 33);
EXT_AT(facts, (8 + 11 * EXT_WORD + 33 + EXT_WORD - 1) / EXT_WORD * EXT_WORD);
LAYOUT_CHECK(ext_v2_size, FTPDIR_ENTRY_SIZE_V2 == offsetof(ftpdir_entry, facts) + 2 * EXT_WORD);
LAYOUT_CHECK(ext_texts_are_counted, sizeof(size_t) == EXT_WORD);

/* The extended API's functions have the types its bindings declare. */
typedef int32_t (*ExtFeedFn)(ftpdir_parser*, const char*, size_t);
typedef int32_t (*ExtEntryFn)(const ftpdir_parser*, size_t, ftpdir_entry*, size_t);
const ExtFeedFn ftpdir_feed_check = ftpdir_feed;
const ExtEntryFn ftpdir_entry_get_check = ftpdir_entry_get;
