#include "editor/ClipSaveNames.h"
#include "editor/ClipSaveRange.h"
#include "editor/ClipSaveSource.h"
#include "editor/ClipSaveTarget.h"
#include "editor/Form1.h"

#include "platform/runtime/CheckedMath.h"
#include "platform/runtime/ErrorModes.h"

#include <algorithm>
#include <array>
#include <initializer_list>

namespace {

// Blocks are one byte longer than the step between them, so neighbours
// overlap by one byte.
constexpr std::int32_t kBlockStep = 4096;
constexpr std::int32_t kBlockSize = kBlockStep + 1;

// The controls that start other work; all are locked while a clip is copied.
void enableWorkingControls(Form1& form, bool enabled)
{
    for (QWidget* control : std::initializer_list<QWidget*> { &form.Command1, &form.Command2,
             &form.Command4, &form.Command5, &form.Command6, &form.Command7, &form.Command9 })
        control->setEnabled(enabled);
    form.H.setEnabled(enabled);
}

// Returns the window from saving to idle.
void restoreWindow(Form1& form)
{
    form.setWindowTitle(QStringLiteral("Trimora"));
    form.pb.setValue(0);
    enableWorkingControls(form, true);
}

// Copies the bytes between the marks into `clipName`, one block per step. The
// marks become byte positions where the audio of those moments lies; nothing
// is decoded. The clip takes its name only once every block is in.
void copyClip(Form1& form, const QString& clipName)
{
    ClipSaveSource source(form.sourcePath);
    ClipSaveTarget clip(clipName);
    const std::int32_t sourceBytes = rt::toInt32(source.size());
    const std::int32_t lengthMs = form.movie->getLengthInMS();
    // The window is locked, so letting its events run while the device
    // finishes walking the file starts nothing new.
    const ClipSaveRange range = clipSaveRange(form.sourcePath, sourceBytes, lengthMs,
        form.selectionStartMs, form.selectionEndMs, [&form] { form.runtime().DoEvents(); });

    const std::int32_t span = rt::sub32(range.endPosition, range.startPosition);
    form.pb.setMax(static_cast<float>(rt::add32(span, kBlockSize)));
    form.pb.setValue(0);
    const std::int32_t startPosition = range.startPosition;
    const std::int32_t endPosition = range.endPosition;

    std::array<char, kBlockSize> block {};
    for (std::int32_t position = startPosition; position <= endPosition;
         position = rt::add32(position, kBlockStep)) {
        // The last block may reach past the end of the audio: the clip then
        // ends with the last audio byte, leaving out tags that follow it.
        const auto wanted
            = std::clamp<std::int64_t>(range.lastPosition - position + 1, 0, kBlockSize);
        const auto count
            = source.read(position, std::span<char>(block).first(static_cast<std::size_t>(wanted)));
        if (count == 0 && position == startPosition)
            ClipSaveSource::raiseInputPastEndOfFile();
        clip.write(rt::add32(rt::sub32(position, startPosition), 1),
            std::span<const char>(block).first(static_cast<std::size_t>(count)));
        form.pb.setValue(form.pb.Value() + kBlockStep);
        // Closing the window here ends the program: the throw passes every
        // trap, and the clip's temporary file goes with `clip`.
        form.runtime().DoEvents();
    }
    clip.commit();
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

        enableWorkingControls(*this, false);
        movie->stopMovie();
        Command1.setText(QStringLiteral("Play"));
        H.setValue(0);
        setWindowTitle(QStringLiteral("Saving"));

        bool copying = false;
        bool saved = false;
        QString failure;
        rt::trapped(
            [&] {
                Cdlg.Filter = QStringLiteral("MP3 Files (*.mp3)|*.mp3|All Files (*.*)|*.*");
                Cdlg.FilterIndex = 1;
                Cdlg.DialogTitle = QStringLiteral("Save");
                Cdlg.ShowSave();
                const QString clipName = Cdlg.FileName;

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
                copyClip(*this, clipName);
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
            enableWorkingControls(*this, true);
            return;
        }
        if (copying)
            runtime().MsgBox(QStringLiteral("Clip not saved.\n") + failure);
        restoreWindow(*this);
        Cdlg.FileName = QString();
    });
}
