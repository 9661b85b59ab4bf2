#include "media/MovieModule.h"
#include "platform/runtime/ErrorModes.h"
#include "tests/support/FakeSeams.h"
#include "tests/support/RaisedError.h"
#include "tests/support/RecordingMci.h"

#include <atomic>
#include <cmath>
#include <deque>
#include <future>
#include <gtest/gtest.h>
#include <optional>
#include <sys/resource.h>
#include <thread>
#include <tuple>
#include <unistd.h>

namespace {

using Commands = std::vector<std::string>;

// The controller on a recording device that answers from a script, and a
// fake clock.
struct MovieModuleTest : testing::Test {
    using Reply = harness::RecordingMci::Reply;

    fakes::FakeSeams seams;
    rt::Runtime runtime { seams.seams() };
    harness::RecordingMci device;
    // Answers for the next calls in turn; once it is used up, calls succeed silently.
    std::deque<Reply> script;
    MovieModule movie { runtime, device.function() };

    MovieModuleTest()
    {
        device.answer = [this](const std::string&) {
            const Reply next = script.empty() ? Reply {} : script.front();
            if (!script.empty())
                script.pop_front();
            return next;
        };
    }

    void reply(const std::string& text, std::uint32_t result = 0)
    {
        script.push_back({ text, result });
    }
    // A result code and no reply.
    void fail(std::uint32_t result) { script.push_back({ std::nullopt, result }); }
    // Scripts one length or position query: the time format, then the reply.
    void answerQuery(const std::string& text, std::uint32_t result = 0)
    {
        fail(0);
        reply(text, result);
    }
};

TEST_F(MovieModuleTest, OpenClosesTheAliasThenOpensTheQuotedNameAsUtf8)
{
    const struct {
        QString filename;
        std::optional<std::int32_t> window; // nothing: openMovie
        std::string open;
    } cases[] = {
        { "C:\\a.mp3", {}, "open \"C:\\a.mp3\" type mpegvideo alias movie" },
        // A repeated open quotes the name again; an empty name is two quotes.
        { "\"a.mp3\"", {}, "open \"\"a.mp3\"\" type mpegvideo alias movie" },
        { "", {}, "open \"\" type mpegvideo alias movie" },
        { QString::fromUtf8("/m\u00fcsik/\u00e9t\u00e9.mp3"), {},
            "open \"/m\xc3\xbcsik/\xc3\xa9t\xc3\xa9.mp3\" type mpegvideo alias movie" },
        // With a window: its parent and style, and a blank at the end.
        { "/music/song one.mp3", 1234,
            "open \"/music/song one.mp3\" type mpegvideo alias movie parent 1234 style child " },
        { "/b.mp3", -7, "open \"/b.mp3\" type mpegvideo alias movie parent -7 style child " },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.open);
        device.clear();
        movie.Filename = c.filename;
        if (c.window)
            movie.openMovieWindow(*c.window, "child");
        else
            movie.openMovie();
        EXPECT_EQ(device.commands, (Commands { "close movie", c.open }));
        EXPECT_EQ(movie.Filename, u'"' + c.filename + u'"');
    }

    // Error holds the open's result, not the close's.
    fail(263); // nothing open under the alias yet
    fail(0);
    movie.openMovie();
    EXPECT_EQ(movie.Error, 0);
    fail(0);
    fail(275);
    movie.openMovie();
    EXPECT_EQ(movie.Error, 275);
}

// A long open: the window's events run until the device answers, and a
// handler that runs meanwhile finds the alias not yet open without reaching
// the device, so no second command races the open.
TEST_F(MovieModuleTest, OpenLetsEventsRunAndKeepsHandlersOffTheDeviceUntilItIsAnswered)
{
    std::promise<void> handlerRan;
    std::shared_future<void> ran = handlerRan.get_future().share();
    int openNice = 0;
    device.answer = [ran, &openNice](const std::string& command) {
        if (command.starts_with("open")) {
            openNice = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
            ran.wait_for(std::chrono::seconds(10)); // without events, never set
        }
        return Reply {};
    };
    const int windowNice = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
    bool opening = false;
    seams.duringWait = [&] {
        if (opening)
            return;
        opening = movie.isOpening();
        movie.playMovie();
        EXPECT_EQ(movie.Error, 263);
        movie.getPositionInMS();
        EXPECT_EQ(movie.Error, 263);
        handlerRan.set_value();
    };
    movie.Filename = "a.mp3";
    movie.openMovie();
    EXPECT_TRUE(opening);
    EXPECT_FALSE(movie.isOpening());
    EXPECT_EQ(movie.Error, 0);
    EXPECT_EQ(
        device.commands, (Commands { "close movie", "open \"a.mp3\" type mpegvideo alias movie" }));
    // The open's walk gives way to the window's thread, which keeps its own priority.
    EXPECT_GE(openNice, 10);
    EXPECT_EQ(getpriority(PRIO_PROCESS, static_cast<id_t>(gettid())), windowNice);
}

