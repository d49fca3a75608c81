// A thread role: "the thread this window lives on", as a capability that
// clang's thread-safety analysis checks the way it checks a lock. What only
// that thread may touch is ZEK_GUARDED_BY the role, what may run only there
// ZEK_REQUIRES it, and the one place that knows it runs there says so with
// Assert(). Any other thread that touches such a member, or calls such a
// function, stops the build.
//
// Nothing is taken or checked at run time. Assert() stands where the thread
// is certain: in a window procedure, which Windows runs only on the thread
// that made the window (a message sent from another thread is handed over
// to that one), or right after the code compared the thread ids itself. A
// check there could not fail, and the module has no way to stop the host if
// it did.
#pragma once
#include "base/thread_annotations.h"

namespace zek {

class ZEK_CAPABILITY("thread role") ThreadRole {
public:
    ThreadRole() = default;
    ThreadRole(const ThreadRole&) = delete;
    ThreadRole& operator=(const ThreadRole&) = delete;

    // The code that follows runs on the role's thread.
    void Assert() const ZEK_ASSERT_CAPABILITY(this) {}
};

// The role for the rest of a scope, on a thread that does not hold it by
// where it runs: where no other thread runs the role's code meanwhile,
// because the window does not exist and its last thread has left every
// handler, or because it was taken from a thread that is in none of them
// and can enter none. Each use says why.
class ZEK_SCOPED_CAPABILITY ThreadRoleClaim {
public:
    explicit ThreadRoleClaim([[maybe_unused]] ThreadRole& role) ZEK_ACQUIRE(role) {}
    ~ThreadRoleClaim() ZEK_RELEASE() {}
    ThreadRoleClaim(const ThreadRoleClaim&) = delete;
    ThreadRoleClaim& operator=(const ThreadRoleClaim&) = delete;
};

}  // namespace zek
