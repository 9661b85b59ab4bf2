#include "platform/controls/ProgressBar.h"

#include <algorithm>
#include <cmath>

ProgressBar::ProgressBar(QWidget* parent)
    : QWidget(parent)
    , bar_(this)
{
    setFocusPolicy(Qt::NoFocus);
    bar_.setFocusPolicy(Qt::NoFocus);
    bar_.setTextVisible(false);
    bar_.setRange(0, kSteps);
    drawLater_.setSingleShot(true);
    connect(&drawLater_, &QTimer::timeout, this, &ProgressBar::draw);
    redraw();
}

void ProgressBar::setMax(float max)
{
    max_ = max;
    redraw();
}

void ProgressBar::setValue(float value)
{
    value_ = value;
    redraw();
}

void ProgressBar::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    bar_.setGeometry(rect());
}

void ProgressBar::redraw()
{
    const double share = max_ > 0 ? static_cast<double>(value_) / max_ : 0.0;
    const double clamped = std::isfinite(share) ? std::clamp(share, 0.0, 1.0) : 0.0;
    steps_ = static_cast<int>(std::lround(clamped * kSteps));
    if (steps_ == bar_.value() || drawLater_.isActive())
        return;
    const qint64 sinceMs = sinceDrawn_.isValid() ? sinceDrawn_.elapsed() : kFrameMs;
    if (sinceMs >= kFrameMs)
        draw();
    else
        drawLater_.start(static_cast<int>(kFrameMs - sinceMs));
}

void ProgressBar::draw()
{
    bar_.setValue(steps_);
    sinceDrawn_.start();
}
