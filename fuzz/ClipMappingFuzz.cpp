// The frame table of a file and the mapping of two moments to its bytes. The
// first eight bytes are the two moments in milliseconds; the rest is the file.
#include "FuzzInput.h"
#include "platform/mp3/AudioBytes.h"
#include "platform/mp3/FileReader.h"
#include "platform/mp3/FrameTable.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 8)
        return 0;
    std::uint32_t moments[2];
    std::memcpy(moments, data, sizeof moments);
    const fuzz::InputFile input(data + 8, size - 8);
    const auto table = mp3::frameTableOf(input.fd());
    if (!table)
        return 0;
    mp3::FileReader file(input.fd());
    const std::int64_t startMs = std::min(moments[0], moments[1]);
    const std::int64_t endMs = std::max(moments[0], moments[1]);
    const mp3::AudioBytes bytes = mp3::audioBytesOf(*table, startMs, endMs, &file);
    if (!bytes.bare) {
        const auto fileBytes = static_cast<std::int64_t>(size - 8);
        fuzz::require(0 <= bytes.start && bytes.start <= bytes.end && bytes.end <= bytes.runEnd
                && bytes.runEnd <= fileBytes,
            "a clip runs forward within its run and within the file");
    }
    return 0;
}
