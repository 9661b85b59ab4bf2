#include "media/MovieModule.h"
#include "platform/runtime/Runtime.h"
#include "platform/runtime/RuntimeError.h"
#include "tests/media/ScriptedDevice.h"
#include "tests/platform/runtime/FakeSeams.h"

#include <gtest/gtest.h>

namespace {

using Commands = std::vector<std::string>;

struct MovieModuleQueries : testing::Test {
    fakes::FakeSeams seams;
    rt::Runtime runtime { seams.seams() };
    fakes::ScriptedDevice device;
    MovieModule movie { runtime, device.function() };

    // Scripts one length or position query: the time format, then the reply.
    void answerQuery(const std::string& reply, std::uint32_t result = 0)
    {
        device.fail(0);
        device.reply(reply, result);
    }
};

TEST_F(MovieModuleQueries, LengthAndPositionSetMillisecondsThenAskWithA128ByteBuffer)
{
    answerQuery("215000");
    EXPECT_EQ(movie.getLengthInMS(), 215000);
    answerQuery("215000");
    EXPECT_EQ(movie.getLengthInSec(), 215);
    answerQuery("1999");
    EXPECT_EQ(movie.getPositionInSec(), 1);
    answerQuery("999");
    EXPECT_EQ(movie.getPositionInMS(), 999);

    EXPECT_EQ(device.commands(),
        (Commands { "set movie time format ms", "status movie length", "set movie time format ms",
            "status movie length", "set movie time format ms", "status movie position wait",
            "set movie time format ms", "status movie position wait" }));
    for (std::size_t i = 0; i < device.calls.size(); ++i) {
        EXPECT_EQ(device.calls[i].replyLength, i % 2 ? 128u : 0u) << i;
        EXPECT_EQ(device.calls[i].callbackWindow, 0);
    }
}

TEST_F(MovieModuleQueries, RepliesAreReadAsNumbersAndRoundedHalfToEven)
{
    const std::pair<std::string, std::int32_t> cases[] = { { "999", 0 }, { "1999", 1 },
        { "-1500", -1 }, { "2500.5", 2 }, { "1999.5", 2 }, { "999.5", 1 }, { "abc", 0 }, { "", 0 },
        { "  42000 ms", 42 }, { "2147483647", 2147483 } };
    for (const auto& [reply, seconds] : cases) {
        answerQuery(reply);
        EXPECT_EQ(movie.getPositionInSec(), seconds) << reply;
    }
    answerQuery("2.5");
    EXPECT_EQ(movie.getLengthInMS(), 2);
    answerQuery("3.5");
    EXPECT_EQ(movie.getLengthInMS(), 4);
}

TEST_F(MovieModuleQueries, AReplyBeyondThirtyTwoBitsRaisesOverflowAndKeepsTheQueryResult)
{
    for (const std::string reply : { "2147483648", "-2147483649", "99999999999999" }) {
        answerQuery(reply, 0);
        movie.Error = 77;
        try {
            movie.getLengthInSec();
            ADD_FAILURE() << reply << ": no error";
        } catch (const rt::RuntimeError& error) {
            EXPECT_EQ(error.number(), rt::err::Overflow) << reply;
        }
        EXPECT_EQ(movie.Error, 0) << "the query's result was stored before the error";
    }
}

TEST_F(MovieModuleQueries, AFailedQueryReadsWhatTheBufferStillHolds)
{
    answerQuery("4321");
    EXPECT_EQ(movie.getPositionInMS(), 4321);
    device.fail(0);
    device.fail(263); // writes nothing
    EXPECT_EQ(movie.getPositionInMS(), 4321);
    EXPECT_EQ(movie.Error, 263);
}

TEST_F(MovieModuleQueries, TheReplyBufferIsNeverClearedPastTheReplysEnd)
{
    device.reply("playing");
    movie.isMoviePlaying();
    device.reply("st");
    movie.isMoviePlaying();
    device.reply("");
    movie.isMoviePlaying();

    // What each query found in the buffer when the device got it.
    ASSERT_EQ(device.calls.size(), 3u);
    EXPECT_EQ(device.calls[0].bufferIn, std::string(128, '\0'));
    EXPECT_EQ(device.calls[1].bufferIn, std::string("playing") + std::string(121, '\0'));
    EXPECT_EQ(device.calls[2].bufferIn, std::string("st\0ying", 7) + std::string(121, '\0'));
}

TEST_F(MovieModuleQueries, PlayingMeansTheFirstSevenCharactersAreExactlyPlaying)
{
    const std::pair<std::string, std::int16_t> cases[]
        = { { "playing", -1 }, { "playing forward", -1 }, { "Playing", 0 }, { "paused", 0 },
              { "stopped", 0 }, { "playin", 0 }, { " playing", 0 }, { "", 0 } };
    for (const auto& [reply, expected] : cases) {
        device.calls.clear();
        device.reply(reply, 0);
        EXPECT_EQ(movie.isMoviePlaying(), expected) << reply;
        EXPECT_EQ(device.commands(), Commands { "status movie mode" });
        EXPECT_EQ(device.calls[0].replyLength, 128u);
    }
    device.reply("playing", 263);
    movie.isMoviePlaying();
    EXPECT_EQ(movie.Error, 263);
}

TEST_F(MovieModuleQueries, AnEarlierPlayingReplyStaysVisibleToAFailedModeQuery)
{
    device.reply("playing");
    EXPECT_EQ(movie.isMoviePlaying(), -1);
    device.fail(263);
    EXPECT_EQ(movie.isMoviePlaying(), -1);
}

TEST_F(MovieModuleQueries, MovingWhilePlayingPlaysFromTheNewPositionAfterOneModeQuery)
{
    device.reply("playing", 0);
    device.fail(263); // the play command fails; its code is dropped
    movie.setPositionTo(5000);
    EXPECT_EQ(device.commands(), (Commands { "status movie mode", "play movie from 5000" }));
    EXPECT_EQ(device.calls[1].replyLength, 0u);
    EXPECT_EQ(movie.Error, 0);
}

TEST_F(MovieModuleQueries, MovingWhilePausedOrStoppedSeeksAfterTwoModeQueries)
{
    device.reply("paused");
    device.reply("stopped", 0);
    device.fail(282);
    movie.setPositionTo(-250);
    EXPECT_EQ(device.commands(),
        (Commands { "status movie mode", "status movie mode", "seek movie to -250" }));
    EXPECT_EQ(movie.Error, 0);

    device.calls.clear();
    device.reply("stopped", 263);
    device.reply("stopped", 266);
    movie.setPositionTo(0);
    EXPECT_EQ(device.commands(),
        (Commands { "status movie mode", "status movie mode", "seek movie to 0" }));
    EXPECT_EQ(movie.Error, 266) << "the last mode query's code";
}

TEST_F(MovieModuleQueries, PlayingStartedBetweenTheTwoModeQueriesSendsNoMove)
{
    device.reply("paused");
    device.reply("playing");
    movie.setPositionTo(5000);
    EXPECT_EQ(device.commands(), (Commands { "status movie mode", "status movie mode" }));
}

} // namespace
