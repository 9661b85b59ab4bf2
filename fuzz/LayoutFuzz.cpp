// The search for where the frames of a file lie, among tags and damage.
#include "FuzzInput.h"
#include "platform/mp3/FileReader.h"
#include "platform/mp3/Mp3Layout.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const fuzz::InputFile input(data, size);
    mp3::FileReader file(input.fd());
    if (const auto layout = mp3::findMp3Layout(file)) {
        const auto bytes = static_cast<std::int64_t>(size);
        fuzz::require(0 <= layout->audioStart && layout->audioStart <= layout->firstFrame
                && layout->firstFrame < layout->audioEnd && layout->audioEnd <= bytes,
            "the frames lie inside the file, after the tags at its start");
    }
    return 0;
}
