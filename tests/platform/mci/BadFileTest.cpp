#include "MciSession.h"
#include "platform/mp3/FileReader.h"
#include "platform/mp3/FrameWalker.h"
#include "tests/support/FifoRelease.h"
#include "tests/support/RealTime.h"
#include "tests/support/WaveFiles.h"

#include <chrono>
#include <functional>
#include <future>
#include <random>
#include <sys/stat.h>

using namespace mcitest;

namespace {

std::string randomBytes(std::size_t count, unsigned seed)
{
    std::mt19937 random(seed);
    std::string bytes(count, '\0');
    for (char& byte : bytes)
        byte = char(random() & 0xFF);
    return bytes;
}

} // namespace

TEST_F(MciTest, FilesWithoutPlayableAudioFailToOpenAndLeaveNothingOpen)
{
    TempDir dir;
    const std::string good = readFile(fixtures::path("cbr128_10s.mp3"));
    writeFile(dir / "empty.mp3", "");
    writeFile(dir / "text.mp3", "This is not music at all.\nJust a few lines of text.\n");
    writeFile(dir / "random.mp3", randomBytes(100000, 1));
    writeFile(dir / "header-only.mp3", good.substr(0, 600));
    // A tag that claims 200 KB in a file that ends after it.
    writeFile(
        dir / "tag-only.mp3", readFile(fixtures::path("id3v2_big_10s.mp3")).substr(0, 150000));
    // Quiet PCM, whose bytes hold chains of what look like frame headers, in
    // a WAV file and as big-endian samples in an AIFF one.
    const std::string quiet = wavefiles::ditheredSilence(20);
    writeFile(dir / "quiet.wav", wavefiles::waveFile(quiet));
    writeFile(dir / "quiet.aiff", "FORM" + std::string(4, '\0') + "AIFFCOMM" + quiet);

    EXPECT_EQ(openAsMovie(dir / "missing.mp3"), mci::MCIERR_FILE_NOT_FOUND);
    for (const char* name : { "empty.mp3", "text.mp3", "random.mp3", "header-only.mp3",
             "tag-only.mp3", "quiet.wav", "quiet.aiff" }) {
        EXPECT_EQ(openAsMovie(dir / name), mci::MCIERR_CANNOT_LOAD_DRIVER) << name;
        EXPECT_EQ(send("status movie mode"), mci::MCIERR_INVALID_DEVICE_NAME) << name;
    }
    // The alias is free for the next file, and an MP3 in a WAV wrapper plays
    // as the bare file does.
    EXPECT_EQ(openAsMovie(fixtures::path("cbr128_10s.mp3")), 0u);
    const std::int64_t bareLength = length();
    ASSERT_EQ(send("close movie"), 0u);
    writeFile(dir / "wrapped.wav", wavefiles::waveFile(good, 0x55));
    EXPECT_EQ(openAsMovie(dir / "wrapped.wav"), 0u);
    EXPECT_EQ(length(), bareLength);
}

// Opening a FIFO waits for a writer, and a device may wait on its hardware:
// such names are refused at once, without touching what is behind them.
TEST_F(MciTest, NamesOfAnythingButARegularFileAreRefusedAtOnce)
{
    TempDir dir;
    const auto fifo = dir / "x.mp3";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    std::filesystem::create_directory(dir / "folder.mp3");
    for (const std::filesystem::path& name : { fifo, dir / "folder.mp3",
             std::filesystem::path("/dev/zero"), std::filesystem::path("/dev/null") }) {
        const auto start = std::chrono::steady_clock::now();
        auto opened = std::async(std::launch::async, [&] { return openAsMovie(name); });
        if (opened.wait_for(std::chrono::seconds(2)) == std::future_status::timeout) {
            ADD_FAILURE() << name << " blocks the open";
            fifos::releaseFifoReader(fifo);
        }
        EXPECT_EQ(opened.get(), mci::MCIERR_NOT_A_FILE) << name;
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
        EXPECT_EQ(send("status movie mode"), mci::MCIERR_INVALID_DEVICE_NAME) << name;
    }
}

TEST_F(MciTest, ACutOffFilePlaysToWhereItEnds)
{
    TempDir dir;
    const std::string whole = readFile(fixtures::path("short_0_5s.mp3"));
    writeFile(dir / "cut.mp3", whole.substr(0, whole.size() * 6 / 10));
    ASSERT_EQ(openAsMovie(dir / "cut.mp3"), 0u);
    const std::int64_t cutLength = length();
    EXPECT_GT(cutLength, 150);
    EXPECT_LT(cutLength, 400);
    const auto played = std::chrono::steady_clock::now();
    ASSERT_EQ(send("play movie"), 0u);
    EXPECT_EQ(modeOncePlayed(), "stopped");
    const std::chrono::duration<double, std::milli> playedMs
        = std::chrono::steady_clock::now() - played;
    EXPECT_EQ(position(), cutLength);
    EXPECT_GE(playedMs.count() + 2, double(cutLength)) << "stopped before its sound was heard";
}

