#pragma once

#include "platform/audio/AudioOutput.h"
#include "platform/audio/PlaybackSession.h"
#include "platform/mci/MciSendString.h"
#include "platform/mci/Mp3File.h"

#include <cstdint>
#include <memory>
#include <optional>

namespace mci {

// The `mpegvideo` device with one MP3 file loaded: stopped at 0 after opening,
// then playing, paused or stopped as commanded; at the end of what it plays it
// stops, its position on the last sample. Times are milliseconds. Every call
// returns at once: the decoding and the sound run on their own threads.
class MpegVideoDevice {
public:
    enum class Mode { Stopped, Playing, Paused };

    MpegVideoDevice(Mp3File file, audio::AudioOutput& output);
    ~MpegVideoDevice();
    MpegVideoDevice(const MpegVideoDevice&) = delete;
    MpegVideoDevice& operator=(const MpegVideoDevice&) = delete;

    std::int64_t lengthMs() const;
    // False when no sound device could be opened and it plays without sound.
    bool audible() const { return !output_.silent(); }
    std::int64_t positionMs();
    Mode mode();

    // Plays from `fromMs` (default: where it is) to `toMs` (default: the end).
    MciResult play(std::optional<std::int64_t> fromMs, std::optional<std::int64_t> toMs);
    MciResult pause();
    MciResult resume();
    MciResult stop();
    // Moves to `ms` and leaves the device stopped.
    MciResult seek(std::int64_t ms);

private:
    // Notices the end of a stretch that has played out.
    void update();
    void endSession();
    MciResult startSession(std::int64_t from, std::int64_t to);
    std::int64_t samplesAt(std::int64_t ms) const;
    std::int64_t msAt(std::int64_t sample) const;

    Mp3File file_;
    audio::AudioOutput& output_;
    Mode mode_ = Mode::Stopped;
    // Where the device stands while it is not playing, in samples.
    std::int64_t position_ = 0;
    // Where the current or paused stretch ends, in samples.
    std::int64_t playEnd_ = 0;
    std::unique_ptr<audio::PlaybackSession> session_;
};

} // namespace mci
