# Clang's thread-safety analysis over the module, for the Windows target it is
# built for. GCC builds the module and has no such analysis; clang reads the
# same sources against the same mingw-w64 headers, checks the lock rules and
# the dialog's thread rules (base/thread_annotations.h) as errors, and makes
# nothing: one stamp per source, made again when the source or anything it
# includes changes. A broken rule stops the build with clang's message.
#
# clang++ is whichever the system's tools call so. The headers are those the
# module's own compiler searches, in its order, except GCC's own built-in
# headers (intrinsics, fixed-up system headers), in whose place clang's own
# stand: clang cannot read GCC's intrinsics.

include(${CMAKE_CURRENT_LIST_DIR}/cpp_sources.cmake)

function(zek_thread_analysis)
  find_program(ZEK_CLANGXX clang++)
  if(NOT ZEK_CLANGXX)
    message(FATAL_ERROR "clang++ is missing: the Windows build checks its thread rules with clang's "
                        "thread-safety analysis (./run deps installs clang)")
  endif()
  execute_process(COMMAND ${ZEK_CLANGXX} -print-resource-dir
                  OUTPUT_VARIABLE resource OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE failed)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=include
                  OUTPUT_VARIABLE gcc_include OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE failed_too)
  if(failed OR failed_too OR NOT IS_DIRECTORY "${resource}/include" OR NOT IS_DIRECTORY "${gcc_include}")
    message(FATAL_ERROR "cannot tell the built-in headers of ${ZEK_CLANGXX} (\"${resource}\") "
                        "or of ${CMAKE_CXX_COMPILER} (\"${gcc_include}\")")
  endif()
  file(REAL_PATH ${gcc_include} gcc_include)
  set(gcc_own ${gcc_include} ${gcc_include}-fixed)

  # The compiler's search list, as CMake read it from the compiler itself.
  set(includes)
  set(builtins_placed FALSE)
  foreach(dir ${CMAKE_CXX_IMPLICIT_INCLUDE_DIRECTORIES})
    file(REAL_PATH ${dir} real)
    if(NOT real IN_LIST gcc_own)
      list(APPEND includes -isystem ${dir})
    elseif(NOT builtins_placed)
      list(APPEND includes -isystem ${resource}/include)
      set(builtins_placed TRUE)
    endif()
  endforeach()
  if(NOT builtins_placed)
    message(FATAL_ERROR "${CMAKE_CXX_COMPILER} searches no folder of its own built-in headers "
                        "(${gcc_include}): ${CMAKE_CXX_IMPLICIT_INCLUDE_DIRECTORIES}")
  endif()

  set(stamps)
  foreach(target ${ARGN})
    zek_cpp_sources(${target} paths)
    foreach(path ${paths})
      file(RELATIVE_PATH name ${CMAKE_SOURCE_DIR} ${path})
      # The same machine options GCC gets for the file (the vector kernels').
      get_source_file_property(options ${path} TARGET_DIRECTORY ${target} COMPILE_OPTIONS)
      if(NOT options)
        set(options)
      endif()
      set(stamp ${CMAKE_BINARY_DIR}/thread_analysis/${name}.checked)
      get_filename_component(stamp_dir ${stamp} DIRECTORY)
      file(MAKE_DIRECTORY ${stamp_dir})
      add_custom_command(OUTPUT ${stamp}
        COMMAND ${ZEK_CLANGXX} --target=${ZEK_MINGW_PREFIX} -std=c++${CMAKE_CXX_STANDARD} -fsyntax-only
                -nostdinc -nostdinc++ ${includes} -I${CMAKE_SOURCE_DIR} ${options}
                -Wthread-safety -Werror=thread-safety -MD -MF ${stamp}.d -MT ${stamp} ${path}
        COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
        DEPENDS ${path} ${ZEK_CLANGXX}
        DEPFILE ${stamp}.d
        COMMENT "Checking the thread rules of ${name}"
        VERBATIM)
      list(APPEND stamps ${stamp})
    endforeach()
  endforeach()
  add_custom_target(zek_thread_analysis ALL DEPENDS ${stamps})
endfunction()
