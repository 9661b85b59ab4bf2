#pragma once

#include <QPalette>
#include <QSlider>
#include <cstdint>
#include <vector>

// The position slider. Unlike QSlider's own signals, its three events come
// only from the user: writing the value or the maximum from code raises
// nothing, a mouse interaction raises MouseDown, then MouseUp, then Click with
// the final value, and a disabled slider raises nothing.
//
// A press beside the thumb moves it there at once, and a drag goes on from
// there. Keys and the wheel move the thumb too; such a move raises Click alone (no
// mouse events), so the arrow keys seek just as a drag does.
//
// Its groove can show how loud the sound is along the range and shade a
// marked section; neither changes the value, the range or the events.
class Slider : public QSlider {
    Q_OBJECT
public:
    explicit Slider(QWidget* parent = nullptr);

    // Loudness along the range, one level from 0 (silent) to 1 (loudest) per
    // `secondsPerLevel` from the start, drawn as a solid body, and optionally
    // the peak of each stretch on the same scale, drawn as a light envelope
    // around it; levels may cover only part of the range. No levels: a plain
    // groove.
    void setOverview(
        std::vector<float> levels, double secondsPerLevel, std::vector<float> peaks = {});
    void clearOverview() { setOverview({}, 0); }
    const std::vector<float>& overview() const { return overview_; }
    // The section between two marks in milliseconds, shaded while start < end.
    void setMarks(std::int32_t startMs, std::int32_t endMs);

    // Mouse buttons as the events report them.
    static constexpr int vbLeftButton = 1;
    static constexpr int vbRightButton = 2;
    static constexpr int vbMiddleButton = 4;
    // Modifier keys as the events report them.
    static constexpr int vbShiftMask = 1;
    static constexpr int vbCtrlMask = 2;
    static constexpr int vbAltMask = 4;

signals:
    void MouseDown(int button, int shift, int x, int y);
    void MouseUp(int button, int shift, int x, int y);
    void Click();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void sliderChange(SliderChange change) override;

private:
    QRect handleRect() const;
    // Moves the thumb under `at` when the press there missed it; false when
    // it is already there.
    bool jumpTo(QPoint at);
    // Raises Click if a key or wheel step has moved the thumb.
    void clickIfMoved(int valueBefore);
    // `palette` as the groove is drawn with, the same object while `palette`
    // stays the same.
    const QPalette& groovePalette(const QPalette& palette);

    // The buttons pressed over the slider and not yet released.
    Qt::MouseButtons pressed_;

    std::vector<float> overview_;
    std::vector<float> peaks_;
    double secondsPerLevel_ = 0;
    std::int32_t markStartMs_ = 0;
    std::int32_t markEndMs_ = 0;
    // Where the thumb was last drawn over the overview; null while the plain
    // slider is drawn.
    QRect paintedHandle_;
    QPalette groovePalette_;
    qint64 groovePaletteFrom_ = 0;
};
