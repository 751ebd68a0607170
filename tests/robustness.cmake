# Robustness tests: byte mutations of sample lines, hostile and huge inputs,
# abuse of the C ABI's life cycle, and allocation failure at every point.
# The out-of-memory test replaces the global operator new, so it is a
# program of its own.
ftpdirlist_add_gtest(mutation_tests mutation_test.cpp)
ftpdirlist_add_gtest(hostile_input_tests hostile_input_test.cpp)
ftpdirlist_add_gtest(lifecycle_tests lifecycle_test.cpp)
ftpdirlist_add_gtest(oom_tests oom_test.cpp)
target_link_libraries(oom_tests PRIVATE ftpdirlist_ext)
