#include "platform/mp3/AudioBytes.h"

#include "platform/mp3/FileReader.h"
#include "platform/mp3/FrameWalker.h"
#include "platform/mp3/Mp3Decoder.h"
#include "platform/mp3/Mp3Layout.h"
#include "platform/mp3/SampleTime.h"
#include "platform/mp3/SharedFrameTables.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace mp3 {

namespace {

    // Samples a gapless decoder drops before the first one it plays: only a
    // file whose info frame carries the encoder's delay has any.
    std::int64_t trimmedSamples(const std::filesystem::path& path, const Mp3Layout& layout)
    {
        if (!layout.infoTag)
            return 0;
        Mp3Decoder decoder;
        return decoder.open(path, layout.audioStart) ? decoder.gaplessTrim() : 0;
    }

    // The sample of the decoded frames that the device plays at `ms`, rounded
    // as the device rounds a position.
    std::int64_t decodedSampleAt(std::int64_t ms, const FrameTable& table)
    {
        return samplesAtMs(std::max<std::int64_t>(ms, 0), table.sampleRate())
            + table.trimmedSamples;
    }

} // namespace

AudioBytes audioBytesOf(const FrameTable& table, std::int64_t startMs, std::int64_t endMs)
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
    return { false, table[std::size_t(first - start.stepBack)].offset,
        table[std::size_t(last)].end(), table[runLast].end() };
}

namespace {

    // A walk of its own over `file`, whose trim a decoder reading `path` finds.
    std::shared_ptr<const FrameTable> walkedTable(
        FileReader& file, const std::filesystem::path& path)
    {
        if (!file.isOpen())
            return nullptr;
        const auto layout = findMp3Layout(file);
        if (!layout)
            return nullptr;
        FrameWalk walk = walkFrames(file, *layout);
        if (walk.table.size() == 0)
            return nullptr;
        walk.table.trimmedSamples = trimmedSamples(path, *layout);
        return std::make_shared<const FrameTable>(std::move(walk.table));
    }

    std::optional<AudioBytes> audioBytesIn(
        const std::shared_ptr<const FrameTable>& table, std::int64_t startMs, std::int64_t endMs)
    {
        if (!table)
            return std::nullopt;
        if (table->bare())
            return AudioBytes { true, 0, 0, 0 };
        return audioBytesOf(*table, startMs, endMs);
    }

} // namespace

namespace {

    // The table the device shares for the file with `identity`; when its walk
    // of the file is still under way, waits for that rather than walk again.
    std::shared_ptr<const FrameTable> sharedTable(
        const std::optional<FileIdentity>& identity, const WhileWalkPending& whileWaiting)
    {
        if (!identity)
            return nullptr;
        for (;;) {
            const bool walkEnded = waitForPendingWalk(
                *identity, std::chrono::milliseconds(whileWaiting ? 20 : 60'000));
            if (auto shared = sharedFrameTable(*identity); shared && shared->size() > 0)
                return shared;
            if (walkEnded)
                return nullptr;
            if (whileWaiting)
                whileWaiting();
        }
    }

} // namespace

std::shared_ptr<const FrameTable> frameTableOf(
    const std::filesystem::path& path, const WhileWalkPending& whileWaiting)
{
    if (auto shared = sharedTable(identityOf(path), whileWaiting))
        return shared;
    FileReader file(path);
    return walkedTable(file, path);
}

std::shared_ptr<const FrameTable> frameTableOf(int fd, const WhileWalkPending& whileWaiting)
{
    if (auto shared = sharedTable(identityOf(fd), whileWaiting))
        return shared;
    FileReader file(fd);
    return walkedTable(file, std::filesystem::path("/proc/self/fd") / std::to_string(fd));
}

std::optional<AudioBytes> findAudioBytes(const std::filesystem::path& path, std::int64_t startMs,
    std::int64_t endMs, const WhileWalkPending& whileWaiting)
{
    return audioBytesIn(frameTableOf(path, whileWaiting), startMs, endMs);
}

std::optional<AudioBytes> findAudioBytes(
    int fd, std::int64_t startMs, std::int64_t endMs, const WhileWalkPending& whileWaiting)
{
    return audioBytesIn(frameTableOf(fd, whileWaiting), startMs, endMs);
}

} // namespace mp3
