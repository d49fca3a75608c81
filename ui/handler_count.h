// The calls of a window's procedures that are under way on its thread,
// counted for the threads that must know whether that thread is inside the
// module: Done, after which the host may unload the module, and a thread
// that takes a silent window over, which it may do only while none of the
// window's handlers runs.
#pragma once
#include <atomic>

namespace zek {

class HandlerCount {
public:
    // One call of a procedure, counted for as long as it lives. A call that
    // finds the windows taken over is not counted: it must touch nothing of
    // theirs and hand the message to the system.
    class Call {
    public:
        explicit Call(HandlerCount& count) : count_(count), entered_(count.Enter()) {}
        ~Call() {
            if (entered_) count_.Leave();
        }
        Call(const Call&) = delete;
        Call& operator=(const Call&) = delete;
        bool entered() const { return entered_; }

    private:
        HandlerCount& count_;
        const bool entered_;
    };

    // From another thread: true when no call is under way, and then no call
    // begins until Reopen. One atomic step, so a call that begins meanwhile
    // is either counted before it or finds the windows taken.
    bool TakeIfIdle() {
        int idle = 0;
        return state_.compare_exchange_strong(idle, kTaken);
    }
    // New windows, whose procedures may be called again. Calls still under
    // way stay counted.
    void Reopen() { state_.fetch_and(~kTaken); }
    bool Idle() const { return (state_.load() & ~kTaken) == 0; }

private:
    bool Enter() {
        int now = state_.load();
        do {
            if (now & kTaken) return false;
        } while (!state_.compare_exchange_weak(now, now + 1));
        return true;
    }
    void Leave() { state_.fetch_sub(1); }

    // The taken bit above the count of calls (nested ones included).
    static constexpr int kTaken = 1 << 30;
    std::atomic<int> state_{0};
};

}  // namespace zek
