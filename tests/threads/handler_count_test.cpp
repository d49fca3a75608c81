// The count of a window's calls while another thread takes the window over,
// as Done's thread takes a silent dialog: a take succeeds only while no call
// runs, and no call runs while the window is taken. The member stands in for
// the dialog's: written by whichever side holds the window, ordered by the
// count alone, so the thread sanitizer reports any call and take that
// overlap.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "ui/handler_count.h"

namespace zek {
namespace {

TEST(HandlerCount, ATakeNeverOverlapsACall) {
    HandlerCount calls;
    int member = 0;
    std::atomic<bool> taken{false};
    std::atomic<bool> stop{false};
    std::atomic<int> handled{0};
    std::atomic<int> refusedInside{0};
    std::atomic<int> overlaps{0};

    std::thread window([&] {
        while (!stop) {
            {
                const HandlerCount::Call call(calls);
                if (call.entered()) {
                    if (taken) ++overlaps;
                    ++member;
                    // A handler sends its window a message: the nested call
                    // is never refused halfway through the outer one.
                    const HandlerCount::Call nested(calls);
                    if (!nested.entered()) ++refusedInside;
                    ++member;
                    ++handled;
                }
            }
            std::this_thread::yield();  // the message loop, outside the module
        }
    });

    int takes = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while ((takes < 200 || handled < 200) && std::chrono::steady_clock::now() < deadline) {
        if (!calls.TakeIfIdle()) continue;
        taken = true;
        ++member;
        if (!calls.Idle()) ++overlaps;
        taken = false;
        ++takes;
        calls.Reopen();
    }
    stop = true;
    window.join();

    EXPECT_EQ(overlaps, 0) << "a take and a call ran at the same time";
    EXPECT_EQ(refusedInside, 0) << "a nested call was refused while its outer call ran";
    EXPECT_GE(takes, 200) << "within 60 s; the window thread handled " << handled;
    EXPECT_GE(handled, 200) << "within 60 s; the other thread took the window " << takes << " times";
    EXPECT_TRUE(calls.Idle());
}

}  // namespace
}  // namespace zek
