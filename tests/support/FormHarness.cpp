#include "tests/support/FormHarness.h"

#include "platform/mci/MciSendString.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <stdexcept>

namespace harness {

namespace {
    constexpr qint64 kRealWorldLimitMs = 60'000;
} // namespace

FormHarness::FormHarness(World world)
    : world_(world)
{
    created_.start();
    const bool scripted = world == World::Scripted;
    runtime_ = std::make_unique<rt::Runtime>(seams(world));
    Form1::Environment environment {
        *runtime_,
        scripted ? mci.function() : MciCommandFunction {},
        [this](const QUrl& url, std::function<void(std::optional<QString>)> done) {
            fetches.push_back(Fetch { url, std::move(done) });
        },
    };
    form_ = std::make_unique<Form1>(std::move(environment));
    form_->Cdlg.setChooser([this](CommonDialog::Kind kind, const CommonDialog& dialog) {
        dialogs.push_back(Dialog {
            kind, dialog.Filter, dialog.FilterIndex, dialog.DialogTitle, dialog.FileName });
        if (duringDialog)
            duringDialog();
        return nextDialogAnswer();
    });
}

FormHarness::~FormHarness()
{
    form_.reset();
    // A real device left open would play on into the next test.
    if (world_ == World::Real)
        mci::mciSendString("close all", nullptr, 0, 0);
}

rt::Runtime::Seams FormHarness::seams(World world)
{
    rt::Runtime::Seams seams = FakeSeams::seams();
    if (world == World::Real) {
        seams.clock = {};
        seams.sleep = {};
        seams.waitForEvents = [this](double seconds) {
            // A waiter that never reaches its deadline fails its test instead
            // of hanging it; every test on the real device ends well within this.
            if (created_.elapsed() > kRealWorldLimitMs)
                throw std::runtime_error("runaway wait");
            ++waits;
            if (duringWait)
                duringWait();
            QCoreApplication::processEvents(QEventLoop::AllEvents);
            if (!(seconds > 0.0))
                return;
            QTimer deadline;
            deadline.setSingleShot(true);
            deadline.start(static_cast<int>(std::ceil(std::min(seconds, 60.0) * 1000.0)));
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        };
    }
    return seams;
}

std::optional<QString> FormHarness::nextDialogAnswer()
{
    std::optional<QString> answer;
    if (dialogAnswers.empty()) {
        ADD_FAILURE() << "unexpected file dialog";
        return answer;
    }
    answer.swap(dialogAnswers.front());
    dialogAnswers.pop_front();
    return answer;
}

} // namespace harness
