# Line parsing: tokens, month table, dispatch and the three style parsers.
ftpdirlist_add_gtest(parse_tests
  tokens_test.cpp
  kernels_test.cpp
  month_map_test.cpp
  parse_line_test.cpp
  unix_line_test.cpp
  dos_line_test.cpp
  vms_line_test.cpp
)
