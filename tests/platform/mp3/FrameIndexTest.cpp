#include "platform/mp3/FileReader.h"
#include "platform/mp3/FrameWalker.h"
#include "platform/mp3/Mp3Decoder.h"
#include "tests/support/Fixtures.h"
#include "tests/support/MpegFrames.h"

#include <gtest/gtest.h>
#include <vector>

using namespace mp3;

TEST(FrameIndexTest, KeepsEveryStepthFrameAsItGrows)
{
    FrameIndex index;
    const std::int64_t frames = std::int64_t(FrameIndex::kMaxEntries) * index.step * 5 + 7;
    for (std::int64_t frame = 0; frame < frames; ++frame)
        index.add(frame, frame * 10);
    EXPECT_LE(index.offsets.size(), FrameIndex::kMaxEntries);
    EXPECT_GE(index.offsets.size(), FrameIndex::kMaxEntries / 2);
    for (std::size_t i = 0; i < index.offsets.size(); ++i)
        ASSERT_EQ(index.offsets[i], std::int64_t(i) * index.step * 10) << i;
}

// A frame table keeps offsets up to 4 TiB in its eight bytes a frame, with
// each frame's size, step back and start of a run intact beside them.
TEST(FrameTableTest, KeepsOffsetsUpToFourTiB)
{
    const std::string bytes = mpegframes::layer3();
    const auto header = parseFrameHeader(reinterpret_cast<const std::uint8_t*>(bytes.data()));
    ASSERT_TRUE(header);
    const struct {
        std::int64_t offset;
        bool startsRun;
        int stepBack;
    } frames[] = { { 0, true, 0 }, { (std::int64_t(1) << 40) + 288, true, 0 },
        { (std::int64_t(1) << 42) - 288, false, 1 } };
    FrameTable table;
    for (const auto& frame : frames)
        table.add(frame.offset, *header, header->mainDataBytes(), frame.startsRun, 0);
    for (std::size_t i = 0; i < std::size(frames); ++i) {
        EXPECT_EQ(table[i].offset, frames[i].offset) << i;
        EXPECT_EQ(table[i].bytes, 288) << i;
        EXPECT_EQ(table[i].startsRun, frames[i].startsRun) << i;
        EXPECT_EQ(table[i].stepBack, frames[i].stepBack) << i;
    }
}

// A frame's step back covers the frames its reservoir reaches into and one
// more than the frame before it needed, however deep the reservoir, wherever
// the frame falls among the latest frames kept, and never past a run's start.
TEST(FrameTableTest, StepsBackOverTheFramesTheReservoirReachesInto)
{
    const std::string bytes = mpegframes::layer3();
    const auto header = parseFrameHeader(reinterpret_cast<const std::uint8_t*>(bytes.data()));
    ASSERT_TRUE(header);
    const struct {
        const char* what;
        int codedBytes; // of each frame
        int reservoirBytes; // of each frame
        int runStartsAt; // a second run starts at this frame, or -1
        std::vector<std::pair<int, int>> stepBacks; // frame number, step back
    } cases[] = {
        { "no reservoir", 10, 0, -1, { { 0, 0 }, { 1, 1 }, { 700, 1 } } },
        { "three frames, within the first four counted", 10, 25, -1,
            { { 2, 2 }, { 3, 3 }, { 4, 4 }, { 700, 4 } } },
        { "eight frames, across the wrap of those kept", 10, 80, -1,
            { { 7, 7 }, { 8, 8 }, { 9, 9 }, { 511, 9 }, { 512, 9 }, { 515, 9 }, { 520, 9 } } },
        { "ten frames, past the eight counted at once", 10, 95, -1,
            { { 9, 9 }, { 10, 10 }, { 11, 11 }, { 513, 11 }, { 700, 11 } } },
        { "a run shorter than the reach", 10, 80, 600,
            { { 600, 0 }, { 601, 1 }, { 603, 3 }, { 608, 8 }, { 609, 9 } } },
        { "the deepest reservoir", 1, 511, -1, { { 510, 510 }, { 511, 511 }, { 700, 511 } } },
    };
    for (const auto& c : cases) {
        FrameTable table;
        for (int frame = 0; frame <= 700; ++frame)
            table.add(std::int64_t(frame) * header->frameBytes, *header, c.codedBytes,
                frame == 0 || frame == c.runStartsAt, c.reservoirBytes);
        for (const auto& [frame, stepBack] : c.stepBacks)
            EXPECT_EQ(table[std::size_t(frame)].stepBack, stepBack)
                << c.what << ", frame " << frame;
    }
}

// Seeking through our own index lands where libmpg123's own seeking, which
// reads every frame up to the target, lands: the index numbers frames as
// libmpg123 does, and its offsets still fit a decoder that starts reading past
// the tags. A frame off would give other samples altogether.
TEST(SeekTest, ThroughTheIndexLandsWhereReadingFromTheStartLands)
{
    for (const char* fixture : { "vbr_noinfo_10s.mp3", "vbr_info_10s.mp3", "id3v2_big_10s.mp3",
             "mono22k_10s.mp3", "free_noinfo_10s.mp3" }) {
        const auto path = fixtures::path(fixture);
        FileReader file(path);
        const auto layout = findMp3Layout(file);
        ASSERT_TRUE(layout) << fixture;
        const FrameWalk walk = walkFrames(file, *layout);
        ASSERT_TRUE(walk.complete);
        ASSERT_GT(walk.index.offsets.size(), 5u);

        for (const std::int64_t sample : { 1L, 100000L, 150001L, 200000L }) {
            std::vector<std::uint8_t> expected(4000), actual(4000);
            std::size_t expectedBytes = 0, actualBytes = 0;
            Mp3Decoder reader, seeker;
            ASSERT_TRUE(reader.open(path));
            ASSERT_TRUE(
                seeker.open(path, layout->audioStart, reader.sampleRate(), reader.channels()));
            seeker.useIndex(walk.index);
            ASSERT_TRUE(reader.seek(sample));
            ASSERT_TRUE(seeker.seek(sample));
            ASSERT_EQ(reader.read(expected.data(), expected.size(), expectedBytes),
                Mp3Decoder::Read::Data);
            ASSERT_EQ(
                seeker.read(actual.data(), actual.size(), actualBytes), Mp3Decoder::Read::Data);
            ASSERT_EQ(actualBytes, expectedBytes);
            EXPECT_EQ(actual, expected) << fixture << " at sample " << sample;
        }
    }
}
