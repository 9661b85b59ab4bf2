#include "editor/ClipBlockCopy.h"
#include "editor/ClipBytes.h"
#include "editor/ClipSaveNames.h"
#include "editor/ClipSaveSource.h"
#include "editor/ClipSaveTarget.h"
#include "editor/Form1.h"
#include "editor/OffWindowThread.h"

#include "platform/mp3/BackgroundPriority.h"
#include "platform/runtime/ErrorModes.h"

#include <atomic>

namespace {

// The save dialog's entry for a clip that plays exactly the marked samples.
constexpr int kExactFilter = 3;

// Drives the progress bar through a copy of `maxBytes`. The bar holds single-
// precision numbers, exact for whole numbers up to 2^24: a longer copy is
// counted in units of a power of two bytes, rounded up, so that the bar's
// maximum is one it holds and a count of `maxBytes` ends on it.
class CopyProgress {
public:
    CopyProgress(ProgressBar& bar, std::int64_t maxBytes)
        : bar_(bar)
    {
        while (units(maxBytes) > kExact)
            unitBytes_ *= 2;
        bar_.setMax(static_cast<float>(units(maxBytes)));
        bar_.setValue(0);
    }

    void show(std::int64_t bytes) { bar_.setValue(static_cast<float>(units(bytes))); }

private:
    static constexpr std::int64_t kExact = std::int64_t { 1 } << 24;

    std::int64_t units(std::int64_t bytes) const { return (bytes + unitBytes_ - 1) / unitBytes_; }

    ProgressBar& bar_;
    std::int64_t unitBytes_ = 1;
};

// Returns the window from saving to idle.
void restoreWindow(Form1& form)
{
    form.setWindowTitle(QStringLiteral("Trimora"));
    form.pb.setValue(0);
    form.enableWorkingControls(true);
}

// Copies the bytes between the marks into `clipName`, one block per step. The
// marks become byte positions where the audio of those moments lies; nothing
// is decoded. An exact clip begins with a few bytes made for it (see
// ClipBytes). The clip takes its name only once every block is in.
void copyClip(Form1& form, const QString& clipName, bool exact)
{
    ClipSaveSource source(form.sourcePath);
    ClipSaveTarget clip(clipName);
    const std::int64_t sourceBytes = source.size();
    const std::int32_t lengthMs = form.movie->getLengthInMS();
    // The window is locked, so letting its events run while the device
    // finishes walking the file starts nothing new.
    const ClipBytes bytes = clipBytesFor(source.descriptor(), sourceBytes, lengthMs,
        form.selectionStartMs, form.selectionEndMs, exact, [&form] { form.runtime().DoEvents(); });
    clip.write(1, std::span(reinterpret_cast<const char*>(bytes.head.data()), bytes.head.size()));

    // The blocks' reads and writes may wait long on a busy disk: they run on
    // a worker, and the window shows how far it got while it keeps answering.
    const ClipBlockCopy blocks(
        source, clip, bytes.range, sourceBytes, std::int64_t(bytes.head.size()));
    CopyProgress progress(form.pb, blocks.fullCount());
    std::atomic<std::int64_t> copied { 0 };
    const auto showProgress = [&] { progress.show(copied.load(std::memory_order_relaxed)); };
    // Closing the window meanwhile ends the program: the worker stops at its
    // next block, the throw passes every trap, and the clip's temporary file
    // goes with `clip`.
    runOffWindowThread(
        [&](std::stop_token stop) {
            mp3::standBackForInteractiveThreads();
            blocks.run(
                stop, [&](std::int64_t count) { copied.store(count, std::memory_order_relaxed); });
        },
        [&] {
            showProgress();
            form.runtime().DoEvents();
        });
    showProgress();
    form.runtime().DoEvents();
    // The window goes on answering while the clip is synced and renamed.
    clip.commit([&form] { form.runtime().DoEvents(); });
}

} // namespace

// Save: locks the window, asks for a file name and copies the source's bytes
// between the two marks into it. Only a clip that is complete is reported
// saved; any other end of a copy says why not.
void Form1::Command7_Click()
{
    rt::runHandler(runtime(), [&] {
        if (!(selectionStartMs < selectionEndMs)) {
            runtime().MsgBox(QStringLiteral("Wrong Selection"));
            return;
        }
        // Byte positions count from 1: a start at 0 ms would read before the file.
        if (selectionStartMs == 0)
            selectionStartMs = 1;
        if (selectionEndMs == 0) {
            runtime().MsgBox(QStringLiteral("Wrong Selection"));
            return;
        }

        enableWorkingControls(false);
        movie->stopMovie();
        Command1.setText(QStringLiteral("Play"));
        H.setValue(0);
        setWindowTitle(QStringLiteral("Saving"));

        bool copying = false;
        bool saved = false;
        QString failure;
        rt::trapped(
            [&] {
                Cdlg.Filter = QStringLiteral("MP3 Files (*.mp3)|*.mp3|All Files (*.*)|*.*"
                                             "|MP3 Files, exact to the marks (*.mp3)|*.mp3");
                Cdlg.FilterIndex = 1;
                Cdlg.DialogTitle = QStringLiteral("Save");
                Cdlg.ShowSave();
                const QString clipName = Cdlg.FileName;
                const bool exact = Cdlg.FilterIndex == kExactFilter;

                if (clipsave::sameFile(clipName, sourcePath)) {
                    runtime().MsgBox(QStringLiteral("Cannot overwrite file in use..."));
                    return;
                }
                if (clipsave::fileExists(clipName)
                    && runtime().MsgBox(QStringLiteral("File already exist.Overwrite?"),
                           rt::MsgBoxButtons::YesNo)
                        == rt::MsgBoxResult::No)
                    return;

                copying = true;
                copyClip(*this, clipName, exact);
                saved = true;
            },
            [&](const rt::RuntimeError& error) {
                if (copying)
                    failure = error.description();
            });

        if (saved) {
            // The dialog keeps the clip's name, so the next save offers it.
            setWindowTitle(QStringLiteral("Trimora"));
            runtime().MsgBox(QStringLiteral("Clip Saved"));
            pb.setValue(0);
            enableWorkingControls(true);
            return;
        }
        if (copying)
            runtime().MsgBox(QStringLiteral("Clip not saved.\n") + failure);
        restoreWindow(*this);
        Cdlg.FileName = QString();
    });
    // Locking the window took the focus from Save; the next thing to do is
    // most likely to play again.
    Command1.setFocus();
}
