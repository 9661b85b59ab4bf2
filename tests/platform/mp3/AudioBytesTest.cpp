// Streams built frame by frame, with every offset known: the marks map to
// the frame holding the start, stepped back over the frame before it and the
// frames the bit reservoirs of the two draw on, never across a discontinuity,
// and to the end of the frame that completes the end, whatever lies around
// the frames.

#include "platform/mp3/AudioBytes.h"
#include "platform/mp3/FileReader.h"
#include "platform/mp3/Mp3Layout.h"
#include "tests/support/Fixtures.h"
#include "tests/support/MpegFrames.h"
#include "tests/support/TempFiles.h"

#include <gtest/gtest.h>

using namespace mpegframes;

namespace {

struct Marks {
    std::int64_t startMs, endMs;
    std::int64_t start, end, runEnd;
};

struct Row {
    const char* what;
    std::string bytes;
    std::vector<Marks> marks;
};

std::string plain(int)
{
    return layer3();
}

// MPEG-2, 24 kHz, 64 kbit/s: a 192-byte frame of 24 ms drawing `reservoir`
// bytes and announcing `bits` of coded sound in its first channel.
std::string announcing(int reservoir, int bits)
{
    std::string out = frame(0xF3, 0x84, 0, 192, reservoir, false);
    // part2_3_length, from bit 10 of the side information
    out[5] = char(bits >> 6), out[6] = char((bits & 0x3F) << 2);
    return out;
}

// 64 kbit/s at 32 kHz: 288-byte frames of 36 ms (MPEG-2.5 at 8 kHz: 72 ms).
std::vector<Row> rows()
{
    const std::string lyrics = std::string("LYRICSBEGIN") + std::string(9, 'x') + "000020LYRICS200";
    std::string ape = std::string("APETAGEX") + std::string(24, '\0');
    ape[8] = char(0xD0), ape[9] = char(0x07), ape[12] = 32; // version 2000, size 32
    const std::string id3v1 = "TAG" + std::string(125, ' ');
    const auto reservoirAt = [](int at, int reservoir, bool crc = false) {
        return [=](int i) { return layer3(i == at ? reservoir : 0, crc); };
    };
    return {
        // Frame 5 draws 300 bytes: all 252 of frame 4 and 48 of frame 3. The
        // frame after the hole starts a run and steps back over nothing.
        // Elsewhere a frame that draws on no reservoir steps back one frame.
        { "hole",
            times(8, reservoirAt(5, 300)) + std::string(100, '\0') + times(8, reservoirAt(0, 200)),
            { { 190, 250, 864, 2016, 2304 }, { 289, 576, 2404, 4708, 4708 },
                // Frame 6 draws on no reservoir, but the frame before it
                // draws on two frames: three back. An end on a frame bound
                // takes no frame after it.
                { 230, 250, 864, 2016, 2304 }, { 40, 144, 0, 1152, 2304 } } },
        { "ID3v2 in mid-file", times(6, plain) + id3v2(90) + times(6, reservoirAt(1, 100)),
            { { 257, 370, 1828, 3268, 3556 }, { 40, 170, 0, 1440, 1728 } } },
        { "APE and Lyrics3 at the end, marks at 0, at the length and past it",
            times(6, plain) + lyrics + ape,
            { { 0, 216, 0, 1728, 1728 }, { 100, 5000, 288, 1728, 1728 },
                { 300, 400, 1728, 1728, 1728 } } },
        { "MPEG-2.5",
            id3v2(0)
                + times(
                    6, [](int i) { return frame(0xE3, 0x48, 0, 288, i == 3 ? 200 : 0, false); }),
            { { 217, 300, 586, 1450, 1738 } } },
        // Bytes where layer III keeps its reservoir count mean nothing here.
        { "layer II", times(6, [](int) { return frame(0xFD, 0x48, 0, 288, 255); }) + id3v1,
            { { 100, 200, 288, 1728, 1728 } } },
        // Mono frames (0, 4 and the first after the hole) among stereo ones.
        // A decoder passes over a first frame whose next has another channel
        // count: the file plays from frame 1, a clip starts where the mono
        // frame plays in its midst (frame 2) or, at the start of a run, after it.
        { "layer II with mono frames",
            times(8, [](int i) { return frame(0xFD, 0x48, i % 4 == 0 ? 0xC0 : 0, 288); })
                + std::string(100, '\0')
                + times(4, [](int i) { return frame(0xFD, 0x48, i == 0 ? 0xC0 : 0, 288); }),
            { { 0, 36, 288, 576, 2304 }, { 150, 200, 576, 2016, 2304 },
                { 260, 300, 2692, 2980, 3556 } } },
        // With the CRC the side information starts 2 bytes later and a frame
        // carries 250 bytes of sound: 251 reach two frames back.
        { "CRC-protected", id3v2(0) + times(6, reservoirAt(4, 251, true)),
            { { 145, 180, 586, 1450, 1738 } } },
        // A gapless decoder drops 576 + 529 samples: the marks lie a frame later.
        { "info frame telling the encoder's delay", infoFrame(6, 576) + times(6, plain),
            { { 40, 100, 576, 1440, 2016 } } },
        // MPEG-2, 24 kHz, 8 kbit/s with a CRC: 24-byte frames of 24 ms, each
        // with a single byte of sound, so 90 bytes of reservoir are 90 frames.
        { "reservoir 90 frames deep",
            id3v2(0)
                + times(
                    130, [](int i) { return frame(0xF2, 0x14, 0, 24, i == 120 ? 90 : 0, false); }),
            { { 2890, 2950, 730, 2962, 3130 } } },
        // MPEG-2, 24 kHz, 64 kbit/s: 192-byte frames of 24 ms with 171 bytes
        // of sound. Frame 4 announces 1,400 bits, more than it holds: a
        // decoder that starts there warns, so the clip starts a frame earlier.
        { "first frame announcing more sound than it holds",
            id3v2(0)
                + times(8,
                    [](int i) {
                        return announcing(i == 4 ? 50 : i == 5 ? 100 : 0, i == 4 ? 1400 : 0);
                    }),
            { { 150, 160, 586, 1354, 1546 } } },
        // The same frames, frame 3 drawing 20 bytes and announcing 1,000 bits
        // (171 bytes hold 1,368): a decoder starts there without a word, so
        // the clip does too. After the gap the first frame announces more
        // than it holds, but a clip never reaches back across the gap.
        { "first frame whose sound fits in its own bytes, and one after a gap",
            id3v2(0)
                + times(8,
                    [](int i) {
                        return announcing(i == 3 ? 20 : i == 4 ? 50 : 0, i == 3 ? 1000 : 0);
                    })
                + std::string(100, '\0')
                + times(4,
                    [](int i) {
                        return announcing(i == 0 ? 20 : i == 1 ? 50 : 0, i == 0 ? 1400 : 0);
                    }),
            { { 125, 140, 586, 1162, 1546 }, { 250, 260, 1646, 2222, 2414 } } },
        // The largest free-format frame (26.1 ms at 44.1 kHz).
        { "3,456-byte free format", times(6, [](int) { return frame(0xFB, 0x00, 0, 3456); }),
            { { 30, 60, 0, 10368, 20736 } } },
        { "info frame counting too many frames", infoFrame(1000) + times(6, plain),
            { { 80, 216, 576, 2016, 2016 }, { 100, 10'000, 576, 2016, 2016 } } },
        // The second file's info frame is a silent frame of the first one's stream.
        { "two files joined",
            infoFrame(4) + times(4, reservoirAt(1, 100)) + id3v2(90) + infoFrame(4)
                + times(4, reservoirAt(1, 100)),
            { { 40, 100, 288, 1152, 1440 }, { 217, 250, 1828, 2404, 2980 } } },
        // 300-byte frames, the third padded to 301: 264 and 265 bytes of sound.
        { "free format",
            times(6,
                [](int i) {
                    return frame(
                        0xFB, i == 2 ? 0x0A : 0x08, 0, i == 2 ? 301 : 300, i == 3 ? 300 : 0);
                }),
            { { 109, 180, 300, 1501, 1801 } } },
    };
}

TEST(AudioBytesTest, MarksMapToFrameBoundsOfTheirRun)
{
    tempfiles::TempDir dir;
    for (const Row& row : rows()) {
        SCOPED_TRACE(row.what);
        const auto file = dir / "stream.mp3";
        tempfiles::writeFile(file, row.bytes);
        for (const Marks& m : row.marks) {
            SCOPED_TRACE(testing::Message() << m.startMs << " to " << m.endMs << " ms");
            const auto bytes = mp3::findAudioBytes(file, m.startMs, m.endMs);
            ASSERT_TRUE(bytes);
            EXPECT_FALSE(bytes->bare);
            EXPECT_EQ(bytes->start, m.start);
            EXPECT_EQ(bytes->end, m.end);
            EXPECT_EQ(bytes->runEnd, m.runEnd);
        }
    }
}

} // namespace
