#include "platform/controls/ProgressBar.h"

#include <gtest/gtest.h>
#include <limits>

namespace {

// Saving reads the value back and adds to it, block after block; any rounding
// by the drawn bar would drift the count. Values the bar cannot draw are kept
// too, and drawing them does no harm.
TEST(ProgressBar, MaximumAndValueReadBackExactlyAsWritten)
{
    ProgressBar bar;
    bar.resize(387, 26);
    EXPECT_EQ(bar.Max(), 100.0f);
    EXPECT_EQ(bar.Value(), 0.0f);

    bar.setMax(164097.0f);
    for (int block = 0; block < 40; ++block)
        bar.setValue(bar.Value() + 4096);
    EXPECT_EQ(bar.Value(), 163840.0f);
    EXPECT_EQ(bar.Max(), 164097.0f);
    bar.setValue(0.1f);
    EXPECT_EQ(bar.Value(), 0.1f);

    bar.setMax(100);
    bar.setValue(250);
    EXPECT_EQ(bar.Value(), 250.0f);
    bar.setMax(0);
    bar.setValue(-5);
    bar.setValue(std::numeric_limits<float>::infinity());
    EXPECT_EQ(bar.Max(), 0.0f);
    EXPECT_EQ(bar.Value(), std::numeric_limits<float>::infinity());
    bar.grab();
}

} // namespace
