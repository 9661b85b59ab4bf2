// The loudness overview of a 1-hour CBR and a 1-hour VBR file: how long until
// its first whole picture, against opening the same file on the device, and
// the window thread's longest stall meanwhile, seen by a timer that checks its
// own lateness.
#include "MciBenchSupport.h"
#include "editor/LoudnessOverview.h"
#include "platform/mci/MciSendString.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <cstdio>

namespace {

constexpr double kGoalSeconds = 1.0;
constexpr double kStallGoalMs = 16.0;
constexpr int kTickMs = 2;

struct Figures {
    double overviewMs = -1;
    double longestStallMs = 0;
};

// Runs the overview on the window thread's event loop, as the window does.
Figures timeOverview(const std::filesystem::path& file, double openMs)
{
    Figures figures;
    QElapsedTimer clock;
    std::size_t levels = 0;
    QEventLoop loop;
    LoudnessOverview overview([&](std::vector<float> shown, double secondsPerLevel) {
        // The last delivery covers the whole hour.
        if (shown.size() * secondsPerLevel >= 3599.0 && figures.overviewMs < 0) {
            figures.overviewMs = double(clock.nsecsElapsed()) / 1e6;
            levels = shown.size();
            loop.quit();
        }
    });
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    QElapsedTimer sinceTick;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        figures.longestStallMs
            = std::max(figures.longestStallMs, double(sinceTick.nsecsElapsed()) / 1e6 - kTickMs);
        sinceTick.restart();
    });
    QTimer::singleShot(10'000, &loop, &QEventLoop::quit);
    ticker.start(kTickMs);
    sinceTick.start();
    clock.start();
    overview.start(QString::fromStdString(file.string()));
    loop.exec();
    ticker.stop();
    std::printf("  overview: %.1f ms for %zu levels; device open: %.1f ms; ratio %.2f\n",
        figures.overviewMs, levels, openMs, figures.overviewMs / openMs);
    return figures;
}

double deviceOpenMs(const std::filesystem::path& file)
{
    const auto start = bench::Clock::now();
    const std::string open = "open \"" + file.string() + "\" type mpegvideo alias bench";
    char reply[64] = "";
    mci::mciSendString(open.c_str(), nullptr, 0, 0);
    mci::mciSendString("status bench length", reply, sizeof reply, 0);
    const double ms = bench::msSince(start);
    mci::mciSendString("close bench", nullptr, 0, 0);
    return ms;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    if (!bench::haveProgram("lame")) {
        std::puts("lame is not installed");
        return 1;
    }
    bench::TempDir dir;
    std::printf("goal: first whole overview of a 1-hour file within %.0f ms; window thread "
                "never late by more than %.0f ms meanwhile\n",
        kGoalSeconds * 1000, kStallGoalMs);
    bool met = true;
    for (const auto& [name, options] :
        { std::pair { "CBR 128 kbit/s", "-b 128 -t" }, std::pair { "VBR -V 2", "-V 2 -t" } }) {
        // Three minutes repeated twenty times: an hour without an info tag.
        const auto piece = dir / "piece.mp3";
        const auto hour = dir / "hour.mp3";
        if (!bench::encodeTone(piece, 180, options) || !bench::repeatFile(piece, hour, 20)) {
            std::puts("could not make the test file");
            return 1;
        }
        std::printf("%s, %.1f MB:\n", name, std::filesystem::file_size(hour) / 1e6);
        const double openMs = deviceOpenMs(hour);
        const Figures figures = timeOverview(hour, openMs);
        const bool fast = figures.overviewMs >= 0 && figures.overviewMs <= kGoalSeconds * 1000;
        const bool smooth = figures.longestStallMs <= kStallGoalMs;
        std::printf("  time goal %s; longest window-thread stall %.2f ms: %s\n",
            fast ? "MET" : "NOT MET", figures.longestStallMs, smooth ? "MET" : "NOT MET");
        met = met && fast && smooth;
    }
    return met ? 0 : 1;
}
