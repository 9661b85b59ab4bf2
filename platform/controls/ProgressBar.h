#pragma once

#include <QProgressBar>
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

    // Steps of the drawn bar: whole percents. Saving sets the value thousands
    // of times a second; the bar changes, and so redraws, only when its
    // percentage does.
    static constexpr int kSteps = 100;

    QProgressBar bar_;
    float max_ = 100;
    float value_ = 0;
};
