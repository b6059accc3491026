# Read by ctest after the discovered tests are added (a TEST_INCLUDE_FILES
# entry of tests/CMakeLists.txt): gives the tests that start opensmtpd the
# resource lock "opensmtpd", so that ctest runs them one at a time. The
# server keeps a control socket and a spool at fixed places, one per machine.
#
# A test that starts it (a NET_START_OR_SKIP(rig, "opensmtpd", ...) or
# rig.Start("opensmtpd", ...) line in the body of a TEST, TEST_F, TEST_P or
# TYPED_TEST, or in a test fixture's class that its TEST_F tests use) is
# found in its source when ctest runs, so a new test needs no entry here. Every test gets VEK_LOCKS in its environment, naming the locks
# ctest holds for it; the rig refuses to start opensmtpd under ctest without
# that lock (see tests/net/nettest.cpp), so a start this scan misses fails
# loudly instead of by chance.
#
# Expects VEK_TEST_SOURCE_DIR; the discovery of each test program has set
# <program>_TESTS to its tests' names. VEK_WHOLE_PROGRAMS names the programs
# that a cross build also runs whole (test whole.<program>): one that holds
# such a test takes the lock as a whole.

cmake_policy(VERSION 3.25)
set(_vek_locked)
set(_vek_locked_programs)
set(_vek_locked_fixtures)
file(GLOB_RECURSE _vek_sources "${VEK_TEST_SOURCE_DIR}/*.cpp")
foreach(_src IN LISTS _vek_sources)
  file(STRINGS "${_src}" _lines REGEX "^(TEST|TEST_F|TEST_P|TYPED_TEST|TYPED_TEST_P) *\\(|^(class|struct) [A-Za-z0-9_]+ *: *public|\"opensmtpd\"")
  set(_test "")
  set(_class "")
  get_filename_component(_folder "${_src}" DIRECTORY)
  get_filename_component(_folder "${_folder}" NAME)
  foreach(_line IN LISTS _lines)
    if(_line MATCHES "^(TEST|TEST_F|TEST_P|TYPED_TEST|TYPED_TEST_P) *\\( *([A-Za-z0-9_]+) *, *([A-Za-z0-9_]+)")
      set(_test "${CMAKE_MATCH_2}.${CMAKE_MATCH_3}")
      # A test of a fixture that starts the server in its set-up.
      if("${CMAKE_MATCH_2}" IN_LIST _vek_locked_fixtures)
        list(APPEND _vek_locked "${_test}")
        list(APPEND _vek_locked_programs "test_${_folder}")
      endif()
    elseif(_line MATCHES "^(class|struct) ([A-Za-z0-9_]+) *: *public")
      set(_class "${CMAKE_MATCH_2}")
      set(_test "")
    elseif(_line MATCHES "\"opensmtpd\"" AND _line MATCHES "(NET_START_OR_SKIP|Start) *\\(")
      if(_test)
        list(APPEND _vek_locked "${_test}")
        list(APPEND _vek_locked_programs "test_${_folder}")
      elseif(_class)
        list(APPEND _vek_locked_fixtures "${_class}")
      endif()
    endif()
  endforeach()
endforeach()
list(REMOVE_DUPLICATES _vek_locked)

get_cmake_property(_vek_vars VARIABLES)
list(FILTER _vek_vars INCLUDE REGEX "^test_[A-Za-z0-9_]+_TESTS$")
foreach(_list IN LISTS _vek_vars)
  foreach(_name IN LISTS ${_list})
    # A parameterised test's name carries an instance prefix and a
    # parameter suffix around Suite.Name.
    set(_bare "")
    if(_name MATCHES "^([^.]*/)?([A-Za-z0-9_]+)\\.([A-Za-z0-9_]+)")
      set(_bare "${CMAKE_MATCH_2}.${CMAKE_MATCH_3}")
    endif()
    if(_bare AND _bare IN_LIST _vek_locked)
      set_tests_properties("${_name}" PROPERTIES RESOURCE_LOCK opensmtpd ENVIRONMENT "VEK_LOCKS=opensmtpd")
    else()
      set_tests_properties("${_name}" PROPERTIES ENVIRONMENT "VEK_LOCKS=")
    endif()
  endforeach()
endforeach()

# The whole programs, the largest first.
foreach(_program IN LISTS VEK_WHOLE_PROGRAMS)
  list(LENGTH ${_program}_TESTS _count)
  if(_program IN_LIST _vek_locked_programs)
    set_tests_properties("whole.${_program}" PROPERTIES COST ${_count} RESOURCE_LOCK opensmtpd
                         ENVIRONMENT "VEK_LOCKS=opensmtpd")
  else()
    set_tests_properties("whole.${_program}" PROPERTIES COST ${_count} ENVIRONMENT "VEK_LOCKS=")
  endif()
endforeach()
