#include "platform/mp3/OtherAudioFormat.h"

#include "platform/mp3/FileReader.h"

#include <cstring>

namespace mp3 {

namespace {

    // WAV format tags of MPEG audio: layers I and II, and layer III.
    constexpr std::uint16_t kWaveFormatMpeg = 0x0050;
    constexpr std::uint16_t kWaveFormatMpegLayer3 = 0x0055;
    // The tag that names the format in a sub-format field instead.
    constexpr std::uint16_t kWaveFormatExtensible = 0xFFFE;
    // Chunks looked at for the format before the file is left to the frame
    // search: the format chunk comes first in any WAV file seen in practice.
    constexpr int kChunksToLookAt = 64;

    std::uint16_t littleEndian16(const std::uint8_t* p)
    {
        return std::uint16_t(p[0] | (p[1] << 8));
    }

    std::uint32_t littleEndian32(const std::uint8_t* p)
    {
        return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16)
            | (std::uint32_t(p[3]) << 24);
    }

    bool is(const std::uint8_t* bytes, const char* word)
    {
        return std::memcmp(bytes, word, std::strlen(word)) == 0;
    }

    // The format tag of the WAV file whose chunks start at `offset`; 0 when
    // no format chunk is found.
    std::uint16_t waveFormat(FileReader& file, std::int64_t offset)
    {
        for (int chunk = 0; chunk < kChunksToLookAt; ++chunk) {
            const std::uint8_t* header = file.bytesAt(offset, 8);
            if (!header)
                return 0;
            const std::int64_t size = littleEndian32(header + 4);
            if (is(header, "fmt ")) {
                const std::uint8_t* format = size >= 2 ? file.bytesAt(offset + 8, 2) : nullptr;
                if (!format)
                    return 0;
                const std::uint16_t tag = littleEndian16(format);
                const std::uint8_t* subFormat = tag == kWaveFormatExtensible && size >= 26
                    ? file.bytesAt(offset + 32, 2)
                    : nullptr;
                return subFormat ? littleEndian16(subFormat) : tag;
            }
            // Chunks are padded to an even length.
            offset += 8 + size + (size & 1);
        }
        return 0;
    }

} // namespace

bool startsOtherAudioFormat(FileReader& file, std::int64_t offset)
{
    const std::uint8_t* head = file.bytesAt(offset, 12);
    if (!head)
        return false;
    if ((is(head, "RIFF") || is(head, "RF64")) && is(head + 8, "WAVE")) {
        const std::uint16_t format = waveFormat(file, offset + 12);
        return format != 0 && format != kWaveFormatMpeg && format != kWaveFormatMpegLayer3;
    }
    return (is(head, "FORM") && (is(head + 8, "AIFF") || is(head + 8, "AIFC"))) || is(head, "fLaC")
        || is(head, "OggS") || is(head + 4, "ftyp");
}

} // namespace mp3
