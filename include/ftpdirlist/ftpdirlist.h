/*
 * ftpdirlist: parse the raw text of an FTP directory listing (the reply to
 * LIST) into a table of entries. Plain C (C99) interface for hosts.
 *
 * Usage: InitFtpDirList() parses a whole listing and returns the number of
 * entries; GetFtpDirItem() copies one entry into the host's FtpDirItem;
 * UnInitFtpDirList() releases the table. One listing is open at a time per
 * process and the functions share module state: call them from one thread at
 * a time. The re-entrant C++ API (ftpdirlist.hpp) has no such limit.
 *
 * Texts are bytes in the server's code page, counted, never zero-ended by
 * the library. None of the functions throws, reports an error or keeps a
 * pointer the host passed in.
 */
#ifndef FTPDIRLIST_FTPDIRLIST_H
#define FTPDIRLIST_FTPDIRLIST_H

#include <stdint.h>

/* Calling convention: standard-call on 32-bit x86 Windows, default elsewhere. */
#if defined(_WIN32) && (defined(_M_IX86) || defined(__i386__))
#define FTPDIRLIST_CALL __stdcall
#else
#define FTPDIRLIST_CALL
#endif

/* Symbol visibility. The Windows DLL exports through a module-definition file
 * (undecorated names, fixed ordinals), so no __declspec(dllexport) is used. */
#if defined(FTPDIRLIST_BUILDING) && !defined(_WIN32) && (defined(__GNUC__) || defined(__clang__))
#define FTPDIRLIST_API __attribute__((visibility("default")))
#else
#define FTPDIRLIST_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/*
 * The host's record for one entry. The layout is part of the binary
 * interface: on 32-bit x86 the offsets are 0, 4, 8, 12, 16, 24 ... 40, 44, 45
 * and the record is 48 bytes; on 64-bit targets the pointers are 8 bytes wide
 * and the record is 64 bytes. Bytes 46-47 (62-63) are never written.
 *
 * The date and time are the numbers the line writes, not checked as a
 * calendar: month is 0-12 (0 from a DOS-style date such as 00-00-00, so a
 * host that indexes a table by month must test it first); a DOS-style line
 * gives day 0-31, year 1950-2049 or 1000-3000, hour 0-23 and minute 0-59;
 * Unix-style and VMS-style lines give day, year, hour and minute as C's
 * atoi reads them, any 32-bit value (a day of 99, a negative minute).
 */
typedef struct FtpDirItem {
    char* name;               /* host's buffer for the name (mode 0)            */
    int32_t nameLength;       /* written by mode 1: name length in bytes        */
    char* attributes;         /* host's buffer for the attribute text           */
    int32_t attributesLength; /* written by mode 1: attribute length in bytes   */
    int64_t size;             /* bytes; -1 DOS-style directory, -2 VMS entry    */
    int32_t year;             /* year, month, day: written when hasDate is 1    */
    int32_t month;
    int32_t day;
    int32_t hour; /* hour, minute: written when hasTime is 1        */
    int32_t minute;
    unsigned char hasDate; /* 1 when the entry has a date                    */
    unsigned char hasTime; /* 1 when the entry has a time of day             */
} FtpDirItem;

/*
 * Parses `length` bytes at `data` as one listing and returns the number of
 * entries (0 when there is none). Any listing opened before is released
 * first. The bytes are only read, and only during this call; a null `data`
 * or a `length` of 0 or below is an empty listing. Returns 0 if memory runs
 * out, with nothing kept.
 */
FTPDIRLIST_API int32_t FTPDIRLIST_CALL InitFtpDirList(const char* data, int32_t length);

/*
 * Copies entry `index` (0 to count-1) of the open listing into `*item`.
 * mode 1: writes nameLength and attributesLength only.
 * mode 0: copies the attribute text and the name into the host's buffers,
 *         exactly their lengths, no end byte, then does what other modes do.
 * other:  writes size, hasDate, hasTime, the date when hasDate is 1 and the
 *         time when hasTime is 1; then, when the attribute buffer holds an
 *         empty string, writes "d" for a directory and "l" for a link
 *         (2 bytes, so the buffer must hold at least 2).
 * Does nothing for an index outside the table, a null item or when no
 * listing is open; never writes through a null buffer pointer.
 */
FTPDIRLIST_API void FTPDIRLIST_CALL GetFtpDirItem(int32_t index, FtpDirItem* item, int32_t mode);

/* Releases the open listing. Safe to call when none is open. */
FTPDIRLIST_API void FTPDIRLIST_CALL UnInitFtpDirList(void);

#ifdef __cplusplus
}
#endif

#endif /* FTPDIRLIST_FTPDIRLIST_H */
