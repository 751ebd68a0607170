# Live tests (label 'live'): each starts a real FTP server on 127.0.0.1 over
# a tree it makes and checks what `ftpls URL --json` lists against os.lstat.
# A server that cannot start (not installed: .ci/live-servers.sh) is
# reported as skipped, with its reason. Run them alone with
#   ctest --test-dir build -L live --output-on-failure
# and refresh the checked-in replies with
#   LIVE_SAVE_DATA=$PWD/tests/data/servers ctest --test-dir build -L live
set(FTPDIRLIST_LIVE_SERVERS ${CMAKE_BINARY_DIR}/live-servers CACHE PATH
  "Where .ci/live-servers.sh unpacks the FTP servers that are not installed")
set(live_dir ${CMAKE_CURRENT_LIST_DIR})

find_package(Python3 COMPONENTS Interpreter)
if(NOT Python3_Interpreter_FOUND)
  return()
endif()

foreach(server vsftpd proftpd pure-ftpd pyftpdlib twisted gridftp)
  add_test(NAME live.${server}
    COMMAND Python3::Interpreter ${live_dir}/live_ftp_test.py ${server} $<TARGET_FILE:ftpls>
      ${CMAKE_BINARY_DIR}/live/${server} ${FTPDIRLIST_LIVE_SERVERS})
  set_tests_properties(live.${server} PROPERTIES LABELS live SKIP_RETURN_CODE 77 TIMEOUT 300)
endforeach()

# The replies kept from those servers, parsed offline in every run.
add_test(NAME ftpls.saved_server_replies
  COMMAND Python3::Interpreter ${live_dir}/check_saved.py $<TARGET_FILE:ftpls>
    ${PROJECT_SOURCE_DIR}/tests/data/servers)

# Logins (netrc, --user, FTPLS_PASSWORD, the prompt, --verbose) against a
# pyftpdlib server that admits one user, and TLS against vsftpd.
foreach(mode login tls)
  add_test(NAME live.${mode}
    COMMAND Python3::Interpreter ${live_dir}/live_login_test.py ${mode} $<TARGET_FILE:ftpls>
      ${CMAKE_BINARY_DIR}/live/${mode} ${FTPDIRLIST_LIVE_SERVERS})
  set_tests_properties(live.${mode} PROPERTIES LABELS live SKIP_RETURN_CODE 77 TIMEOUT 300)
endforeach()

# ftpls against the project's own misbehaving server (hostile_ftp_server.py,
# standard library only): one test per mode, in every test run.
find_package(CURL QUIET)
if(CURL_FOUND)
  set(hostile_flags)
  if(FTPDIRLIST_SANITIZE)
    set(hostile_flags --sanitized)
  endif()
  foreach(mode plain reply-escapes list-450 list-550 stall-control trickle-control stall-data
               trickle-data slow-feat-list endless-line huge-listing hostile-names)
    add_test(NAME hostile.${mode}
      COMMAND Python3::Interpreter ${live_dir}/hostile_ftp_test.py $<TARGET_FILE:ftpls> ${mode}
        ${CMAKE_BINARY_DIR}/hostile/${mode} ${hostile_flags})
    set_tests_properties(hostile.${mode} PROPERTIES LABELS hostile TIMEOUT 240)
  endforeach()
endif()
