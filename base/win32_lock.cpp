#include <windows.h>

#include "base/lock.h"

namespace zek {

struct LockLayout {
    static_assert(sizeof(Lock::section_) == sizeof(CRITICAL_SECTION), "room for exactly one CRITICAL_SECTION");
    static_assert(alignof(Lock) >= alignof(CRITICAL_SECTION), "a CRITICAL_SECTION's alignment");
    static CRITICAL_SECTION* Of(Lock& lock) { return reinterpret_cast<CRITICAL_SECTION*>(lock.section_); }
};

// Cannot fail from Vista on; on XP it raises only when memory is exhausted
// while the module loads, which no caller could recover from either.
Lock::Lock() { InitializeCriticalSection(LockLayout::Of(*this)); }
Lock::~Lock() { DeleteCriticalSection(LockLayout::Of(*this)); }
void Lock::Acquire() { EnterCriticalSection(LockLayout::Of(*this)); }
void Lock::Release() { LeaveCriticalSection(LockLayout::Of(*this)); }

}  // namespace zek
