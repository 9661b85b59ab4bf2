#include "platform/controls/TimerControl.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// Lets events run for `milliseconds` and returns the ticks meanwhile; with
// `switchOnAgain` the timer is switched on every 10 ms.
int ticksDuring(TimerControl& timer, int milliseconds, bool switchOnAgain = false)
{
    int ticks = 0;
    const auto connection = QObject::connect(&timer, &TimerControl::Timer, [&] { ++ticks; });
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < milliseconds) {
        if (switchOnAgain)
            timer.setEnabled(true);
        QEventLoop loop;
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec();
    }
    QObject::disconnect(connection);
    return ticks;
}

TEST(TimerControl, TicksOnlyWhileEnabledWithAnIntervalAndKeepsItsRhythm)
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

    // The transport switches the timer on again while it runs (Play during a
    // preview, a slider release); that must not push the next tick away.
    timer.setInterval(40);
    EXPECT_GE(ticksDuring(timer, 200, true), 2);
}

} // namespace
