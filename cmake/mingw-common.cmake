# The posix thread model gives std::mutex; -static folds libgcc, libstdc++
# and winpthread into the module so that it imports system DLLs only.
set(CMAKE_C_COMPILER ${ZEK_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZEK_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${ZEK_MINGW_PREFIX}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${ZEK_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
