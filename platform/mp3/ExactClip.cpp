#include "platform/mp3/ExactClip.h"

#include "platform/mp3/ClipTags.h"
#include "platform/mp3/FileReader.h"
#include "platform/mp3/FirstFramesRebuild.h"
#include "platform/mp3/FrameTable.h"
#include "platform/mp3/InfoFrameWriter.h"
#include "platform/mp3/Mp3Layout.h"
#include "platform/mp3/SampleTime.h"

#include <algorithm>
#include <limits>

namespace mp3 {

namespace {

    // Samples a layer III decoder puts out before the first one that carries
    // sound; a gapless decoder drops them besides the encoder's delay.
    constexpr std::int64_t kDecoderDelay = 529;
    constexpr std::int64_t kGranule = 576;
    // A granule's output is made 32 samples at a time by a synthesis filter
    // that reaches back over the 15 slots of 32 before it.
    constexpr std::int64_t kSlot = 32;
    constexpr std::int64_t kSlotsRemembered = 15;
    // The farthest a frame's bit reservoir reaches back.
    constexpr int kLongestReach = 511;

    // The first frame a decoder must start from to give the sample `sample`
    // (counted from the start of the decoded frames) exactly as it does when
    // it decodes the whole file. Each granule's sound overlaps the one before
    // it, and the synthesis filter remembers the slots before the sample's
    // own: back to the granule that holds those slots, and one more for the
    // overlap into that one.
    std::int64_t firstFrameFor(std::int64_t sample, std::int64_t samplesPerFrame)
    {
        const std::int64_t granule = sample / kGranule;
        const bool slotsInOwnGranule = (sample % kGranule) / kSlot >= kSlotsRemembered;
        const std::int64_t overlapped = (slotsInOwnGranule ? granule : granule - 1) - 1;
        return overlapped <= 0 ? 0 : overlapped / (samplesPerFrame / kGranule);
    }

    std::vector<std::uint8_t> bytesOf(FileReader& file, std::int64_t offset, std::int64_t count)
    {
        if (count <= 0)
            return {};
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(count));
        bytes.resize(file.read(offset, bytes.data(), bytes.size()));
        return bytes;
    }

    // The frames listed before `first`, enough of them for their main data
    // to hold the longest reservoir, oldest first.
    std::vector<std::vector<std::uint8_t>> framesBefore(
        FileReader& file, const FrameTable& table, std::size_t first)
    {
        std::vector<std::vector<std::uint8_t>> frames;
        int held = 0;
        for (std::size_t at = first; at > 0 && held <= kLongestReach;) {
            const FrameTable::Frame frame = table[--at];
            frames.push_back(bytesOf(file, frame.offset, frame.bytes));
            // At least what follows the largest header, CRC and side information.
            held += std::max(1, frame.bytes - 38);
        }
        std::reverse(frames.begin(), frames.end());
        return frames;
    }

    // One bit rate throughout: each frame the size of the first, give or
    // take its padding byte.
    bool oneBitRate(const FrameTable& table, std::size_t first, std::size_t last)
    {
        int smallest = std::numeric_limits<int>::max(), largest = 0;
        for (std::size_t at = first; at <= last; ++at) {
            smallest = std::min(smallest, table[at].bytes);
            largest = std::max(largest, table[at].bytes);
        }
        return largest - smallest <= 1;
    }

} // namespace

