// GCC 13 and later build their runtime's thread support (which the C++
// exception machinery links in) with a call of GetThreadId, a kernel32
// function Windows XP lacks; a module importing it does not load there at
// all. The import is answered here instead: the linker takes this module's
// own import slot before kernel32's. Older compilers' runtimes do not ask
// for it, and then the linker drops this file's code.
#include "plugin/thread_id_import.h"

#include <cstdint>

namespace zek {
namespace {

// ntdll's THREAD_BASIC_INFORMATION (information class 0), as NT 4 onward
// lays it out.
struct ThreadBasicInformation {
    LONG exitStatus;
    void* tebBaseAddress;
    HANDLE uniqueProcess;
    HANDLE uniqueThread;
    ULONG_PTR affinityMask;
    LONG priority;
    LONG basePriority;
};
using QueryThreadFn = LONG(NTAPI*)(HANDLE, int, void*, ULONG, ULONG*);
using GetThreadIdFn = DWORD(WINAPI*)(HANDLE);

template <typename Fn>
Fn Lookup(const wchar_t* module, const char* name) {
    const HMODULE handle = GetModuleHandleW(module);
    return handle ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(handle, name))) : nullptr;
}

}  // namespace

DWORD WINAPI ThreadIdFromNtdll(HANDLE thread) {
    const auto query = Lookup<QueryThreadFn>(L"ntdll.dll", "NtQueryInformationThread");
    ThreadBasicInformation info{};
    if (!query || query(thread, 0, &info, sizeof info, nullptr) < 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    return static_cast<DWORD>(reinterpret_cast<uintptr_t>(info.uniqueThread));
}

DWORD WINAPI ThreadIdOf(HANDLE thread) {
    const auto system = Lookup<GetThreadIdFn>(L"kernel32.dll", "GetThreadId");
    return system ? system(thread) : ThreadIdFromNtdll(thread);
}

}  // namespace zek

// The import slot, under the name the runtime's call goes through.
#if defined(__i386__)
extern "C" void* const zek_get_thread_id_slot __asm__("__imp__GetThreadId@4");
#else
extern "C" void* const zek_get_thread_id_slot __asm__("__imp_GetThreadId");
#endif
extern "C" void* const zek_get_thread_id_slot = reinterpret_cast<void*>(&zek::ThreadIdOf);
