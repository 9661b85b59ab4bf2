#include "platform/runtime/Runtime.h"
#include "platform/runtime/ErrorModes.h"
#include "tests/support/FakeSeams.h"
#include "tests/support/RaisedError.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using Steps = std::vector<std::string>;

struct RuntimeWithFakes : testing::Test {
    fakes::FakeSeams fake;
    rt::Runtime runtime { fake.seams() };
};

TEST_F(RuntimeWithFakes, WaitForEndsAtItsDeadlineHoweverTheEventsArrive)
{
    fake.now = 500.25;
    runtime.WaitFor(1.5);
    EXPECT_NEAR(fake.now, 501.75, 1e-6);
    EXPECT_EQ(fake.waits, 1) << "one sleep to the deadline when nothing else happens";

    // Events waking the wait early only make it sleep again for the rest.
    fake.step = 0.1;
    fake.waits = 0;
    runtime.WaitFor(1.0);
    EXPECT_NEAR(fake.now, 502.75, 1e-6);
    EXPECT_EQ(fake.waits, 10);

    fake.now = 86399.5;
    fake.step = 0.25;
    runtime.WaitFor(2.0);
    EXPECT_NEAR(runtime.Timer(), 1.5, 1e-6) << "a wait across midnight lasts its length";

    fake.waits = 0;
    runtime.WaitFor(0);
    runtime.WaitFor(-3);
    EXPECT_EQ(fake.waits, 0) << "a wait of nothing lets nothing run";
}

TEST_F(RuntimeWithFakes, ShellStartsTheProgramWithTheRestOfTheLineAsItsArgument)
{
    const struct {
        const char* line;
        const char* program;
        QStringList arguments;
    } cases[] = {
        { "explorer.exe http://trimora.example/", "xdg-open", { "http://trimora.example/" } },
        { "  notify-send   hello there ", "notify-send", { "hello there" } },
        { "\"/opt/my tools/run\" x", "/opt/my tools/run", { "x" } },
        { "xterm", "xterm", {} },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        fake.shellStarts.clear();
        EXPECT_GT(runtime.Shell(c.line, rt::vbMinimizedFocus), 0);
        ASSERT_EQ(fake.shellStarts.size(), 1u);
        EXPECT_EQ(fake.shellStarts[0].program, c.program);
        EXPECT_EQ(fake.shellStarts[0].arguments, c.arguments);
    }

    EXPECT_EQ(expect::raisedError([&] { runtime.Shell("   ", 1); }), rt::err::InvalidProcedureCall);
    fake.shellCanStart = false;
    EXPECT_EQ(
        expect::raisedError([&] { runtime.Shell("explorer.exe http://trimora.example/", 2); }),
        rt::err::FileNotFound);
}

// The three error modes: resume-next skips one statement, a trap hands the
// error to its recovery, and an untrapped error ends that handler alone with
// its description shown once.
TEST_F(RuntimeWithFakes, EachErrorModeEndsOnlyWhatItShould)
{
    Steps steps;
    rt::runHandler(runtime, [&] {
        steps.push_back("start");
        rt::resumeNext([&] {
            rt::raise(rt::err::Overflow);
            steps.push_back("skipped");
        });
        rt::trapped(
            [&] {
                rt::raise(rt::err::CancelError);
                steps.push_back("skipped");
            },
            [&](const rt::RuntimeError& error) {
                steps.push_back("recovered " + std::to_string(error.number()));
            });
        steps.push_back("after the trap");
        rt::raise(rt::err::FileNotFound);
        steps.push_back("after the untrapped error");
    });
    EXPECT_EQ(steps, (Steps { "start", "recovered 32755", "after the trap" }));
    ASSERT_EQ(fake.messages.size(), 1u);
    EXPECT_EQ(fake.messages[0].prompt, "File not found");
    EXPECT_EQ(fake.quitRequests, 0) << "the program goes on";

    rt::runHandler(runtime, [&] { steps.push_back("next handler"); });
    EXPECT_EQ(steps.back(), "next handler");
    EXPECT_EQ(fake.messages.size(), 1u);

    for (const int number : { rt::err::Overflow, rt::err::CancelError, 12345 }) {
        try {
            rt::raise(number);
        } catch (const rt::RuntimeError& error) {
            EXPECT_EQ(error.number(), number);
            EXPECT_EQ(error.description(), rt::describeError(number));
            EXPECT_EQ(error.what(), error.description().toStdString());
        }
    }
    EXPECT_EQ(rt::describeError(rt::err::CancelError), "Cancel was selected.");
    EXPECT_EQ(rt::describeError(12345), "Application-defined or object-defined error");

    // An error raised while the program is ending is not shown.
    rt::runHandler(runtime, [&] {
        runtime.End();
        rt::raise(rt::err::Overflow);
    });
    EXPECT_EQ(fake.messages.size(), 1u);
}

TEST_F(RuntimeWithFakes, EndQuitsOnceAndStopsEveryLaterWait)
{
    fake.duringWait = [&] { runtime.End(); };
    EXPECT_THROW(runtime.DoEvents(), rt::ProgramEnded) << "End ran inside the events";
    EXPECT_TRUE(runtime.Ending());
    runtime.End();
    EXPECT_EQ(fake.quitRequests, 1);
    EXPECT_THROW(runtime.WaitFor(1), rt::ProgramEnded);
    EXPECT_THROW(runtime.WaitFor(0), rt::ProgramEnded);
    EXPECT_EQ(fake.waits, 1);

    // No trap or resume-next catches the end, no handler runs any more, and an
    // error raised while ending is not shown.
    bool recovered = false;
    EXPECT_THROW(rt::trapped([&] { rt::resumeNext([&] { runtime.DoEvents(); }); },
                     [&](const rt::RuntimeError&) { recovered = true; }),
        rt::ProgramEnded);
    EXPECT_FALSE(recovered);
    bool ran = false;
    rt::runHandler(runtime, [&] { ran = true; });
    EXPECT_FALSE(ran);
}

TEST_F(RuntimeWithFakes, EndingInsideNestedWaitsUnwindsEveryWaitQuietly)
{
    // Outer handler waits; an event inside runs a second handler that waits
    // too; an event inside that one ends the program.
    Steps steps;
    fake.duringWait = [&] {
        if (steps.empty()) {
            steps.push_back("inner");
            rt::runHandler(runtime, [&] {
                runtime.WaitFor(5);
                steps.push_back("inner resumed");
            });
        } else {
            runtime.End();
        }
    };
    rt::runHandler(runtime, [&] {
        runtime.WaitFor(10);
        steps.push_back("outer resumed");
    });
    EXPECT_EQ(steps, Steps { "inner" });
    EXPECT_TRUE(fake.messages.empty());
    EXPECT_EQ(fake.quitRequests, 1);
    EXPECT_EQ(fake.waits, 2) << "no wait went on after the end";
}

} // namespace
