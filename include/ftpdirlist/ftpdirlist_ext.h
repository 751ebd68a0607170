/*
 * ftpdirlist extended C API: re-entrant parsing of FTP directory listings in
 * either dialect, every field of each entry, the skipped lines. Plain C (C99),
 * also valid C++; the library is libftpdirlist-ext (beside the classic
 * libftpdirlist, whose three functions give the classic dialect only).
 *
 *   ftpdir_parser* parser;
 *   size_t count, i;
 *   ftpdir_entry entry;
 *   if (ftpdir_parser_new(&parser) != FTPDIR_OK) return;
 *   while (read(chunk)) ftpdir_feed(parser, chunk, chunk_length);
 *   ftpdir_finish(parser, &count);
 *   for (i = 0; i < count; ++i) {
 *       ftpdir_entry_get(parser, i, &entry, sizeof entry);
 *       ...
 *   }
 *   ftpdir_parser_free(parser);
 *
 * There is no global state: any number of parsers may run at once on
 * different threads, one parser used by one thread at a time. No function
 * throws, aborts or keeps a pointer the host passed in; each one accepts a
 * null parser (and reports FTPDIR_ERROR_ARGUMENT, or returns 0 or nothing).
 * Texts are bytes in the server's code page, never converted.
 *
 * Binary interface: functions are only ever added, records only grow at
 * their end (their size is passed in), constants keep their values.
 * FTPDIR_API_VERSION counts the additions; ftpdir_api_version() tells what
 * the loaded library offers.
 */
#ifndef FTPDIRLIST_FTPDIRLIST_EXT_H
#define FTPDIRLIST_FTPDIRLIST_EXT_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32)
#if defined(FTPDIR_EXT_BUILDING)
#define FTPDIR_EXT_API __declspec(dllexport)
#else
#define FTPDIR_EXT_API
#endif
#elif defined(FTPDIR_EXT_BUILDING) && (defined(__GNUC__) || defined(__clang__))
#define FTPDIR_EXT_API __attribute__((visibility("default")))
#else
#define FTPDIR_EXT_API
#endif

/* The version of this header: the library's release, and the interface
 * level (1: the first release; 2: the skipped lines' reasons,
 * ftpdir_skipped_reason and ftpdir_skip_reason_name). */
#define FTPDIR_VERSION_MAJOR 1
#define FTPDIR_VERSION_MINOR 0
#define FTPDIR_VERSION_PATCH 0
#define FTPDIR_VERSION_STRING "1.0.0"
#define FTPDIR_API_VERSION 2

