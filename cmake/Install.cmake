# Install rules, the CMake package, the pkg-config file and the Debian package.
#
#   cmake --install build --prefix /opt/x   # lib/, include/, bin/ under /opt/x
#   find_package(ftpdirlist CONFIG)         # ftpdirlist::ftpdirlist (C), ftpdirlist::ext (extended C),
#                                           # ftpdirlist::cxx (C++)
#   pkg-config --cflags --libs ftpdirlist   # or ftpdirlist-ext, ftpdirlist++
#   cd build && cpack                       # ftpdirlist_<version>_<arch>.deb
#
# Components: runtime (the shared libraries), development (headers, static
# library, CMake and pkg-config files), tool (ftpls).
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
# stays right wherever `cmake --install --prefix` or a package puts the tree.
file(RELATIVE_PATH FTPDIRLIST_PC_TO_PREFIX
  ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
string(REGEX REPLACE "/$" "" FTPDIRLIST_PC_TO_PREFIX "${FTPDIRLIST_PC_TO_PREFIX}")
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

# One Debian package with the library, the headers, the CMake package and the
# tool. dpkg-shlibdeps works out the dependencies on the C and C++ runtimes.
if(PROJECT_IS_TOP_LEVEL)
  set(CPACK_PACKAGE_NAME ftpdirlist)
  set(CPACK_PACKAGE_VENDOR "ftpdirlist developers")
  set(CPACK_PACKAGE_CONTACT "ftpdirlist developers <ftpdirlist@localhost>")
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "parser for FTP directory listings (Unix, DOS/IIS and VMS styles)")
  set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
  set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
  set(CPACK_STRIP_FILES ON)
  if(WIN32)
    set(CPACK_GENERATOR ZIP)
  else()
    set(CPACK_GENERATOR DEB)
  endif()
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION libs)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # Registers libftpdirlist.so.1 with dpkg and runs ldconfig on install.
  set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Parses the raw text of an FTP directory listing into a table of entries.\n\
Contains the shared library libftpdirlist.so.1 with its C interface, the\n\
extended C API library libftpdirlist-ext.so.1, the static C++ library\n\
libftpdirlist++.a, the headers, the CMake package and pkg-config files, and\n\
the command-line tool ftpls.")
  include(CPack)
endif()
