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
function(velmo_add_test name)
  cmake_parse_arguments(ARG "DISPLAY" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
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
  set(display)
  if(ARG_DISPLAY)
    set(display ${CMAKE_SOURCE_DIR}/scripts/run-with-display.sh)
  endif()
  if(WIN32)
    add_test(NAME ${name} COMMAND ${display} ${CMAKE_SOURCE_DIR}/scripts/run-windows-program.sh $<TARGET_FILE:${name}>)
    set_tests_properties(${name} PROPERTIES SKIP_RETURN_CODE 77)
  else()
    add_test(NAME ${name} COMMAND ${display} $<TARGET_FILE:${name}>)
  endif()
  set_tests_properties(${name} PROPERTIES WORKING_DIRECTORY ${VELMO_BIN_DIR})
endfunction()
