#include "platform/mci/AudioBytes.h"

#include "platform/mci/FileReader.h"
#include "platform/mci/Mp3Decoder.h"
#include "platform/mci/Mp3Layout.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace mci {

namespace {

    // Frames in a row that confirm a resync after damage, as the device's walk
    // takes them, so that both count the same frames.
    constexpr int kFramesToResync = 3;

    // Samples a gapless decoder drops before the first one it plays: only a
    // file whose info frame carries the encoder's delay has any.
    std::int64_t trimmedSamples(const std::filesystem::path& path, const Mp3Layout& layout)
    {
        if (!layout.infoTag)
            return 0;
        Mp3Decoder decoder;
        if (!decoder.open(path) || decoder.encoderDelay() < 0)
            return 0;
        return decoder.encoderDelay() + std::max(0L, decoder.decoderDelay());
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

    std::int64_t resync(
        FileReader& file, std::int64_t from, std::int64_t end, const MpegFrameHeader& stream)
    {
        for (std::int64_t offset = from; offset + 4 <= end; ++offset) {
            const std::uint8_t* bytes = file.bytesAt(offset, 4);
            if (!bytes)
                break;
            if (bytes[0] == 0xFF && frameChainStartsAt(file, offset, end, &stream, kFramesToResync))
                return offset;
        }
        return end;
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
    std::int64_t frames = 0;
    std::int64_t offset = bytes.audioStart;
    std::int64_t lastFrameEnd = bytes.audioStart;
    const std::int64_t end = layout->audioEnd;
    bool stoppedEarly = false;
    std::array<RecentFrame, kRecentFrames> recent;
    while (offset + 4 <= end) {
        // Past the end mark only a file whose bit rate never changed needs the
        // rest of the walk: its audio byte count sets its bytes per millisecond.
        if (mixed && endFound) {
            stoppedEarly = true;
            break;
        }
        const std::uint8_t* header = file.bytesAt(offset, 4);
        if (!header)
            break;
        const auto frame = parseFrameHeader(header);
        if (!frame || !frame->sameStreamAs(layout->header)) {
            offset = resync(file, offset + 1, end, layout->header);
            continue;
        }
        if (offset + frame->frameBytes > end)
            break; // a frame cut off at the end holds no audio that can be decoded
        const int sound = soundBytes(header, *frame); // before `header` moves on
        if (frames == startFrameNo) {
            bytes.startFrame = offset;
            bytes.startSound
                = soundStart(recent, frames, offset, reservoirBytes(file, offset, *frame));
            startFound = true;
        }
        if (frames == endFrameNo) {
            bytes.endFrame = offset;
            endFound = true;
        }
        recent[std::size_t(frames) % kRecentFrames] = { offset, sound };
        mixed = mixed || (bitrate && *bitrate != frame->bitrateKbps);
        bitrate = frame->bitrateKbps;
        ++frames;
        offset += frame->frameBytes;
        lastFrameEnd = offset;
    }
    if (frames == 0)
        return std::nullopt;
    bytes.audioEnd = stoppedEarly ? end : lastFrameEnd;
    bytes.constantBitrate = !mixed;
    if (!startFound)
        bytes.startFrame = bytes.startSound = bytes.audioEnd;
    if (!endFound)
        bytes.endFrame = bytes.audioEnd;
    return bytes;
}

} // namespace mci