// The program ends while a long open waits: the alias is closed, which stops
// the open's walk, before the wait for the open, so the end is not held up;
// also when the first close reaches the device before the open does, as
// when the open's thread starts late on a busy machine.
TEST_F(MovieModuleTest, EndingDuringAnOpenClosesTheAliasBeforeWaitingForIt)
{
    std::atomic<int> closes = 0;
    std::atomic<bool> openPending = false;
    std::atomic<bool> stopSent = false;
    std::promise<void> closed;
    const std::shared_future<void> closedFuture = closed.get_future().share();
    device.answer = [&](const std::string& command) {
        if (command.starts_with("open")) {
            // Only closes that come later reach this open.
            while (closes < 2)
                std::this_thread::yield();
            openPending = true;
            const bool stopped
                = closedFuture.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
            openPending = false;
            return Reply { std::nullopt, stopped ? 514u : 0u };
        }
        // The first close comes before the open, the second before the open
        // waits for one.
        if (command == "close movie" && ++closes > 2 && openPending && !stopSent.exchange(true))
            closed.set_value();
        return Reply {};
    };
    seams.duringWait = [&] { runtime.End(); };
    movie.Filename = "a.mp3";
    EXPECT_ANY_THROW(movie.openMovie());
    EXPECT_EQ(closedFuture.wait_for(std::chrono::seconds(0)), std::future_status::ready);
    EXPECT_EQ(device.count("open \"a.mp3\" type mpegvideo alias movie"), 1u);
    EXPECT_EQ(device.commands.front(), "close movie");
    EXPECT_GE(device.count("close movie"), 3u);
    EXPECT_EQ(device.count("close movie"), device.commands.size() - 1);
}

TEST_F(MovieModuleTest, TransportCommandsAreSentWithoutReplyAndStoreTheirResult)
{
    const std::pair<void (MovieModule::*)(), const char*> cases[] = {
        { &MovieModule::playMovie, "play movie" },
        { &MovieModule::stopMovie, "stop movie" },
        { &MovieModule::pauseMovie, "pause movie" },
        { &MovieModule::resumeMovie, "resume movie" },
        { &MovieModule::closeMovie, "close all" },
    };
    for (const auto& [operation, command] : cases) {
        SCOPED_TRACE(command);
        device.clear();
        fail(263);
        (movie.*operation)();
        ASSERT_EQ(device.calls.size(), 1u);
        EXPECT_EQ(device.calls[0].command, command);
        EXPECT_EQ(device.calls[0].replyLength, 0u);
        EXPECT_EQ(device.calls[0].callbackWindow, 0);
        EXPECT_EQ(movie.Error, 263);

        (movie.*operation)();
        EXPECT_EQ(movie.Error, 0) << "a success clears the earlier code";
    }
}

