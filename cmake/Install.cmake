# Install rules, the CMake package and the pkg-config file, in three
# components: runtime (the shared libraries), development (headers, static
# libraries, CMake and pkg-config files) and tool (ftpls, its manual page and
# bash completion). packaging/debian/build-debs.sh makes a Debian package of
# each.
#
#   cmake --install build --prefix /opt/x   # lib/, include/, bin/, share/ under /opt/x
#   find_package(ftpdirlist CONFIG)         # ftpdirlist::ftpdirlist (C), ftpdirlist::ext (extended C),
#                                           # ftpdirlist::cxx (C++)
#   pkg-config --cflags --libs ftpdirlist   # or ftpdirlist-ext, ftpdirlist++
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(FTPDIRLIST_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/ftpdirlist)

# The names users write, also for projects that add this tree with
# add_subdirectory().
add_library(ftpdirlist::ftpdirlist ALIAS ftpdirlist)
add_library(ftpdirlist::cxx ALIAS ftpdirlist_cxx)
add_library(ftpdirlist::ext ALIAS ftpdirlist_ext)
set_target_properties(ftpdirlist_cxx PROPERTIES EXPORT_NAME cxx)
set_target_properties(ftpdirlist_ext PROPERTIES EXPORT_NAME ext)
# The C++ API header needs C++17 in the programs that include it.
target_compile_features(ftpdirlist_cxx INTERFACE cxx_std_17)

# The libraries take the core's objects as sources, not as a link
# dependency, so the export set needs no entry for the OBJECT library.
install(TARGETS ftpdirlist ftpdirlist_ext ftpdirlist_cxx EXPORT ftpdirlistTargets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT development
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/ftpdirlist
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT development)
if(TARGET ftpls)
  install(TARGETS ftpls RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tool)
  install(FILES ${PROJECT_SOURCE_DIR}/tools/ftpls/ftpls.1
    DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT tool)
  install(FILES ${PROJECT_SOURCE_DIR}/tools/ftpls/ftpls.bash
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/bash-completion/completions RENAME ftpls COMPONENT tool)
endif()

install(EXPORT ftpdirlistTargets NAMESPACE ftpdirlist::
  DESTINATION ${FTPDIRLIST_CMAKE_DIR} COMPONENT development)
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/ftpdirlistConfig.cmake.in
  ${PROJECT_BINARY_DIR}/ftpdirlistConfig.cmake
  INSTALL_DESTINATION ${FTPDIRLIST_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/ftpdirlistConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/ftpdirlistConfig.cmake
  ${PROJECT_BINARY_DIR}/ftpdirlistConfigVersion.cmake
  DESTINATION ${FTPDIRLIST_CMAKE_DIR} COMPONENT development)

# pkg-config: the paths are relative to the .pc file's own folder, so the file
# stays right wherever `cmake --install --prefix` puts the tree.
file(RELATIVE_PATH FTPDIRLIST_PC_TO_PREFIX
  ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
string(REGEX REPLACE "/$" "" FTPDIRLIST_PC_TO_PREFIX "${FTPDIRLIST_PC_TO_PREFIX}")
# A system install is never moved, and its flags must name the system
# directories as they are, so that pkg-config leaves them out.
if(CMAKE_INSTALL_PREFIX STREQUAL "/usr")
  set(FTPDIRLIST_PC_PREFIX /usr)
else()
  set(FTPDIRLIST_PC_PREFIX "\${pcfiledir}/${FTPDIRLIST_PC_TO_PREFIX}")
endif()

# ftpdirlist_pkg_config(<file name> <library> <description> [<extra Cflags>])
function(ftpdirlist_pkg_config pc_name pc_library pc_description)
  set(pc_cflags "")
  if(ARGC GREATER 3)
    set(pc_cflags " ${ARGV3}")
  endif()
  configure_file(${CMAKE_CURRENT_FUNCTION_LIST_DIR}/ftpdirlist.pc.in
    ${PROJECT_BINARY_DIR}/${pc_name}.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/${pc_name}.pc
    DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT development)
endfunction()
ftpdirlist_pkg_config(ftpdirlist ftpdirlist "Parser for FTP directory listings, C interface")
ftpdirlist_pkg_config(ftpdirlist-ext ftpdirlist-ext
  "Parser for FTP directory listings, extended C interface")
# The C++ API header needs C++17 (the static library needs the C++ runtime,
# which the C++ compiler links).
ftpdirlist_pkg_config(ftpdirlist++ ftpdirlist++ "Parser for FTP directory listings, C++ API"
  -std=c++17)
