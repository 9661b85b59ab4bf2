// Peak memory of a process playing a 2-hour MP3 through the media command
// interface, against the same process playing a 1-minute one: playback
// streams the file, so the long file must cost about what the short one does.
// Each file is opened, played for a while at its start and near its end, and
// closed, in a process of its own whose peak resident size the system reports.

#include "bench/MciBenchSupport.h"
#include "platform/mci/MciSendString.h"

#include <cstring>
#include <thread>

namespace {

int play(const char* file)
{
    const std::string open = std::string("open \"") + file + "\" type mpegvideo alias bench";
    char reply[64] = "";
    if (mci::mciSendString(open.c_str(), nullptr, 0, 0) != 0
        || mci::mciSendString("status bench length", reply, sizeof reply, 0) != 0)
        return 1;
    const long long length = std::atoll(reply);
    mci::mciSendString("play bench", nullptr, 0, 0);
    std::this_thread::sleep_for(std::chrono::seconds(2));
    const std::string nearEnd = "play bench from " + std::to_string(length - 3000);
    mci::mciSendString(nearEnd.c_str(), nullptr, 0, 0);
    std::this_thread::sleep_for(std::chrono::seconds(2));
    mci::mciSendString("status bench position", reply, sizeof reply, 0);
    std::printf("length %lld ms, position near the end %s ms", length, reply);
    mci::mciSendString("close all", nullptr, 0, 0);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--play") == 0)
        return play(argv[2]);

    ::setenv("SDL_AUDIODRIVER", "dummy", 1);
    if (!bench::haveProgram("lame")) {
        std::printf("lame is missing: install it (scripts/install-deps.sh --test)\n");
        return 0;
    }
    bench::TempDir dir;
    const auto minute = dir / "minute.mp3";
    const auto twoHours = dir / "two-hours.mp3";
    if (!bench::encodeTone(minute, 60.0, "-b 128 -t")
        || !bench::repeatFile(minute, twoHours, 120)) {
        std::printf("could not make the test files\n");
        return 0;
    }
    const bench::ChildCost shortRun
        = bench::runChild({ bench::selfPath(), "--play", minute.string() });
    const bench::ChildCost longRun
        = bench::runChild({ bench::selfPath(), "--play", twoHours.string() });
    if (!shortRun.ok || !longRun.ok) {
        std::printf("the device did not play the files\n");
        return 0;
    }
    std::printf("1-minute file: %s; peak %ld KiB\n", shortRun.output.c_str(), shortRun.peakKiB);
    std::printf("2-hour file (%.0f MB): %s; peak %ld KiB\n",
        double(std::filesystem::file_size(twoHours)) / 1e6, longRun.output.c_str(),
        longRun.peakKiB);
    bench::printRatio(
        "peak memory, 2 hours / 1 minute", double(longRun.peakKiB) / double(shortRun.peakKiB), 1.2);
    return 0;
}
