# Install rules, the CMake package, the pkg-config file and the Debian package.
#
#   cmake --install build --prefix /opt/x   # lib/, include/, bin/ under /opt/x
#   find_package(ftpdirlist CONFIG)         # ftpdirlist::ftpdirlist (C), ftpdirlist::cxx (C++)
#   pkg-config --cflags --libs ftpdirlist
#   cd build && cpack                       # ftpdirlist_<version>_<arch>.deb
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(FTPDIRLIST_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/ftpdirlist)

# The names users write, also for projects that add this tree with
# add_subdirectory().
add_library(ftpdirlist::ftpdirlist ALIAS ftpdirlist)
add_library(ftpdirlist::cxx ALIAS ftpdirlist_cxx)
set_target_properties(ftpdirlist_cxx PROPERTIES EXPORT_NAME cxx)
# The C++ API header needs C++17 in the programs that include it.
target_compile_features(ftpdirlist_cxx INTERFACE cxx_std_17)

# Both libraries take the core's objects as sources, not as a link
# dependency, so the export set needs no entry for the OBJECT library.
install(TARGETS ftpdirlist ftpdirlist_cxx EXPORT ftpdirlistTargets
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
# stays right wherever `cmake --install --prefix` or a package puts the tree.
file(RELATIVE_PATH FTPDIRLIST_PC_TO_PREFIX
  ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
string(REGEX REPLACE "/$" "" FTPDIRLIST_PC_TO_PREFIX "${FTPDIRLIST_PC_TO_PREFIX}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/ftpdirlist.pc.in
  ${PROJECT_BINARY_DIR}/ftpdirlist.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/ftpdirlist.pc
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT development)

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
Contains the shared library libftpdirlist.so.1 with its C interface, the static\n\
C++ library libftpdirlist++.a, the headers, the CMake package and pkg-config\n\
file, and the command-line tool ftpls.")
  include(CPack)
endif()
