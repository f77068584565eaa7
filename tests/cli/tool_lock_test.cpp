// The lock that keeps tkb commands from meeting on the boards (a named mutex on Windows, a locked
// file elsewhere).
#include <gtest/gtest.h>

#include <future>

#include "core/tool_lock.h"

namespace tkbctl::cli {
namespace {

using std::chrono::milliseconds;

TEST(ToolLock, ASecondHolderWaitsUntilTheFirstReleases) {
    ToolLock first;
    ASSERT_TRUE(first.Acquire(milliseconds(0)));
    // Another command (here another thread, as a mutex is its owner's again) does not get it...
    auto blocked = std::async(std::launch::async, [] {
        ToolLock second;
        return second.Acquire(milliseconds(50));
    });
    EXPECT_FALSE(blocked.get());

    // ...until it is released, and then waits for it rather than failing.
    std::promise<void> started;
    auto waiting = std::async(std::launch::async, [&] {
        ToolLock second;
        started.set_value();
        const bool got = second.Acquire(milliseconds(60000));
        second.Release();
        return got;
    });
    started.get_future().wait();
    first.Release();
    EXPECT_TRUE(waiting.get());
    EXPECT_FALSE(first.Held());
}

TEST(ToolLock, AHolderThatGoesAwayFreesTheLock) {
    {
        ToolLock gone;
        ASSERT_TRUE(gone.Acquire(milliseconds(0)));
    }
    auto later = std::async(std::launch::async, [] {
        ToolLock next;
        return next.Acquire(milliseconds(0));
    });
    EXPECT_TRUE(later.get());
}

}  // namespace
}  // namespace tkbctl::cli