std::optional<ExactClip> exactClipOf(FileReader& file, const Mp3Layout& layout,
    const FrameTable& table, std::int64_t startMs, std::int64_t endMs)
{
    const auto frames = std::int64_t(table.size());
    const std::int64_t perFrame = table.samplesPerFrame();
    if (frames == 0 || perFrame <= 0)
        return std::nullopt;
    // Samples of the device's timeline, and where they lie among the
    // decoded frames.
    const std::int64_t trim = table.trimmedSamples;
    const std::int64_t startSample
        = samplesAtMs(std::max<std::int64_t>(startMs, 0), table.sampleRate());
    const std::int64_t endSample
        = std::min(samplesAtMs(endMs, table.sampleRate()), frames * perFrame - trim);
    if (startSample >= endSample)
        return std::nullopt;
    const std::int64_t last = (endSample + trim - 1) / perFrame;

    // Layer I and II have no info frame a decoder reads (it would play as
    // one frame more) and no reservoir: the whole frames of the section are
    // what comes closest.
    const auto plainClip = [&] {
        const AudioBytes plain = audioBytesOf(table, startMs, endMs, &file);
        return ExactClip { {}, plain.start, plain.end, false, 0 };
    };
    if (layout.header.layer != 3)
        return plainClip();

    const auto first = std::size_t(firstFrameFor(startSample + trim, perFrame));
    const FrameTable::Frame firstFrame = table[first];
    const std::vector<std::uint8_t> firstBytes = bytesOf(file, firstFrame.offset, firstFrame.bytes);
    const auto earlier = framesBefore(file, table, first);
    const std::vector<std::span<const std::uint8_t>> earlierSpans(earlier.begin(), earlier.end());
    std::int64_t leadIn = startSample + trim - std::int64_t(first) * perFrame;
    // The decoder's own delay comes out of the lead-in: less than that needs
    // a frame of silence in front.
    const auto carrier = reservoirCarrier(earlierSpans, firstBytes, leadIn < kDecoderDelay);
    if (!carrier)
        return plainClip();

    ExactClip clip;
    clip.exact = true;
    clip.leadInSamples = leadIn;
    clip.rawStart = firstFrame.offset;
    clip.rawEnd = table[std::size_t(last)].end();
    if (!carrier->empty())
        leadIn += perFrame;
    const std::int64_t clipFrames = (carrier->empty() ? 0 : 1) + last - std::int64_t(first) + 1;

    InfoFrameFields fields;
    fields.frames = std::uint32_t(clipFrames);
    fields.freeFormatBytes = layout.freeFormatBytes;
    fields.encoderDelay = int(leadIn - kDecoderDelay);
    fields.padding
        = int(clipFrames * perFrame + kDecoderDelay - leadIn - (endSample - startSample));
    const bool varying = !oneBitRate(table, first, std::size_t(last));
    if (varying)
        fields.seekTable.emplace();
    const std::vector<std::uint8_t> header = bytesOf(file, firstFrame.offset, 4);
    const auto sized = makeInfoFrame(header, fields);
    if (!sized)
        return plainClip();
    const std::int64_t infoBytes = std::int64_t(sized->size());
    const std::int64_t streamBytes
        = infoBytes + std::int64_t(carrier->size()) + clip.rawEnd - clip.rawStart;
    if (streamBytes > std::numeric_limits<std::uint32_t>::max())
        return std::nullopt;
    fields.bytes = std::uint32_t(streamBytes);
    if (varying) {
        // Where each hundredth of the clip's frames starts.
        for (std::size_t step = 0; step < 100; ++step) {
            const std::int64_t frame = clipFrames * std::int64_t(step) / 100;
            std::int64_t offset = infoBytes;
            if (!carrier->empty() && frame > 0)
                offset += std::int64_t(carrier->size())
                    + table[first + std::size_t(frame - 1)].offset - clip.rawStart;
            else if (carrier->empty())
                offset += table[first + std::size_t(frame)].offset - clip.rawStart;
            (*fields.seekTable)[step]
                = std::uint8_t(std::min<std::int64_t>(255, offset * 256 / streamBytes));
        }
    }
    const auto info = makeInfoFrame(header, fields);
    if (!info)
        return std::nullopt;

    clip.head = clipTagsOf(bytesOf(file, 0, layout.audioStart));
    clip.head.insert(clip.head.end(), info->begin(), info->end());
    clip.head.insert(clip.head.end(), carrier->begin(), carrier->end());
    return clip;
}

std::optional<ExactClip> findExactClip(int fd, std::int64_t startMs, std::int64_t endMs)
{
    FileReader file(fd);
    FrameTableLookup lookup(file);
    const auto table = lookup.find().table;
    if (!table || !lookup.layout())
        return std::nullopt;
    return exactClipOf(file, *lookup.layout(), *table, startMs, endMs);
}

} // namespace mp3
