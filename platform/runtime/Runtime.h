#pragma once

#include <QString>
#include <QStringList>
#include <functional>

namespace rt {

enum class MsgBoxButtons { OkOnly, YesNo };
enum class MsgBoxResult { Ok, Yes, No };

// Shell window styles, as the shell command takes them.
inline constexpr int vbMinimizedFocus = 2;

// What the program takes from its run-time besides the controls: the clock,
// letting window events run, waits, message boxes, the shell and the end of
// the program. One instance serves one window. The seams let tests replace
// everything that would need a person, a clock or another program.
class Runtime {
public:
    struct Seams {
        // Seconds since midnight, with a fraction (starts again at 0 at midnight).
        std::function<double()> clock;
        // Lets pending events run, then blocks until the next event arrives or
        // `seconds` have passed, whichever comes first. With 0 it never
        // blocks and is cheap enough for a busy loop: the real one looks for
        // input from outside the thread at most once a millisecond.
        std::function<void(double seconds)> waitForEvents;
        // Shows a modal message box titled "Trimora".
        std::function<MsgBoxResult(const QString& prompt, MsgBoxButtons buttons)> msgBox;
        // Starts a program detached; returns false when it cannot be started.
        std::function<bool(const QString& program, const QStringList& arguments)> startDetached;
        // Leaves the main event loop.
        std::function<void()> quitApplication;
        // Blocks the calling thread for `milliseconds`; no events run meanwhile.
        std::function<void(int milliseconds)> sleep;
    };

    Runtime(); // the real clock, event loop, dialogs and processes
    explicit Runtime(Seams seams); // any seam left empty keeps the real one
    Runtime(const Runtime&) = delete;
    Runtime& operator=(const Runtime&) = delete;

    // Seconds since midnight, with a fraction.
    double Timer() const;

    // Lets pending window events run. Throws ProgramEnded once End has been called.
    void DoEvents();

    // Lets events run for `seconds`, sleeping while there are none; the
    // processor stays idle between events. Throws ProgramEnded once End has
    // been called (also when End is called from an event it ran).
    void WaitFor(double seconds);

    // Suspends the thread for `milliseconds` without letting events run.
    void Sleep(int milliseconds);

    // Modal message box titled "Trimora".
    MsgBoxResult MsgBox(const QString& prompt, MsgBoxButtons buttons = MsgBoxButtons::OkOnly);

    // Runs a shell command line ("program argument") with a window style, not
    // waiting for it. "explorer.exe" means the desktop's opener. Returns a
    // task number; raises FileNotFound when the program cannot be started.
    double Shell(const QString& commandLine, int windowStyle);

    // Ends the program: every waiting loop stops for good, no further handler
    // runs, and the main event loop is left.
    void End();
    bool Ending() const { return ending_; }

private:
    Seams seams_;
    bool ending_ = false;
    double lastTask_ = 0;
};

} // namespace rt
