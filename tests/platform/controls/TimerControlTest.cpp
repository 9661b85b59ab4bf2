#include "platform/controls/TimerControl.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

int ticksDuring(TimerControl& timer, int milliseconds)
{
    int ticks = 0;
    const auto connection = QObject::connect(&timer, &TimerControl::Timer, [&] { ++ticks; });
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
    QObject::disconnect(connection);
    return ticks;
}

TEST(TimerControl, TicksOnlyWhileEnabledWithAnInterval)
{
    TimerControl timer;
    timer.setInterval(10);
    EXPECT_FALSE(timer.Enabled());
    EXPECT_EQ(ticksDuring(timer, 60), 0);

    timer.setEnabled(true);
    EXPECT_TRUE(timer.Enabled());
    EXPECT_GE(ticksDuring(timer, 80), 2);

    timer.setEnabled(false);
    EXPECT_EQ(ticksDuring(timer, 60), 0);

    timer.setInterval(0);
    timer.setEnabled(true);
    EXPECT_EQ(timer.Interval(), 0);
    EXPECT_EQ(ticksDuring(timer, 60), 0);
}

// The transport switches the timer on again while it runs (Play during a
// preview, a slider release); that must not push the next tick away each time.
TEST(TimerControl, SwitchingOnARunningTimerKeepsItsRhythm)
{
    TimerControl timer;
    timer.setInterval(40);
    timer.setEnabled(true);
    int ticks = 0;
    QObject::connect(&timer, &TimerControl::Timer, [&] { ++ticks; });
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 200) {
        timer.setEnabled(true);
        QEventLoop loop;
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec();
    }
    EXPECT_GE(ticks, 2);
}

} // namespace
