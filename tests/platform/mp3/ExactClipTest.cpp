// Exact clips, decoded by libmpg123: the first frames of a clip decode as in
// the whole file once a carrier frame holds their bit reservoir, the info
// frame's delay, padding and frame count read back as written, and a clip
// cut from a file decodes to exactly the marked samples.

#include "platform/mp3/ExactClip.h"
#include "platform/mp3/ClipTags.h"
#include "platform/mp3/FileReader.h"
#include "platform/mp3/FirstFramesRebuild.h"
#include "platform/mp3/FrameTable.h"
#include "platform/mp3/FrameWalker.h"
#include "platform/mp3/InfoFrameWriter.h"
#include "platform/mp3/Mp3Decoder.h"
#include "platform/mp3/Mp3Layout.h"
#include "tests/support/DecodedSound.h"
#include "tests/support/Fixtures.h"
#include "tests/support/MpegFrames.h"
#include "tests/support/TempFiles.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes readFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return { std::istreambuf_iterator<char>(in), {} };
}

void writeFile(const std::filesystem::path& path, const Bytes& bytes)
{
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

using Decoded = decodedsound::Pcm;

Decoded decode(const std::filesystem::path& path)
{
    return decodedsound::decodePcm(path);
}

// The largest difference between `clip` from sample `clipFrom` on and
// `source` from `sourceFrom` on, over `count` samples (per channel).
int largestDifference(const Decoded& source, std::int64_t sourceFrom, const Decoded& clip,
    std::int64_t clipFrom, std::int64_t count)
{
    const auto channels = std::int64_t(source.channels);
    int largest = 0;
    for (std::int64_t i = 0; i < count * channels; ++i)
        largest = std::max(largest,
            std::abs(int(source.samples[std::size_t(sourceFrom * channels + i)])
                - int(clip.samples[std::size_t(clipFrom * channels + i)])));
    return largest;
}

struct Walked {
    Bytes bytes;
    mp3::FrameTable table;
};

Walked walk(const std::filesystem::path& path)
{
    mp3::FileReader file(path);
    const auto layout = mp3::findMp3Layout(file);
    EXPECT_TRUE(layout);
    return { readFile(path), mp3::walkFrames(file, *layout).table };
}

std::span<const std::uint8_t> frameBytes(const Walked& walked, std::size_t number)
{
    const auto frame = walked.table[number];
    return std::span(walked.bytes).subspan(std::size_t(frame.offset), std::size_t(frame.bytes));
}

int reservoirOf(std::span<const std::uint8_t> frame)
{
    return mp3::reservoirBytes(frame.data(), *mp3::parseFrameHeader(frame.data()));
}

} // namespace

