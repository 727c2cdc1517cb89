# Small helpers shared by the folders' CMake files.

# hoe_library(NAME SOURCES... DEPS ... PKG ...): one static library per source folder.
function(hoe_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS;PRIVATE_DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS} PRIVATE hoe_warnings ${ARG_PRIVATE_DEPS})
endfunction()

# hoe_test(NAME SOURCES... DEPS ...): one GoogleTest program, its tests discovered when ctest runs.
# With GRAPHICS the program draws through Mesa, whose leaks cannot be told apart (see
# tests/support/SanitizerDefaultsGraphics.cpp), and has the headless device fixture.
function(hoe_test name)
  cmake_parse_arguments(ARG "GRAPHICS" "" "SOURCES;DEPS" ${ARGN})
  if(ARG_GRAPHICS)
    set(defaults ${CMAKE_SOURCE_DIR}/tests/support/SanitizerDefaultsGraphics.cpp
                 ${CMAKE_SOURCE_DIR}/tests/support/HeadlessDevice.cpp)
  else()
    set(defaults ${CMAKE_SOURCE_DIR}/tests/support/SanitizerDefaults.cpp)
  endif()
  add_executable(${name} ${ARG_SOURCES} ${defaults})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main hoe_warnings)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests/support)
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "HOE_TEST_DATA=${CMAKE_SOURCE_DIR}/tests/data")
endfunction()

# hoe_bench(NAME SOURCES... DEPS ...): one Google Benchmark program.
function(hoe_bench name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} benchmark::benchmark hoe_warnings)
endfunction()

# hoe_fuzz(NAME SOURCES... DEPS ...): one libFuzzer target.
function(hoe_fuzz name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${name} PRIVATE ${ARG_DEPS})
endfunction()
