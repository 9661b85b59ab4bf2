#pragma once

#include <QElapsedTimer>
#include <QProgressBar>
#include <QTimer>
#include <QWidget>

// Progress bar whose maximum and value are single-precision numbers that read
// back exactly as written (the bar itself draws a scaled copy, clamped to its
// range, since QProgressBar counts in whole numbers).
class ProgressBar : public QWidget {
    Q_OBJECT
public:
    explicit ProgressBar(QWidget* parent = nullptr);

    float Max() const { return max_; }
    void setMax(float max);
    float Value() const { return value_; }
    void setValue(float value);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void redraw();
    void draw();

    // Steps of the drawn bar: whole percents. Saving sets the value thousands
    // of times a second; the bar changes only when its percentage does.
    static constexpr int kSteps = 100;
    // The bar paints itself at once on every change, which took far longer
    // than the copy of a short clip: it is drawn at most once a frame, the
    // latest value last.
    static constexpr int kFrameMs = 16;

    QProgressBar bar_;
    int steps_ = 0;
    QElapsedTimer sinceDrawn_;
    QTimer drawLater_;
    float max_ = 100;
    float value_ = 0;
};
