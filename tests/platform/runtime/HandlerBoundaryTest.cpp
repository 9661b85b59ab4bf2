#include "platform/runtime/ErrorModes.h"
#include "tests/platform/runtime/FakeSeams.h"

#include <gtest/gtest.h>

namespace {

struct HandlerBoundary : testing::Test {
    fakes::FakeSeams fake;
    rt::Runtime runtime { fake.seams() };
};

TEST_F(HandlerBoundary, AnUntrappedErrorEndsTheHandlerAndIsShownOnce)
{
    bool after = false;
    rt::runHandler(runtime, [&] {
        rt::raise(rt::err::FileNotFound);
        after = true;
    });
    EXPECT_FALSE(after);
    ASSERT_EQ(fake.prompts.size(), 1u);
    EXPECT_EQ(fake.prompts[0], "File not found");
    EXPECT_EQ(fake.quits, 0) << "the program goes on";

    // The next handler runs as usual.
    bool ran = false;
    rt::runHandler(runtime, [&] { ran = true; });
    EXPECT_TRUE(ran);
    EXPECT_EQ(fake.prompts.size(), 1u);
}

TEST_F(HandlerBoundary, ResumeNextSkipsOnlyTheFailingStatement)
{
    std::vector<int> steps;
    rt::runHandler(runtime, [&] {
        steps.push_back(1);
        rt::resumeNext([&] {
            rt::raise(rt::err::Overflow);
            steps.push_back(99);
        });
        steps.push_back(2);
    });
    EXPECT_EQ(steps, (std::vector<int> { 1, 2 }));
    EXPECT_TRUE(fake.prompts.empty());
}

TEST_F(HandlerBoundary, ATrapHandsTheErrorToItsRecoveryAndTheHandlerGoesOn)
{
    int recovered = 0;
    bool after = false;
    rt::runHandler(runtime, [&] {
        rt::trapped([&] { rt::raise(rt::err::CancelError); },
            [&](const rt::RuntimeError& error) { recovered = error.number(); });
        after = true;
    });
    EXPECT_EQ(recovered, rt::err::CancelError);
    EXPECT_TRUE(after);
    EXPECT_TRUE(fake.prompts.empty());
}

TEST_F(HandlerBoundary, EndingInsideNestedWaitsUnwindsEveryWaitQuietly)
{
    // Outer handler waits; an event inside runs a second handler that waits
    // too; an event inside that one ends the program.
    bool outerResumed = false;
    bool innerResumed = false;
    int depth = 0;
    fake.onWait = [&] {
        if (depth == 0) {
            ++depth;
            rt::runHandler(runtime, [&] {
                runtime.WaitFor(5);
                innerResumed = true;
            });
        } else {
            runtime.End();
        }
    };
    rt::runHandler(runtime, [&] {
        runtime.WaitFor(10);
        outerResumed = true;
    });
    EXPECT_FALSE(innerResumed);
    EXPECT_FALSE(outerResumed);
    EXPECT_TRUE(fake.prompts.empty());
    EXPECT_EQ(fake.quits, 1);
    EXPECT_EQ(fake.waits, 2) << "no wait went on after the end";
}

TEST_F(HandlerBoundary, NoTrapOrResumeNextCatchesTheEndOfTheProgram)
{
    bool recovered = false;
    bool after = false;
    rt::runHandler(runtime, [&] {
        rt::trapped(
            [&] {
                rt::resumeNext([&] {
                    runtime.End();
                    runtime.DoEvents();
                });
                after = true;
            },
            [&](const rt::RuntimeError&) { recovered = true; });
        after = true;
    });
    EXPECT_FALSE(recovered);
    EXPECT_FALSE(after);
}

TEST_F(HandlerBoundary, NoHandlerRunsOnceTheProgramIsEnding)
{
    runtime.End();
    bool ran = false;
    rt::runHandler(runtime, [&] { ran = true; });
    EXPECT_FALSE(ran);
    EXPECT_THROW(runtime.DoEvents(), rt::ProgramEnded);
    EXPECT_THROW(runtime.WaitFor(0), rt::ProgramEnded);
}

TEST_F(HandlerBoundary, AnErrorRaisedWhileEndingIsNotShown)
{
    rt::runHandler(runtime, [&] {
        runtime.End();
        rt::raise(rt::err::Overflow);
    });
    EXPECT_TRUE(fake.prompts.empty());
}

} // namespace

namespace {

TEST(RuntimeErrors, CarryNumberAndTheDescriptionShownToTheUser)
{
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
}

} // namespace
