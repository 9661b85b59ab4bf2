#pragma once

#include "platform/runtime/Runtime.h"
#include "platform/runtime/RuntimeError.h"

#include <utility>

// The three error modes of the handlers, written so that a handler reads one
// line per step and its mode shows at a glance:
//
//   void Form1::Command2_Click() {
//       rt::runHandler(runtime, [&] {                 // untrapped
//           movie->stopMovie();
//           rt::resumeNext([&] { H.setValue(0); });   // resume-next for one statement
//           rt::trapped([&] { ... }, [&] { ... });    // trapped, with its recovery
//       });
//   }
namespace rt {

// The boundary of every event handler. Once the program is ending nothing runs.
// An error that no statement traps ends this handler only: its description is
// shown in a message box and the program goes on. The end of the program
// unwinds quietly. Nothing ever escapes into the window toolkit's dispatch.
template <class Body> void runHandler(Runtime& runtime, Body&& body)
{
    if (runtime.Ending())
        return;
    try {
        std::forward<Body>(body)();
    } catch (const ProgramEnded&) {
        return;
    } catch (const RuntimeError& error) {
        if (!runtime.Ending())
            runtime.MsgBox(error.description());
    }
}

// Resume-next: a statement that raises a run-time error is skipped.
template <class Statement> void resumeNext(Statement&& statement)
{
    try {
        std::forward<Statement>(statement)();
    } catch (const RuntimeError&) {
    }
}

// Trapped: a run-time error in `body` jumps to `recovery`, which gets the error.
template <class Body, class Recovery> void trapped(Body&& body, Recovery&& recovery)
{
    try {
        std::forward<Body>(body)();
    } catch (const RuntimeError& error) {
        std::forward<Recovery>(recovery)(error);
    }
}

} // namespace rt
