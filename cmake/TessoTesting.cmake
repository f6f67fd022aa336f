# GoogleTest for both builds: Debian's packaged libraries on the host, the packaged sources
# compiled with the cross compiler for Windows.
if(WIN32)
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  foreach(lib gtest gtest_main gmock)
    if(NOT TARGET GTest::${lib})
      add_library(GTest::${lib} ALIAS ${lib})
    endif()
  endforeach()
else()
  find_package(GTest REQUIRED)
endif()
include(GoogleTest)

# Test names carry the build they come from, so that scripts/test can run every build's
# tests in one CTest run.
if(WIN32)
  set(TESSO_TEST_PREFIX "win.")
elseif(TESSO_SANITIZE STREQUAL "thread")
  set(TESSO_TEST_PREFIX "tsan.")
elseif(TESSO_SANITIZE)
  set(TESSO_TEST_PREFIX "asan.")
else()
  set(TESSO_TEST_PREFIX "")
endif()

# tesso_add_unit_test(name SOURCES ... LIBS ... [LABELS ...])
# On the host every case is its own CTest test; under Wine one CTest test runs the whole
# program, because each Wine start costs far more than a test case. The ThreadSanitizer
# build registers only the programs labelled "threads".
function(tesso_add_unit_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gmock GTest::gtest GTest::gtest_main tesso_warnings)
  if(TESSO_SANITIZE STREQUAL "thread" AND NOT "threads" IN_LIST ARG_LABELS)
    return()
  endif()
  if(WIN32)
    target_link_options(${name} PRIVATE -mconsole)
    add_test(NAME ${TESSO_TEST_PREFIX}${name} COMMAND ${name})
    set_tests_properties(${TESSO_TEST_PREFIX}${name} PROPERTIES LABELS "unit;win;${ARG_LABELS}")
  else()
    # One label per program: discovered tests take properties as name/value pairs, so a
    # list of labels would not survive.
    set(label unit)
    if(ARG_LABELS)
      list(GET ARG_LABELS 0 label)
    endif()
    gtest_discover_tests(${name} TEST_PREFIX "${TESSO_TEST_PREFIX}"
      PROPERTIES LABELS ${label} DISCOVERY_TIMEOUT 60)
  endif()
endfunction()
