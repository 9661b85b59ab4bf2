#include "editor/Form1.h"
#include "platform/mp3/LoudnessScan.h"
#include "tests/support/Fixtures.h"
#include "tests/support/FormHarness.h"

#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>
#include <numeric>
#include <thread>

namespace {

QString fixture(const char* name)
{
    return QString::fromStdString(fixtures::path(name).string());
}

// Files from outside the window, on the real MP3 device: a file named on the
// command line and a file dropped from a file manager.
class OpenFromOutsideTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { setenv("SDL_AUDIODRIVER", "dummy", 0); }

    harness::FormHarness h { harness::FormHarness::World::Real };
    Form1& form = h.form();

    // Drops `paths` on the window and lets the queued Open run.
    bool drop(const QStringList& paths)
    {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString& path : paths)
            urls << QUrl::fromLocalFile(path);
        data.setUrls(urls);
        QDragEnterEvent enter(
            QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&form, &enter);
        if (!enter.isAccepted())
            return false;
        QDropEvent dropped(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&form, &dropped);
        h.runtime().WaitFor(0.05);
        return true;
    }

    // Waits up to two seconds for a whole overview of `levels` levels or more.
    std::vector<float> overviewOf(std::size_t atLeast)
    {
        for (int i = 0; i < 200 && form.H.overview().size() < atLeast; ++i)
            h.runtime().WaitFor(0.01);
        return form.H.overview();
    }
};

TEST_F(OpenFromOutsideTest, CommandLineAndDropRunOpenWithoutTheDialog)
{
    const QString cbr = fixture("cbr128_10s.mp3");
    const QString previous = QDir::currentPath();
    QDir::setCurrent(QFileInfo(cbr).absolutePath());
    struct Case {
        const char* how;
        std::function<void()> open;
    };
    const Case cases[] = {
        // A relative name, as typed in a shell, becomes the full path.
        { "command line", [&] { form.openGivenFile(QStringLiteral("cbr128_10s.mp3")); } },
        // Of several dropped files the first is opened.
        { "drop",
            [&] {
                ASSERT_TRUE(drop({ cbr, fixture("vbr_info_10s.mp3") }));
            } },
    };
    for (const auto& c : cases) {
        form.Label7.setText(QStringLiteral("start"));
        form.Label9.setText(QStringLiteral("end"));
        form.Label3.setText(QStringLiteral("length"));
        form.selectionStartMs = 1000;
        form.selectionEndMs = 2000;
        c.open();
        EXPECT_TRUE(h.messages.empty()) << c.how;
        EXPECT_TRUE(h.dialogs.empty()) << c.how;
        EXPECT_EQ(form.sourcePath, cbr) << c.how;
        EXPECT_EQ(form.Label7.text(), QStringLiteral("0 : 0 : 0")) << c.how;
        EXPECT_EQ(form.Label9.text(), QStringLiteral("0 : 0 : 0")) << c.how;
        EXPECT_EQ(form.Label3.text(), QStringLiteral("0 : 0 : 0")) << c.how;
        EXPECT_EQ(form.selectionEndMs, 0) << c.how;
        EXPECT_EQ(form.H.maximum(), 10) << c.how;
        EXPECT_EQ(form.Command1.text(), QStringLiteral("Pause")) << c.how;
        EXPECT_TRUE(form.T.Enabled()) << c.how;
        EXPECT_EQ(form.movie->isMoviePlaying(), -1) << c.how;
    }
    QDir::setCurrent(previous);

    form.openGivenFile(QStringLiteral("/no/such/file.mp3"));
    ASSERT_EQ(h.messages.size(), 1u);
    EXPECT_EQ(h.messages[0].prompt, QStringLiteral("Cannot play this file.\nFile not found"));
    EXPECT_TRUE(form.sourcePath.isEmpty());
}

// While a save runs Open is disabled; a drop must not slip past that.
TEST_F(OpenFromOutsideTest, DropIsRefusedWhileOpenIsDisabled)
{
    form.Command4.setEnabled(false);
    EXPECT_FALSE(drop({ fixture("cbr128_10s.mp3") }));
    form.openGivenFile(fixture("cbr128_10s.mp3"));
    EXPECT_TRUE(form.sourcePath.isEmpty());
    EXPECT_EQ(form.H.maximum(), 10);
    EXPECT_NE(form.Command1.text(), QStringLiteral("Pause"));
}

// A file's picture goes with it: a file that cannot be played takes the old
// picture with it at once, and nothing of the old work, still decoding when
// the next file is chosen, arrives later.
TEST_F(OpenFromOutsideTest, OverviewGoesWithTheFile)
{
    form.openGivenFile(fixture("cbr128_60s.mp3"));
    const std::vector<float> first = overviewOf(150);
    ASSERT_GE(first.size(), 150u);

    form.openGivenFile(fixture("../CMakeCache.txt"));
    EXPECT_TRUE(form.H.overview().empty());
    // Work on the first file left running would have ended by the time the
    // same work, started only now, has: then it has nothing more to bring.
    bool sameWorkDone = false;
    LoudnessOverview sameWork([&](LoudnessPicture picture) { sameWorkDone |= picture.decoded; });
    sameWork.start(fixture("cbr128_60s.mp3"));
    for (int i = 0; i < 6000 && !sameWorkDone; ++i)
        h.runtime().WaitFor(0.01);
    ASSERT_TRUE(sameWorkDone);
    h.runtime().WaitFor(0.5);
    EXPECT_TRUE(form.H.overview().empty());

    form.openGivenFile(fixture("cbr128_10s.mp3"));
    const std::vector<float> second = overviewOf(1);
    EXPECT_LT(second.size(), first.size() * 6 / 10);
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
