#pragma once

namespace audio {

class PlaybackFeed;

// Where a stretch of playback sends its feed: the sound device in the
// program, a recorder in tests.
class SoundOutput {
public:
    virtual ~SoundOutput() = default;

    // Readies the sound system; false when nothing could ever play.
    // Called from the command thread.
    virtual bool prepare() = 0;
    // Starts playing `feed` beside any others; false when it cannot. Needs a
    // prepared output; may be called from any thread. The feed must stay
    // until detached.
    virtual bool attach(PlaybackFeed& feed) = 0;
    // Stops playing `feed`; once this returns it is no longer used. Detaching
    // a feed that is not attached does nothing.
    virtual void detach(PlaybackFeed& feed) = 0;
};

} // namespace audio
