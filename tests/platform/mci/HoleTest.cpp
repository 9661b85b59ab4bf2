#include "MciSession.h"

#include "platform/mp3/BackgroundWalk.h"
#include "platform/mp3/FileReader.h"
#include "platform/mp3/FrameWalker.h"
#include "tests/support/RealTime.h"

#include <cstdio>
#include <future>

using namespace mcitest;

namespace {

// Wall time since `start` less what the machine kept this process's threads
// waiting for a processor: a loaded machine stretches a step by exactly that.
double workedMsSince(const realtime::Moment& start)
{
    const realtime::Moment now = realtime::Moment::now();
    return std::chrono::duration<double, std::milli>(now.wall - start.wall).count()
        - realtime::waitedMs(start, now);
}

// `copies` times the bytes of `mp3`, each followed by a hole of `gap` bytes
// except the last: sparse, so that gigabytes cost no disk.
void writeWithHoles(
    const std::filesystem::path& file, const std::string& mp3, std::int64_t gap, int copies)
{
    writeFile(file, "");
    for (int copy = 0; copy < copies; ++copy) {
        if (copy > 0)
            std::filesystem::resize_file(file, std::filesystem::file_size(file) + gap);
        std::ofstream(file, std::ios::binary | std::ios::app)
            .write(mp3.data(), std::streamsize(mp3.size()));
    }
}

} // namespace

// An MP3, a hole of a gigabyte, the MP3 again: the audio ends at the hole,
// with or without an info tag to tell the length, and neither the open nor a
// close waits on a walk through the hole. A terabyte's hole after frames of
// 72 bytes is no reason to ask for memory for all the frames it could hold.
TEST_F(MciTest, AGigabyteHoleEndsTheAudioWithoutOpenOrCloseWaitingOnIt)
{
    TempDir dir;
    const std::pair<const char*, std::int64_t> cases[] = {
        { "cbr128_10s.mp3", std::int64_t(1) << 30 },
        { "cbr128_noinfo_10s.mp3", std::int64_t(1) << 30 },
        { "mpeg25_8k_10s.mp3", std::int64_t(1) << 40 },
    };
    for (const auto& [fixture, gap] : cases) {
        ASSERT_EQ(openAsMovie(fixtures::path(fixture)), 0u);
        const std::int64_t alone = length();
        ASSERT_EQ(send("close movie"), 0u);
        const auto holed = dir / fixture;
        writeWithHoles(holed, readFile(fixtures::path(fixture)), gap, 2);

        for (int round = 0; round < 2; ++round) {
            auto start = realtime::Moment::now();
            ASSERT_EQ(openAsMovie(holed), 0u) << fixture;
            const double openMs = workedMsSince(start);
            EXPECT_EQ(length(), alone) << fixture;
            start = realtime::Moment::now();
            ASSERT_EQ(send("close movie"), 0u);
            const double closeMs = workedMsSince(start);
            std::printf("%s with a hole of %lld bytes: open %.1f ms, close %.1f ms\n", fixture,
                static_cast<long long>(gap), openMs, closeMs);
            EXPECT_LT(openMs, 500.0) << fixture;
            EXPECT_LT(closeMs, 500.0) << fixture;
        }
    }
}

// Shorter stretches without frames are looked through, however many there are;
// a walk through many of them stops as soon as it is no longer wanted.
TEST(FrameWalkTest, CrossesGapsUnderTheBoundAndStopsWhenAsked)
{
    TempDir dir;
    const std::string mp3 = readFile(fixtures::path("cbr128_noinfo_10s.mp3"));
    const std::int64_t gap = mp3::kLongestGap - (1 << 20);
    const auto twice = dir / "twice.mp3";
    writeWithHoles(twice, mp3, gap, 2);
    {
        mp3::FileReader whole(fixtures::path("cbr128_noinfo_10s.mp3"));
        mp3::FileReader file(twice);
        const auto layout = mp3::findMp3Layout(file);
        ASSERT_TRUE(layout);
        const auto once = mp3::walkFrames(whole, *mp3::findMp3Layout(whole));
        const auto walk = mp3::walkFrames(file, *layout);
        EXPECT_TRUE(walk.complete);
        EXPECT_EQ(walk.audioFrames, 2 * once.audioFrames);
    }

    // A few frames between holes, over 45 GiB: far longer to read than the
    // wait here, and frames far between, so that only checks for the stop
    // request in the search through a hole end the walk in time.
    const auto many = dir / "many.mp3";
    writeWithHoles(many, mp3.substr(0, 1300), gap, 3000);
    mp3::FileReader file(many);
    const auto layout = mp3::findMp3Layout(file);
    ASSERT_TRUE(layout);
    auto walk = std::make_unique<mp3::BackgroundWalk>(file.fd(), *layout);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const auto start = realtime::Moment::now();
    EXPECT_EQ(walk->seekIndex(), nullptr) << "the walk ended already";
    walk.reset();
    const double stopMs = workedMsSince(start);
    std::printf("stopping a walk through 45 GiB of short holes: %.1f ms\n", stopMs);
    // A walk that does not stop reads on for minutes. The walk's thread
    // takes its waiting along when it ends, so the bound leaves it room.
    EXPECT_LT(stopMs, 2'000.0);
}

// Closing the alias, or all, while a long file opens stops the walk over it:
// the open ends with its own code and leaves nothing open. The walk here
// crosses 200 holes of 15 MiB, far longer than the first close takes to land.
TEST_F(MciTest, AClosedWhileItOpensStopsTheOpensWalk)
{
    TempDir dir;
    const auto holed = dir / "long.mp3";
    writeWithHoles(holed, readFile(fixtures::path("cbr128_noinfo_10s.mp3")), 15 << 20, 200);
    for (const std::string close : { "close movie", "close all" }) {
        SCOPED_TRACE(close);
        auto opened = std::async(std::launch::async, [&] { return openAsMovie(holed); });
        while (opened.wait_for(std::chrono::milliseconds(2)) != std::future_status::ready)
            send(close);
        EXPECT_EQ(opened.get(), mci::MCIERR_CLOSED_WHILE_OPENING);
        EXPECT_EQ(send("status movie mode"), mci::MCIERR_INVALID_DEVICE_NAME);
    }
}