// Each length or position query sets the time format to milliseconds, then
// asks with a 128-byte buffer; the reply is read as a number and rounded half
// to even.
TEST_F(MovieModuleTest, QueriesSetMillisecondsThenReadTheReplyAsARoundedNumber)
{
    using Getter = std::int32_t (MovieModule::*)();
    const std::string length = "status movie length", position = "status movie position wait";
    const std::tuple<Getter, std::string, std::string, std::int32_t> cases[] = {
        { &MovieModule::getLengthInMS, length, "215000", 215000 },
        { &MovieModule::getLengthInSec, length, "215000", 215 },
        { &MovieModule::getLengthInMS, length, "2.5", 2 },
        { &MovieModule::getLengthInMS, length, "3.5", 4 },
        { &MovieModule::getPositionInMS, position, "999", 999 },
        { &MovieModule::getPositionInSec, position, "999", 0 },
        { &MovieModule::getPositionInSec, position, "1999", 1 },
        { &MovieModule::getPositionInSec, position, "-1500", -1 },
        { &MovieModule::getPositionInSec, position, "2500.5", 2 },
        { &MovieModule::getPositionInSec, position, "1999.5", 2 },
        { &MovieModule::getPositionInSec, position, "999.5", 1 },
        { &MovieModule::getPositionInSec, position, "abc", 0 },
        { &MovieModule::getPositionInSec, position, "", 0 },
        { &MovieModule::getPositionInSec, position, "  42000 ms", 42 },
        { &MovieModule::getPositionInSec, position, "2147483647", 2147483 },
    };
    for (const auto& [getter, query, text, expected] : cases) {
        SCOPED_TRACE(query + " " + text);
        device.clear();
        answerQuery(text);
        EXPECT_EQ((movie.*getter)(), expected);
        EXPECT_EQ(device.commands, (Commands { "set movie time format ms", query }));
        const auto& [format, ask] = std::tie(device.calls[0], device.calls[1]);
        EXPECT_EQ(std::tuple(format.replyLength, ask.replyLength, format.callbackWindow,
                      ask.callbackWindow),
            std::tuple(0u, 128u, 0, 0));
    }

    // Beyond 32 bits: Overflow, with the query's result already stored.
    for (const std::string text : { "2147483648", "-2147483649", "99999999999999" }) {
        answerQuery(text, 0);
        movie.Error = 77;
        EXPECT_EQ(expect::raisedError([&] { movie.getLengthInSec(); }), rt::err::Overflow) << text;
        EXPECT_EQ(movie.Error, 0) << text;
    }
}

// The reply buffer lives as long as the controller and is never cleared: a
// reply overwrites only its own length and NUL, and a failed query reads
// whatever the buffer still holds.
TEST_F(MovieModuleTest, TheReplyBufferKeepsWhatNoLaterReplyOverwrote)
{
    reply("playing");
    EXPECT_EQ(movie.isMoviePlaying(), -1);
    fail(263);
    EXPECT_EQ(movie.isMoviePlaying(), -1);
    reply("st");
    movie.isMoviePlaying();
    reply("");
    movie.isMoviePlaying();
    ASSERT_EQ(device.calls.size(), 4u);
    const std::string afterPlaying = std::string("playing") + std::string(121, '\0');
    EXPECT_EQ(device.calls[0].bufferIn, std::string(128, '\0'));
    EXPECT_EQ(device.calls[1].bufferIn, afterPlaying);
    EXPECT_EQ(device.calls[2].bufferIn, afterPlaying);
    EXPECT_EQ(device.calls[3].bufferIn, std::string("st\0ying", 7) + std::string(121, '\0'));

    answerQuery("4321");
    EXPECT_EQ(movie.getPositionInMS(), 4321);
    fail(0);
    fail(263); // writes nothing
    EXPECT_EQ(movie.getPositionInMS(), 4321);
    EXPECT_EQ(movie.Error, 263);
}

TEST_F(MovieModuleTest, PlayingMeansTheFirstSevenCharactersAreExactlyPlaying)
{
    const std::pair<std::string, std::int16_t> cases[]
        = { { "playing", -1 }, { "playing forward", -1 }, { "Playing", 0 }, { "paused", 0 },
              { "stopped", 0 }, { "playin", 0 }, { " playing", 0 }, { "", 0 } };
    for (const auto& [text, expected] : cases) {
        SCOPED_TRACE(text);
        device.clear();
        reply(text, 0);
        EXPECT_EQ(movie.isMoviePlaying(), expected);
        EXPECT_EQ(device.commands, Commands { "status movie mode" });
        EXPECT_EQ(device.calls[0].replyLength, 128u);
    }
    reply("playing", 263);
    movie.isMoviePlaying();
    EXPECT_EQ(movie.Error, 263);
}

