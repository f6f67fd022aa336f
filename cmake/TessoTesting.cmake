# GoogleTest for both builds: Debian's packaged libraries on the host, the packaged sources
# compiled with the cross compiler for Windows.
if(WIN32)
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  add_library(GTest::gtest ALIAS gtest)
  add_library(GTest::gtest_main ALIAS gtest_main)
  add_library(GTest::gmock ALIAS gmock)
else()
  find_package(GTest REQUIRED)
endif()
include(GoogleTest)

# tesso_add_unit_test(name SOURCES ... LIBS ... [LABELS ...])
# On the host every case is its own CTest test; under Wine one CTest test runs the whole
# program, because each Wine start costs far more than a test case.
function(tesso_add_unit_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gmock GTest::gtest GTest::gtest_main tesso_warnings)
  if(WIN32)
    target_link_options(${name} PRIVATE -mconsole)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES LABELS "unit;win;${ARG_LABELS}")
  else()
    gtest_discover_tests(${name} PROPERTIES LABELS "unit;${ARG_LABELS}" DISCOVERY_TIMEOUT 60)
  endif()
endfunction()