// Each row cuts a file without an info frame at the first frame whose bit
// reservoir lies in a range, puts the carrier in front and decodes: from the
// frame the decoder's overlap has filled in on (one frame later at MPEG-1,
// two at the half rates, whose frames hold one granule), every sample is the
// whole file's, but for libmpg123's rounding of one in a few.
TEST(ExactClipTest, FirstFramesDecodeAsInTheWholeFile)
{
    struct Row {
        const char* file;
        int fewestBytes, mostBytes;
        int overlapFrames;
    };
    const Row rows[] = {
        { "cbr128_noinfo_10s.mp3", 0, 0, 1 },
        { "cbr128_noinfo_10s.mp3", 1, 120, 1 },
        { "cbr128_noinfo_10s.mp3", 480, 511, 1 },
        { "vbr_noinfo_10s.mp3", 400, 511, 1 },
        { "mono64_crc_noinfo_10s.mp3", 1, 200, 1 },
        { "mono64_crc_noinfo_10s.mp3", 300, 511, 1 },
        { "mpeg2_noinfo_10s.mp3", 100, 255, 2 },
        { "mpeg2_mono_crc_noinfo_10s.mp3", 1, 255, 2 },
        { "mpeg25_8k_10s.mp3", 50, 255, 2 },
    };
    tempfiles::TempDir dir;
    constexpr std::size_t kClipFrames = 12;
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.file) + " reservoir " + std::to_string(row.fewestBytes));
        const Walked source = walk(fixtures::path(row.file));
        std::size_t first = 0;
        while (first + kClipFrames < source.table.size()
            && (reservoirOf(frameBytes(source, first)) < row.fewestBytes
                || reservoirOf(frameBytes(source, first)) > row.mostBytes))
            ++first;
        ASSERT_LT(first + kClipFrames, source.table.size()) << "no frame draws that much";

        std::vector<std::span<const std::uint8_t>> earlier;
        for (std::size_t at = 0; at < first; ++at)
            earlier.push_back(frameBytes(source, at));
        const auto carrier = mp3::reservoirCarrier(earlier, frameBytes(source, first), false);
        ASSERT_TRUE(carrier);
        EXPECT_EQ(carrier->empty(), row.mostBytes == 0);
        Bytes clip = *carrier;
        const auto from = std::size_t(source.table[first].offset);
        const auto to = std::size_t(source.table[first + kClipFrames].offset);
        clip.insert(clip.end(), source.bytes.begin() + std::ptrdiff_t(from),
            source.bytes.begin() + std::ptrdiff_t(to));
        writeFile(dir / "clip.mp3", clip);

        const Decoded whole = decode(fixtures::path(row.file));
        const Decoded cut = decode(dir / "clip.mp3");
        const std::int64_t perFrame = source.table.samplesPerFrame();
        const std::int64_t carried = carrier->empty() ? 0 : perFrame;
        ASSERT_EQ(std::int64_t(cut.samples.size()) / cut.channels,
            carried + std::int64_t(kClipFrames) * perFrame);
        const std::int64_t settled = row.overlapFrames * perFrame;
        EXPECT_LE(largestDifference(whole, std::int64_t(first) * perFrame + settled, cut,
                      carried + settled, std::int64_t(kClipFrames) * perFrame - settled),
            1);
    }
}

// What libmpg123 makes of the info frame's fields: the samples it trims from
// the start (the delay and its own 529) and the length it gives.
TEST(ExactClipTest, InfoFrameFieldsReadBack)
{
    struct Row {
        const char* what;
        std::string frame; // one audio frame of the stream
        int delay, padding;
        bool seekTable;
        std::int64_t samplesPerFrame;
    };
    const Row rows[] = {
        { "MPEG-1 stereo, one bit rate", mpegframes::layer3(), 576, 1500, false, 1152 },
        { "MPEG-1 stereo with CRC, varying", mpegframes::layer3(0, true), 4095, 529, true, 1152 },
        // MPEG-2, 24 kHz, 32 kbit/s, mono: 96 bytes.
        { "MPEG-2 mono", mpegframes::frame(0xF3, 0x44, 0xC0, 96, 0, false), 0, 4095, false, 576 },
    };
    tempfiles::TempDir dir;
    constexpr int kFrames = 40;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const Bytes header(row.frame.begin(), row.frame.begin() + 4);
        mp3::InfoFrameFields fields { kFrames, 0, row.delay, row.padding, std::nullopt };
        if (row.seekTable)
            fields.seekTable.emplace();
        auto info = mp3::makeInfoFrame(header, fields);
        ASSERT_TRUE(info);
        Bytes stream = *info;
        for (int i = 0; i < kFrames; ++i)
            stream.insert(stream.end(), row.frame.begin(), row.frame.end());
        writeFile(dir / "info.mp3", stream);

        const Decoded decoded = decode(dir / "info.mp3");
        EXPECT_EQ(decoded.trim, row.delay + 529);
        EXPECT_EQ(decoded.length, kFrames * row.samplesPerFrame - row.delay - row.padding);
        EXPECT_EQ(std::int64_t(decoded.samples.size()) / decoded.channels, decoded.length);
    }
    // Twelve bits each, no more.
    EXPECT_FALSE(mp3::makeInfoFrame(Bytes { 0xFF, 0xFB, 0x58, 0x00 }, { 1, 0, 4096, 0, {} }));
    EXPECT_FALSE(mp3::makeInfoFrame(Bytes { 0xFF, 0xFB, 0x58, 0x00 }, { 1, 0, 0, -1, {} }));
}

