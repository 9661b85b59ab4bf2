// Processor time per minute of playback through the media command interface
// and SDL's dummy audio driver, against the paced player (bench/PacedPlayer.h,
// also SDL's dummy driver) playing the same minute. Both run at once, each in
// a process of its own, and their processor time is what the system counted
// for them. The device's run also reports how closely its position follows
// the clock and how long a status query takes while it plays. Before that:
// how soon after the play command the first sound reaches the sound device.

#include "bench/MciBenchSupport.h"
#include "bench/PacedPlayer.h"
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

// Milliseconds from the play command until the position first moves, i.e.
// until the first buffer with sound went to the sound device: the median of
// several plays, each from a place of its own and each `pause` after the
// last one stopped.
double firstSoundMs(
    const std::filesystem::path& file, int plays, std::chrono::milliseconds pause, const char* what)
{
    const std::string open = "open \"" + file.string() + "\" type mpegvideo alias first";
    if (mci::mciSendString(open.c_str(), nullptr, 0, 0) != 0)
        return -1;
    std::vector<double> delays;
    for (int from = 1000; int(delays.size()) < plays; from += 2000) {
        std::this_thread::sleep_for(pause);
        const std::string play = "play first from " + std::to_string(from);
        const auto start = bench::Clock::now();
        mci::mciSendString(play.c_str(), nullptr, 0, 0);
        while (query("status first position") == from && bench::msSince(start) < 1000)
            ;
        delays.push_back(bench::msSince(start));
        mci::mciSendString("stop first", nullptr, 0, 0);
    }
    mci::mciSendString("close first", nullptr, 0, 0);
    std::sort(delays.begin(), delays.end());
    std::printf("first sound after play %s: median %.1f ms, slowest %.1f ms of %zu plays\n", what,
        delays[delays.size() / 2], delays.back(), delays.size());
    return delays[delays.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--play") == 0)
        return play(argv[2]);
    if (argc == 3 && std::strcmp(argv[1], "--reference") == 0)
        return bench::playPaced(argv[2]);

    ::setenv("SDL_AUDIODRIVER", "dummy", 1);
    bench::TempDir dir;
    const auto minute = bench::makeMinute(dir);
    if (!minute)
        return 0;
    // A play soon after a stop (a replay, a new place) must sound as soon as
    // one after a rest, which opens a fresh stream.
    const auto goal = [](const char* what, double ms) {
        std::printf("first sound after play %s: %.1f ms (goal <= 10 ms) %s\n", what, ms,
            ms >= 0 && ms <= 10 ? "MET" : "NOT MET");
    };
    const double afterStop
        = firstSoundMs(*minute, 11, std::chrono::milliseconds(50), "50 ms after a stop");
    const double fromRest
        = firstSoundMs(*minute, 7, std::chrono::milliseconds(1500), "from rest (1.5 s)");
    goal("50 ms after a stop", afterStop);
    goal("from rest", fromRest);
    const auto [ours, reference] = bench::playBesideReference(*minute, "the device");

    std::printf("%s", ours.output.c_str());
    if (!ours.ok) {
        std::printf("the device did not play the file\n");
        return 0;
    }
    if (!reference.ok) {
        std::printf("the paced player did not play the file\n");
        return 0;
    }
    std::printf("processor time for the minute: device %.3f s, paced player %.3f s\n",
        ours.cpuSeconds, reference.cpuSeconds);
    bench::printRatio(
        "processor time, device / paced player", ours.cpuSeconds / reference.cpuSeconds, 1.2);
    return 0;
}
