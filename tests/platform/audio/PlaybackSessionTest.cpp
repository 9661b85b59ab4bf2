#include "platform/audio/PlaybackSession.h"
#include "platform/audio/PlaybackFeed.h"
#include "platform/audio/SoundOutput.h"
#include "tests/support/Fixtures.h"

#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>
#include <optional>

using namespace audio;

namespace {

// Takes note of how much sound a feed holds when it is attached, and plays nothing.
class RecordingOutput : public SoundOutput {
public:
    bool prepare() override { return true; }
    bool attach(PlaybackFeed& feed) override
    {
        std::lock_guard lock(mutex_);
        framesAtAttach_ = std::int64_t(feed.ring().filled()) / feed.bytesPerFrame();
        attached_.notify_all();
        return true;
    }
    void detach(PlaybackFeed&) override { }

    std::optional<std::int64_t> waitForAttach()
    {
        std::unique_lock lock(mutex_);
        attached_.wait_for(
            lock, std::chrono::seconds(10), [&] { return framesAtAttach_.has_value(); });
        return framesAtAttach_;
    }

private:
    std::mutex mutex_;
    std::condition_variable attached_;
    std::optional<std::int64_t> framesAtAttach_;
};

} // namespace

// The output's first buffer must be sound: the feed goes to the output only
// once it holds plenty, or all of a short stretch.
TEST(PlaybackSessionTest, TheFeedHoldsSoundBeforeTheOutputStarts)
{
    struct Case {
        std::int64_t from, to;
        std::int64_t atLeast, atMost; // frames in the feed when attached
    };
    const PlaybackSource source { fixtures::path("cbr128_10s.mp3"), nullptr, 0, 44100, 2, nullptr };
    for (const Case c : { Case { 0, 441000, 4410, 22050 }, Case { 44100, 45100, 1000, 1000 } }) {
        RecordingOutput output;
        PlaybackSession session(source, output, c.from, c.to);
        ASSERT_TRUE(session.attached());
        const auto frames = output.waitForAttach();
        ASSERT_TRUE(frames) << "never attached, from " << c.from;
        EXPECT_GE(*frames, c.atLeast) << "from " << c.from;
        EXPECT_LE(*frames, c.atMost) << "from " << c.from;
    }
}

// Sound handed over while earlier sound still plays is heard after it: a
// device that asks for its buffers early (SDL's dummy driver runs a few per
// cent fast, and every device asks in a burst at the start) must not move
// the heard clock ahead of the wall clock.
TEST(PlaybackFeedTest, SoundHandedOverEarlyIsHeardAfterWhatPlays)
{
    using namespace std::chrono_literals;
    PlaybackFeed feed(44'100, 2, 500ms);
    const auto first = PlaybackFeed::Clock::now();
    for (std::int64_t frames = 4'410; frames <= 44'100; frames += 4'410)
        feed.handedOver(frames); // ten buffers of 100 ms, all at once
    EXPECT_LE(feed.heardFrames(first + 500ms), 22'050);
    EXPECT_EQ(feed.heardFrames(first + 10s), 44'100) << "all of it is heard in the end";
}
