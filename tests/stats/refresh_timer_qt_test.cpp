#include "stats/refresh_timer.h"

#include "time_scale.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace plimo {
namespace {

constexpr std::uint32_t kLong = 1000;
// How far a countdown must have run before a test can tell "kept" from "restarted": more than the 5 % an ordinary
// (coarse) timer may fire early.
constexpr int kRun = 100;

// Runs the event loop until the countdown has gone on for at least kRun ms; however slow the machine.
bool waitForCountdownToRun(const RefreshTimer& timer) {
    return QTest::qWaitFor([&] { return timer.remainingMs() <= static_cast<int>(kLong) - kRun; }, test::ScaledMs(5000));
}

// A countdown started at most `since` ago holds its full interval less that time, less the 5 % a coarse timer
// may take off.
void expectFullCountdown(const RefreshTimer& timer, std::uint32_t interval, const QElapsedTimer& since) {
    EXPECT_GE(timer.remainingMs(), static_cast<int>(interval * 95 / 100 - since.elapsed()) - 1);
}

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
    ASSERT_TRUE(waitForCountdownToRun(timer));
    timer.setEnabled(true);
    EXPECT_LE(timer.remainingMs(), static_cast<int>(kLong) - kRun);
}

TEST(RefreshTimer, SameIntervalKeepsTheCountdownANewOneRestartsIt) {
    RefreshTimer timer;
    timer.setInterval(kLong);
    timer.setEnabled(true);
    ASSERT_TRUE(waitForCountdownToRun(timer));
    timer.setInterval(kLong);
    EXPECT_LE(timer.remainingMs(), static_cast<int>(kLong) - kRun);
    QElapsedTimer since;
    since.start();
    timer.setInterval(2 * kLong);
    expectFullCountdown(timer, 2 * kLong, since);
}

TEST(RefreshTimer, IntervalSetWhileDisabledIsOnlyStored) {
    RefreshTimer timer;
    timer.setInterval(kLong);
    EXPECT_FALSE(timer.isCounting());
    QElapsedTimer since;
    since.start();
    timer.setEnabled(true);
    expectFullCountdown(timer, kLong, since);
}

TEST(RefreshTimer, DisablingStopsAndReEnablingStartsAFullCountdown) {
    RefreshTimer timer;
    timer.setInterval(kLong);
    timer.setEnabled(true);
    ASSERT_TRUE(waitForCountdownToRun(timer));
    timer.setEnabled(false);
    EXPECT_FALSE(timer.isCounting());
    QElapsedTimer since;
    since.start();
    timer.setEnabled(true);
    expectFullCountdown(timer, kLong, since);
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
    EXPECT_TRUE(QTest::qWaitFor([&] { return ticks.count() >= 3; }, test::ScaledMs(5000)));
    timer.setEnabled(false);
    const auto count = ticks.count();
    QTest::qWait(100);
    EXPECT_EQ(ticks.count(), count);
}

}  // namespace
}  // namespace plimo
