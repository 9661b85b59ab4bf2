#pragma once

#include <QSlider>

// The position slider. Unlike QSlider's own signals, its three events come
// only from the user's mouse: writing the value or the maximum from code
// raises nothing, a mouse interaction raises MouseDown, then MouseUp, then
// Click with the final value, and a disabled slider raises nothing.
class Slider : public QSlider {
    Q_OBJECT
public:
    explicit Slider(QWidget* parent = nullptr);

signals:
    void MouseDown(int button, int shift, int x, int y);
    void MouseUp(int button, int shift, int x, int y);
    void Click();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};
