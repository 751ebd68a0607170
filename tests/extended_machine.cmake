# The extended dialect's readers of machine listings and the small families.
ftpdirlist_add_gtest(extended_machine_tests
  extended_machine_test.cpp
)
