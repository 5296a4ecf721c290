# GoogleTest is built from the sources Debian's googletest package ships, so both
# builds (and every sanitizer set) use a copy compiled with their own flags.
function(bytwacht_use_gtest)
  if(TARGET gtest)
    return()
  endif()
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(gtest_disable_pthreads ${BYTWACHT_WINDOWS} CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
endfunction()

# bytwacht_add_test(NAME name SOURCES ... LIBS ... [LABELS ...] [TIMEOUT s])
# One test executable; every case becomes its own ctest test. The Windows build
# runs them through the Wine emulator of the toolchain file.
function(bytwacht_add_test)
  cmake_parse_arguments(T "" "NAME;TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  bytwacht_use_gtest()
  include(GoogleTest)
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  gtest_discover_tests(${T_NAME}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 120
    PROPERTIES TIMEOUT ${T_TIMEOUT} LABELS "${T_LABELS}")
endfunction()
