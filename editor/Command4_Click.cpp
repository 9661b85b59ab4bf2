#include "editor/Form1.h"

#include "platform/runtime/ErrorModes.h"
#include "platform/runtime/WindowHandle.h"

// Open: pauses what plays, lets the user choose a file, resets the marks and
// opens the file on the device with the hidden frame P as the video parent,
// then starts playing it.
void Form1::Command4_Click()
{
    rt::runHandler(runtime(), [&] {
        movie->pauseMovie();
        Command1.setText(QStringLiteral("Play"));
        T.setEnabled(false);
        Cdlg.Filter = QStringLiteral("MP3 Files (*.mp3)|*.mp3|All Files (*.*)|*.*");

        // Any error from the dialog up to clearing its file name ends the
        // handler without a word; a cancelled dialog arrives here as an error.
        bool opened = false;
        rt::trapped(
            [&] {
                Cdlg.ShowOpen();
                H.setValue(0);
                movie->closeMovie();
                Label7.setText(QStringLiteral("0 : 0 : 0"));
                Label9.setText(QStringLiteral("0 : 0 : 0"));
                Label3.setText(QStringLiteral("0 : 0 : 0"));
                selectionStartMs = 0;
                selectionEndMs = 0;
                movie->Filename = Cdlg.FileName;
                movie->openMovieWindow(rt::windowHandle(P), QStringLiteral("child"));
                if (movie->Error != 0) {
                    // Nothing would play: say so instead of showing "Pause"
                    // over a silent device, and keep Save from using the path.
                    sourcePath.clear();
                    Command1.setText(QStringLiteral("Play"));
                    runtime().MsgBox(QStringLiteral("Cannot play this file."));
                    return;
                }
                sourcePath = Cdlg.FileName;
                Cdlg.FileName = QString();
                opened = true;
            },
            [](const rt::RuntimeError&) {});
        if (!opened)
            return;

        rt::resumeNext([&] { movie->playMovie(); });
        rt::resumeNext([&] { Command1.setText(QStringLiteral("Pause")); });
        rt::resumeNext([&] { T.setEnabled(true); });
        rt::resumeNext([&] { H.setMaximum(movie->getLengthInSec()); });
        rt::resumeNext([&] { movie->timeOut(0.5); });
    });
}
