#include "platform/mci/AudioBytes.h"

#include "platform/mci/FileReader.h"
#include "platform/mci/FrameWalker.h"
#include "platform/mci/Mp3Decoder.h"
#include "platform/mci/Mp3Layout.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace mci {

namespace {

    // Samples a gapless decoder drops before the first one it plays: only a
    // file whose info frame carries the encoder's delay has any.
    std::int64_t trimmedSamples(const std::filesystem::path& path, const Mp3Layout& layout)
    {
        if (!layout.infoTag)
            return 0;
        Mp3Decoder decoder;
        return decoder.open(path) ? decoder.gaplessTrim() : 0;
    }

    // The number of the frame that holds the moment `ms`, counting audio
    // frames from 0, rounded to a sample as the device rounds a position.
    std::int64_t frameAt(std::int64_t ms, std::int64_t trimmed, const MpegFrameHeader& stream)
    {
        const std::int64_t sample
            = std::llround(double(std::max<std::int64_t>(ms, 0)) * stream.sampleRate / 1000.0);
        return (sample + trimmed) / stream.samplesPerFrame;
    }

    // A frame's place and the bytes of coded sound it carries after its
    // header and side information.
    struct RecentFrame {
        std::int64_t offset = 0;
        int soundBytes = 0;
    };
    // More frames than the reservoir can ever reach back over.
    constexpr std::size_t kRecentFrames = 64;

    // How many bytes of a layer III frame's sound lie before its header, in
    // the frames before it; 0 for the other layers, which keep none there.
    int reservoirBytes(FileReader& file, std::int64_t offset, const MpegFrameHeader& frame)
    {
        if (frame.layer != 3)
            return 0;
        const std::uint8_t* bytes = file.bytesAt(offset, 8);
        if (!bytes)
            return 0;
        const std::uint8_t* side = bytes + ((bytes[1] & 0x01) ? 4 : 6);
        return frame.version == MpegFrameHeader::Version::Mpeg1 ? (side[0] << 1) | (side[1] >> 7)
                                                                : side[0];
    }

    int soundBytes(const std::uint8_t* header, const MpegFrameHeader& frame)
    {
        if (frame.layer != 3)
            return 0;
        const int crc = (header[1] & 0x01) ? 0 : 2;
        return std::max(0, frame.frameBytes - 4 - crc - frame.sideInfoBytes());
    }

    // The first byte of the earliest recent frame that holds the `reservoir`
    // bytes before frame number `frame`.
    std::int64_t soundStart(const std::array<RecentFrame, kRecentFrames>& recent,
        std::int64_t frame, std::int64_t offset, int reservoir)
    {
        for (std::int64_t before = frame - 1;
             reservoir > 0 && before >= 0 && frame - before <= std::int64_t(kRecentFrames);
             --before) {
            const RecentFrame& earlier = recent[std::size_t(before) % kRecentFrames];
            offset = earlier.offset;
            reservoir -= earlier.soundBytes;
        }
        return offset;
    }

} // namespace

std::optional<AudioBytes> findAudioBytes(
    const std::filesystem::path& path, std::int64_t startMs, std::int64_t endMs)
{
    FileReader file(path);
    if (!file.isOpen())
        return std::nullopt;
    const auto layout = findMp3Layout(file);
    if (!layout)
        return std::nullopt;

    const std::int64_t trimmed = trimmedSamples(path, *layout);
    const std::int64_t startFrameNo = frameAt(startMs, trimmed, layout->header);
    const std::int64_t endFrameNo = frameAt(endMs, trimmed, layout->header);

    AudioBytes bytes;
    bytes.audioStart = layout->firstAudioFrame();
    bytes.trimmedMs
        = std::int32_t(std::llround(double(trimmed) * 1000.0 / layout->header.sampleRate));
    std::optional<int> bitrate;
    bool mixed = false;
    bool startFound = false;
    bool endFound = false;
    std::array<RecentFrame, kRecentFrames> recent;
    const FrameRun run = visitFrames(file, *layout, [&](const FrameSeen& frame) {
        if (frame.number == startFrameNo) {
            bytes.startSound = soundStart(recent, frame.number, frame.offset,
                reservoirBytes(file, frame.offset, frame.header));
            startFound = true;
        }
        if (frame.number == endFrameNo) {
            bytes.endFrame = frame.offset;
            endFound = true;
        }
        // Only the frames just before the start can hold its sound.
        if (frame.number < startFrameNo
            && frame.number + std::int64_t(kRecentFrames) >= startFrameNo) {
            const std::uint8_t* header = file.bytesAt(frame.offset, 4);
            recent[std::size_t(frame.number) % kRecentFrames]
                = { frame.offset, header ? soundBytes(header, frame.header) : 0 };
        }
        mixed = mixed || (bitrate && *bitrate != frame.header.bitrateKbps);
        bitrate = frame.header.bitrateKbps;
        // Past the end mark only a file whose bit rate never changed needs the
        // rest of the walk: its audio byte count sets its bytes per millisecond.
        return !(mixed && endFound);
    });
    const std::int64_t frames = run.audioFrames;
    if (frames == 0)
        return std::nullopt;
    bytes.audioEnd = run.complete ? run.audioEnd : layout->audioEnd;
    bytes.constantBitrate = !mixed;
    if (!startFound)
        bytes.startSound = bytes.audioEnd;
    if (!endFound)
        bytes.endFrame = bytes.audioEnd;
    return bytes;
}

} // namespace mci
