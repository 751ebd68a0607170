# The extended dialect's mainframe family readers: MVS datasets and members,
# JES jobs, z/VM CMS and HP NonStop Guardian.
ftpdirlist_add_gtest(extended_mainframe_tests
  extended_mainframe_test.cpp
)
