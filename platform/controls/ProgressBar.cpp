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
    bar_.setValue(static_cast<int>(std::lround(clamped * kSteps)));
}
