#include "media/MovieModule.h"
#include "platform/runtime/Runtime.h"
#include "tests/media/ScriptedDevice.h"
#include "tests/platform/runtime/FakeSeams.h"

#include <gtest/gtest.h>

namespace {

using Commands = std::vector<std::string>;

struct MovieModuleCommands : testing::Test {
    fakes::FakeSeams seams;
    rt::Runtime runtime { seams.seams() };
    fakes::ScriptedDevice device;
    MovieModule movie { runtime, device.function() };
};

TEST_F(MovieModuleCommands, OpenQuotesTheFileNameAndClosesTheAliasFirst)
{
    movie.Filename = "C:\\a.mp3";
    movie.openMovie();
    EXPECT_EQ(device.commands(),
        (Commands { "close movie", "open \"C:\\a.mp3\" type mpegvideo alias movie" }));
    EXPECT_EQ(movie.Filename, "\"C:\\a.mp3\"");
}

TEST_F(MovieModuleCommands, OpenWithWindowNamesParentAndStyleAndEndsWithABlank)
{
    movie.Filename = "/music/song one.mp3";
    movie.openMovieWindow(1234, "child");
    movie.Filename = "/b.mp3";
    movie.openMovieWindow(-7, "child");
    EXPECT_EQ(device.commands(),
        (Commands { "close movie",
            "open \"/music/song one.mp3\" type mpegvideo alias movie parent 1234 style child ",
            "close movie", "open \"/b.mp3\" type mpegvideo alias movie parent -7 style child " }));
}

TEST_F(MovieModuleCommands, ARepeatedOpenQuotesTheNameAgainAndAnEmptyNameIsSentAsTwoQuotes)
{
    movie.Filename = "a.mp3";
    movie.openMovie();
    movie.openMovie();
    EXPECT_EQ(device.calls[3].command, "open \"\"a.mp3\"\" type mpegvideo alias movie");
    EXPECT_EQ(movie.Filename, "\"\"a.mp3\"\"");

    movie.Filename.clear();
    movie.openMovie();
    EXPECT_EQ(device.calls[5].command, "open \"\" type mpegvideo alias movie");
}

TEST_F(MovieModuleCommands, TheFileNameReachesTheDeviceAsUtf8)
{
    movie.Filename = QString::fromUtf8("/m\u00fcsik/\u00e9t\u00e9.mp3");
    movie.openMovie();
    EXPECT_EQ(device.calls[1].command,
        "open \"/m\xc3\xbcsik/\xc3\xa9t\xc3\xa9.mp3\" type mpegvideo alias movie");
}

TEST_F(MovieModuleCommands, ErrorHoldsTheOpenResultNotTheClose)
{
    device.fail(263); // nothing open under the alias yet
    device.fail(0);
    movie.openMovie();
    EXPECT_EQ(movie.Error, 0);

    device.fail(0);
    device.fail(275);
    movie.openMovie();
    EXPECT_EQ(movie.Error, 275);
}

TEST_F(MovieModuleCommands, TransportCommandsAreSentWithoutReplyAndStoreTheirResult)
{
    const std::pair<void (MovieModule::*)(), const char*> cases[] = {
        { &MovieModule::playMovie, "play movie" },
        { &MovieModule::stopMovie, "stop movie" },
        { &MovieModule::pauseMovie, "pause movie" },
        { &MovieModule::resumeMovie, "resume movie" },
        { &MovieModule::closeMovie, "close all" },
    };
    for (const auto& [operation, command] : cases) {
        device.calls.clear();
        device.fail(263);
        (movie.*operation)();
        ASSERT_EQ(device.calls.size(), 1u) << command;
        EXPECT_EQ(device.calls[0].command, command);
        EXPECT_EQ(device.calls[0].replyLength, 0u);
        EXPECT_EQ(device.calls[0].callbackWindow, 0);
        EXPECT_EQ(movie.Error, 263) << command;

        (movie.*operation)();
        EXPECT_EQ(movie.Error, 0) << command << ": a success clears the earlier code";
    }
}

} // namespace
