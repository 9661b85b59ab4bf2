#pragma once

#include <cstdint>

namespace mp3 {

class FileReader;

// True when the bytes at `offset` open a file of audio in another format: a
// WAV file whose samples are not MPEG audio, an AIFF, FLAC, Ogg or MP4 file.
// Such files are no MP3s however their bytes look: the samples of quiet PCM
// sound are full of 0xFF bytes, which line up as a run of frame headers often
// enough, and a decoder then plays them as silence or noise. A WAV file that
// wraps MPEG audio is not one of them.
bool startsOtherAudioFormat(FileReader& file, std::int64_t offset);

} // namespace mp3