#ifdef __cplusplus
extern "C" {
#endif

/* Return codes. */
#define FTPDIR_OK 0
#define FTPDIR_ERROR_ARGUMENT (-1)  /* null parser or pointer, value or index out of range */
#define FTPDIR_ERROR_NO_MEMORY (-2) /* the listing in progress is dropped */
#define FTPDIR_ERROR_STATE (-3)     /* an option changed while a listing is in progress */
#define FTPDIR_ERROR_INTERNAL (-4)  /* a fault of the library; the listing is dropped */

/* Dialects (ftpdir_set_dialect). */
#define FTPDIR_DIALECT_EXTENDED 0 /* every family, validated, the extra fields (default) */
#define FTPDIR_DIALECT_CLASSIC 1  /* exactly the classic library's entries */

/* The family an entry was read as (ftpdir_entry.format; always UNKNOWN in
 * the classic dialect). */
#define FTPDIR_FORMAT_UNKNOWN 0
#define FTPDIR_FORMAT_UNIX 1
#define FTPDIR_FORMAT_DOS 2
#define FTPDIR_FORMAT_VMS 3
#define FTPDIR_FORMAT_MLSD 4
#define FTPDIR_FORMAT_EPLF 5
#define FTPDIR_FORMAT_OS2 6
#define FTPDIR_FORMAT_IBMI 7
#define FTPDIR_FORMAT_MVS 8
#define FTPDIR_FORMAT_MVS_MEMBER 9
#define FTPDIR_FORMAT_JES 10
#define FTPDIR_FORMAT_CMS 11
#define FTPDIR_FORMAT_GUARDIAN 12
#define FTPDIR_FORMAT_WINDOWS_CE 13
#define FTPDIR_FORMAT_VSHELL 14
#define FTPDIR_FORMAT_OS9 15
#define FTPDIR_FORMAT_DLS 16
#define FTPDIR_FORMAT_NORTEL 17
#define FTPDIR_FORMAT_UNIX_NUMERIC 18

/* A parser and the results of the listing it finished last. */
typedef struct ftpdir_parser ftpdir_parser;

/*
 * One entry, version 1 (FTPDIR_ENTRY_SIZE_V1 bytes: 129 on 64-bit targets,
 * 85 on 32-bit ones, the same offsets on every compiler of a target; later
 * versions add fields at the end). The texts point into the parser: they
 * are valid until the next ftpdir_finish() or ftpdir_parser_free() of that
 * parser, and each is followed by a zero byte (a text may itself contain
 * zero bytes: use its length).
 */
typedef struct ftpdir_entry {
    /* Bytes. Classic: -1 for a DOS-style directory, -2 for VMS entries.
     * Extended: -1 when the line gives no size; VMS blocks x 512. */
    int64_t size;
    /* Classic: a symbolic link keeps " -> target". Extended: the name alone. */
    const char* name;
    size_t name_length;
    /* Unix mode string, VMS protection, MLSD perm, ...; empty for DOS-style. */
    const char* attributes;
    size_t attributes_length;
    /* Extended only (empty in the classic dialect): */
    const char* target; /* a link's target */
    size_t target_length;
    const char* owner;
    size_t owner_length;
    const char* group;
    size_t group_length;
    const char* format_name;  /* "unix", "mvs-member", ...: static, never freed */
    int32_t year, month, day; /* when has_date is 1; 0 otherwise */
    int32_t hour, minute;     /* when has_time is 1; 0 otherwise */
    int32_t second;           /* 0-60 when the line gives seconds (extended), else -1 */
    int32_t format;           /* FTPDIR_FORMAT_* */
    uint8_t has_date;
    uint8_t has_time;
    /* Classic: also 1 for Unix-style links. Extended: a link has is_link 1
     * and is_dir 0 (its target's type is unknown). */
    uint8_t is_dir;
    uint8_t is_link;
    /* 1: date and time are UTC (MLSD, EPLF, ...); 0: the server's local time. */
    uint8_t utc;
    /* Version 2 (interface level 2). MLSD: the facts as the line gives them
     * ("type=file;size=5;unique=8a;"); empty for every other family. */
    const char* facts;
    size_t facts_length;
} ftpdir_entry;

#define FTPDIR_ENTRY_SIZE_V1 (offsetof(ftpdir_entry, utc) + 1)
#define FTPDIR_ENTRY_SIZE_V2 (offsetof(ftpdir_entry, facts_length) + sizeof(size_t))

/* The library's release ("1.0.0"), a static text. */
FTPDIR_EXT_API const char* ftpdir_version(void);
/* The interface level of the loaded library (FTPDIR_API_VERSION it was built with). */
FTPDIR_EXT_API int32_t ftpdir_api_version(void);
/* A short English text for a return code ("bad argument", ...); static. */
FTPDIR_EXT_API const char* ftpdir_status_text(int32_t status);
/* The short name of a FTPDIR_FORMAT_* value ("unknown" for any other); static. */
FTPDIR_EXT_API const char* ftpdir_format_name(int32_t format);

/*
 * Makes a parser with the default options (extended dialect, today from the
 * system clock, highest VMS versions only, no skipped lines) and stores it in
 * *out (null on failure). FTPDIR_ERROR_ARGUMENT for a null out,
 * FTPDIR_ERROR_NO_MEMORY.
 */
FTPDIR_EXT_API int32_t ftpdir_parser_new(ftpdir_parser** out);
/* Releases the parser and its results. A null parser is ignored. */
FTPDIR_EXT_API void ftpdir_parser_free(ftpdir_parser* parser);

/*
 * Options, read when a listing starts: set them before the first
 * ftpdir_feed() of a listing (FTPDIR_ERROR_STATE otherwise, nothing changed).
 * They stay for the following listings.
 */
/* FTPDIR_DIALECT_EXTENDED or FTPDIR_DIALECT_CLASSIC; other values: FTPDIR_ERROR_ARGUMENT. */
FTPDIR_EXT_API int32_t ftpdir_set_dialect(ftpdir_parser* parser, int32_t dialect);
/* The date that counts as today for Unix-style entries that give a time
 * instead of a year. Any value is safe: the year is clamped to 1-9999, the
 * month to 1-12, the day to 1-31. 0, 0, 0: the local date of the system
 * clock again (the default). */
FTPDIR_EXT_API int32_t ftpdir_set_today(ftpdir_parser* parser, int32_t year, int32_t month,
                                        int32_t day);
/* Nonzero: every version of a VMS file is an entry, its name with ";N". */
FTPDIR_EXT_API int32_t ftpdir_set_keep_versions(ftpdir_parser* parser, int32_t keep);
/* Nonzero: the lines that yield no entry are kept (ftpdir_skipped_get). */
FTPDIR_EXT_API int32_t ftpdir_set_collect_skipped(ftpdir_parser* parser, int32_t collect);

/*
 * Parses every line of the `length` bytes at `data` whose line end has
 * arrived; only the unfinished last line is kept. The bytes are read only
 * during the call. A null `data` is allowed with a length of 0 only. On
 * FTPDIR_ERROR_NO_MEMORY the listing in progress is dropped (the results of
 * the last finished one stay) and the next call starts a new listing.
 */
FTPDIR_EXT_API int32_t ftpdir_feed(ftpdir_parser* parser, const char* data, size_t length);

/*
 * Ends the listing: parses what is left, replaces the previous results with
 * this listing's entries and skipped lines, stores the entry count in *count
 * (when count is not null) and makes the parser ready for a new listing with
 * the same options. On an error the results are empty and *count is 0.
 */
FTPDIR_EXT_API int32_t ftpdir_finish(ftpdir_parser* parser, size_t* count);

/* The number of entries of the last finished listing; 0 for a null parser. */
FTPDIR_EXT_API size_t ftpdir_entry_count(const ftpdir_parser* parser);

/*
 * Writes entry `index` (0 to count-1) of the last finished listing into
 * *out. `out_size` is sizeof(ftpdir_entry) as the host knows it: at least
 * FTPDIR_ENTRY_SIZE_V1; no more than that many bytes are written (fields of
 * later versions are left out for an older host). FTPDIR_ERROR_ARGUMENT for
 * a null parser or out, a smaller out_size or an index out of range, with
 * *out unchanged.
 */
FTPDIR_EXT_API int32_t ftpdir_entry_get(const ftpdir_parser* parser, size_t index,
                                        ftpdir_entry* out, size_t out_size);

/* The number of skipped lines of the last finished listing (0 unless
 * collected); 0 for a null parser. */
FTPDIR_EXT_API size_t ftpdir_skipped_count(const ftpdir_parser* parser);

/*
 * Skipped line `index` (0 to count-1) of the last finished listing: its
 * 1-based line number and its text without line end and outer spaces
 * (zero-ended; valid as entry texts are). Null outputs are not written.
 * FTPDIR_ERROR_ARGUMENT for a null parser or an index out of range.
 */
FTPDIR_EXT_API int32_t ftpdir_skipped_get(const ftpdir_parser* parser, size_t index,
                                          uint64_t* line_number, const char** text, size_t* length);

/* Why a line was skipped (FTPDIR_API_VERSION 2). The classic dialect gives
 * FTPDIR_SKIP_NOT_A_LISTING_LINE for every line it skips. */
#define FTPDIR_SKIP_NOT_A_LISTING_LINE 0 /* no reader takes the line */
#define FTPDIR_SKIP_HEADER 1             /* column titles, a rule, a frame */
#define FTPDIR_SKIP_TITLE 2              /* names the directory or volume listed */
#define FTPDIR_SKIP_TOTAL 3              /* a count of blocks, files or bytes */
#define FTPDIR_SKIP_JOINED_ELSEWHERE 4   /* continues the entry above it */
#define FTPDIR_SKIP_DOT_ENTRY 5          /* "." or ".." */
#define FTPDIR_SKIP_LINE_TOO_LONG 6      /* over 1 MiB; its text is its first 1 MiB */

/* The reason (FTPDIR_SKIP_*) of skipped line `index` of the last finished
 * listing; -1 for a null parser or an index out of range. */
FTPDIR_EXT_API int32_t ftpdir_skipped_reason(const ftpdir_parser* parser, size_t index);

/* The stable short name of a FTPDIR_SKIP_* value ("not-a-listing-line",
 * "dot-entry", ...; "not-a-listing-line" for any other value); static. */
FTPDIR_EXT_API const char* ftpdir_skip_reason_name(int32_t reason);

#ifdef __cplusplus
}
#endif

#endif /* FTPDIRLIST_FTPDIRLIST_EXT_H */
