# Small helpers shared by the folders' CMake files.

# hoe_library(NAME INCLUDE_ROOT DIR [FOLDERS folder...] [SOURCES unit...] [DEPS ...]
#             [PRIVATE_DEPS ...]): the static library of one top folder of the sources. Each of
# its FOLDERS has a CMakeLists.txt that says what the folder owns and names its units with
# hoe_sources(). Headers are included by their path below INCLUDE_ROOT. A library whose
# folders hold no units yet is an interface library, so that what links it builds all the same.
function(hoe_library name)
  cmake_parse_arguments(ARG "" "INCLUDE_ROOT" "FOLDERS;SOURCES;DEPS;PRIVATE_DEPS" ${ARGN})
  set(HOE_LIBRARY ${name})
  foreach(folder IN LISTS ARG_FOLDERS)
    add_subdirectory(${folder})
  endforeach()
  get_property(sources GLOBAL PROPERTY HOE_SOURCES_${name})
  list(APPEND sources ${ARG_SOURCES})
  if(sources)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${ARG_INCLUDE_ROOT})
    target_link_libraries(${name} PUBLIC ${ARG_DEPS} PRIVATE hoe_warnings ${ARG_PRIVATE_DEPS})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${ARG_INCLUDE_ROOT})
    target_link_libraries(${name} INTERFACE ${ARG_DEPS})
  endif()
endfunction()

# hoe_sources(UNIT...): the units of the folder whose CMakeLists.txt calls it, for the library
# that lists the folder.
function(hoe_sources)
  foreach(unit IN LISTS ARGN)
    set_property(GLOBAL APPEND PROPERTY HOE_SOURCES_${HOE_LIBRARY}
                 ${CMAKE_CURRENT_SOURCE_DIR}/${unit})
  endforeach()
endfunction()

# hoe_test(NAME SOURCES... DEPS ... [TIMEOUT SECONDS]): one GoogleTest program, its tests discovered
# when ctest runs; TIMEOUT for programs whose tests play whole recorded games.
# With GRAPHICS the program draws through Mesa, whose leaks cannot be told apart (see
# tests/support/SanitizerDefaultsGraphics.cpp), and has the headless device fixture.
function(hoe_test name)
  cmake_parse_arguments(ARG "GRAPHICS" "TIMEOUT" "SOURCES;DEPS" ${ARGN})
  set(timeout)
  if(ARG_TIMEOUT)
    set(timeout TIMEOUT ${ARG_TIMEOUT})
  endif()
  if(ARG_GRAPHICS)
    set(defaults ${CMAKE_SOURCE_DIR}/tests/support/SanitizerDefaultsGraphics.cpp
                 ${CMAKE_SOURCE_DIR}/tests/support/HeadlessDevice.cpp)
  else()
    set(defaults ${CMAKE_SOURCE_DIR}/tests/support/SanitizerDefaults.cpp)
  endif()
  add_executable(${name} ${ARG_SOURCES} ${defaults})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} hoe_test_support GTest::gtest
                                        GTest::gtest_main hoe_warnings)
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "HOE_TEST_DATA=${CMAKE_SOURCE_DIR}/tests/data" ${timeout})
endfunction()

# hoe_bench(NAME SOURCES... DEPS ...): one Google Benchmark program.
function(hoe_bench name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} hoe_test_support benchmark::benchmark
                                        hoe_warnings)
endfunction()

# hoe_fuzz(NAME SOURCES... DEPS ...): one libFuzzer target.
function(hoe_fuzz name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${name} PRIVATE ${ARG_DEPS})
endfunction()
