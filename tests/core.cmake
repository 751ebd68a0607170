# Tests of the library core: line reader, listing driver, entry table, the C
# interface, and whole listings against their expected tables.
ftpdirlist_add_gtest(core_tests
  line_reader_test.cpp
  driver_test.cpp
  take_ready_test.cpp
  entry_table_test.cpp
  c_abi_test.cpp
  golden_test.cpp
)

# The hosts' header as strict C99, with its layout checked at compile time:
# building this object is the test.
add_library(c_header_check OBJECT c_header_test.c)
target_include_directories(c_header_check PRIVATE ${PROJECT_SOURCE_DIR}/include)
set_target_properties(c_header_check PROPERTIES
  C_STANDARD 99 C_STANDARD_REQUIRED ON C_EXTENSIONS OFF)
if(CMAKE_C_COMPILER_ID MATCHES "GNU|Clang")
  target_compile_options(c_header_check PRIVATE -pedantic -Wall -Wextra -Werror)
  # The 32-bit x86 layout, checked without a 32-bit C library: the header
  # needs only <stdint.h>, which a freestanding compilation provides.
  if(CMAKE_SYSTEM_PROCESSOR MATCHES "x86_64|AMD64|amd64")
    add_test(NAME c_header_i386
      COMMAND ${CMAKE_C_COMPILER} -m32 -ffreestanding -fsyntax-only -std=c99 -pedantic
              -Wall -Wextra -Werror -I${PROJECT_SOURCE_DIR}/include
              ${CMAKE_CURRENT_SOURCE_DIR}/c_header_test.c)
    if(CMAKE_C_COMPILER_ID MATCHES "Clang")
      # 32-bit Windows, where the functions are standard-call.
      add_test(NAME c_header_win32
        COMMAND ${CMAKE_C_COMPILER} --target=i686-pc-windows-msvc -ffreestanding -fsyntax-only
                -std=c99 -pedantic -Wall -Wextra -Werror -I${PROJECT_SOURCE_DIR}/include
                ${CMAKE_CURRENT_SOURCE_DIR}/c_header_test.c)
    endif()
  endif()
endif()

# The C++ API header under C++14 stops at its own message, not deep inside
# <optional> or <string_view>.
if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  add_test(NAME cxx_header_needs_cxx17
    COMMAND ${CMAKE_CXX_COMPILER} -std=c++14 -fsyntax-only -x c++
            ${PROJECT_SOURCE_DIR}/include/ftpdirlist/ftpdirlist.hpp)
  set_tests_properties(cxx_header_needs_cxx17 PROPERTIES
    PASS_REGULAR_EXPRESSION "error: .*ftpdirlist.hpp needs C\\+\\+17 or later")
endif()

# A host program in C, linked against the shared library like any host.
add_executable(c_host c_host.c)
target_link_libraries(c_host PRIVATE ftpdirlist)
set_target_properties(c_host PROPERTIES C_STANDARD 99 C_STANDARD_REQUIRED ON C_EXTENSIONS OFF)
if(CMAKE_C_COMPILER_ID MATCHES "GNU|Clang")
  target_compile_options(c_host PRIVATE -pedantic -Wall -Wextra -Werror)
endif()
if(FTPDIRLIST_SANITIZE)
  # A sanitized C++ library needs the C++ half of the sanitizer runtime in
  # the program, which only the C++ driver links in.
  set_target_properties(c_host PROPERTIES LINKER_LANGUAGE CXX)
endif()

# The extended C API through its shared library, against the C++ API.
ftpdirlist_add_gtest(c_ext_api_tests c_ext_api_test.cpp)
target_link_libraries(c_ext_api_tests PRIVATE ftpdirlist_ext)

# Each check runs the host on a listing and looks for one line of its output.
function(ftpdirlist_c_host_test name listing expect)
  add_test(NAME c_host_${name} COMMAND c_host ${PROJECT_SOURCE_DIR}/${listing})
  set_tests_properties(c_host_${name} PROPERTIES PASS_REGULAR_EXPRESSION "${expect}")
endfunction()
ftpdirlist_c_host_test(dos_count examples/dos.txt "^entries 7\n")
ftpdirlist_c_host_test(dos_directory examples/dos.txt
  "\n0\tMy Folder\td\t-1\t2002-01-15\t10:30\n")
ftpdirlist_c_host_test(dos_big_size examples/dos.txt
  "\n3\tbackup.vhd\t\t6442450944\t2021-03-04\t00:30\n")
ftpdirlist_c_host_test(vms_count examples/vms.txt "^entries 6\n")
ftpdirlist_c_host_test(vms_joined_name examples/vms.txt
  "\n3\tA_VERY_LONG_FILE_NAME_FOR_THE_QUARTERLY_REPORT.TXT\t\\(RWED,RWED,R,\\)\t-2\t2021-09-30\t16:20\n")
ftpdirlist_c_host_test(unix_link examples/unix.txt
  "\n3\tlatest -> releases/v1.4\tlrwxrwxrwx\t7\t[0-9]+-08-30\t23:59\n")
ftpdirlist_c_host_test(mixed_styles tests/data/mixed-styles.txt
  "\n1\tAfter Link\td\t-1\t2002-01-15\t10:30\n")

# The normal parser core against its reference build (every shortcut off),
# field for field; .ci/steps/20-reference.sh runs the full comparison.
include(${CMAKE_CURRENT_SOURCE_DIR}/reference/reference.cmake)
add_executable(ftpdirlist_reference_compare reference/reference_compare.cpp
  ${PROJECT_SOURCE_DIR}/bench/listing_gen.cpp)
target_include_directories(ftpdirlist_reference_compare PRIVATE
  ${CMAKE_CURRENT_SOURCE_DIR}/reference ${PROJECT_SOURCE_DIR}/bench)
target_link_libraries(ftpdirlist_reference_compare PRIVATE
  ftpdirlist_core ftpdirlist_reference_core ftpdirlist_normal_dump ftpdirlist_warnings)
add_test(NAME reference_compare_quick
  COMMAND ftpdirlist_reference_compare --quick ${PROJECT_SOURCE_DIR}/examples
          ${PROJECT_SOURCE_DIR}/tests/data)
