#include "platform/runtime/Runtime.h"

#include "platform/runtime/RealSeams.h"
#include "platform/runtime/RuntimeError.h"
#include "platform/runtime/ShellCommand.h"

namespace rt {

namespace {

    // Seconds since midnight; a reading taken after midnight is moved a day on
    // so that an interval spanning midnight still comes out right.
    double secondsSince(double start, double now)
    {
        constexpr double kSecondsPerDay = 86400.0;
        return now < start ? now + kSecondsPerDay - start : now - start;
    }

} // namespace

Runtime::Runtime()
    : Runtime(Seams {})
{
}

Runtime::Runtime(Seams seams)
    : seams_(std::move(seams))
{
    Seams real = realSeams();
    if (!seams_.clock)
        seams_.clock = std::move(real.clock);
    if (!seams_.waitForEvents)
        seams_.waitForEvents = std::move(real.waitForEvents);
    if (!seams_.msgBox)
        seams_.msgBox = std::move(real.msgBox);
    if (!seams_.startDetached)
        seams_.startDetached = std::move(real.startDetached);
    if (!seams_.quitApplication)
        seams_.quitApplication = std::move(real.quitApplication);
    if (!seams_.sleep)
        seams_.sleep = std::move(real.sleep);
}

double Runtime::Timer() const
{
    return seams_.clock();
}

void Runtime::DoEvents()
{
    if (ending_)
        throw ProgramEnded {};
    seams_.waitForEvents(0.0);
    if (ending_)
        throw ProgramEnded {};
}

void Runtime::WaitFor(double seconds)
{
    if (ending_)
        throw ProgramEnded {};
    const double start = Timer();
    for (;;) {
        const double remaining = seconds - secondsSince(start, Timer());
        if (!(remaining > 0.0))
            break;
        seams_.waitForEvents(remaining);
        if (ending_)
            throw ProgramEnded {};
    }
}

void Runtime::Sleep(int milliseconds)
{
    if (milliseconds > 0)
        seams_.sleep(milliseconds);
}

MsgBoxResult Runtime::MsgBox(const QString& prompt, MsgBoxButtons buttons)
{
    return seams_.msgBox(prompt, buttons);
}

double Runtime::Shell(const QString& commandLine, int windowStyle)
{
    // Another program's window cannot be minimised from here; the style is
    // accepted for the caller's sake and has no effect.
    (void)windowStyle;
    const ShellCommand command = ShellCommand::parse(commandLine);
    if (command.program.isEmpty())
        raise(err::InvalidProcedureCall);
    if (!seams_.startDetached(command.program, command.arguments))
        raise(err::FileNotFound);
    lastTask_ += 1;
    return lastTask_;
}

void Runtime::End()
{
    if (ending_)
        return;
    ending_ = true;
    seams_.quitApplication();
}

} // namespace rt
