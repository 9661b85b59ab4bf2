#include "platform/mp3/LoudnessScan.h"

#include "platform/mp3/FileReader.h"
#include "platform/mp3/FrameWalker.h"
#include "platform/mp3/Mp3Layout.h"
#include "platform/mp3/SharedWalks.h"

#include <algorithm>

namespace mp3 {

namespace {

    constexpr std::int64_t kFramesPerProgress = 4096;
    // A single frame's gain jumps with every attack; a few frames together
    // say how loud the sound is.
    constexpr std::int64_t kLeastFramesPerLevel = 4;

} // namespace

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
    const auto add = [&](std::int64_t number, float db) {
        const auto level = std::size_t(number / framesPerLevel);
        if (level >= profile.levelsDb.size()) {
            profile.levelsDb.resize(level + 1, kSilentDb);
            sumsDb.resize(level + 1, 0.0);
            counts.resize(level + 1, 0);
        }
        sumsDb[level] += db;
        profile.levelsDb[level] = float(sumsDb[level] / ++counts[level]);
        anyRead = true;
    };

    // The device's walk of this very file already read every frame's
    // loudness: the file is not read a second time.
    if (const auto identity = identityOf(file.fd())) {
        while (!waitForPendingWalk(*identity, std::chrono::milliseconds(20)))
            if (stop.stop_requested())
                return std::nullopt;
        if (const auto shared = sharedFrameLoudness(*identity); shared && !shared->empty()) {
            for (std::size_t number = 0; number < shared->size(); ++number)
                add(std::int64_t(number), loudnessByteDb((*shared)[number]));
            profile.complete = true;
            if (progress)
                progress(profile);
            return profile;
        }
    }
    // Enough for the side information of any frame of the stream, CRC or not.
    const std::size_t sideInfoEnd = std::size_t(MpegFrameHeader::kHeaderBytes
        + MpegFrameHeader::kCrcBytes + layout->header.sideInfoBytes() + 2);
    const FrameRun run = visitFrames(
        file, *layout,
        [&](const FrameSeen& frame) {
            const std::size_t available
                = std::size_t(std::min<std::int64_t>(sideInfoEnd, frame.header.frameBytes));
            if (const std::uint8_t* bytes = file.bytesAt(frame.offset, available))
                if (const auto db = frameLoudnessDb(bytes, available, frame.header))
                    add(frame.number, *db);
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
