// A walk split in two finds exactly what one thread finds, wherever the split
// falls, and takes over the second thread's frames only where it met them.

#include "platform/mp3/FileReader.h"
#include "platform/mp3/FrameWalker.h"
#include "tests/support/Fixtures.h"
#include "tests/support/MpegFrames.h"
#include "tests/support/TempFiles.h"

#include <gtest/gtest.h>

using namespace mpegframes;

namespace {

struct Split {
    std::int64_t at;
    bool joins; // the walk takes over frames from the second thread
};

struct Row {
    const char* what;
    std::string bytes;
    std::vector<Split> splits;
    bool stopped = false;
};

std::string fixture(const char* name)
{
    return tempfiles::readFile(fixtures::path(name));
}

std::vector<Row> rows()
{
    const std::string cbr = fixture("cbr128_60s.mp3");
    const auto cbrBytes = std::int64_t(cbr.size());
    const std::string half = cbr.substr(0, cbr.size() / 2);
    const std::string rest = cbr.substr(cbr.size() / 2);
    const std::int64_t halfBytes = std::int64_t(half.size());
    const std::string bare = fixture("stepped_cbr_bare.mp3");
    const std::string vbr = fixture("stepped_vbr_noinfo.mp3");
    const std::string free = fixture("stepped_free.mp3");
    const std::int64_t tagged = 510 + cbrBytes; // where the second file's tag starts
    // 64 kbit/s at 32 kHz (288 bytes) with a header of the same stream 100
    // bytes into frames 700 to 702: a run of three false frames.
    const std::string fakeRun = times(1500, [](int i) {
        std::string out = layer3();
        if (i >= 700 && i <= 702)
            out.replace(100, 4, layer3().substr(0, 4));
        return out;
    });
    constexpr std::int64_t kHole = std::int64_t(17) << 20;
    return {
        { "CBR with an info frame", cbr,
            { { cbrBytes / 2, true }, { cbrBytes / 8 + 3, true },
                // The info frame comes first, where the walk from the start
                // does not go; 100 frames before the end are too few to take.
                { 0, false }, { cbrBytes - 100 * 418, false }, { cbrBytes + 1000, false },
                { -5, false } } },
        { "bare CBR, from its first byte", bare, { { 0, true }, { 7, true } } },
        { "VBR", vbr, { { std::int64_t(vbr.size()) / 8, true } } },
        { "free format", free, { { std::int64_t(free.size()) / 8 + 1, true } } },
        // MPEG-2 at 8 kbit/s with a CRC: 24-byte frames, each with one byte of
        // coded sound, so a reservoir reaches up to 255 frames back. 300,000
        // frames: the seek points thin out while the second half is taken over.
        { "reservoirs 255 frames deep",
            times(300'000, [](int i) { return frame(0xF2, 0x14, 0, 24, (i * 37) % 256, false); }),
            { { 24 * 700 - 2, true }, { 24 * 150'000 + 7, true },
                // Last frames: 514 are taken, 513 are not.
                { 24 * (300'000 - 514) - 5, true }, { 24 * (300'000 - 513) - 5, false } } },
        { "a bit rate change past the split",
            times(1500, [](int i) { return i < 1200 ? layer3() : frame(0xFB, 0x68, 0, 360); }),
            { { 288 * 400, true } } },
        { "MPEG-2.5 with reservoirs",
            times(1500, [](int i) { return frame(0xE3, 0x48, 0, 288, i % 4 ? 0 : 200, false); }),
            { { 288 * 500 + 100, true } } },
        // A decoder passes over a first frame whose next has another channel
        // count: the walk from the start never meets it. Further on, frames
        // 700 to 719 are mono; the second thread starts on the last.
        { "layer II, mono now and then",
            times(1500,
                [](int i) {
                    return frame(0xFD, 0x48, i == 0 || (i >= 700 && i < 720) ? 0xC0 : 0, 288);
                }),
            { { 0, false }, { 288 * 719, true }, { 288 * 600 + 1, true } } },
        { "two files joined, each with its tag and info frame", id3v2(500) + cbr + id3v2(500) + cbr,
            { { tagged, true }, { tagged + 10, true } } },
        { "damage at the split", half + std::string(3000, '\x55') + rest,
            { { halfBytes, true }, { halfBytes + 1500, true } } },
        { "a run of 0xFF bytes at the split", half + std::string(100 << 10, '\xFF') + rest,
            { { halfBytes, true }, { halfBytes + 50'000, true },
                { halfBytes + (100 << 10) - 1, true } } },
        // Split before the false run, the second thread syncs on it; split
        // after its first false frame, on the real frame after it.
        { "a false run of frames", fakeRun,
            { { 288 * 700 + 50, false }, { 288 * 700 + 101, true } } },
        // The audio ends where 16 MiB go by without a frame: the second
        // thread finds none in the hole, or stops at it as the first does.
        { "a hole longer than a walk looks through",
            times(1200, [](int) { return layer3(); }) + std::string(kHole, '\0')
                + times(600, [](int) { return layer3(); }),
            { { 288 * 100, true }, { 288 * 1200 + (1 << 19), false } } },
        { "stopped before it starts", cbr, { { cbrBytes / 2, false } }, true },
    };
}

mp3::FrameWalk walk(const std::filesystem::path& file, mp3::WalkSplit split, bool stopped)
{
    mp3::FileReader reader(file);
    const auto layout = mp3::findMp3Layout(reader).value();
    std::stop_source stop;
    if (stopped)
        stop.request_stop();
    return mp3::walkFrames(reader, layout, stop.get_token(), split);
}

void expectSameWalk(
    const mp3::FrameWalk& split, const mp3::FrameWalk& alone, const std::string& what)
{
    EXPECT_EQ(split.audioFrames, alone.audioFrames) << what;
    EXPECT_EQ(split.complete, alone.complete) << what;
    EXPECT_EQ(split.table.bare(), alone.table.bare()) << what;
    EXPECT_EQ(split.table.trimmedSamples, alone.table.trimmedSamples) << what;
    EXPECT_EQ(split.loudness, alone.loudness) << what;
    EXPECT_EQ(split.index.step, alone.index.step) << what;
    EXPECT_EQ(split.index.offsets, alone.index.offsets) << what;
    ASSERT_EQ(split.table.size(), alone.table.size()) << what;
    for (std::size_t i = 0; i < alone.table.size(); ++i) {
        const auto one = split.table[i], other = alone.table[i];
        if (one.offset != other.offset || one.bytes != other.bytes || one.stepBack != other.stepBack
            || one.startsRun != other.startsRun) {
            ADD_FAILURE() << what << ": frame " << i << " differs (step back " << one.stepBack
                          << " for " << other.stepBack << ")";
            return;
        }
    }
}

} // namespace

TEST(WalkSplitTest, FindsWhatOneThreadFindsWhereverTheSplitFalls)
{
    const tempfiles::TempDir dir;
    for (const Row& row : rows()) {
        const auto file = dir / "walked.mp3";
        tempfiles::writeFile(file, row.bytes);
        const mp3::FrameWalk alone = walk(file, {}, row.stopped);
        EXPECT_EQ(alone.complete, !row.stopped) << row.what;
        for (const Split& split : row.splits) {
            const std::string what
                = std::string(row.what) + ", split at " + std::to_string(split.at);
            const mp3::FrameWalk halves = walk(file, { split.at, true }, row.stopped);
            expectSameWalk(halves, alone, what);
            EXPECT_EQ(halves.tailFrames > 0, split.joins) << what;
            // Without waiting, whether it takes over depends on the machine.
            expectSameWalk(walk(file, { split.at }, row.stopped), alone, what + ", no wait");
        }
    }
}
