// A broken stack guard ends the process at once, with the status of Windows'
// fail-fast (STATUS_STACK_BUFFER_OVERRUN), and nothing runs after it: no
// exception handler (vectored or the unhandled-exception filter), no C++
// catch or destructor above the broken frame, no exit handler, no DLL's
// detach. A child process overruns a frame of stack_guard_probe.dll, built
// as the module is; this parent reads its exit status in full (a Unix shell
// would see its low byte only) and everything it printed. Prints both; ends
// 1 when either is not what it must be.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/stack_guard.h"

namespace {

// Unbuffered: a process that is ended loses nothing it printed.
void Say(const char* text) {
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text, static_cast<DWORD>(std::strlen(text)), &written, nullptr);
}

LONG CALLBACK Vectored(EXCEPTION_POINTERS*) {
    Say("vectored handler ran\n");
    return EXCEPTION_CONTINUE_SEARCH;
}

LONG WINAPI Unhandled(EXCEPTION_POINTERS*) {
    Say("unhandled-exception filter ran\n");
    return EXCEPTION_CONTINUE_SEARCH;
}

void AtExit() { Say("exit handler ran\n"); }

struct Unwound {
    ~Unwound() { Say("destructor ran\n"); }
};

int Child() {
    AddVectoredExceptionHandler(1, Vectored);
    SetUnhandledExceptionFilter(Unhandled);
    std::atexit(AtExit);
    HMODULE probe = LoadLibraryA("stack_guard_probe.dll");
    auto guard = reinterpret_cast<uintptr_t (*)()>(reinterpret_cast<void*>(GetProcAddress(probe, "ProbeStackGuard")));
    auto copy = reinterpret_cast<int (*)(const char*, size_t)>(reinterpret_cast<void*>(GetProcAddress(probe, "ProbeCopy")));
    if (!guard || !copy) {
        Say("cannot load stack_guard_probe.dll\n");
        return 1;
    }
    Say(guard() == zek::kUnseededStackGuard ? "guard unseeded\n" : "guard seeded\n");
    const std::string overrun(64, 'x');
    try {
        Unwound unwound;
        copy(overrun.c_str(), 8);
        Say("intact frame returned\n");
        copy(overrun.c_str(), overrun.size());
        Say("overrun frame returned\n");
    } catch (...) {
        Say("catch ran\n");
    }
    return 0;
}

int Parent(const char* self) {
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE read = nullptr, write = nullptr;
    if (!CreatePipe(&read, &write, &inherit, 0)) {
        std::printf("cannot make a pipe: error %lu\n", GetLastError());
        return 1;
    }
    SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA start{};
    start.cb = sizeof start;
    start.dwFlags = STARTF_USESTDHANDLES;
    start.hStdOutput = start.hStdError = write;
    start.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION child{};
    std::string command = std::string("\"") + self + "\" overrun";
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &start, &child)) {
        std::printf("cannot start %s: error %lu\n", command.c_str(), GetLastError());
        return 1;
    }
    CloseHandle(write);
    std::string output;
    char chunk[256];
    DWORD got = 0;
    while (ReadFile(read, chunk, sizeof chunk, &got, nullptr) && got) output.append(chunk, got);
    WaitForSingleObject(child.hProcess, INFINITE);
    DWORD status = 0;
    GetExitCodeProcess(child.hProcess, &status);
    const char* expected = "guard seeded\nintact frame returned\n";
    std::printf("child's exit status: %#lx (expected %#lx)\nchild's output:\n%s(expected:\n%s)\n",
                static_cast<unsigned long>(status), static_cast<unsigned long>(STATUS_STACK_BUFFER_OVERRUN),
                output.c_str(), expected);
    return status == STATUS_STACK_BUFFER_OVERRUN && output == expected ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "overrun") == 0) return Child();
    return Parent(argv[0]);
}
