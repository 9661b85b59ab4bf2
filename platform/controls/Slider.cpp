#include "platform/controls/Slider.h"

#include <QMouseEvent>

namespace {

int buttonCode(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton:
        return Slider::vbLeftButton;
    case Qt::RightButton:
        return Slider::vbRightButton;
    case Qt::MiddleButton:
        return Slider::vbMiddleButton;
    default:
        return 0;
    }
}

int shiftCode(Qt::KeyboardModifiers modifiers)
{
    int code = 0;
    if (modifiers & Qt::ShiftModifier)
        code |= Slider::vbShiftMask;
    if (modifiers & Qt::ControlModifier)
        code |= Slider::vbCtrlMask;
    if (modifiers & Qt::AltModifier)
        code |= Slider::vbAltMask;
    return code;
}

} // namespace

Slider::Slider(QWidget* parent)
    : QSlider(Qt::Horizontal, parent)
{
}

// MouseDown goes out before the slider moves the thumb, so whoever follows the
// value can stop doing so before the user's first change arrives.
void Slider::mousePressEvent(QMouseEvent* event)
{
    if (!isEnabled())
        return;
    pressed_ |= event->button();
    const QPoint at = event->position().toPoint();
    emit MouseDown(buttonCode(event->button()), shiftCode(event->modifiers()), at.x(), at.y());
    QSlider::mousePressEvent(event);
}

// The thumb settles first, so Click reports the final value.
void Slider::mouseReleaseEvent(QMouseEvent* event)
{
    QSlider::mouseReleaseEvent(event);
    if (!(pressed_ & event->button()))
        return;
    pressed_ &= ~event->button();
    if (!isEnabled())
        return;
    const QPoint at = event->position().toPoint();
    emit MouseUp(buttonCode(event->button()), shiftCode(event->modifiers()), at.x(), at.y());
    if (event->button() == Qt::LeftButton)
        emit Click();
}

void Slider::keyPressEvent(QKeyEvent* event)
{
    const int before = value();
    QSlider::keyPressEvent(event);
    clickIfMoved(before);
}

void Slider::wheelEvent(QWheelEvent* event)
{
    const int before = value();
    QSlider::wheelEvent(event);
    clickIfMoved(before);
}

// A press that was cut short by disabling the slider must not turn into a
// release without its press once the slider is enabled again.
void Slider::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange && !isEnabled())
        pressed_ = {};
    QSlider::changeEvent(event);
}

void Slider::clickIfMoved(int valueBefore)
{
    if (isEnabled() && value() != valueBefore)
        emit Click();
}
