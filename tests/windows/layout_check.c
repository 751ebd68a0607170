/*
 * Compile-time checks of the host ABI in ftpdirlist.h: the FtpDirItem layout
 * and, on 32-bit x86 Windows, the calling conventions. Compiled with
 * -fsyntax-only for several targets (.ci/steps/40-windows.sh): 32-bit x86
 * with the MinGW/GCC rules, the MSVC rules (clang --target=i686-pc-windows-msvc)
 * and the System V rules, where a 64-bit integer is only 4-aligned in a
 * struct, and 64-bit targets. Nothing here runs.
 */
#include <stddef.h>

#include "ftpdirlist/ftpdirlist.h"

#define OFFSET_IS(field, at) _Static_assert(offsetof(FtpDirItem, field) == (at), #field " at " #at)

#if defined(__i386__) || defined(_M_IX86)
_Static_assert(sizeof(void*) == 4, "32-bit pointers");
OFFSET_IS(name, 0);
OFFSET_IS(nameLength, 4);
OFFSET_IS(attributes, 8);
OFFSET_IS(attributesLength, 12);
OFFSET_IS(size, 16);
OFFSET_IS(year, 24);
OFFSET_IS(month, 28);
OFFSET_IS(day, 32);
OFFSET_IS(hour, 36);
OFFSET_IS(minute, 40);
OFFSET_IS(hasDate, 44);
OFFSET_IS(hasTime, 45);
_Static_assert(sizeof(FtpDirItem) == 48, "48 bytes, 46-47 padding");
#elif defined(__x86_64__) || defined(_M_X64) || defined(__aarch64__) || defined(_M_ARM64)
_Static_assert(sizeof(void*) == 8, "64-bit pointers");
OFFSET_IS(name, 0);
OFFSET_IS(nameLength, 8);
OFFSET_IS(attributes, 16);
OFFSET_IS(attributesLength, 24);
OFFSET_IS(size, 32);
OFFSET_IS(year, 40);
OFFSET_IS(month, 44);
OFFSET_IS(day, 48);
OFFSET_IS(hour, 52);
OFFSET_IS(minute, 56);
OFFSET_IS(hasDate, 60);
OFFSET_IS(hasTime, 61);
_Static_assert(sizeof(FtpDirItem) == 64, "64 bytes, 62-63 padding");
#else
#error "no layout recorded for this target"
#endif

#if defined(_WIN32) && (defined(__i386__) || defined(_M_IX86))
/* Hosts call these through __stdcall pointers: a declaration with another
   convention makes these initialisations ill-typed (an error with -Werror). */
void FtpDirListCallCheck(void);
void FtpDirListCallCheck(void) {
    int32_t(__stdcall * init)(const char*, int32_t) = InitFtpDirList;
    void(__stdcall * get)(int32_t, FtpDirItem*, int32_t) = GetFtpDirItem;
    void(__stdcall * uninit)(void) = UnInitFtpDirList;
    (void)init;
    (void)get;
    (void)uninit;
}
#endif
