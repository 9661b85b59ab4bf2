#include "platform/mci/FileReader.h"
#include "platform/mci/FrameWalker.h"
#include "platform/mci/Mp3Decoder.h"
#include "platform/mci/SampleRing.h"
#include "tests/support/Fixtures.h"

#include <gtest/gtest.h>
#include <numeric>
#include <vector>

using namespace mci;

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

TEST(SampleRingTest, KeepsBytesInOrderAcrossTheWrap)
{
    SampleRing ring(10);
    std::vector<std::uint8_t> in(7), out(7);
    std::uint8_t next = 0, expected = 0;
    for (int round = 0; round < 20; ++round) {
        std::iota(in.begin(), in.end(), next);
        // In place, a piece up to the wrap at a time; odd rounds write one piece only.
        std::size_t written = 0;
        for (int piece = 0; piece < (round % 2 == 0 ? 2 : 1); ++piece) {
            const auto room = ring.writable();
            const std::size_t count = std::min(room.size(), in.size() - written);
            std::copy_n(in.begin() + std::ptrdiff_t(written), count, room.begin());
            ring.publish(count);
            written += count;
        }
        next = std::uint8_t(next + written);
        EXPECT_LE(ring.filled(), 10u);
        const std::size_t read = ring.read(out.data(), 5);
        for (std::size_t i = 0; i < read; ++i)
            ASSERT_EQ(out[i], expected++);
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
