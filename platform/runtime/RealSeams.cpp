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
#include <chrono>
#include <cmath>

namespace rt {

namespace {

    double secondsSinceMidnight()
    {
        return QTime::currentTime().msecsSinceStartOfDay() / 1000.0;
    }

    // Lets what is pending run without waiting, cheaply enough to be called
    // for every block of a long copy. Events already posted to this thread
    // (queued calls, update requests, deferred work) run on every call;
    // finding them takes no system call. Input from outside the thread (the
    // window system, timers, other threads' wake-ups) can only be found by
    // polling the dispatcher's descriptors, which is a system call: that
    // happens on the first call after at least a millisecond, so a click or a
    // close still takes effect within a millisecond of a busy loop's calls.
    void letPendingEventsRun()
    {
        using Clock = std::chrono::steady_clock;
        constexpr auto kPollEvery = std::chrono::milliseconds(1);
        // The clock is read through the vDSO: no system call either.
        thread_local Clock::time_point lastPoll {};
        const auto now = Clock::now();
        if (now - lastPoll >= kPollEvery) {
            lastPoll = now;
            QCoreApplication::processEvents(QEventLoop::AllEvents);
        } else {
            QCoreApplication::sendPostedEvents();
        }
    }

    // Runs what is pending, then sleeps in the event dispatcher until something
    // arrives or the deadline passes. A single-shot timer bounds the sleep, so
    // the thread is woken on time without polling. The deadline is fixed
    // before the pending events run: one of them may itself take a while.
    void waitForEvents(double seconds)
    {
        if (!(seconds > 0.0)) {
            letPendingEventsRun();
            return;
        }
        const auto milliseconds
            = static_cast<qint64>(std::ceil(std::min(seconds, 86400.0) * 1000.0));
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
