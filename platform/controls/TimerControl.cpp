#include "platform/controls/TimerControl.h"

#include <algorithm>

TimerControl::TimerControl(QObject* parent)
    : QObject(parent)
{
    connect(&timer_, &QTimer::timeout, this, &TimerControl::Timer);
}

bool TimerControl::Enabled() const
{
    return enabled_;
}

// Switching on a timer that already runs keeps its rhythm; only a change
// from off to on starts a fresh interval.
void TimerControl::setEnabled(bool enabled)
{
    if (enabled == enabled_)
        return;
    enabled_ = enabled;
    apply();
}

int TimerControl::Interval() const
{
    return interval_;
}

void TimerControl::setInterval(int milliseconds)
{
    interval_ = std::max(milliseconds, 0);
    timer_.setInterval(interval_);
    apply();
}

// An interval of 0 keeps the timer silent even while it is enabled.
void TimerControl::apply()
{
    if (enabled_ && interval_ > 0)
        timer_.start();
    else
        timer_.stop();
}
