// The module's own answer to the runtime's GetThreadId import, both ways:
// through the system's function and through ntdll's thread information (the
// way it takes on Windows XP). Prints each id it got; ends 1 on a mismatch.
#include <windows.h>

#include <cstdio>

#include "plugin/thread_id_import.h"

namespace {

DWORD WINAPI Wait(void* event) { return WaitForSingleObject(static_cast<HANDLE>(event), INFINITE); }

int failures = 0;

void Expect(const char* what, DWORD got, DWORD expected) {
    std::printf("%s: %lu (expected %lu)\n", what, static_cast<unsigned long>(got), static_cast<unsigned long>(expected));
    if (got != expected) ++failures;
}

}  // namespace

int main() {
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, 0, Wait, event, 0, &id);
    if (!event || !thread) {
        std::printf("cannot start a thread: error %lu\n", GetLastError());
        return 1;
    }
    Expect("other thread, system", zek::ThreadIdOf(thread), id);
    Expect("other thread, ntdll", zek::ThreadIdFromNtdll(thread), id);
    Expect("this thread, system", zek::ThreadIdOf(GetCurrentThread()), GetCurrentThreadId());
    Expect("this thread, ntdll", zek::ThreadIdFromNtdll(GetCurrentThread()), GetCurrentThreadId());
    Expect("no thread, ntdll", zek::ThreadIdFromNtdll(nullptr), 0);
    Expect("its error", GetLastError(), ERROR_INVALID_HANDLE);
    SetEvent(event);
    WaitForSingleObject(thread, INFINITE);
    return failures ? 1 : 0;
}
