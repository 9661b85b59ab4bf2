// The walk from frame header to frame header, over damage and gaps; and the
// same walk split in two at a point the input's last byte picks, which must
// find exactly what one thread finds.
#include "FuzzInput.h"
#include "platform/mp3/FileReader.h"
#include "platform/mp3/FrameWalker.h"
#include "platform/mp3/Mp3Layout.h"

namespace {

bool sameTables(const mp3::FrameTable& one, const mp3::FrameTable& other)
{
    if (one.size() != other.size() || one.bare() != other.bare())
        return false;
    for (std::size_t i = 0; i < one.size(); ++i) {
        const auto a = one[i], b = other[i];
        if (a.offset != b.offset || a.bytes != b.bytes || a.stepBack != b.stepBack
            || a.startsRun != b.startsRun)
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const fuzz::InputFile input(data, size);
    mp3::FileReader file(input.fd());
    const auto layout = mp3::findMp3Layout(file);
    if (!layout)
        return 0;
    const mp3::FrameWalk walk = mp3::walkFrames(file, *layout);
    fuzz::require(walk.complete, "an unstopped walk ends complete");
    fuzz::require(static_cast<std::int64_t>(walk.table.size()) == walk.audioFrames,
        "the table lists every frame counted");

    const auto splitAt = static_cast<std::int64_t>(size * data[size - 1] / 255);
    const mp3::FrameWalk halves
        = mp3::walkFrames(file, *layout, {}, mp3::WalkSplit { splitAt, true });
    fuzz::require(halves.audioFrames == walk.audioFrames && halves.complete == walk.complete
            && sameTables(halves.table, walk.table) && halves.loudness == walk.loudness
            && halves.index.step == walk.index.step && halves.index.offsets == walk.index.offsets,
        "a walk split in two finds what one thread finds");
    return 0;
}
