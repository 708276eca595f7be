# The S-DSP's native extras: the render tool, and the comparison test and
# benchmark against libgme (a Linux library, used only as a black-box oracle).
if(NOT WIN32)
  add_executable(apu-render ${CMAKE_CURRENT_LIST_DIR}/tools/apu_render.cpp)
  # It plays a file for the length its tags give, as the component does.
  target_link_libraries(apu-render PRIVATE apu_instance velmo_spc_tags)

  find_package(PkgConfig QUIET)
  if(PkgConfig_FOUND)
    pkg_check_modules(GME QUIET IMPORTED_TARGET libgme)
  endif()
  if(GME_FOUND)
    foreach(target apu_tests apu_bench)
      if(TARGET ${target})
        target_link_libraries(${target} PRIVATE PkgConfig::GME)
        target_compile_definitions(${target} PRIVATE VELMO_HAVE_GME=1)
      endif()
    endforeach()
  endif()
endif()
