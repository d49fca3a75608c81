# What a release of the module carries against an exploited bug.

# Frames that hold an array or a local whose address is taken keep a copy of
# a guard and check it before they return. Compiled in only: linked with the
# option, GCC would add its own library, which seeds its guard by loading a
# cryptographic provider under the loader lock; the module has its own guard
# (base/stack_guard.cpp), seeded by its entry point. The precompiled header
# the libraries share is made with the same option as the files that use it.
function(zek_stack_protection)
  foreach(target ${ARGN})
    if(TARGET ${target})
      target_compile_options(${target} PRIVATE -fstack-protector-strong)
    endif()
  endforeach()
endfunction()

# The module's image: its entry point seeds the stack guard first
# (plugin/module_entry.cpp); the loader may place it anywhere (with the
# 64-bit build's full range of addresses) and keeps its data from running;
# the 32-bit image declares that it holds no structured exception handler
# (its C++ exceptions unwind by DWARF tables and register none), so no
# handler in it may ever be dispatched to; and it is a windowed program's
# part, not the console's. Said explicitly, not left to the linker's defaults,
# which have changed between binutils releases.
function(zek_harden_module target)
  target_link_options(${target} PRIVATE -Wl,--entry=zek_module_entry -Wl,--subsystem,windows
                      -Wl,--dynamicbase -Wl,--nxcompat)
  if(CMAKE_SYSTEM_PROCESSOR MATCHES "i.86")
    target_link_options(${target} PRIVATE -Wl,--no-seh)
  else()
    target_link_options(${target} PRIVATE -Wl,--high-entropy-va)
  endif()
endfunction()
