#pragma once

// A test harness for the editor window: one Form1 on a run-time whose seams
// are scripted and recorded, so that handler tests need no person, no network,
// no other program and (by default) no sound device and no waiting.
//
//   FormHarness h;                               // recording device, fake clock
//   h.mci.answer = [](const std::string& command) { ... };
//   h.dialogAnswers.push_back("/tmp/a.mp3");     // the next file dialog picks this
//   h.form().Command4.click();
//   EXPECT_EQ(h.mci.commands.back(), "...");
//   EXPECT_EQ(h.messages.size(), 0u);
//
//   FormHarness real(FormHarness::World::Real);  // the MP3 device and the wall clock
//
// Everything is public on purpose: tests script and inspect it directly.

#include "editor/Form1.h"
#include "platform/runtime/Runtime.h"
#include "tests/support/FakeSeams.h"
#include "tests/support/RecordingMci.h"

#include <QElapsedTimer>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace harness {

// The seams it inherits record message boxes, programs started and requests
// to quit in both worlds; only the scripted world uses their clock.
class FormHarness : public fakes::FakeSeams {
public:
    enum class World {
        Scripted, // RecordingMci `mci`; the fake clock `now`, whose waits return at once
        Real, // mci::mciSendString on the real MP3 device (SDL's dummy driver under
              // CTest), the wall clock and real waits
    };

    struct Dialog {
        CommonDialog::Kind kind;
        QString filter;
        int filterIndex;
        QString title;
        QString fileName; // as the dialog was shown
    };
    struct Fetch {
        QUrl url;
        std::function<void(std::optional<QString>)> done; // call to deliver the page
    };

    explicit FormHarness(World world = World::Scripted);
    ~FormHarness();
    FormHarness(const FormHarness&) = delete;
    FormHarness& operator=(const FormHarness&) = delete;

    Form1& form() { return *form_; }
    rt::Runtime& runtime() { return *runtime_; }

    // ---- media device (World::Scripted) ----
    RecordingMci mci;

    // ---- file dialog ----
    std::vector<Dialog> dialogs;
    // Answers for the next file dialogs: a path, or nullopt for cancel. A
    // dialog with no answer queued fails the test and is cancelled.
    std::deque<std::optional<QString>> dialogAnswers;
    // Called while a file dialog is shown, before it is answered.
    std::function<void()> duringDialog;

    // ---- information page: never fetched over the network ----
    std::vector<Fetch> fetches;

private:
    rt::Runtime::Seams seams(World world);
    std::optional<QString> nextDialogAnswer();

    std::unique_ptr<rt::Runtime> runtime_;
    std::unique_ptr<Form1> form_;
    World world_;
    QElapsedTimer created_;
};

} // namespace harness
