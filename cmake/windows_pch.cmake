include(${CMAKE_CURRENT_LIST_DIR}/cpp_sources.cmake)

# Parsing windows.h is most of compiling a Win32 file with mingw-w64, about
# four fifths of it. It is parsed once per build folder instead, as a
# precompiled header shared by the module's libraries.
#
# Only a file that sees <windows.h> anyway, itself or through the project's
# headers it includes, is given it: a portable file compiled here sees
# exactly what it sees in the native build. When this was introduced, the
# module's code came out byte for byte as without the precompiled header,
# in both builds; only its debug information (the .debug file, and so the
# checksum in the debug link) was laid out otherwise.
file(WRITE ${CMAKE_BINARY_DIR}/windows_pch.cpp "// the precompiled header's own translation unit\n")
add_library(zek_windows_pch OBJECT ${CMAKE_BINARY_DIR}/windows_pch.cpp)
target_precompile_headers(zek_windows_pch PRIVATE <windows.h>)

# Whether path, or a project header it includes, includes <windows.h>.
function(zek_sees_windows path result)
  set(${result} FALSE PARENT_SCOPE)
  file(STRINGS ${path} includes REGEX "^#include [<\"]")
  foreach(line ${includes})
    if(line MATCHES "^#include <windows\\.h>")
      set(${result} TRUE PARENT_SCOPE)
      return()
    elseif(line MATCHES "^#include \"([^\"]+)\"" AND EXISTS ${CMAKE_SOURCE_DIR}/${CMAKE_MATCH_1})
      zek_sees_windows(${CMAKE_SOURCE_DIR}/${CMAKE_MATCH_1} sees)
      if(sees)
        set(${result} TRUE PARENT_SCOPE)
        return()
      endif()
    endif()
  endforeach()
endfunction()

function(zek_windows_pch)
  foreach(target ${ARGN})
    if(NOT TARGET ${target})
      continue()
    endif()
    target_precompile_headers(${target} REUSE_FROM zek_windows_pch)
    zek_cpp_sources(${target} paths)
    foreach(path ${paths})
      zek_sees_windows(${path} sees)
      if(NOT sees)
        set_source_files_properties(${path} TARGET_DIRECTORY ${target} PROPERTIES SKIP_PRECOMPILE_HEADERS ON)
      endif()
    endforeach()
  endforeach()
endfunction()
