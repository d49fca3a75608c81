// The lock for the few things that the host's frame thread and the dialog's
// thread share. On Windows a critical section: it exists on every Windows the
// host runs on, XP included, and needs no threads runtime inside the module.
// A critical section is re-entrant: the thread that holds it may take it
// again, as a host's callback that calls back into the plug-in does. Natively
// a std::recursive_mutex, re-entrant too, so the native and thread sanitizer
// runs see what Windows does; the sanitizer understands it.
#pragma once

#if !defined(_WIN32)
#include <mutex>
#endif

#include "base/thread_annotations.h"

namespace zek {

class ZEK_CAPABILITY("mutex") Lock {
public:
#if defined(_WIN32)
    Lock();
    ~Lock();
    void Acquire() ZEK_ACQUIRE();
    void Release() ZEK_RELEASE();
#else
    Lock() = default;
    void Acquire() ZEK_ACQUIRE() { mutex_.lock(); }
    void Release() ZEK_RELEASE() { mutex_.unlock(); }
#endif
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

private:
#if defined(_WIN32)
    // Room for a CRITICAL_SECTION without the system headers in the core;
    // win32_lock.cpp checks size and alignment against the real one.
    static constexpr unsigned kSectionBytes = sizeof(void*) == 8 ? 40 : 24;
    alignas(void*) unsigned char section_[kSectionBytes];
    friend struct LockLayout;
#else
    std::recursive_mutex mutex_;
#endif
};

// Holds a lock for the rest of the scope.
class ZEK_SCOPED_CAPABILITY LockHold {
public:
    explicit LockHold(Lock& lock) ZEK_ACQUIRE(lock) : lock_(lock) { lock_.Acquire(); }
    ~LockHold() ZEK_RELEASE() { lock_.Release(); }
    LockHold(const LockHold&) = delete;
    LockHold& operator=(const LockHold&) = delete;

private:
    Lock& lock_;
};

}  // namespace zek
