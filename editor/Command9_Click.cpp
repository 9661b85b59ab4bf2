#include "editor/Form1.h"

#include "platform/runtime/ErrorModes.h"

// Play Selected: plays from the start mark to the end mark, where the device
// stops by itself, so that nothing past the mark is heard; the wait then
// pauses it. The end mark is read afresh on every pass, so "Select End"
// during the preview ends it there.
void Form1::Command9_Click()
{
    rt::runHandler(runtime(), [&] {
        if (selectionStartMs < selectionEndMs) {
            movie->playMovie();
            Command1.setText(QStringLiteral("Pause"));
            movie->playSection(selectionStartMs, selectionEndMs);
            T.setEnabled(true);
            while (movie->getPositionInMS() < selectionEndMs) {
                // Lets other handlers run and then idles until the next event
                // or 200 ms, instead of spinning a core for the whole preview.
                runtime().WaitFor(0.2);
                Label4.setText(FormatClock(H.value()));
            }
            movie->pauseMovie();
            Command1.setText(QStringLiteral("Play"));
        } else {
            runtime().MsgBox(QStringLiteral("Wrong Selection"));
        }
    });
}
