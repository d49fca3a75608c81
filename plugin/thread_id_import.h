// GetThreadId for the compiler runtime, on every Windows the host runs on.
#pragma once
#include <windows.h>

namespace zek {

// kernel32's GetThreadId where the system has it (Vista and later), else the
// thread's id from ntdll's thread information, which Windows XP has too. 0,
// with ERROR_INVALID_HANDLE, for a handle that names no thread.
DWORD WINAPI ThreadIdOf(HANDLE thread);
DWORD WINAPI ThreadIdFromNtdll(HANDLE thread);

}  // namespace zek
