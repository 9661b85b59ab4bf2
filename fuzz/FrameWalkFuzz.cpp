// The walk from frame header to frame header, over damage and gaps.
#include "FuzzInput.h"
#include "platform/mp3/FileReader.h"
#include "platform/mp3/FrameWalker.h"
#include "platform/mp3/Mp3Layout.h"

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
    return 0;
}
