# The extended dialect: shared field readers, the dispatcher and the family
# readers.
ftpdirlist_add_gtest(extended_tests
  fields_test.cpp
  extended_unix_test.cpp
  extended_unix_forms_test.cpp
  extended_dos_test.cpp
  extended_vms_test.cpp
  extended_impossible_dates_test.cpp
  extended_examples_test.cpp
  extended_dispatch_test.cpp
)
ftpdirlist_add_gtest(extended_mutation_tests extended_mutation_test.cpp)

# One example listing per family through the C++ API, whole and in 1-byte
# chunks, in both dialects.
ftpdirlist_add_gtest(extended_api_examples_tests extended_api_examples_test.cpp)

# The readers of machine listings (MLSD, EPLF) and of the other families.
ftpdirlist_add_gtest(extended_machine_tests
  extended_machine_test.cpp
)

# The mainframe family readers: MVS datasets and members, JES jobs, z/VM CMS
# and HP NonStop Guardian.
ftpdirlist_add_gtest(extended_mainframe_tests
  extended_mainframe_test.cpp
)

# Noise (random bytes and words, messages, error pages) gives no entry,
# alone or between real entries.
ftpdirlist_add_gtest(extended_noise_tests extended_noise_test.cpp)
