#include "tests/editor/WindowTest.h"

namespace {

// A file open and playing on the pretend device: each pass of the preview
// wait moves the clock, and so the playing position, 200 ms on.
class PreviewTest : public WindowTest {
protected:
    PreviewTest()
    {
        device.lengthMs = 60'000;
        open(QStringLiteral("/music/a.mp3"));
    }

    // Runs `action` once, in the n-th wait from now (1 is the next one).
    void inWait(int n, std::function<void()> action)
    {
        const int at = h.waits + n;
        h.duringWait = [this, at, action = std::move(action)] {
            if (h.waits == at)
                action();
        };
    }
};

TEST_F(PreviewTest, SelectEndDuringThePreviewEndsItThere)
{
    setMarks(1'000, 30'000);
    double clickedAt = 0;
    inWait(3, [&] {
        clickedAt = device.positionMs();
        h.mci.commands.clear();
        form.Command6.click();
    });

    form.Command9.click();

    EXPECT_EQ(form.selectionEndMs, static_cast<std::int32_t>(clickedAt));
    EXPECT_LT(form.selectionEndMs, 2'000);
    EXPECT_EQ(h.mci.commands,
        (Commands { "set movie time format ms", "status movie position wait", // Select End
            "set movie time format ms", "status movie position wait", // the next pass
            "pause movie" }))
        << "the wait ends at its next pass";
    EXPECT_LE(device.positionMs(), clickedAt + 300);
    EXPECT_EQ(form.Command1.text(), QStringLiteral("Play"));
}

TEST_F(PreviewTest, ClosingTheWindowDuringThePreviewEndsAtOnce)
{
    setMarks(1'000, 30'000);
    inWait(2, [&] { form.close(); });

    form.Command9.click();

    EXPECT_EQ(h.quitRequests, 1);
    EXPECT_EQ(h.mci.commands.back(), "close all") << "the loop does not resume";
    EXPECT_EQ(form.Command1.text(), QStringLiteral("Pause"));
    EXPECT_TRUE(h.messages.empty());

    form.Command1.click(); // no handler runs once the program is ending
    EXPECT_EQ(h.mci.commands.back(), "close all");
}

} // namespace
