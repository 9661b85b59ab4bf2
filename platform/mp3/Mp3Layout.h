#pragma once

#include "platform/mp3/MpegFrameHeader.h"

#include <cstdint>
#include <optional>

namespace mp3 {

class FileReader;

// The frame count and stream size an encoder wrote into the first frame
// (a Xing, Info or LAME header), when it did.
struct InfoTag {
    std::optional<std::uint32_t> frames;
    std::optional<std::uint32_t> bytes;
    // Samples of silence the encoder put before the sound (the extension
    // after the Xing fields, as LAME writes it).
    std::optional<int> encoderDelay;
};

// Where the MPEG audio frames of a file lie: after any ID3v2 tags at the start,
// before any ID3v1, APE or Lyrics3 tags at the end.
struct Mp3Layout {
    std::int64_t audioStart = 0;
    std::int64_t audioEnd = 0;
    // Offset and header of the first frame, which may be the info-tag frame.
    std::int64_t firstFrame = 0;
    MpegFrameHeader header;
    std::optional<InfoTag> infoTag;
    // The unpadded size of every frame of a free-format stream; 0 otherwise.
    int freeFormatBytes = 0;

    // Offset of the first frame that carries audio.
    std::int64_t firstAudioFrame() const
    {
        return infoTag ? firstFrame + header.frameBytes : firstFrame;
    }
};

// Samples per channel that gapless decoding drops from the start of a file of
// this layout: the encoder's delay its info tag tells plus the decoder's own
// delay; 0 when no tag tells a delay. What a decoder open on the file trims,
// without opening one.
std::int64_t gaplessTrimOf(const Mp3Layout& layout);

// Finds the layout, or nothing when the file holds no run of MPEG audio frames
// near its start (empty, text, random bytes, a cut-off header).
std::optional<Mp3Layout> findMp3Layout(FileReader& file);

// True when a frame of the stream starts at `offset` and the frame after it
// either starts a frame of the same stream too or ends exactly at `end`.
// Free-format frames count only when `freeFormatBytes` gives their size.
bool frameChainStartsAt(FileReader& file, std::int64_t offset, std::int64_t end,
    const MpegFrameHeader* sameStreamAs, int framesWanted, int freeFormatBytes = 0);

} // namespace mp3
