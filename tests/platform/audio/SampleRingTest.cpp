#include "platform/audio/SampleRing.h"

#include <gtest/gtest.h>
#include <numeric>
#include <vector>

using namespace audio;

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
