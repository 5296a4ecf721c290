# GoogleTest is built from the sources Debian's googletest package ships, so both
# builds (and every sanitizer set) use a copy compiled with their own flags.
# tests/CMakeLists.txt calls this once, before any test program.
function(bytwacht_use_gtest)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(gtest_disable_pthreads ${BYTWACHT_WINDOWS} CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  # GCC 12 at -O2 and above warns, wrongly, that the memcpy inside libstdc++'s
  # operator+(const char*, std::string&&) may overlap (GCC bug 105329); gtest.cc
  # uses that operator in its result streamer. The warning stays visible, but
  # it does not fail the build of code that is not ours.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(gtest PRIVATE -Wno-error=restrict)
  endif()
endfunction()

# bytwacht_add_test(NAME name SOURCES ... LIBS ... [LABELS ...] [TIMEOUT s])
# One test executable; every case becomes its own ctest test. The Windows build
# runs them through the Wine emulator of the toolchain file.
function(bytwacht_add_test)
  cmake_parse_arguments(T "" "NAME;TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
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