// A clip cut from a file, tags and all, decodes to exactly the marked
// samples: with an info frame and varying bit rate, bare from 0 ms, and in
// free format (at the stream's own frame size).
TEST(ExactClipTest, ClipDecodesToTheMarkedSamples)
{
    struct Row {
        const char* file;
        std::int64_t startMs, endMs;
        std::int64_t firstSample, samples; // at 44.1 kHz
    };
    const Row rows[] = {
        { "vbr_info_10s.mp3", 1'234, 4'321, 54'419, 136'137 },
        { "id3v2_big_10s.mp3", 5'003, 9'999, 220'632, 220'324 },
        { "cbr128_noinfo_10s.mp3", 0, 1'000, 0, 44'100 },
        { "free_noinfo_10s.mp3", 2'000, 3'000, 88'200, 44'100 },
    };
    tempfiles::TempDir dir;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.file);
        const auto path = fixtures::path(row.file);
        mp3::FileReader file(path);
        const auto layout = mp3::findMp3Layout(file);
        ASSERT_TRUE(layout);
        mp3::FrameWalk walked = mp3::walkFrames(file, *layout);
        walked.table.trimmedSamples = mp3::gaplessTrimOf(*layout);
        const auto clip = mp3::exactClipOf(file, *layout, walked.table, row.startMs, row.endMs);
        ASSERT_TRUE(clip && clip->exact);
        const Bytes source = readFile(path);
        Bytes bytes = clip->head;
        bytes.insert(bytes.end(), source.begin() + clip->rawStart, source.begin() + clip->rawEnd);
        writeFile(dir / "clip.mp3", bytes);

        const Decoded whole = decode(path);
        const Decoded cut = decode(dir / "clip.mp3");
        ASSERT_EQ(std::int64_t(cut.samples.size()) / cut.channels, row.samples);
        EXPECT_LE(largestDifference(whole, row.firstSample, cut, 0, row.samples), 1);
    }
}

// The tags keep the title and their size; the whole file's length is gone.
TEST(ExactClipTest, TagsLoseTheLengthOnly)
{
    const auto frame = [](const std::string& id, const std::string& body) {
        return id + std::string { 0, 0, 0, char(body.size()), 0, 0 } + body;
    };
    const std::string frames = frame("TIT2", std::string("\0Song", 5))
        + frame("TLEN",
            std::string("\0"
                        "215000",
                7));
    std::string tag { 'I', 'D', '3', 3, 0, 0, 0, 0, 0, 60 };
    tag += frames + std::string(60 - frames.size(), '\0');
    const Bytes kept = mp3::clipTagsOf(Bytes(tag.begin(), tag.end()));
    const std::string out(kept.begin(), kept.end());
    EXPECT_EQ(out.size(), tag.size());
    EXPECT_NE(out.find("TIT2"), std::string::npos);
    EXPECT_EQ(out.find("TLEN"), std::string::npos);
    EXPECT_EQ(out.substr(0, 10), tag.substr(0, 10));
}

// An encoder that protects its frames with a CRC still writes the info frame
// right after the side information, as decoders look for it: the delay it
// tells must count, or every mark of the file maps a frame and more off.
TEST(ExactClipTest, InfoFrameOfAProtectedStreamIsFound)
{
    tempfiles::TempDir dir;
    const std::string stream = mpegframes::infoFrame(8, 576, true)
        + mpegframes::times(8, [](int) { return mpegframes::layer3(0, true); });
    writeFile(dir / "crc.mp3", Bytes(stream.begin(), stream.end()));
    mp3::FileReader file(dir / "crc.mp3");
    const auto layout = mp3::findMp3Layout(file);
    ASSERT_TRUE(layout && layout->infoTag);
    EXPECT_EQ(layout->infoTag->encoderDelay, 576);
    EXPECT_EQ(layout->firstAudioFrame(), 288);
}
