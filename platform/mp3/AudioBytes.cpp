#include "platform/mp3/AudioBytes.h"

#include "platform/mp3/FileReader.h"
#include "platform/mp3/FrameWalker.h"
#include "platform/mp3/Mp3Layout.h"
#include "platform/mp3/SampleTime.h"
#include "platform/mp3/SharedWalks.h"

#include <algorithm>
#include <cmath>

namespace mp3 {

namespace {

    constexpr int kMostQuietStartFrames = 4;

    // The sample of the decoded frames that the device plays at `ms`, rounded
    // as the device rounds a position.
    std::int64_t decodedSampleAt(std::int64_t ms, const FrameTable& table)
    {
        return samplesAtMs(std::max<std::int64_t>(ms, 0), table.sampleRate())
            + table.trimmedSamples;
    }

    // Whether a decoder takes `frame` as the first of a stream without a
    // complaint. It has no reservoir to draw on there. At the half and
    // quarter rates (one granule a frame) libmpg123 then decodes what the
    // frame's own bytes hold and warns when the frame announces more coded
    // sound than that; about a first MPEG-1 frame it says nothing either way.
    bool startsQuietly(FileReader& file, const FrameTable::Frame& frame)
    {
        constexpr std::size_t kSideInfoBytes = 4 + 2 + 17;
        const std::uint8_t* bytes = file.bytesAt(
            frame.offset, std::min<std::size_t>(std::size_t(frame.bytes), kSideInfoBytes));
        // Any size will do for a free-format header: the table knows it.
        auto header = bytes ? parseFrameHeader(bytes, frame.bytes) : std::nullopt;
        if (!header || header->version == MpegFrameHeader::Version::Mpeg1
            || header->sideInfoOffset() + header->sideInfoBytes() > frame.bytes)
            return true;
        header->frameBytes = frame.bytes;
        return reservoirBytes(bytes, *header) == 0
            || codedSoundBits(bytes, *header) <= 8 * header->mainDataBytes();
    }

    // Whether `frame` and the one after it differ in channel count: a decoder
    // that starts on the first passes over it unheard (see visitFrames).
    bool channelsChangeAfter(
        FileReader& file, const FrameTable::Frame& frame, const FrameTable::Frame& next)
    {
        const auto isMono = [&](std::int64_t offset) -> std::optional<bool> {
            const std::uint8_t* bytes = file.bytesAt(offset, 4);
            return bytes ? std::optional<bool>((bytes[3] & 0xC0) == 0xC0) : std::nullopt;
        };
        const auto frameMono = isMono(frame.offset);
        const auto nextMono = isMono(next.offset);
        return frameMono && nextMono && *frameMono != *nextMono;
    }

} // namespace

AudioBytes audioBytesOf(
    const FrameTable& table, std::int64_t startMs, std::int64_t endMs, FileReader* file)
{
    const auto frames = std::int64_t(table.size());
    const std::int64_t perFrame = table.samplesPerFrame();
    const std::int64_t audioEnd = table[std::size_t(frames - 1)].end();
    const std::int64_t first = decodedSampleAt(startMs, table) / perFrame;
    if (first >= frames)
        return { false, audioEnd, audioEnd, audioEnd };

    const FrameTable::Frame start = table[std::size_t(first)];
    // The last sample before the end moment completes it.
    const std::int64_t endSample = decodedSampleAt(endMs, table);
    const std::int64_t last
        = std::clamp(endSample > 0 ? (endSample - 1) / perFrame : 0, first, frames - 1);
    auto runLast = std::size_t(last);
    while (runLast + 1 < std::size_t(frames) && !table[runLast + 1].startsRun)
        ++runLast;
    // A first frame the decoder would complain about is a frame of lead-in
    // more, as far as its run goes back (a few frames at most).
    auto from = std::size_t(first - start.stepBack);
    for (int more = 0; file && more < kMostQuietStartFrames && !table[from].startsRun
         && !startsQuietly(*file, table[from]);
         ++more)
        --from;
    // A first frame whose next has another channel count is passed over
    // unheard, and so, in turn, may be the next: the clip starts earlier, on
    // frames that agree, so that the odd one plays in its midst, or else (at
    // the start of a run) on the first frame a decoder plays.
    const auto passedOver = [&](std::size_t at) {
        return file && at < std::size_t(last) && !table[at + 1].startsRun
            && channelsChangeAfter(*file, table[at], table[at + 1]);
    };
    auto agreeing = from;
    for (int more = 0;
         more < kMostQuietStartFrames && !table[agreeing].startsRun && passedOver(agreeing); ++more)
        --agreeing;
    if (!passedOver(agreeing))
        from = agreeing;
    while (passedOver(from))
        ++from;
    return { false, table[from].offset, table[std::size_t(last)].end(), table[runLast].end() };
}

FrameTableLookup::FrameTableLookup(FileReader& file)
    : file_(file)
    , identity_(file.isOpen() ? identityOf(file.fd()) : std::nullopt)
    , layout_(file.isOpen() ? findMp3Layout(file) : std::nullopt)
{
}

namespace {

