// The module's entry point, which the loader calls before any of the
// module's own code runs (only the C runtime's TLS callback, which carries no
// protector, comes earlier): it seeds the stack guard, then hands over to the
// C runtime's own entry (its start-up, the constructors of the module's
// objects, DllMain). Seeding here rather than in a constructor means no
// protected frame, the runtime's or the module's, is on the stack yet; this
// function, which stays on it throughout, carries no protector.
#include <windows.h>

#include "base/stack_guard.h"

extern "C" BOOL WINAPI DllMainCRTStartup(HANDLE module, DWORD reason, void* reserved);

// One symbol name for both builds (the link names it as the entry point);
// the 32-bit one would otherwise be decorated as _ZekModuleEntry@12.
extern "C" BOOL WINAPI ZekModuleEntry(HINSTANCE module, DWORD reason, void* reserved) __asm__("zek_module_entry");

extern "C" __attribute__((no_stack_protector)) BOOL WINAPI ZekModuleEntry(HINSTANCE module, DWORD reason,
                                                                          void* reserved) {
    if (reason == DLL_PROCESS_ATTACH) zek::SeedStackGuard();
    return DllMainCRTStartup(module, reason, reserved);
}
