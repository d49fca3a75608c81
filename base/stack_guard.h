// The module's stack protector: the guard that every protected frame keeps a
// copy of, its seed, and what happens when a frame's copy no longer matches.
// The compiler's own library is not used: it seeds its guard from a
// cryptographic provider, a DLL loaded while the loader lock is held.
#pragma once
#include <cstdint>

namespace zek {

// The guard until SeedStackGuard runs. Seeding never leaves it at this
// value, so a seeded guard can be told from one that was never seeded.
constexpr uintptr_t kUnseededStackGuard = static_cast<uintptr_t>(0x9E3779B97F4A7C15ull);

// Seeds the guard from what kernel32 answers without loading anything (the
// time, the process and thread ids, the tick and performance counters, a
// stack address), so the module's entry point may call it under the loader
// lock. Every protected frame on the stack when it runs would fail on
// return: it runs first, before the C runtime's start-up and any of the
// module's own code, and carries no protector itself.
void SeedStackGuard();

}  // namespace zek
