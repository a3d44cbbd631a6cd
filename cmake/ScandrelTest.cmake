# GoogleTest: Debian's packages natively; built from Debian's sources for Windows.
if(WIN32)
  set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL SYSTEM)
else()
  find_package(GTest REQUIRED)
endif()

set(SCANDREL_TEST_RESULTS "${CMAKE_BINARY_DIR}/test-results")
file(MAKE_DIRECTORY "${SCANDREL_TEST_RESULTS}")

# scandrel_add_test(NAME SOURCES ... LIBS ...)
# One test program; CTest runs it (under Wine when cross-built) and it leaves its
# GoogleTest report in test-results/NAME.xml, which scripts/test adds up.
function(scandrel_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main GTest::gmock)
  # Under Wine the Linux root is drive Z:.
  set(drive "")
  if(WIN32)
    set(drive "Z:")
    target_link_options(${name} PRIVATE -mconsole)
  endif()
  target_compile_definitions(${name} PRIVATE
    SCANDREL_SHARED_DIR="${drive}${SCANDREL_SHARED_DIR}"
    SCANDREL_SOURCE_DIR="${drive}${CMAKE_SOURCE_DIR}")
  add_test(NAME ${name} COMMAND ${name} --gtest_output=xml:${drive}${SCANDREL_TEST_RESULTS}/${name}.xml)
  set_tests_properties(${name} PROPERTIES TIMEOUT 900)
endfunction()

# scandrel_test_uses_desktop(NAME): the test shows windows and moves the focus, so
# it runs alone among such tests (they share one X display and one active window).
function(scandrel_test_uses_desktop name)
  set_property(TEST ${name} APPEND PROPERTY RESOURCE_LOCK scandrel_desktop)
  set_tests_properties(${name} PROPERTIES TIMEOUT 180)
endfunction()
