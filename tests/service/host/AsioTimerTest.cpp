#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "service/host/AsioTimer.h"

namespace tarnel {
namespace {

using namespace std::chrono_literals;

TEST(AsioTimerTest, TicksUntilItsHandlerDisablesIt) {
    asio::io_context loop;
    int nTicks = 0;
    std::unique_ptr<AsioTimer> timer;
    timer = std::make_unique<AsioTimer>(loop, 5ms, [&] {
        if (++nTicks == 3) timer->Enabled(false);
    });
    AsioTimer sentinel(loop, 100ms, [&] { loop.stop(); });
    timer->Enabled(true);
    EXPECT_TRUE(timer->Enabled());
    // The sentinel stops the loop only once the ticking timer has gone quiet.
    AsioTimer watcher(loop, 5ms, [&] {
        if (!timer->Enabled()) sentinel.Enabled(true);
    });
    watcher.Enabled(true);
    loop.run_for(30s);
    EXPECT_EQ(nTicks, 3);
    EXPECT_FALSE(timer->Enabled());
}

TEST(AsioTimerTest, DisabledBeforeExpiryNeverTicks) {
    asio::io_context loop;
    int nTicks = 0;
    AsioTimer timer(loop, 1ms, [&] { ++nTicks; });
    AsioTimer sentinel(loop, 50ms, [&] { loop.stop(); });
    timer.Enabled(true);
    timer.Enabled(false);
    sentinel.Enabled(true);
    loop.run_for(30s);
    EXPECT_EQ(nTicks, 0);
}

TEST(AsioTimerTest, ReEnabledInsideAnotherHandlerRestartsItsInterval) {
    asio::io_context loop;
    std::vector<std::string> order;
    AsioTimer slow(loop, 40ms, [&] {
        order.push_back("slow");
        loop.stop();
    });
    std::unique_ptr<AsioTimer> fast;
    fast = std::make_unique<AsioTimer>(loop, 5ms, [&] {
        order.push_back("fast");
        // Restart the slow timer: an expiry armed before must not fire.
        slow.Enabled(false);
        slow.Enabled(true);
        if (order.size() == 3) fast->Enabled(false);
    });
    slow.Enabled(true);
    fast->Enabled(true);
    loop.run_for(30s);
    EXPECT_EQ(order, (std::vector<std::string>{"fast", "fast", "fast", "slow"}));
}

TEST(AsioTimerTest, DestroyedWhilePendingIsHarmless) {
    asio::io_context loop;
    int nTicks = 0;
    {
        AsioTimer timer(loop, 1ms, [&] { ++nTicks; });
        timer.Enabled(true);
    }
    loop.run_for(1s);
    EXPECT_EQ(nTicks, 0);
}

}  // namespace
}  // namespace tarnel
