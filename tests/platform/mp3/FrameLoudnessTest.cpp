#include "platform/mp3/FrameLoudness.h"

#include <gtest/gtest.h>
#include <vector>

using namespace mp3;

namespace {

// Writes fields one after the other, most significant bit first, as an
// encoder lays out side information.
class BitWriter {
public:
    explicit BitWriter(std::vector<std::uint8_t>& bytes, int firstBit)
        : bytes_(bytes)
        , bit_(firstBit)
    {
    }
    void put(int count, unsigned value)
    {
        for (int i = count - 1; i >= 0; --i, ++bit_)
            if ((value >> i) & 1)
                bytes_[std::size_t(bit_ / 8)] |= std::uint8_t(0x80 >> (bit_ % 8));
    }

private:
    std::vector<std::uint8_t>& bytes_;
    int bit_;
};

struct Granule {
    unsigned codedBits; // part2_3_length
    unsigned globalGain;
};

// A frame's side information with the given granules (granule by granule,
// channel by channel), every other field all ones so that a gain read at the
// wrong bit reads some of them.
std::vector<std::uint8_t> frameWith(const MpegFrameHeader& header, std::vector<Granule> granules)
{
    const bool mpeg1 = header.version == MpegFrameHeader::Version::Mpeg1;
    const int channels = header.mono ? 1 : 2;
    std::vector<std::uint8_t> frame(64, 0);
    BitWriter side(frame, 8 * header.sideInfoOffset());
    side.put(mpeg1 ? 9 : 8, 0x1FF); // main_data_begin
    side.put(mpeg1 ? (header.mono ? 5 : 3) : (header.mono ? 1 : 2), 0x1F); // private bits
    if (mpeg1)
        side.put(4 * channels, 0xFF); // scale factor sharing
    for (const Granule& granule : granules) {
        side.put(12, granule.codedBits);
        side.put(9, 0x1FF); // big_values
        side.put(8, granule.globalGain);
        side.put(mpeg1 ? 4 : 9, 0x1FF); // scalefac_compress
        side.put(1, 1); // window switching
        side.put(22, 0x3FFFFF); // block type, tables, gains
        side.put(mpeg1 ? 3 : 2, 0x7); // preflag, scalefac_scale, count1 table
    }
    return frame;
}

MpegFrameHeader headerOf(MpegFrameHeader::Version version, bool mono, bool crc)
{
    MpegFrameHeader header;
    header.version = version;
    header.mono = mono;
    header.crcProtected = crc;
    return header;
}

} // namespace

// The loudest gain among the granules and channels that carry coded sound,
// for every shape of side information; 0 when none carries any.
TEST(FrameLoudnessTest, ByteIsTheLoudestGainOfTheGranulesWithSound)
{
    using V = MpegFrameHeader::Version;
    const struct {
        MpegFrameHeader header;
        std::vector<Granule> granules;
        int expected;
    } cases[] = {
        { headerOf(V::Mpeg1, false, false), { { 900, 140 }, { 1, 200 }, { 70, 170 }, { 5, 90 } },
            200 },
        { headerOf(V::Mpeg1, false, true), { { 0, 250 }, { 300, 161 }, { 0, 240 }, { 9, 97 } },
            161 },
        { headerOf(V::Mpeg1, true, false), { { 4095, 212 }, { 2, 213 } }, 213 },
        { headerOf(V::Mpeg1, true, true), { { 12, 120 }, { 0, 181 } }, 120 },
        { headerOf(V::Mpeg2, false, false), { { 0, 201 }, { 0, 202 } }, 0 },
        { headerOf(V::Mpeg2, false, true), { { 18, 77 }, { 2000, 255 } }, 255 },
        { headerOf(V::Mpeg25, true, false), { { 640, 199 } }, 199 },
        { headerOf(V::Mpeg2, true, true), { { 0, 199 } }, 0 },
    };
    for (const auto& c : cases) {
        const auto frame = frameWith(c.header, c.granules);
        EXPECT_EQ(frameLoudnessByte(frame.data(), c.header), c.expected)
            << "case with expected " << c.expected;
    }
}
