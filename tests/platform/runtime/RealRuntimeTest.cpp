#include "platform/runtime/Runtime.h"
#include "tests/support/RaisedError.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QThread>
#include <QTimer>
#include <ctime>
#include <gtest/gtest.h>

namespace {

double processCpuSeconds()
{
    timespec now {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + now.tv_nsec / 1e9;
}

// The real clock, event loop, dialogs and processes; only quitting is
// replaced, so that the test program's application survives.
struct RealRuntime : testing::Test {
    int quits = 0;
    rt::Runtime runtime { quitCounted() };

    rt::Runtime::Seams quitCounted()
    {
        rt::Runtime::Seams seams;
        seams.quitApplication = [this] { ++quits; };
        return seams;
    }
};

// Events run during the wait, a slow one does not stretch it, and between
// events the processor idles.
TEST_F(RealRuntime, WaitForSleepsBetweenEventsAndEndsOnTime)
{
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(100);
    QTimer::singleShot(0, [] { QThread::msleep(200); });

    QElapsedTimer wall;
    wall.start();
    const double cpuBefore = processCpuSeconds();
    runtime.WaitFor(1.0);
    const double cpu = processCpuSeconds() - cpuBefore;
    const qint64 elapsed = wall.elapsed();

    EXPECT_GE(elapsed, 995);
    EXPECT_LT(elapsed, 1150);
    EXPECT_LT(cpu, 0.2) << "the wait kept the processor busy";
    EXPECT_GE(ticks, 6) << "events ran during the wait";
}

TEST_F(RealRuntime, EndFromAnEventStopsTheWaitAtOnce)
{
    QTimer::singleShot(100, [&] { runtime.End(); });
    QElapsedTimer wall;
    wall.start();
    EXPECT_THROW(runtime.WaitFor(5.0), rt::ProgramEnded);
    EXPECT_LT(wall.elapsed(), 1000);
    EXPECT_EQ(quits, 1);
}

// A tight loop of DoEvents: what is queued for the window runs on the very
// next call, and timers, which only a poll of the dispatcher finds, still
// fire while the loop spins.
TEST_F(RealRuntime, DoEventsInATightLoopRunsQueuedWorkAtOnceAndTimersToo)
{
    int missed = 0;
    for (int call = 0; call < 1000; ++call) {
        bool ran = false;
        QMetaObject::invokeMethod(
            qApp, [&] { ran = true; }, Qt::QueuedConnection);
        runtime.DoEvents();
        missed += ran ? 0 : 1;
    }
    EXPECT_EQ(missed, 0);

    bool fired = false;
    QTimer::singleShot(5, [&] { fired = true; });
    QElapsedTimer wall;
    wall.start();
    while (!fired && wall.elapsed() < 2000)
        runtime.DoEvents();
    EXPECT_TRUE(fired);
    EXPECT_LT(wall.elapsed(), 500);
}

TEST_F(RealRuntime, ShellReportsAMissingProgramAsFileNotFound)
{
    EXPECT_EQ(
        expect::raisedError([&] { runtime.Shell("/nonexistent/trimora-no-such-program arg", 1); }),
        rt::err::FileNotFound);
}

TEST_F(RealRuntime, MessageBoxIsTitledTrimoraWithoutIconAndAnswersTheButtonPressed)
{
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::Information;
    int buttonCount = 0;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        title = box->windowTitle();
        text = box->text();
        icon = box->icon();
        buttonCount = static_cast<int>(box->buttons().size());
        box->button(QMessageBox::No)->click();
    });
    const rt::MsgBoxResult answer
        = runtime.MsgBox("File already exist.Overwrite?", rt::MsgBoxButtons::YesNo);
    EXPECT_EQ(answer, rt::MsgBoxResult::No);
    EXPECT_EQ(title, "Trimora");
    EXPECT_EQ(text, "File already exist.Overwrite?");
    EXPECT_EQ(icon, QMessageBox::NoIcon);
    EXPECT_EQ(buttonCount, 2);
}

} // namespace
