#include "tests/support/FormHarness.h"

#include "platform/mci/MciSendString.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>

namespace harness {

void RecordingMci::reply(const std::string& command, std::string text, std::uint32_t code)
{
    replies_[command].push_back(Reply { std::move(text), code });
}

std::size_t RecordingMci::count(const std::string& command) const
{
    return static_cast<std::size_t>(std::count(commands.begin(), commands.end(), command));
}

MciCommandFunction RecordingMci::function()
{
    return [this](const char* command, char* reply, std::uint32_t replyLength, std::intptr_t) {
        return send(command, reply, replyLength);
    };
}

std::uint32_t RecordingMci::send(const char* command, char* reply, std::uint32_t replyLength)
{
    const std::string text = command ? command : "";
    commands.push_back(text);
    Reply answer;
    if (auto queued = replies_.find(text); queued != replies_.end() && !queued->second.empty()) {
        answer = queued->second.front();
        if (queued->second.size() > 1)
            queued->second.pop_front();
    } else if (fallback) {
        answer = fallback(text);
    }
    if (reply && replyLength > 0) {
        const std::size_t length = std::min<std::size_t>(answer.text.size(), replyLength - 1);
        std::memcpy(reply, answer.text.data(), length);
        reply[length] = '\0';
    }
    return answer.code;
}

FormHarness::FormHarness()
    : FormHarness(Options {})
{
}

FormHarness::FormHarness(Options options)
    : device_(options.device)
{
    runtime_ = std::make_unique<rt::Runtime>(seams(options));
    Form1::Environment environment {
        *runtime_,
        options.device == Device::Recording ? mci.function() : MciCommandFunction {},
        [this](const QUrl& url, std::function<void(std::optional<QString>)> done) {
            fetches.push_back(Fetch { url, std::move(done) });
        },
    };
    form_ = std::make_unique<Form1>(std::move(environment));
    form_->Cdlg.setChooser([this](CommonDialog::Kind kind, const CommonDialog& dialog) {
        dialogs.push_back(Dialog {
            kind, dialog.Filter, dialog.FilterIndex, dialog.DialogTitle, dialog.FileName });
        return nextDialogAnswer();
    });
}

FormHarness::~FormHarness()
{
    form_.reset();
    // A real device left open would play on into the next test.
    if (device_ == Device::Real)
        mci::mciSendString("close all", nullptr, 0, 0);
}

rt::Runtime::Seams FormHarness::seams(const Options& options)
{
    const bool fake = options.clock == Clock::Fake;
    rt::Runtime::Seams seams;
    if (fake) {
        seams.clock = [this] { return std::fmod(now, 86400.0); };
        seams.sleep = [this](int milliseconds) { now += milliseconds / 1000.0; };
    }
    seams.waitForEvents = [this, fake](double seconds) { wait(seconds, fake); };
    seams.msgBox = [this](const QString& prompt, rt::MsgBoxButtons buttons) {
        messages.push_back(Message { prompt, buttons });
        if (!answers.empty()) {
            const rt::MsgBoxResult answer = answers.front();
            answers.pop_front();
            return answer;
        }
        if (buttons == rt::MsgBoxButtons::OkOnly)
            return rt::MsgBoxResult::Ok;
        ADD_FAILURE() << "unexpected question: " << prompt.toStdString();
        return rt::MsgBoxResult::No;
    };
    seams.startDetached = [this](const QString& program, const QStringList& arguments) {
        shellStarts.push_back(ShellStart { program, arguments });
        return shellCanStart;
    };
    seams.quitApplication = [this] { ++quitRequests; };
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

void FormHarness::wait(double seconds, bool fake)
{
    ++waits;
    if (duringWait)
        duringWait(seconds);
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    if (!(seconds > 0.0))
        return;
    if (fake) {
        // A wait always moves the clock: a remainder below the clock's
        // resolution would otherwise leave it standing and the waiter asking
        // for that remainder forever.
        const double before = now;
        now += seconds;
        if (now == before)
            now = std::nextafter(before, before + 1.0);
        return;
    }
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.start(static_cast<int>(std::ceil(std::min(seconds, 60.0) * 1000.0)));
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

} // namespace harness
