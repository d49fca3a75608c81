#include "host/entry_calls.h"

namespace zek_host {
namespace {
bool g_misaligned = false;
}  // namespace

#if defined(__i386__)
extern "C" uintptr_t zek_call_misaligned(void* fn, void* arg);
extern "C" uintptr_t zek_stack_at_call();

// zek_call_misaligned(fn, arg): aligns the stack to 16, then leaves it at
// 4 mod 16 with the argument pushed, so fn starts with ESP at 0 mod 16
// instead of GCC's 12. cdecl: the caller removes the argument, and fn may
// be called with one argument more than it takes.
// zek_stack_at_call(): the caller's ESP at its call instruction.
asm(R"(
    .text
    .globl _zek_call_misaligned
_zek_call_misaligned:
    pushl %ebp
    movl %esp, %ebp
    andl $-16, %esp
    subl $8, %esp
    pushl 12(%ebp)
    call *8(%ebp)
    movl %ebp, %esp
    popl %ebp
    ret

    .globl _zek_stack_at_call
_zek_stack_at_call:
    leal 4(%esp), %eax
    ret
)");

bool SetMisalignedCalls(bool on) {
    g_misaligned = on;
    return true;
}

uintptr_t CallThroughThunk(void* fn, void* arg) { return zek_call_misaligned(fn, arg); }

unsigned StackAtCallMod16(bool throughThunk) {
    const uintptr_t esp = throughThunk ? zek_call_misaligned(reinterpret_cast<void*>(zek_stack_at_call), nullptr)
                                       : zek_stack_at_call();
    return static_cast<unsigned>(esp % 16);
}
#else
bool SetMisalignedCalls(bool on) { return !on; }
uintptr_t CallThroughThunk(void*, void*) { return 0; }
unsigned StackAtCallMod16(bool) { return 0; }
#endif

bool MisalignedCalls() { return g_misaligned; }

}  // namespace zek_host
