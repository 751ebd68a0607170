# Tests of the library core: line reader, listing driver, entry table, the C
# interface, and whole listings against their expected tables.
ftpdirlist_add_gtest(core_tests
  line_reader_test.cpp
  driver_test.cpp
  entry_table_test.cpp
  c_abi_test.cpp
  golden_test.cpp
)
