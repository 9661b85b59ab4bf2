// Processor time per minute of playback through the media command interface
// and SDL's dummy audio driver, against ffplay (also SDL, dummy driver) playing
// the same minute. Both run at once, each in a process of its own, and their
// processor time is what the system counted for them. The device's run also
// reports how closely its position follows the clock and how long a status
// query takes while it plays.

#include "bench/MciBenchSupport.h"
#include "platform/mci/MciSendString.h"

#include <algorithm>
#include <cstring>
#include <future>
#include <thread>

namespace {

std::int64_t query(const char* command)
{
    char reply[64] = "";
    return mci::mciSendString(command, reply, sizeof reply, 0) == 0 ? std::atoll(reply) : -1;
}

// The child's part: plays the file to its end and prints what it saw.
int play(const char* file)
{
    const std::string open = std::string("open \"") + file + "\" type mpegvideo alias bench";
    if (mci::mciSendString(open.c_str(), nullptr, 0, 0) != 0)
        return 1;
    const std::int64_t length = query("status bench length");
    if (mci::mciSendString("play bench", nullptr, 0, 0) != 0)
        return 1;
    const auto start = bench::Clock::now();
    std::vector<double> elapsed, positions, queryUs;
    for (;;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        const auto asked = bench::Clock::now();
        const std::int64_t position = query("status bench position");
        queryUs.push_back(
            std::chrono::duration<double, std::micro>(bench::Clock::now() - asked).count());
        const double now = bench::msSince(start);
        char mode[32] = "";
        mci::mciSendString("status bench mode", mode, sizeof mode, 0);
        if (std::strcmp(mode, "playing") != 0)
            break;
        // Leave out the start of the sound and the end of the file.
        if (now > 500 && double(position) < double(length) - 100) {
            elapsed.push_back(now);
            positions.push_back(double(position));
        }
    }
    const double played = bench::msSince(start);
    mci::mciSendString("close all", nullptr, 0, 0);
    if (elapsed.size() < 2)
        return 1;

    // The sound device's clock may run a little off the system's (SDL's dummy
    // driver sleeps whole milliseconds): fit a straight line through the
    // positions and see how far they stray from it.
    const double n = double(elapsed.size());
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (std::size_t i = 0; i < elapsed.size(); ++i) {
        sx += elapsed[i];
        sy += positions[i];
        sxx += elapsed[i] * elapsed[i];
        sxy += elapsed[i] * positions[i];
    }
    const double pace = (n * sxy - sx * sy) / (n * sxx - sx * sx);
    const double offset = (sy - pace * sx) / n;
    double worst = 0;
    for (std::size_t i = 0; i < elapsed.size(); ++i)
        worst = std::max(worst, std::abs(positions[i] - (offset + pace * elapsed[i])));
    std::sort(queryUs.begin(), queryUs.end());
    std::printf("played %.1f s of %.1f s\n", played / 1000.0, double(length) / 1000.0);
    std::printf("position: advances at %.2f%% of real time; lags the play command by %.1f ms; "
                "strays at most %.1f ms from that line over %zu readings\n",
        100.0 * pace, -offset, worst, elapsed.size());
    std::printf("status position while playing: median %.1f us, slowest %.1f us\n",
        queryUs[queryUs.size() / 2], queryUs.back());
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--play") == 0)
        return play(argv[2]);

    ::setenv("SDL_AUDIODRIVER", "dummy", 1);
    bench::TempDir dir;
    const auto minute = bench::makeMinute(dir);
    if (!minute)
        return 0;
    const auto [ours, theirs] = bench::playBesideFfplay(*minute, "the device");

    std::printf("%s", ours.output.c_str());
    if (!ours.ok) {
        std::printf("the device did not play the file\n");
        return 0;
    }
    std::printf("processor time for the minute: device %.3f s", ours.cpuSeconds);
    if (!theirs.ok) {
        std::printf("; ffplay unavailable (install ffmpeg), no ratio\n");
        return 0;
    }
    std::printf(", ffplay %.3f s\n", theirs.cpuSeconds);
    bench::printRatio("processor time, device / ffplay", ours.cpuSeconds / theirs.cpuSeconds, 0.5);
    return 0;
}
