#include "stats/refresh_timer.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace plimo {
namespace {

constexpr std::uint32_t kLong = 10000;

TEST(RefreshTimer, StartsDisabledWithThirtySeconds) {
    RefreshTimer timer;
    EXPECT_FALSE(timer.enabled());
    EXPECT_EQ(timer.interval(), 30000u);
    EXPECT_FALSE(timer.isCounting());
}

TEST(RefreshTimer, EnablingAnEnabledTimerKeepsItsCountdown) {
    RefreshTimer timer;
    timer.setInterval(kLong);
    timer.setEnabled(true);
    QTest::qWait(300);
    timer.setEnabled(true);
    EXPECT_LE(timer.remainingMs(), static_cast<int>(kLong) - 250);
}

TEST(RefreshTimer, SameIntervalKeepsTheCountdownANewOneRestartsIt) {
    RefreshTimer timer;
    timer.setInterval(kLong);
    timer.setEnabled(true);
    QTest::qWait(300);
    timer.setInterval(kLong);
    EXPECT_LE(timer.remainingMs(), static_cast<int>(kLong) - 250);
    timer.setInterval(2 * kLong);
    EXPECT_GT(timer.remainingMs(), static_cast<int>(2 * kLong) - 200);
}

TEST(RefreshTimer, IntervalSetWhileDisabledIsOnlyStored) {
    RefreshTimer timer;
    timer.setInterval(kLong);
    EXPECT_FALSE(timer.isCounting());
    timer.setEnabled(true);
    EXPECT_GT(timer.remainingMs(), static_cast<int>(kLong) - 200);
}

TEST(RefreshTimer, DisablingStopsAndReEnablingStartsAFullCountdown) {
    RefreshTimer timer;
    timer.setInterval(kLong);
    timer.setEnabled(true);
    QTest::qWait(300);
    timer.setEnabled(false);
    EXPECT_FALSE(timer.isCounting());
    timer.setEnabled(true);
    EXPECT_GT(timer.remainingMs(), static_cast<int>(kLong) - 200);
}

TEST(RefreshTimer, ZeroIntervalNeverTicks) {
    RefreshTimer timer;
    QSignalSpy ticks(&timer, &RefreshTimer::tick);
    timer.setInterval(0);
    timer.setEnabled(true);
    EXPECT_FALSE(timer.isCounting());
    QTest::qWait(100);
    EXPECT_EQ(ticks.count(), 0);
}

TEST(RefreshTimer, TicksPeriodicallyWhileEnabled) {
    RefreshTimer timer;
    QSignalSpy ticks(&timer, &RefreshTimer::tick);
    timer.setInterval(20);
    timer.setEnabled(true);
    EXPECT_TRUE(QTest::qWaitFor([&] { return ticks.count() >= 3; }, 5000));
    timer.setEnabled(false);
    const auto count = ticks.count();
    QTest::qWait(100);
    EXPECT_EQ(ticks.count(), count);
}

}  // namespace
}  // namespace plimo
