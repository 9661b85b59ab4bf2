#pragma once

// A test harness for the editor window: one Form1 on a run-time whose seams
// are scripted and recorded, so that handler tests need no person, no network,
// no other program and (by default) no sound device and no waiting.
//
//   FormHarness h;                               // recording device, fake clock
//   h.mci.reply("status movie length", "125000");
//   h.dialogAnswers.push_back("/tmp/a.mp3");     // the next file dialog picks this
//   h.form().Command4.click();
//   EXPECT_EQ(h.mci.commands.back(), "...");
//   EXPECT_EQ(h.messages.size(), 0u);
//
//   FormHarness real({ FormHarness::Device::Real, FormHarness::Clock::Real });
//
// Everything is public on purpose: tests script and inspect it directly.

#include "editor/Form1.h"
#include "platform/runtime/Runtime.h"

#include <QString>
#include <QStringList>
#include <QUrl>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace harness {

// A media command function that records every command string and answers
// from a script.
class RecordingMci {
public:
    struct Reply {
        std::string text; // written into the reply buffer, cut to fit, NUL-terminated
        std::uint32_t code = 0; // the result code returned
    };

    // Every command, in the order sent.
    std::vector<std::string> commands;

    // Queues a reply for one exact command string. Queued replies are used in
    // order; the last one then answers every further call of that command.
    void reply(const std::string& command, std::string text, std::uint32_t code = 0);
    // Answers every command that has no queued reply (default: text "", code 0).
    std::function<Reply(const std::string& command)> fallback;

    // How often a command was sent.
    std::size_t count(const std::string& command) const;

    // The function to hand to MovieModule or Form1::Environment.
    MciCommandFunction function();

private:
    std::uint32_t send(const char* command, char* reply, std::uint32_t replyLength);

    std::map<std::string, std::deque<Reply>> replies_;
};

class FormHarness {
public:
    enum class Device {
        Recording, // RecordingMci `mci`
        Real, // mci::mciSendString on the real MP3 device (SDL's dummy driver under CTest)
    };
    enum class Clock {
        Fake, // `now` only moves when a wait or sleep moves it; waits return at once
        Real, // the wall clock and real waits
    };
    struct Options {
        Device device = Device::Recording;
        Clock clock = Clock::Fake;
    };

    struct Message {
        QString prompt;
        rt::MsgBoxButtons buttons;
    };
    struct Dialog {
        CommonDialog::Kind kind;
        QString filter;
        int filterIndex;
        QString title;
        QString fileName; // as the dialog was shown
    };
    struct ShellStart {
        QString program;
        QStringList arguments;
    };
    struct Fetch {
        QUrl url;
        std::function<void(std::optional<QString>)> done; // call to deliver the page
    };

    FormHarness(); // recording device, fake clock
    explicit FormHarness(Options options);
    ~FormHarness();
    FormHarness(const FormHarness&) = delete;
    FormHarness& operator=(const FormHarness&) = delete;

    Form1& form() { return *form_; }
    rt::Runtime& runtime() { return *runtime_; }

    // ---- media device (Device::Recording) ----
    RecordingMci mci;

    // ---- clock (Clock::Fake) ----
    // Seconds since midnight. Each wait of n seconds lets events run once and
    // then moves the clock n seconds on; each sleep moves it on too; letting
    // events run without waiting (DoEvents) leaves it. Set it near 86400 to
    // cross midnight.
    double now = 12 * 3600.0;
    // Called at the start of every wait (fake or real) with the seconds asked
    // for: the place to act "while a handler waits" (move the device, click,
    // close the window).
    std::function<void(double seconds)> duringWait;
    int waits = 0; // waits so far

    // ---- message boxes ----
    std::vector<Message> messages;
    // Answers for the next message boxes, in order. An OK box needs none. A
    // Yes/No box with no answer queued fails the test and gets No.
    std::deque<rt::MsgBoxResult> answers;

    // ---- file dialog ----
    std::vector<Dialog> dialogs;
    // Answers for the next file dialogs: a path, or nullopt for cancel. A
    // dialog with no answer queued fails the test and is cancelled.
    std::deque<std::optional<QString>> dialogAnswers;

    // ---- shell ----
    std::vector<ShellStart> shellStarts;
    bool shellCanStart = true; // false: every program is "not found"

    // ---- end of the program ----
    int quitRequests = 0; // how often the program asked to leave its event loop

    // ---- information page: never fetched over the network ----
    std::vector<Fetch> fetches;

private:
    rt::Runtime::Seams seams(const Options& options);
    void wait(double seconds, bool fake);
    std::optional<QString> nextDialogAnswer();

    std::unique_ptr<rt::Runtime> runtime_;
    std::unique_ptr<Form1> form_;
    Device device_;
};

} // namespace harness