// Playing: one mode query, then play from the new place (to the section's
// end, or without one when the device refuses it). Otherwise a second mode
// query, then a seek unless playing has started meanwhile. The move's own
// result is dropped; Error keeps the last mode query's.
TEST_F(MovieModuleTest, MovingAsksTheModeThenPlaysFromOrSeeksToTheNewPosition)
{
    const std::string mode = "status movie mode";
    const struct {
        std::vector<Reply> script;
        std::int32_t position;
        std::optional<std::int32_t> sectionEnd; // playSection instead of setPositionTo
        Commands sent;
        std::int32_t error;
    } cases[] = {
        { { { "playing" }, { {}, 263 } }, 5000, {}, { mode, "play movie from 5000" }, 0 },
        { { { "paused" }, { "stopped" }, { {}, 282 } }, -250, {},
            { mode, mode, "seek movie to -250" }, 0 },
        { { { "stopped", 263 }, { "stopped", 266 } }, 0, {}, { mode, mode, "seek movie to 0" },
            266 },
        { { { "paused" }, { "playing" } }, 5000, {}, { mode, mode }, 0 },
        { { { "playing" }, { {}, 0 } }, 12345, 17000, { mode, "play movie from 12345 to 17000" },
            0 },
        { { { "playing" }, { {}, 282 } }, 12345, 17000,
            { mode, "play movie from 12345 to 17000", "play movie from 12345" }, 0 },
        { { { "paused" }, { "stopped" } }, 12345, 17000, { mode, mode, "seek movie to 12345" }, 0 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sent.back());
        device.clear();
        script.assign(c.script.begin(), c.script.end());
        if (c.sectionEnd)
            movie.playSection(c.position, *c.sectionEnd);
        else
            movie.setPositionTo(c.position);
        EXPECT_EQ(device.commands, c.sent);
        EXPECT_EQ(device.calls.back().replyLength, c.sent.back() == mode ? 128u : 0u);
        EXPECT_EQ(movie.Error, c.error);
    }
}

// ---- timeOut: waits on the run-time's clock, letting events run ----

// How far a clock reading lies past `expected`, on a clock that starts again
// at 0 at midnight.
double secondsPast(double reading, double expected)
{
    return std::remainder(reading - expected, 86400.0);
}

// The wait starts at the whole second nearest the first reading and ends the
// duration after it, or at once when that is already past; across midnight too.
TEST_F(MovieModuleTest, TimeOutEndsTheDurationAfterTheRoundedStart)
{
    const struct {
        double start, duration, end;
        double step = 0.01; // the clock's step between events
    } cases[] = {
        { 100.2, 0.5, 100.5 },
        { 100.7, 0.5, 101.5 },
        { 100.5, 1.0, 101.0 }, // tie goes to the even 100
        { 101.5, 1.0, 103.0 }, // tie goes to the even 102
        { 100.7, 0.0, 101.0 },
        { 100.0, 1.0, 101.0 },
        { 100.2, 0.0, 100.2 }, // already past: no wait at all
        { 100.4, 0.25, 100.4 },
        { 100.3, -1.0, 100.3 },
        { 86399.7, 1.0, 1.0 }, // 86400 is midnight itself
        { 86399.3, 1.0, 0.0 }, // ends at midnight
        { 86399.9, 0.5, 0.5, 0.25 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.start << " + " << c.duration);
        seams.now = c.start;
        seams.step = c.step;
        seams.waits = 0;
        movie.timeOut(c.duration);
        EXPECT_GE(secondsPast(seams.now, c.end), -1e-6);
        EXPECT_LE(secondsPast(seams.now, c.end), c.step + 1e-6);
        if (c.end == c.start) {
            EXPECT_EQ(seams.waits, 0);
        }
    }
    EXPECT_TRUE(device.calls.empty());

    // With no events arriving the wait is one sleep for the whole remainder.
    seams.now = 100.2;
    seams.step = 0;
    seams.waits = 0;
    seams.requestedWaits.clear();
    movie.timeOut(0.5);
    EXPECT_EQ(seams.waits, 1);
    ASSERT_EQ(seams.requestedWaits.size(), 1u);
    EXPECT_NEAR(seams.requestedWaits[0], 0.3, 1e-9);
}

TEST_F(MovieModuleTest, TimeOutLetsOtherHandlersUseTheControllerMeanwhile)
{
    int events = 0;
    seams.duringWait = [&] {
        if (++events == 3) {
            fail(263);
            movie.pauseMovie();
            movie.timeOut(0.5); // a nested wait
        }
    };
    seams.now = 200.0;
    seams.step = 0.1;
    movie.timeOut(1.0);
    EXPECT_GE(seams.now, 201.0 - 1e-9);
    EXPECT_EQ(device.commands, Commands { "pause movie" });
    EXPECT_EQ(movie.Error, 263) << "timeOut itself leaves the nested command's code alone";

    // The end of the program stops the wait for good.
    seams.duringWait = [&] { runtime.End(); };
    seams.waits = 0;
    bool resumed = false;
    rt::runHandler(runtime, [&] {
        movie.timeOut(1.0);
        resumed = true;
    });
    EXPECT_FALSE(resumed);
    EXPECT_EQ(seams.waits, 1);
}

} // namespace
