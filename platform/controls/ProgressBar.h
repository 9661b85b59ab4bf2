#pragma once

#include <QProgressBar>
#include <QWidget>

// Progress bar whose maximum and value are single-precision numbers that read
// back exactly as written (the bar itself draws a scaled copy).
class ProgressBar : public QWidget {
    Q_OBJECT
public:
    explicit ProgressBar(QWidget* parent = nullptr);

    float Max() const { return max_; }
    void setMax(float max);
    float Value() const { return value_; }
    void setValue(float value);

private:
    void redraw();

    QProgressBar bar_;
    float max_ = 100;
    float value_ = 0;
};
