// How the host calls the plug-in's exports and entry points: directly, or,
// on 32-bit x86, through a thunk that hands over a stack 4 bytes off the
// 16-byte alignment GCC keeps. Programs built by other compilers promise only
// 4 bytes, and the plug-in must work when called that way.
#pragma once
#include <cstdint>
#include <type_traits>

#include "base/plugin_abi.h"

namespace zek_host {

// False where there is no such thunk (64-bit builds).
bool SetMisalignedCalls(bool on);
bool MisalignedCalls();

// ESP mod 16 at the call instruction, as an entry point sees it: 0 for a
// call by this program's own code, 4 through the thunk.
unsigned StackAtCallMod16(bool throughThunk);

uintptr_t CallThroughThunk(void* fn, void* arg);

template <class R, class... A>
R CallEntry(R(ZEK_CDECL* fn)(A...), A... args) {
    static_assert(sizeof...(A) <= 1, "entry points take at most one argument");
    if (MisalignedCalls()) {
        void* arg = nullptr;
        ((arg = reinterpret_cast<void*>(args)), ...);
        const uintptr_t result = CallThroughThunk(reinterpret_cast<void*>(fn), arg);
        if constexpr (std::is_pointer_v<R>) return reinterpret_cast<R>(result);
        else if constexpr (!std::is_void_v<R>) return static_cast<R>(result);
        else return;
    }
    return fn(args...);
}

}  // namespace zek_host
