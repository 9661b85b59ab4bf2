#include "platform/runtime/RealSeams.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QMessageBox>
#include <QProcess>
#include <QThread>
#include <QTime>
#include <QTimer>
#include <algorithm>
#include <cmath>

namespace rt {

namespace {

    double secondsSinceMidnight()
    {
        return QTime::currentTime().msecsSinceStartOfDay() / 1000.0;
    }

    // Runs what is pending, then sleeps in the event dispatcher until something
    // arrives or the deadline passes. A single-shot timer bounds the sleep, so
    // the thread is woken on time without polling. The deadline is fixed
    // before the pending events run: one of them may itself take a while.
    void waitForEvents(double seconds)
    {
        const qint64 milliseconds = seconds > 0.0
            ? static_cast<qint64>(std::ceil(std::min(seconds, 86400.0) * 1000.0))
            : 0;
        const QDeadlineTimer deadline(milliseconds, Qt::PreciseTimer);
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        const qint64 left = deadline.remainingTime();
        if (left <= 0)
            return;
        QTimer wakeUp;
        wakeUp.setSingleShot(true);
        wakeUp.setTimerType(Qt::PreciseTimer);
        wakeUp.start(static_cast<int>(left));
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }

    MsgBoxResult showMessageBox(const QString& prompt, MsgBoxButtons buttons)
    {
        QMessageBox box(QApplication::activeWindow());
        box.setWindowTitle(QStringLiteral("Trimora"));
        box.setText(prompt);
        box.setIcon(QMessageBox::NoIcon);
        if (buttons == MsgBoxButtons::YesNo) {
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            box.setDefaultButton(QMessageBox::Yes);
            // Closing the box without a choice answers No.
            box.setEscapeButton(QMessageBox::No);
        } else {
            box.setStandardButtons(QMessageBox::Ok);
        }
        const int answer = box.exec();
        if (buttons == MsgBoxButtons::OkOnly)
            return MsgBoxResult::Ok;
        return answer == QMessageBox::Yes ? MsgBoxResult::Yes : MsgBoxResult::No;
    }

} // namespace

Runtime::Seams realSeams()
{
    Runtime::Seams seams;
    seams.clock = secondsSinceMidnight;
    seams.waitForEvents = waitForEvents;
    seams.msgBox = showMessageBox;
    seams.startDetached = [](const QString& program, const QStringList& arguments) {
        return QProcess::startDetached(program, arguments);
    };
    seams.quitApplication = [] { QCoreApplication::quit(); };
    seams.sleep
        = [](int milliseconds) { QThread::msleep(static_cast<unsigned long>(milliseconds)); };
    return seams;
}

} // namespace rt
