#include "platform/mp3/LoudnessScan.h"

#include "platform/mp3/FileReader.h"
#include "platform/mp3/FrameWalker.h"
#include "platform/mp3/Mp3Layout.h"

#include <algorithm>
#include <cmath>

namespace mp3 {

namespace {

    // Global gain of a step of 1; each unit above it is 2^(1/4) in amplitude.
    constexpr int kUnitGain = 210;
    constexpr float kDbPerGainStep = 1.5f;
    constexpr std::int64_t kFramesPerProgress = 4096;
    // A single frame's gain jumps with every attack; a few frames together
    // say how loud the sound is.
    constexpr std::int64_t kLeastFramesPerLevel = 4;

    // Reads bits from the most significant on.
    class BitReader {
    public:
        explicit BitReader(const std::uint8_t* bytes)
            : bytes_(bytes)
        {
        }
        unsigned read(int count)
        {
            unsigned value = 0;
            for (int i = 0; i < count; ++i, ++position_)
                value = (value << 1) | ((bytes_[position_ / 8] >> (7 - position_ % 8)) & 1u);
            return value;
        }
        void skip(int count) { position_ += count; }

    private:
        const std::uint8_t* bytes_;
        int position_ = 0;
    };

} // namespace

std::optional<float> frameLoudnessDb(
    const std::uint8_t* frame, std::size_t bytes, const MpegFrameHeader& header)
{
    if (header.layer != 3)
        return std::nullopt;
    const int sideInfoAt = header.sideInfoOffset();
    if (bytes < std::size_t(sideInfoAt + header.sideInfoBytes()))
        return std::nullopt;

    const bool mpeg1 = header.version == MpegFrameHeader::Version::Mpeg1;
    const int channels = header.mono ? 1 : 2;
    const int granules = mpeg1 ? 2 : 1;
    BitReader bits(frame + sideInfoAt);
    // main_data_begin, private bits and, for MPEG-1, the scale factor sharing flags.
    if (mpeg1)
        bits.skip(9 + (header.mono ? 5 : 3) + 4 * channels);
    else
        bits.skip(8 + (header.mono ? 1 : 2));
    // Each granule and channel: part2_3_length, big_values, global_gain, then
    // fields up to the next one that are 4 + 1 + 22 + 3 bits long in MPEG-1
    // and 9 + 1 + 22 + 2 in MPEG-2 and 2.5.
    const int rest = mpeg1 ? 30 : 34;
    int loudestGain = -1;
    for (int g = 0; g < granules * channels; ++g) {
        const unsigned codedBits = bits.read(12);
        bits.skip(9);
        const int gain = int(bits.read(8));
        bits.skip(rest);
        if (codedBits > 0)
            loudestGain = std::max(loudestGain, gain);
    }
    if (loudestGain < 0)
        return kSilentDb;
    return std::max(kSilentDb, kDbPerGainStep * float(loudestGain - kUnitGain));
}

std::optional<LoudnessProfile> scanLoudness(const std::filesystem::path& path, int levelsWanted,
    const LoudnessProgress& progress, std::stop_token stop)
{
    FileReader file(path);
    if (!file.isOpen())
        return std::nullopt;
    const auto layout = findMp3Layout(file);
    if (!layout || layout->header.layer != 3)
        return std::nullopt;

    // The number of frames is known for certain only at the end; the encoder's
    // count, or else the size of the first frame, gives the stretch length.
    std::int64_t framesExpected = 0;
    if (layout->infoTag && layout->infoTag->frames)
        framesExpected = *layout->infoTag->frames;
    else
        framesExpected = (layout->audioEnd - layout->firstAudioFrame()) / layout->header.frameBytes;
    const std::int64_t framesPerLevel = std::max<std::int64_t>(
        kLeastFramesPerLevel, (framesExpected + levelsWanted - 1) / std::max(1, levelsWanted));

    LoudnessProfile profile;
    profile.secondsPerLevel
        = double(framesPerLevel) * layout->header.samplesPerFrame / layout->header.sampleRate;
    std::vector<double> sumsDb;
    std::vector<int> counts;
    bool anyRead = false;
    // Enough for the side information of any frame of the stream, CRC or not.
    const std::size_t sideInfoEnd = std::size_t(MpegFrameHeader::kHeaderBytes
        + MpegFrameHeader::kCrcBytes + layout->header.sideInfoBytes());
    const FrameRun run = visitFrames(
        file, *layout,
        [&](const FrameSeen& frame) {
            const auto level = std::size_t(frame.number / framesPerLevel);
            if (level >= profile.levelsDb.size()) {
                profile.levelsDb.resize(level + 1, kSilentDb);
                sumsDb.resize(level + 1, 0.0);
                counts.resize(level + 1, 0);
            }
            const std::size_t available
                = std::size_t(std::min<std::int64_t>(sideInfoEnd, frame.header.frameBytes));
            if (const std::uint8_t* bytes = file.bytesAt(frame.offset, available)) {
                if (const auto db = frameLoudnessDb(bytes, available, frame.header)) {
                    sumsDb[level] += *db;
                    profile.levelsDb[level] = float(sumsDb[level] / ++counts[level]);
                    anyRead = true;
                }
            }
            if (progress && anyRead && (frame.number + 1) % kFramesPerProgress == 0)
                progress(profile);
            return !stop.stop_requested();
        },
        stop);
    if (!anyRead)
        return std::nullopt;
    profile.complete = run.complete;
    return profile;
}

} // namespace mp3
