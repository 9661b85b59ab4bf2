#include "editor/LoudnessOverview.h"
#include "tests/support/Fixtures.h"

#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <gtest/gtest.h>
#include <numeric>
#include <thread>

namespace {

QString fixture(const char* name)
{
    return QString::fromStdString(fixtures::path(name).string());
}

// Ten seconds of a sine, the same 15 dB down, then ten seconds of silence. On
// a 48 dB scale from the loudest peak a sine's RMS stands 3 dB under the top,
// the quieter part 15 dB further down, and the silence shows nothing at all.
TEST(LoudnessOverviewTest, FinishedOverviewOrdersLoudQuieterAndSilent)
{
    LoudnessPicture finished;
    LoudnessOverview overview([&](LoudnessPicture picture) {
        if (picture.decoded)
            finished = std::move(picture);
    });
    overview.start(fixture("loud_quieter_silent_30s.mp3"));
    // The decoding yields to everything else: room for a busy machine.
    for (int i = 0; i < 6000 && finished.levels.empty(); ++i) {
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_GE(finished.levels.size(), 250u);
    ASSERT_EQ(finished.peaks.size(), finished.levels.size());
    const auto part = [&](const std::vector<float>& levels, double from, double to) {
        const double seconds = finished.secondsPerLevel;
        return std::vector<float>(levels.begin() + std::ptrdiff_t(from / seconds),
            levels.begin() + std::ptrdiff_t(to / seconds));
    };
    const auto mean = [](const std::vector<float>& levels) {
        return std::accumulate(levels.begin(), levels.end(), 0.0) / double(levels.size());
    };
    EXPECT_NEAR(mean(part(finished.levels, 1, 9)), 45.0 / 48, 0.02);
    EXPECT_NEAR(mean(part(finished.peaks, 1, 9)), 1.0, 0.02);
    EXPECT_NEAR(mean(part(finished.levels, 11, 19)), 30.0 / 48, 0.02);
    const auto loudest = [](const std::vector<float>& levels) {
        return *std::max_element(levels.begin(), levels.end());
    };
    EXPECT_EQ(loudest(part(finished.levels, 21, 29)), 0.0f);
    EXPECT_EQ(loudest(part(finished.peaks, 21, 29)), 0.0f);
}

// A walk that is stopped has its results dropped even when they were already
// on their way to the window.
TEST(LoudnessOverviewTest, OnlyTheLatestFileIsShown)
{
    std::vector<std::size_t> shown;
    LoudnessOverview overview(
        [&](LoudnessPicture picture) { shown.push_back(picture.levels.size()); });
    overview.start(fixture("loud_quieter_silent_30s.mp3"));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    overview.start(fixture("cbr128_10s.mp3"));
    for (int i = 0; i < 100 && shown.empty(); ++i) {
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_FALSE(shown.empty());
    for (std::size_t size : shown)
        EXPECT_LT(size, 120u);
}

} // namespace
