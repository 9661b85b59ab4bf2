#include "platform/controls/ProgressBar.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProgressBar>
#include <gtest/gtest.h>
#include <limits>

namespace {

// What the user sees is the drawn bar: its share of the range follows the
// value and the maximum, whichever of them changes, and values outside the
// range or without meaning draw as full or empty instead of as garbage.
// Saving reads the value back and adds to it block after block, so the value
// itself is never clamped to what can be drawn. The bar is drawn at most
// once a frame, so it is looked at once a frame has passed.
TEST(ProgressBar, DrawsTheShareOfTheMaximumAndKeepsTheValueAsWritten)
{
    ProgressBar bar;
    bar.resize(387, 26);
    const auto* drawn = bar.findChild<QProgressBar*>();
    ASSERT_NE(drawn, nullptr);
    const auto percent = [&] {
        QElapsedTimer frame;
        frame.start();
        while (frame.elapsed() < 100)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QCoreApplication::processEvents();
        return 100 * drawn->value() / drawn->maximum();
    };

    bar.setMax(164097.0f);
    for (int block = 0; block < 20; ++block)
        bar.setValue(bar.Value() + 4096);
    EXPECT_EQ(percent(), 50);
    for (int block = 20; block < 40; ++block)
        bar.setValue(bar.Value() + 4096);
    EXPECT_EQ(bar.Value(), 163840.0f);
    EXPECT_EQ(percent(), 100);

    bar.setMax(655360.0f); // a larger range redraws the same value smaller
    EXPECT_EQ(percent(), 25);

    const struct {
        float max;
        float value;
        int percent;
    } odd[] = {
        { 100, 250, 100 },
        { 100, -5, 0 },
        { 0, 10, 0 },
        { 100, std::numeric_limits<float>::infinity(), 0 },
        { -100, 50, 0 },
    };
    for (const auto& c : odd) {
        SCOPED_TRACE(testing::Message() << c.value << " of " << c.max);
        bar.setMax(c.max);
        bar.setValue(c.value);
        EXPECT_EQ(bar.Value(), c.value);
        EXPECT_EQ(percent(), c.percent);
    }
    bar.grab();
}

} // namespace
