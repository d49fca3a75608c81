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
# (plugin/module_entry.cpp).
function(zek_harden_module target)
  target_link_options(${target} PRIVATE -Wl,--entry=zek_module_entry)
endfunction()