// Playing reads the file that was opened, not whatever its name names now:
// one removed, or replaced by one of another rate, plays on to its end.
TEST_F(MciTest, AFileRemovedOrReplacedWhileOpenPlaysAsItWasOpened)
{
    for (const bool replaced : { false, true }) {
        SCOPED_TRACE(replaced ? "replaced" : "removed");
        TempDir dir;
        const auto copy = dir / "going.mp3";
        writeFile(copy, readFile(fixtures::path("cbr128_10s.mp3")));
        ASSERT_EQ(openAsMovie(copy), 0u);
        const std::int64_t opened = length();
        std::filesystem::remove(copy);
        if (replaced)
            writeFile(copy, readFile(fixtures::path("mono22k_10s.mp3")));
        ASSERT_EQ(send("play movie from 9500"), 0u);
        std::string now = mode();
        for (int waited = 0; now != "stopped" && waited < 10'000; waited += 20) {
            sleepMs(20);
            now = mode();
        }
        EXPECT_EQ(now, "stopped");
        EXPECT_EQ(position(), opened);
        EXPECT_EQ(send("close movie"), 0u);
    }
}

// Runs of 0xFF bytes, where no header can start, are passed over at about
// the speed of reading them; every frame between them is counted. The bound
// leaves vast room for a loaded machine: a search that tries a chain at each
// of the 60 MiB of 0xFF bytes takes over a second.
TEST_F(MciTest, RunsOfFFBytesBetweenFramesOpenInAboutTheTimeOfReadingThem)
{
    TempDir dir;
    const auto source = fixtures::path("cbr128_noinfo_10s.mp3");
    mp3::FileReader reader(source);
    const auto layout = mp3::findMp3Layout(reader);
    ASSERT_TRUE(layout);
    const auto frames = mp3::walkFrames(reader, *layout).table;
    const std::string forty = readFile(source).substr(0, std::size_t(frames[39].end()));
    const std::string gap(std::size_t(15) << 20, '\xFF');
    const auto file = dir / "gaps.mp3";
    writeFile(file, forty + gap + forty + gap + forty + gap + forty + gap + forty);

    const auto timed = [](const std::function<void()>& work) {
        const auto start = std::chrono::steady_clock::now();
        work();
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
            .count();
    };
    const double readMs = timed([&] {
        std::ifstream in(file, std::ios::binary);
        std::vector<char> block(1 << 20);
        while (in.read(block.data(), std::streamsize(block.size())) || in.gcount() > 0) { }
    });
    // The first open of a process also starts its sound system.
    ASSERT_EQ(openAsMovie(source), 0u);
    ASSERT_EQ(send("close movie"), 0u);
    const double openMs = timed([&] { ASSERT_EQ(openAsMovie(file), 0u); });
    std::printf("open %.1f ms, read %.1f ms\n", openMs, readMs);
    // 200 frames of 1152 samples at 44.1 kHz.
    EXPECT_EQ(length(), 5224);
    EXPECT_LT(openMs, (3 * readMs + 800) * realtime::kCheckedBuildSlowdown);
}

// A file cut short while it is walked reads as zeros past its new end, so
// the walk ends there instead of the program ending on a bus error.
TEST_F(MciTest, AFileCutShortUnderTheWalkEndsItWhereItWasCut)
{
    TempDir dir;
    const auto file = dir / "cut.mp3";
    writeFile(file, readFile(fixtures::path("cbr128_noinfo_10s.mp3")));
    mp3::FileReader reader(file);
    const auto layout = mp3::findMp3Layout(reader);
    ASSERT_TRUE(layout);
    std::int64_t cutAt = 0;
    const auto run = mp3::visitFrames(reader, *layout, [&](const mp3::FrameSeen& frame) {
        if (frame.number == 10) {
            cutAt = frame.offset + frame.header.frameBytes;
            std::filesystem::resize_file(file, std::uintmax_t(cutAt));
        }
        return true;
    });
    EXPECT_EQ(run.audioFrames, 11);
    EXPECT_EQ(run.audioEnd, cutAt);
    EXPECT_TRUE(reader.truncated());
    EXPECT_FALSE(mp3::walkFrames(reader, *layout).complete);
}
