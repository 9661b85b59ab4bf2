#include "platform/runtime/Runtime.h"
#include "platform/runtime/RuntimeError.h"
#include "tests/platform/runtime/FakeSeams.h"

#include <gtest/gtest.h>

namespace {

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
}

TEST_F(RuntimeWithFakes, WaitForAcrossMidnightLastsItsLength)
{
    fake.now = 86399.5;
    fake.step = 0.25;
    runtime.WaitFor(2.0);
    EXPECT_NEAR(fake.now, 1.5, 1e-6);
}

TEST_F(RuntimeWithFakes, ANonPositiveWaitOnlyLetsNothingRun)
{
    runtime.WaitFor(0);
    runtime.WaitFor(-3);
    EXPECT_EQ(fake.waits, 0);
}

TEST_F(RuntimeWithFakes, EndQuitsOnceAndStopsEveryLaterWait)
{
    fake.onWait = [&] { runtime.End(); };
    EXPECT_THROW(runtime.DoEvents(), rt::ProgramEnded) << "End ran inside the events";
    EXPECT_TRUE(runtime.Ending());
    runtime.End();
    EXPECT_EQ(fake.quits, 1);
    EXPECT_THROW(runtime.WaitFor(1), rt::ProgramEnded);
    EXPECT_EQ(fake.waits, 1);
}

TEST_F(RuntimeWithFakes, ShellStartsTheProgramWithTheRestOfTheLineAsItsArgument)
{
    EXPECT_GT(runtime.Shell("explorer.exe http://trimora.example/", rt::vbMinimizedFocus), 0);
    EXPECT_GT(runtime.Shell("  notify-send   hello there ", 1), 0);
    EXPECT_GT(runtime.Shell("\"/opt/my tools/run\" x", 1), 0);
    EXPECT_GT(runtime.Shell("xterm", 1), 0);
    ASSERT_EQ(fake.started.size(), 4u);
    EXPECT_EQ(fake.started[0].program, "xdg-open");
    EXPECT_EQ(fake.started[0].arguments, QStringList { "http://trimora.example/" });
    EXPECT_EQ(fake.started[1].program, "notify-send");
    EXPECT_EQ(fake.started[1].arguments, QStringList { "hello there" });
    EXPECT_EQ(fake.started[2].program, "/opt/my tools/run");
    EXPECT_EQ(fake.started[2].arguments, QStringList { "x" });
    EXPECT_TRUE(fake.started[3].arguments.isEmpty());
}

TEST_F(RuntimeWithFakes, ShellReportsAProgramThatCannotStart)
{
    fake.canStart = false;
    try {
        runtime.Shell("explorer.exe http://trimora.example/", rt::vbMinimizedFocus);
        ADD_FAILURE() << "no error";
    } catch (const rt::RuntimeError& error) {
        EXPECT_EQ(error.number(), rt::err::FileNotFound);
    }
    try {
        runtime.Shell("   ", 1);
        ADD_FAILURE() << "no error";
    } catch (const rt::RuntimeError& error) {
        EXPECT_EQ(error.number(), rt::err::InvalidProcedureCall);
    }
}

} // namespace
