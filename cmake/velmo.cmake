# Shared build helpers: the test framework, the GCC runtime beside the
# Windows programs, and one function to declare a test program.

if(WIN32)
  # Exceptions cross module boundaries, so every module uses the runtime DLLs.
  add_link_options(-shared-libgcc)
  set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  foreach(dll libgcc_s_dw2-1.dll libstdc++-6.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                    OUTPUT_VARIABLE dll_path OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT EXISTS "${dll_path}")
      message(FATAL_ERROR "GCC runtime ${dll} not found")
    endif()
    file(COPY ${dll_path} DESTINATION ${VELMO_BIN_DIR})
  endforeach()
  set(VELMO_GTEST_MAIN gtest_main)
  # Run by the test runner before each test program (scripts/run-windows-program.sh).
  add_executable(threads-probe ${CMAKE_CURRENT_LIST_DIR}/threads_probe.cpp)
  set(VELMO_GMOCK gmock)
else()
  find_package(GTest REQUIRED)
  set(VELMO_GTEST_MAIN GTest::gtest_main)
  set(VELMO_GMOCK GTest::gmock)
  # The component and helper library keep their Windows file names natively.
  set(CMAKE_BUILD_RPATH_USE_ORIGIN ON)
endif()

# Gives a shared library its Windows file name (son_velmo.dll, shared.dll,
# SNESAPU.DLL) in both builds, so the same code paths load it by that name.
function(velmo_windows_name target file_name)
  get_filename_component(stem ${file_name} NAME_WE)
  get_filename_component(ext ${file_name} EXT)
  set_target_properties(${target} PROPERTIES PREFIX "" OUTPUT_NAME ${stem} SUFFIX ${ext})
  if(WIN32)
    set_target_properties(${target} PROPERTIES IMPORT_PREFIX "lib" IMPORT_SUFFIX ".dll.a")
  else()
    set_target_properties(${target} PROPERTIES BUILD_RPATH "$ORIGIN;$ORIGIN/..")
  endif()
endfunction()

# One test program, registered with ctest as one test: under Wine each
# process start costs about a second, so cases are not discovered one by one.
# DISPLAY: the program opens windows and runs on a virtual display of its own.
# SHARDS n: a long program is registered as n tests that each run every n-th
# case (the test framework's sharding), so that ctest -j runs them side by
# side, ahead of the others.
# HOST: the program drives the real component through the real host code
# (testing/component_fixture.h), so it needs both and the emulation library.
function(velmo_add_test name)
  cmake_parse_arguments(ARG "DISPLAY;HOST" "SHARDS" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  if(ARG_HOST)
    list(APPEND ARG_LIBS velmo_host_core apu_example)
    add_dependencies(${name} son_velmo SNESAPU)
  endif()
  if(WIN32)
    target_sources(${name} PRIVATE ${CMAKE_SOURCE_DIR}/cmake/no_watcher_thread.cpp)
    add_dependencies(${name} threads-probe)
  endif()
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} ${VELMO_GTEST_MAIN})
  target_compile_definitions(${name} PRIVATE VELMO_SHARED_DIR="${VELMO_SHARED_DIR}")
  if(NOT WIN32)
    set_target_properties(${name} PROPERTIES BUILD_RPATH "$ORIGIN;$ORIGIN/components")
  endif()
  set(command $<TARGET_FILE:${name}>)
  if(WIN32)
    set(command ${CMAKE_SOURCE_DIR}/scripts/run-windows-program.sh ${command})
  endif()
  if(ARG_DISPLAY)
    set(command ${CMAKE_SOURCE_DIR}/scripts/run-with-display.sh ${command})
  endif()
  if(NOT ARG_SHARDS)
    set(ARG_SHARDS 1)
  endif()
  math(EXPR last "${ARG_SHARDS} - 1")
  foreach(shard RANGE ${last})
    set(test ${name})
    if(ARG_SHARDS GREATER 1)
      set(test ${name}_${shard})
    endif()
    add_test(NAME ${test} COMMAND ${command})
    set_property(TEST ${test} PROPERTY WORKING_DIRECTORY ${VELMO_BIN_DIR})
    if(ARG_SHARDS GREATER 1)
      set_property(TEST ${test} PROPERTY ENVIRONMENT "GTEST_TOTAL_SHARDS=${ARG_SHARDS};GTEST_SHARD_INDEX=${shard}")
      # The long pieces first; the short programs fill in beside them.
      set_property(TEST ${test} PROPERTY COST 100)
    endif()
    if(WIN32)
      set_property(TEST ${test} PROPERTY SKIP_RETURN_CODE 77)
    endif()
    if(ARG_DISPLAY)
      # Wine's desktop on a fresh display can fail to come up in time while
      # other programs load the machine: these run alone.
      set_property(TEST ${test} PROPERTY RUN_SERIAL TRUE)
    endif()
  endforeach()
endfunction()

# One libFuzzer target (the fuzz preset instruments every source). Its
# libFuzzer arguments go to bin/NAME.args, one a line, for the fuzz runner:
# MAX_LEN, the longest input its format can hold; DICT, a dictionary in the
# fuzz folder's dict/; and the seed folders SEEDS (by default NAME) of the
# fuzz folder's seeds/.
function(velmo_add_fuzzer name)
  cmake_parse_arguments(ARG "" "MAX_LEN;DICT" "SEEDS;SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  set_property(GLOBAL APPEND PROPERTY VELMO_FUZZERS ${name})
  list(GET ARG_SOURCES 0 main)
  get_filename_component(main ${main} ABSOLUTE)
  get_filename_component(folder ${main} DIRECTORY)
  set(args "-max_len=${ARG_MAX_LEN}\n")
  if(ARG_DICT)
    string(APPEND args "-dict=${folder}/dict/${ARG_DICT}\n")
  endif()
  if(NOT ARG_SEEDS)
    set(ARG_SEEDS ${name})
  endif()
  foreach(seeds ${ARG_SEEDS})
    if(NOT IS_DIRECTORY ${folder}/seeds/${seeds})
      message(FATAL_ERROR "${name}: no seed folder ${folder}/seeds/${seeds}")
    endif()
    string(APPEND args "${folder}/seeds/${seeds}\n")
  endforeach()
  file(WRITE ${VELMO_BIN_DIR}/${name}.args ${args})
endfunction()
