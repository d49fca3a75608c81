// The guard and the failure that GCC's -fstack-protector code refers to by
// name; see stack_guard.h for why they are the module's own.
#include "base/stack_guard.h"

#include <windows.h>

extern "C" {

uintptr_t __stack_chk_guard = zek::kUnseededStackGuard;

// A frame's guard no longer matches: the frame is corrupted, its return
// address among the rest. The process ends here with the status Windows'
// fail-fast gives, and nothing of it runs again: no exception is raised (an
// SEH handler or a C++ catch above would unwind through the broken frame),
// no exit handler or DLL detach runs. Fail-fast itself (int 0x29) is no
// such end before Windows 8, nor in the 32-bit runtime under Wine, where it
// comes to the handlers as an illegal instruction. TerminateProcess of the
// process itself is, from Windows XP on, and does not return.
[[noreturn]] __attribute__((no_stack_protector)) void __stack_chk_fail() {
    for (;;) TerminateProcess(GetCurrentProcess(), STATUS_STACK_BUFFER_OVERRUN);
}

}  // extern "C"

namespace zek {

__attribute__((no_stack_protector)) void SeedStackGuard() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    // Each source fills the low bits best; the 64-bit guard takes the
    // time's and the counter's high halves into its upper word as well.
    uint64_t seed = (static_cast<uint64_t>(now.dwHighDateTime) << 32 | now.dwLowDateTime) ^
                    static_cast<uint64_t>(counter.QuadPart) ^ static_cast<uint64_t>(counter.QuadPart) << 32 ^
                    GetCurrentProcessId() ^ static_cast<uint64_t>(GetCurrentThreadId()) << 16 ^ GetTickCount();
    seed ^= reinterpret_cast<uintptr_t>(&seed);  // where the stack lies differs from one start to the next
    uintptr_t guard = static_cast<uintptr_t>(sizeof(uintptr_t) < sizeof seed ? seed ^ seed >> 32 : seed);
    if (guard == kUnseededStackGuard) guard ^= 1;
    __stack_chk_guard = guard;
}

}  // namespace zek
