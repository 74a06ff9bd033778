#include "platform/ui/beep.h"
#include "platform/ui/posted_message.h"
#include "platform/ui/window_timer.h"

#include <QElapsedTimer>
#include <QTest>
#include <gtest/gtest.h>
#include <vector>

namespace platform::ui {
namespace {

TEST(WindowTimers, TicksCarryTheIdAndKillStopsThem) {
    std::vector<unsigned> ticks;
    WindowTimers timers(nullptr, [&](unsigned id) { ticks.push_back(id); });
    EXPECT_EQ(timers.SetTimer(1000, 20), 1000u);
    EXPECT_TRUE(timers.IsActive(1000));
    EXPECT_EQ(timers.Interval(1000), 20);
    QTRY_VERIFY_WITH_TIMEOUT(ticks.size() >= 2, 5000);
    EXPECT_EQ(ticks[0], 1000u);
    EXPECT_EQ(ticks[1], 1000u);  // repeating

    EXPECT_TRUE(timers.KillTimer(1000));
    EXPECT_FALSE(timers.KillTimer(1000));
    EXPECT_FALSE(timers.IsActive(1000));
    EXPECT_EQ(timers.Interval(1000), -1);
    const size_t seen = ticks.size();
    QTest::qWait(80);
    EXPECT_EQ(ticks.size(), seen);
    EXPECT_FALSE(timers.KillTimer(7));
}

TEST(WindowTimers, SettingARunningIdRestartsItsCount) {
    QElapsedTimer clock;
    qint64 tickedAt = -1;
    WindowTimers timers(nullptr, [&](unsigned) {
        if (tickedAt < 0) tickedAt = clock.elapsed();
    });
    timers.SetTimer(1, 1000);
    QTest::qWait(300);
    clock.start();
    timers.SetTimer(1, 1000);  // restart: the next tick is a whole interval away
    EXPECT_EQ(timers.Interval(1), 1000);
    QTest::qWait(500);
    EXPECT_LT(tickedAt, 0) << "ticked on the old schedule";
    QTRY_VERIFY_WITH_TIMEOUT(tickedAt >= 0, 5000);
    EXPECT_GE(tickedAt, 940);  // coarse timers may fire up to 5 % early
}

TEST(WindowTimers, AHandlerMayKillItsOwnTimerAndOthersKeepRunning) {
    int ones = 0, twos = 0;
    WindowTimers timers;
    timers.SetHandler([&](unsigned id) {
        if (id == 1) {
            ++ones;
            timers.KillTimer(1);
        } else {
            ++twos;
        }
    });
    timers.SetTimer(1, 0);  // 0: the platform minimum
    EXPECT_EQ(timers.Interval(1), 10);
    timers.SetTimer(2, 15);
    QTRY_VERIFY_WITH_TIMEOUT(twos >= 3, 5000);
    EXPECT_EQ(ones, 1);
    timers.KillAll();
    EXPECT_FALSE(timers.IsActive(2));
}

TEST(WindowTimers, DieWithTheirOwner) {
    int ticks = 0;
    auto* owner = new QObject;
    auto* timers = new WindowTimers(owner, [&](unsigned) { ++ticks; });
    timers->SetTimer(3, 10);
    delete owner;
    QTest::qWait(60);
    EXPECT_EQ(ticks, 0);
}

TEST(PostMessage, RunsAfterTheCurrentHandlerInPostingOrder) {
    QObject window;
    std::vector<int> order;
    PostMessage(&window, [&] {
        order.push_back(1);
        // Posted from inside a posted call: runs after those already waiting.
        PostMessage(&window, [&] { order.push_back(3); });
    });
    PostMessage(&window, [&] { order.push_back(2); });
    EXPECT_TRUE(order.empty());  // never synchronous
    QTRY_COMPARE_WITH_TIMEOUT(order.size(), size_t(3), 5000);
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
}

TEST(PostMessage, IsDroppedWhenTheReceiverDiesFirst) {
    bool ran = false, otherRan = false;
    QObject survivor;
    auto* window = new QObject;
    PostMessage(window, [&] { ran = true; });
    PostMessage(&survivor, [&] { otherRan = true; });
    delete window;
    PostMessage(nullptr, [&] { ran = true; });
    QTRY_VERIFY_WITH_TIMEOUT(otherRan, 5000);
    QCoreApplication::processEvents();
    EXPECT_FALSE(ran);
}

TEST(MessageBeep, CountsEveryBeep) {
    ResetMessageBeepCount();
    MessageBeep();
    MessageBeep(MB_ICONEXCLAMATION);
    EXPECT_EQ(MessageBeepCount(), 2);
    ResetMessageBeepCount();
    EXPECT_EQ(MessageBeepCount(), 0);
}

}  // namespace
}  // namespace platform::ui
