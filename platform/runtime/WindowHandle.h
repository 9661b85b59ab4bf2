#pragma once

#include <cstdint>

class QWidget;

namespace rt {

// A window handle: a signed 32-bit number that names a widget for as long as
// the widget lives. The same widget always gets the same number.
std::int32_t windowHandle(QWidget& widget);

// The widget a handle names, or nullptr when it is gone or never existed.
QWidget* widgetFromHandle(std::int32_t handle);

} // namespace rt
