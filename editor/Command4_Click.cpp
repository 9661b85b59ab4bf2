#include "editor/Form1.h"

#include "platform/mci/MciSendString.h"
#include "platform/runtime/ErrorModes.h"
#include "platform/runtime/WindowHandle.h"

#include <QFileInfo>
#include <QPointer>

namespace {

// Why the device refused a file, in the user's words, where its result code
// tells; empty for codes that say nothing the user can act on.
QString cannotPlayReason(std::int32_t error)
{
    switch (error) {
    case mci::MCIERR_FILE_NOT_FOUND:
        return QStringLiteral("File not found");
    case mci::MCIERR_ACCESS_DENIED:
        return QStringLiteral("Permission denied");
    case mci::MCIERR_NOT_A_FILE:
        return QStringLiteral("Not a regular file");
    case mci::MCIERR_CANNOT_LOAD_DRIVER:
        return QStringLiteral("No MPEG audio found");
    default:
        return {};
    }
}

// Keeps the working controls locked while the device reads the new file.
// The window's events run meanwhile (it stays responsive and can be closed),
// but a click would act on a file that is half closed and half open: a mark
// would take the old file's last position, a save would copy the old file.
// Locking, as Save does, also shows the user that nothing can be done yet.
class OpeningLock {
public:
    explicit OpeningLock(Form1& form)
        : form_(form)
        , focused_(form.focusWidget())
    {
        form_.enableWorkingControls(false);
    }
    ~OpeningLock()
    {
        form_.enableWorkingControls(true);
        // Locking moved the focus off the button that was clicked.
        if (focused_)
            focused_->setFocus();
    }
    OpeningLock(const OpeningLock&) = delete;
    OpeningLock& operator=(const OpeningLock&) = delete;

private:
    Form1& form_;
    QPointer<QWidget> focused_;
};

} // namespace

// Open: pauses what plays, lets the user choose a file, resets the marks and
// opens the file on the device with the hidden frame P as the video parent,
// then starts playing it.
void Form1::Command4_Click()
{
    openFile([this] { Cdlg.ShowOpen(); });
}

// The file that answers the dialog is taken as the dialog would give it: a
// full path, read back from the dialog's file name.
void Form1::openGivenFile(const QString& path)
{
    if (!Command4.isEnabled())
        return;
    const QString fullPath = QFileInfo(path).absoluteFilePath();
    openFile([this, fullPath] { Cdlg.FileName = fullPath; });
}

void Form1::openFile(const std::function<void()>& chooseFile)
{
    // The window's events run while the device reads a long file; an Open
    // clicked (or a file dropped) meanwhile must not start a second one.
    if (movie->isOpening())
        return;
    rt::runHandler(runtime(), [&] {
        movie->pauseMovie();
        Command1.setText(QStringLiteral("Play"));
        T.setEnabled(false);
        Cdlg.Filter = QStringLiteral("MP3 Files (*.mp3)|*.mp3|All Files (*.*)|*.*");
        // Save titles the same dialog and leaves its title behind.
        Cdlg.DialogTitle = QStringLiteral("Open");

        // Any error from the dialog up to clearing its file name ends the
        // handler without a word; a cancelled dialog arrives here as an error.
        bool opened = false;
        rt::trapped(
            [&] {
                chooseFile();
                const OpeningLock lock(*this);
                H.setValue(0);
                // The old file's overview must not linger over the new one.
                overview_.stop();
                H.clearOverview();
                movie->closeMovie();
                Label7.setText(QStringLiteral("0 : 0 : 0"));
                Label9.setText(QStringLiteral("0 : 0 : 0"));
                Label3.setText(QStringLiteral("0 : 0 : 0"));
                selectionStartMs = 0;
                selectionEndMs = 0;
                H.setMarks(selectionStartMs, selectionEndMs);
                movie->Filename = Cdlg.FileName;
                movie->openMovieWindow(rt::windowHandle(P), QStringLiteral("child"));
                if (movie->Error != 0) {
                    // Nothing would play: say so instead of showing "Pause"
                    // over a silent device, and keep Save from using the path.
                    sourcePath.clear();
                    Command1.setText(QStringLiteral("Play"));
                    QString message = QStringLiteral("Cannot play this file.");
                    if (const QString reason = cannotPlayReason(movie->Error); !reason.isEmpty())
                        message += u'\n' + reason;
                    runtime().MsgBox(message);
                    return;
                }
                sourcePath = Cdlg.FileName;
                Cdlg.FileName = QString();
                opened = true;
                overview_.start(sourcePath);
            },
            [](const rt::RuntimeError&) {});
        if (!opened)
            return;

        rt::resumeNext([&] { movie->playMovie(); });
        rt::resumeNext([&] { Command1.setText(QStringLiteral("Pause")); });
        rt::resumeNext([&] { T.setEnabled(true); });
        rt::resumeNext([&] { H.setMaximum(movie->getLengthInSec()); });
        rt::resumeNext([&] { noteWhenSoundIsOff(); });
        rt::resumeNext([&] { movie->timeOut(0.5); });
    });
}
