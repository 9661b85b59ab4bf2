#include "platform/mci/AudioBytes.h"

#include "platform/mci/FileReader.h"
#include "platform/mci/Mp3Decoder.h"
#include "platform/mci/Mp3Layout.h"

#include <algorithm>
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
        if (frames == startFrameNo) {
            bytes.startFrame = offset;
            startFound = true;
        }
        if (frames == endFrameNo) {
            bytes.endFrame = offset;
            endFound = true;
        }
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
        bytes.startFrame = bytes.audioEnd;
    if (!endFound)
        bytes.endFrame = bytes.audioEnd;
    return bytes;
}

} // namespace mci
