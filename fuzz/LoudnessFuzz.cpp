// The readers of a file's loudness: from the side information of each frame,
// and by decoding the whole file.
#include "FuzzInput.h"
#include "platform/mp3/LoudnessDecode.h"
#include "platform/mp3/LoudnessScan.h"
#include "platform/mp3/MpegFrameHeader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // One frame, as the scan reads it, wherever a header starts in the input.
    for (std::size_t at = 0; at + 4 <= size; ++at) {
        const auto header = mp3::parseFrameHeader(data + at);
        if (!header)
            continue;
        (void)mp3::frameLoudnessDb(data + at, size - at, *header);
        const bool whole = header->layer == 3
            && mp3::loudnessBytesRead(*header) <= header->frameBytes
            && static_cast<std::size_t>(header->frameBytes) <= size - at;
        if (whole) {
            const std::uint8_t loudness = mp3::frameLoudnessByte(data + at, *header);
            if (const auto read = mp3::frameLoudnessReaderFor(*header))
                fuzz::require(read(data + at) == loudness, "both readers of a frame agree");
        }
        break;
    }
    const fuzz::InputFile input(data, size);
    (void)mp3::scanLoudness(input.path(), 64, [](const mp3::LoudnessProfile&) {});
    (void)mp3::decodeLoudness(input.path(), 0.1, 16, [](const mp3::DecodedLoudness&) {});
    return 0;
}
