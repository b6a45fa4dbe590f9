// Timers of the event loop on the real reactor and timerfd.
#include "testing/PlatformHarness.h"

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

namespace ata {
namespace {

using Clock = std::chrono::steady_clock;

TEST(ReactorTimerServiceTest, TimersFireOnceWhenDueAndNeverAfterACancelOrTheirHandle) {
    test::PlatformHarness platform;
    ReactorTimerService& timers = platform.timers;
    std::vector<int> vecCalls;
    // True when a pass of lngMs finds nothing at all to do: no timer wakes the reactor.
    const auto quiet = [&](int lngMs) { return !platform.reactor.RunOnce(lngMs); };
    const auto start = Clock::now();
    Clock::time_point fired{};
    TimerHandle timer = timers.Start(60, [&] {
        vecCalls.push_back(1);
        fired = Clock::now();
    });
    EXPECT_TRUE(timer.IsArmed());
    EXPECT_EQ(timers.ArmedCount(), 1u);
    EXPECT_TRUE(platform.RunUntil([&] { return !vecCalls.empty(); }));
    EXPECT_GE(fired - start, std::chrono::milliseconds(60));
    EXPECT_FALSE(timer.IsArmed());
    EXPECT_EQ(timers.ArmedCount(), 0u);
    EXPECT_TRUE(quiet(150));
    // Restartable: armed again after firing, and a restart before the due time replaces it.
    timer.Restart(30);
    const auto restarted = Clock::now();
    timer.Restart(80);
    EXPECT_TRUE(platform.RunUntil([&] { return vecCalls.size() == 2; }));
    EXPECT_GE(fired - restarted, std::chrono::milliseconds(80));
    EXPECT_TRUE(quiet(150));
    EXPECT_EQ(vecCalls, (std::vector<int>{1, 1}));

    vecCalls.clear();
    TimerHandle cancelled = timers.Start(10, [&] { vecCalls.push_back(1); });
    cancelled.Cancel();
    {
        TimerHandle destroyed = timers.Start(0, [&] { vecCalls.push_back(2); });
    }
    // Two timers due in the same pass: the first cancels the second and runs a nested pass.
    TimerHandle second;
    TimerHandle first = timers.Start(20, [&] {
        vecCalls.push_back(3);
        second.Cancel();
        platform.reactor.RunOnce(0);
    });
    second = timers.Start(20, [&] { vecCalls.push_back(4); });
    // Moving a handle moves the timer: the new owner's cancel stops it.
    TimerHandle moved = timers.Start(10, [&] { vecCalls.push_back(5); });
    TimerHandle owner = std::move(moved);
    EXPECT_FALSE(moved);
    owner.Cancel();
    // A timer restarted from its own callback.
    int lngSelf = 0;
    TimerHandle self;
    self = timers.Start(5, [&] {
        if (++lngSelf < 3)
            self.Restart(5);
    });
    EXPECT_TRUE(platform.RunUntil([&] { return timers.ArmedCount() == 0; }));
    EXPECT_TRUE(quiet(100));
    EXPECT_EQ(vecCalls, std::vector<int>{3});
    EXPECT_EQ(lngSelf, 3);
}

} // namespace
} // namespace ata
