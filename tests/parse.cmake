# Line parsing: tokens, month table, dispatch and the three style parsers.
ftpdirlist_add_gtest(parse_tests
  tokens_test.cpp
  month_map_test.cpp
  month_names_test.cpp
  parse_line_test.cpp
  unix_line_test.cpp
  dos_line_test.cpp
  vms_line_test.cpp
)

# Month names against real `ls -l` output: glibc locales built with
# localedef (cached in the build tree), a tree with a file in every month,
# each token the lookup takes for a month checked against the file's date.
# Skipped where localedef or the locale sources are missing.
add_executable(month_names_probe month_names_probe.cpp)
target_include_directories(month_names_probe PRIVATE ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(month_names_probe PRIVATE ftpdirlist_core ftpdirlist_warnings)
find_package(Python3 COMPONENTS Interpreter)
if(Python3_Interpreter_FOUND)
  add_test(NAME ls_month_names
    COMMAND Python3::Interpreter ${CMAKE_CURRENT_SOURCE_DIR}/ls_month_names_test.py
            --probe $<TARGET_FILE:month_names_probe> --source-dir ${PROJECT_SOURCE_DIR}
            --cache ${CMAKE_BINARY_DIR}/locales)
  set_tests_properties(ls_month_names PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 900)
  # The checked-in month table is what the generator makes from this
  # machine's locale sources and catalogs (skipped where they are missing).
  add_test(NAME month_names_table_fresh
    COMMAND Python3::Interpreter ${PROJECT_SOURCE_DIR}/tools/gen_month_names.py --check)
  set_tests_properties(month_names_table_fresh PROPERTIES SKIP_RETURN_CODE 77)
endif()
