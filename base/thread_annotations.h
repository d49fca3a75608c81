// Lock rules the compiler checks: clang's thread-safety analysis reads these
// attributes and, with -Wthread-safety, refuses a guarded member touched
// without its lock or a *Locked function called without it held. Other
// compilers see nothing.
#pragma once

#if defined(__clang__)
#define ZEK_THREAD_ATTRIBUTE(x) __attribute__((x))
#else
#define ZEK_THREAD_ATTRIBUTE(x)
#endif

// A type whose objects are locks.
#define ZEK_CAPABILITY(name) ZEK_THREAD_ATTRIBUTE(capability(name))
// A type that holds a lock for its own lifetime.
#define ZEK_SCOPED_CAPABILITY ZEK_THREAD_ATTRIBUTE(scoped_lockable)
// A member read or written only with this lock held.
#define ZEK_GUARDED_BY(lock) ZEK_THREAD_ATTRIBUTE(guarded_by(lock))
// A function its caller must call with these locks held.
#define ZEK_REQUIRES(...) ZEK_THREAD_ATTRIBUTE(requires_capability(__VA_ARGS__))
// A function that takes or gives up these locks (the object's own when none
// is named).
#define ZEK_ACQUIRE(...) ZEK_THREAD_ATTRIBUTE(acquire_capability(__VA_ARGS__))
#define ZEK_RELEASE(...) ZEK_THREAD_ATTRIBUTE(release_capability(__VA_ARGS__))
// A function that must not be called with these locks held: it takes them.
#define ZEK_EXCLUDES(...) ZEK_THREAD_ATTRIBUTE(locks_excluded(__VA_ARGS__))
// A function after whose call the capability counts as held, without taking it.
#define ZEK_ASSERT_CAPABILITY(x) ZEK_THREAD_ATTRIBUTE(assert_capability(x))
// A function the analysis does not look into; its comment says why.
#define ZEK_NO_THREAD_SAFETY_ANALYSIS ZEK_THREAD_ATTRIBUTE(no_thread_safety_analysis)
