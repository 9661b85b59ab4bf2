#include "editor/Form1.h"

#include "platform/runtime/ErrorModes.h"

// Play / Pause: the caption says what the next click does; the timer follows
// playback only while playing.
void Form1::Command1_Click()
{
    rt::runHandler(runtime(), [&] {
        if (Command1.text() == QLatin1String("Play")) {
            rt::resumeNext([&] { movie->playMovie(); });
            rt::resumeNext([&] { T.setEnabled(true); });
            rt::resumeNext([&] { H.setMaximum(movie->getLengthInSec()); });
            // A file shorter than a second cannot be paused meaningfully, so
            // the button keeps offering "Play".
            rt::resumeNext([&] {
                if (movie->getLengthInSec() > 0)
                    Command1.setText(QStringLiteral("Pause"));
            });
            rt::resumeNext([&] { movie->timeOut(0.5); });
        } else {
            movie->pauseMovie();
            T.setEnabled(false);
            Command1.setText(QStringLiteral("Play"));
            movie->timeOut(1);
        }
    });
}
