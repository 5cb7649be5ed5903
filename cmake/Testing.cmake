include(CTest)
if(NOT BUILD_TESTING)
  return()
endif()

if(CMAKE_CROSSCOMPILING)
  # Debian ships GoogleTest's sources; the Windows test executables are built
  # from them and run under Wine (CMAKE_CROSSCOMPILING_EMULATOR).
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  if(NOT TARGET GTest::gtest_main)
    add_library(GTest::gtest_main ALIAS gtest_main)
    add_library(GTest::gtest ALIAS gtest)
  endif()
else()
  find_package(GTest REQUIRED)
  include(GoogleTest)
endif()

# tarnwell_add_test(NAME SOURCES src... LIBS lib... [LABELS label...]
#                   [PROPERTIES prop value...])
# Natively every test case becomes its own CTest test; under Wine a whole
# executable is one test, since each start of Wine costs about a second.
# PROPERTIES are set on every test made (e.g. RESOURCE_LOCK for tests that
# share a fixed path).
function(tarnwell_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS;PROPERTIES" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} tarnwell_test_support GTest::gtest_main tarnwell_options)
  if(CMAKE_CROSSCOMPILING)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES LABELS "${T_LABELS};wine" TIMEOUT 600
      ENVIRONMENT "WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix" ${T_PROPERTIES})
  else()
    # The discovered tests get their properties as one flat list of name and
    # value pairs, in which a second label would be taken for a property name
    # and shift every pair after it.
    list(LENGTH T_LABELS label_count)
    if(label_count GREATER 1)
      message(FATAL_ERROR "${name}: give one label, not ${T_LABELS}")
    endif()
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST PROPERTIES LABELS "${T_LABELS}" TIMEOUT 600 ${T_PROPERTIES})
  endif()
endfunction()
