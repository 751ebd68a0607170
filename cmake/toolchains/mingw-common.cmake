# Cross-building for Windows with MinGW-w64. The including toolchain file
# sets FTPDIRLIST_MINGW_TRIPLE (i686-w64-mingw32 or x86_64-w64-mingw32) and
# CMAKE_SYSTEM_PROCESSOR. The compilers with the win32 thread model come
# first: they need no threading DLL at run time.
set(CMAKE_SYSTEM_NAME Windows)
set(_triple ${FTPDIRLIST_MINGW_TRIPLE})

find_program(CMAKE_C_COMPILER NAMES ${_triple}-gcc-win32 ${_triple}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${_triple}-g++-win32 ${_triple}-g++ REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${_triple}-windres)
find_program(CMAKE_DLLTOOL NAMES ${_triple}-dlltool REQUIRED)

set(CMAKE_FIND_ROOT_PATH /usr/${_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
