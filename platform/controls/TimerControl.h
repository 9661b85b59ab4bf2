#pragma once

#include <QObject>
#include <QTimer>

// The timer control: raises Timer every Interval milliseconds while Enabled.
// An interval of 0 raises nothing.
class TimerControl : public QObject {
    Q_OBJECT
public:
    explicit TimerControl(QObject* parent = nullptr);

    bool Enabled() const;
    void setEnabled(bool enabled);
    int Interval() const;
    void setInterval(int milliseconds);

signals:
    void Timer();

private:
    void apply();

    QTimer timer_;
    bool enabled_ = false;
    int interval_ = 0;
};
