// A module built as the plug-in is (its entry point that seeds the stack
// guard, the guard, the protector on) with one frame that its caller can
// overrun. It says when the process detaches it, which an ending that runs
// the DLLs' detach code would show.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

extern "C" uintptr_t __stack_chk_guard;

extern "C" __declspec(dllexport) uintptr_t ProbeStackGuard() { return __stack_chk_guard; }

// Copies length bytes into an 8-byte buffer: more than 8 overrun the frame,
// its guard first.
extern "C" __declspec(dllexport) __attribute__((noinline)) int ProbeCopy(const char* text, size_t length) {
    char buffer[8];
    std::memcpy(buffer, text, length);
    __asm__ volatile("" : : "r"(buffer) : "memory");  // the copy is kept, whatever the optimizer sees
    return buffer[0];
}

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, void*) {
    if (reason == DLL_PROCESS_DETACH) {
        static const char line[] = "probe detached\n";
        DWORD written = 0;
        WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), line, sizeof line - 1, &written, nullptr);
    }
    return TRUE;
}
