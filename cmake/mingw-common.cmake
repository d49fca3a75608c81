# The win32 thread model: the module takes no std::thread or std::mutex
# (base/lock.h has its own lock), and the posix model's runtime would fold
# winpthread in for thread-safe statics alone, with thread suspension and
# context calls among its imports. -static folds libgcc and libstdc++ into
# the module so that it imports system DLLs only.
set(CMAKE_C_COMPILER ${ZEK_MINGW_PREFIX}-gcc-win32)
set(ZEK_MINGW_CXX ${ZEK_MINGW_PREFIX}-g++-win32)
set(CMAKE_CXX_COMPILER ${ZEK_MINGW_CXX})
set(CMAKE_RC_COMPILER ${ZEK_MINGW_PREFIX}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${ZEK_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Every function and datum in a section of its own, so that the linker drops
# what nothing reaches. -g changes no code: its sections go into the debug
# file beside the module (plugin/CMakeLists.txt), not into the module.
set(CMAKE_C_FLAGS_INIT "-g -ffunction-sections -fdata-sections")
set(CMAKE_CXX_FLAGS_INIT "-g -ffunction-sections -fdata-sections")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++ -Wl,--gc-sections")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++ -Wl,--gc-sections")
