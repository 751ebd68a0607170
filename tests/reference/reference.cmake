include_guard(GLOBAL)
# The reference build of the parser core beside the normal one, in one
# program: the core's sources (all but the API layer) compiled once more
# with every shortcut off (FTPDIRLIST_REFERENCE) into the namespace
# ftpdirlist_reference, with a dump of every observable result in each.
# Used by the comparison program (tests) and a fuzz target (fuzz).
get_target_property(ftpdirlist_core_sources ftpdirlist_core SOURCES)
list(FILTER ftpdirlist_core_sources EXCLUDE REGEX "^src/api/")
list(TRANSFORM ftpdirlist_core_sources PREPEND ${PROJECT_SOURCE_DIR}/)

add_library(ftpdirlist_reference_core OBJECT EXCLUDE_FROM_ALL
  ${ftpdirlist_core_sources}
  ${CMAKE_CURRENT_LIST_DIR}/listing_dump.cpp)
target_include_directories(ftpdirlist_reference_core PRIVATE
  ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/include)
target_compile_definitions(ftpdirlist_reference_core PRIVATE
  FTPDIRLIST_BUILDING FTPDIRLIST_REFERENCE=1 ftpdirlist=ftpdirlist_reference)
target_link_libraries(ftpdirlist_reference_core PRIVATE ftpdirlist_warnings)

# The same dump over the normal core.
add_library(ftpdirlist_normal_dump OBJECT EXCLUDE_FROM_ALL ${CMAKE_CURRENT_LIST_DIR}/listing_dump.cpp)
target_include_directories(ftpdirlist_normal_dump PRIVATE ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(ftpdirlist_normal_dump PRIVATE ftpdirlist_core ftpdirlist_warnings)