    std::shared_ptr<const FrameTable> sharedTableOf(const std::optional<FileIdentity>& identity)
    {
        auto shared = identity ? sharedFrameTable(*identity) : nullptr;
        return shared && shared->size() > 0 ? shared : nullptr;
    }

    bool walkPending(const std::optional<FileIdentity>& identity)
    {
        return identity && !waitForPendingWalk(*identity, std::chrono::milliseconds(0));
    }

} // namespace

bool FrameTableLookup::waits() const
{
    return walkPending(identity_) || (!sharedTableOf(identity_) && layout_);
}

FoundFrameTable FrameTableLookup::find(std::stop_token stop)
{
    if (identity_) {
        // Waited for in slices, so that a stop request is seen within one.
        while (!waitForPendingWalk(*identity_, std::chrono::milliseconds(20))) {
            if (auto shared = sharedTableOf(identity_))
                return { shared, false };
            if (stop.stop_requested())
                return {};
        }
        if (auto shared = sharedTableOf(identity_))
            return { shared, false };
    }
    if (!layout_)
        return { nullptr, true };
    FrameWalk walk = walkFrames(file_, *layout_, stop);
    if (walk.table.size() == 0 || (!walk.complete && stop.stop_requested()))
        return { nullptr, true };
    walk.table.trimmedSamples = gaplessTrimOf(*layout_);
    return { std::make_shared<const FrameTable>(std::move(walk.table)), true };
}

std::shared_ptr<const FrameTable> frameTableOf(const std::filesystem::path& path)
{
    FileReader file(path);
    return FrameTableLookup(file).find().table;
}

std::shared_ptr<const FrameTable> frameTableOf(int fd)
{
    FileReader file(fd);
    return FrameTableLookup(file).find().table;
}

AudioBytes audioBytesIn(
    const FrameTable& table, FileReader& file, std::int64_t startMs, std::int64_t endMs)
{
    if (table.bare())
        return AudioBytes { true, 0, 0, 0 };
    return audioBytesOf(table, startMs, endMs, file.isOpen() ? &file : nullptr);
}

std::optional<AudioBytes> findAudioBytes(
    const std::filesystem::path& path, std::int64_t startMs, std::int64_t endMs)
{
    FileReader file(path);
    const auto table = FrameTableLookup(file).find().table;
    if (!table)
        return std::nullopt;
    return audioBytesIn(*table, file, startMs, endMs);
}

std::int64_t audioMsOf(const FrameTable& table)
{
    const std::int64_t samples
        = std::int64_t(table.size()) * table.samplesPerFrame() - table.trimmedSamples;
    return msAtSamples(std::max<std::int64_t>(samples, 0), table.sampleRate());
}

} // namespace mp3
