#include "MciSession.h"

#include <cstring>

using namespace mcitest;
using mci::mciSendString;

namespace {

std::string cbr()
{
    return fixtures::path("cbr128_10s.mp3").string();
}

class CommandTest : public MciTest {
protected:
    void SetUp() override { ASSERT_EQ(openAsMovie(cbr()), 0u); }
};

class ClosedTest : public MciTest { };

} // namespace

TEST_F(ClosedTest, ReportsMalformedCommandsWithTheirOwnCodes)
{
    EXPECT_EQ(mciSendString(nullptr, nullptr, 0, 0), mci::MCIERR_MISSING_COMMAND_STRING);
    EXPECT_EQ(send(""), mci::MCIERR_MISSING_COMMAND_STRING);
    EXPECT_EQ(send("   \t "), mci::MCIERR_MISSING_COMMAND_STRING);
    EXPECT_EQ(send("fly movie"), mci::MCIERR_UNRECOGNIZED_COMMAND);
    EXPECT_EQ(send("fly"), mci::MCIERR_UNRECOGNIZED_COMMAND);
    EXPECT_EQ(send("play"), mci::MCIERR_MISSING_DEVICE_NAME);
    EXPECT_EQ(send("play \"\""), mci::MCIERR_MISSING_DEVICE_NAME);
    EXPECT_EQ(send("play nothing"), mci::MCIERR_INVALID_DEVICE_NAME);
    EXPECT_EQ(send("close nothing"), mci::MCIERR_INVALID_DEVICE_NAME);
    EXPECT_EQ(send("record nothing"), mci::MCIERR_INVALID_DEVICE_NAME);
    EXPECT_EQ(send("play all"), mci::MCIERR_CANNOT_USE_ALL);
    EXPECT_EQ(send("open all type mpegvideo"), mci::MCIERR_CANNOT_USE_ALL);
    EXPECT_EQ(
        send("open \"" + cbr() + " type mpegvideo alias movie"), mci::MCIERR_NO_CLOSING_QUOTE);
    EXPECT_EQ(send("status \"movie length"), mci::MCIERR_NO_CLOSING_QUOTE);
    EXPECT_EQ(
        send("open \"/no/such/file.mp3\" type mpegvideo alias movie"), mci::MCIERR_FILE_NOT_FOUND);
    EXPECT_EQ(send("open \"\" type mpegvideo alias movie"), mci::MCIERR_MISSING_DEVICE_NAME);
}

TEST_F(ClosedTest, ChecksTheFlagsOfOpen)
{
    const std::string open = "open \"" + cbr() + "\" ";
    EXPECT_EQ(send(open + "type mpegvideo alias movie loudly"), mci::MCIERR_UNRECOGNIZED_KEYWORD);
    EXPECT_EQ(send(open + "type mpegvideo alias"), mci::MCIERR_MISSING_PARAMETER);
    EXPECT_EQ(send(open + "type"), mci::MCIERR_MISSING_PARAMETER);
    EXPECT_EQ(send(open + "type cdaudio alias movie"), mci::MCIERR_INVALID_DEVICE_NAME);
    EXPECT_EQ(send(open + "alias movie parent window"), mci::MCIERR_BAD_INTEGER);
    EXPECT_EQ(send(open + "alias movie style sideways"), mci::MCIERR_BAD_CONSTANT);
    EXPECT_EQ(send(open + "alias movie alias film"), mci::MCIERR_DUPLICATE_FLAGS);
    EXPECT_EQ(send(open + "alias all"), mci::MCIERR_CANNOT_USE_ALL);
    // None of these left a device behind.
    EXPECT_EQ(send("close movie"), mci::MCIERR_INVALID_DEVICE_NAME);
}

TEST_F(CommandTest, ChecksTheFlagsOfEachVerb)
{
    EXPECT_EQ(send("play movie from"), mci::MCIERR_MISSING_PARAMETER);
    EXPECT_EQ(send("play movie from soon"), mci::MCIERR_BAD_INTEGER);
    EXPECT_EQ(send("play movie from 12x"), mci::MCIERR_BAD_INTEGER);
    EXPECT_EQ(send("play movie from 1 from 2"), mci::MCIERR_DUPLICATE_FLAGS);
    EXPECT_EQ(send("play movie from 10001"), mci::MCIERR_OUTOFRANGE);
    EXPECT_EQ(send("play movie from -1"), mci::MCIERR_OUTOFRANGE);
    EXPECT_EQ(send("play movie from 99999999999999999999999"), mci::MCIERR_OUTOFRANGE);
    EXPECT_EQ(send("play movie from 5000 to 1000"), mci::MCIERR_OUTOFRANGE);
    EXPECT_EQ(send("play movie backwards"), mci::MCIERR_UNRECOGNIZED_KEYWORD);
    EXPECT_EQ(send("pause movie later"), mci::MCIERR_UNRECOGNIZED_KEYWORD);
    EXPECT_EQ(send("seek movie"), mci::MCIERR_MISSING_PARAMETER);
    EXPECT_EQ(send("seek movie to"), mci::MCIERR_MISSING_PARAMETER);
    EXPECT_EQ(send("seek movie to middle"), mci::MCIERR_BAD_INTEGER);
    EXPECT_EQ(send("seek movie to 10001"), mci::MCIERR_OUTOFRANGE);
    EXPECT_EQ(send("seek movie to start to end"), mci::MCIERR_DUPLICATE_FLAGS);
    EXPECT_EQ(send("set movie"), mci::MCIERR_MISSING_PARAMETER);
    EXPECT_EQ(send("set movie time format"), mci::MCIERR_MISSING_PARAMETER);
    EXPECT_EQ(send("set movie time format frames"), mci::MCIERR_BAD_TIME_FORMAT);
    EXPECT_EQ(send("set movie time format smpte 30"), mci::MCIERR_BAD_TIME_FORMAT);
    EXPECT_EQ(send("set movie audio all off"), mci::MCIERR_UNRECOGNIZED_KEYWORD);
    EXPECT_EQ(send("status movie"), mci::MCIERR_MISSING_PARAMETER);
    EXPECT_EQ(send("status movie volume"), mci::MCIERR_UNRECOGNIZED_KEYWORD);
    EXPECT_EQ(send("status movie length position"), mci::MCIERR_FLAGS_NOT_COMPATIBLE);
    EXPECT_EQ(send("status movie length length"), mci::MCIERR_DUPLICATE_FLAGS);
    EXPECT_EQ(send("status movie wait wait length"), mci::MCIERR_DUPLICATE_FLAGS);
    EXPECT_EQ(send("record movie"), mci::MCIERR_UNSUPPORTED_FUNCTION);
    EXPECT_EQ(send("window movie state hide"), mci::MCIERR_UNSUPPORTED_FUNCTION);
    EXPECT_EQ(
        send("open \"" + cbr() + "\" type mpegvideo alias Movie"), mci::MCIERR_DUPLICATE_ALIAS);
    // Nothing above disturbed the device.
    EXPECT_EQ(mode(), "stopped");
    EXPECT_EQ(position(), 0);
}

TEST_F(CommandTest, TakesTheCommandsTheProgramSends)
{
    ASSERT_EQ(send("close movie"), 0u);
    EXPECT_EQ(
        send("open \"" + cbr() + "\" type mpegvideo alias movie parent 1234 style child "), 0u);
    EXPECT_EQ(send("set movie time format ms"), 0u);
    EXPECT_EQ(send("set movie time format milliseconds"), 0u);
    EXPECT_EQ(query("status movie length"), "10000");
    EXPECT_EQ(query("status movie position wait"), "0");
    EXPECT_EQ(query("status movie mode"), "stopped");
    EXPECT_EQ(query("status movie ready"), "true");
    EXPECT_EQ(query("status movie time format"), "milliseconds");
    EXPECT_EQ(send("seek movie to 5000"), 0u);
    EXPECT_EQ(send("play movie notify"), 0u);
    EXPECT_EQ(send("pause movie"), 0u);
    EXPECT_EQ(send("resume movie"), 0u);
    EXPECT_EQ(send("stop movie wait"), 0u);
    // Words in any case, runs of blanks and tabs between them.
    EXPECT_EQ(query("  STATUS \t Movie   Length  "), "10000");
    EXPECT_EQ(query("status \"MOVIE\" mode"), "stopped");
}

TEST_F(CommandTest, WritesRepliesOnlyWhereTheyFit)
{
    char reply[16];
    std::memset(reply, 'x', sizeof reply);
    // "10000" needs six bytes with its NUL.
    EXPECT_EQ(mciSendString("status movie length", reply, 5, 0), mci::MCIERR_PARAM_OVERFLOW);
    EXPECT_EQ(std::string(reply, 6), "xxxxxx");
    EXPECT_EQ(mciSendString("status movie length", reply, 6, 0), 0u);
    EXPECT_STREQ(reply, "10000");

    // No reply wanted: never an error, nothing written.
    std::memset(reply, 'x', sizeof reply);
    EXPECT_EQ(mciSendString("status movie length", reply, 0, 0), 0u);
    EXPECT_EQ(mciSendString("status movie length", nullptr, 128, 0), 0u);
    EXPECT_EQ(reply[0], 'x');

    // A failure leaves the empty text; so does a command without a reply.
    EXPECT_EQ(mciSendString("status movie volume", reply, sizeof reply, 0),
        mci::MCIERR_UNRECOGNIZED_KEYWORD);
    EXPECT_EQ(reply[0], '\0');
    std::memset(reply, 'x', sizeof reply);
    EXPECT_EQ(mciSendString("stop movie", reply, sizeof reply, 0), 0u);
    EXPECT_EQ(reply[0], '\0');
}

TEST_F(ClosedTest, OpenRepliesADeviceIdAndCloseAllClosesEverything)
{
    const std::string first = query("open \"" + cbr() + "\" type mpegvideo alias one");
    const std::string second = query("open \"" + cbr() + "\" alias two");
    ASSERT_FALSE(first.empty());
    ASSERT_EQ(first.find_first_not_of("0123456789"), std::string::npos) << first;
    ASSERT_EQ(second.find_first_not_of("0123456789"), std::string::npos) << second;
    EXPECT_NE(first, second);
    // Without an alias the file name is the device's name.
    EXPECT_EQ(send("open \"" + cbr() + "\" type mpegvideo"), 0u);
    EXPECT_EQ(query("status \"" + cbr() + "\" length"), "10000");

    EXPECT_EQ(send("play one"), 0u);
    EXPECT_EQ(send("close all"), 0u);
    EXPECT_EQ(send("status one mode"), mci::MCIERR_INVALID_DEVICE_NAME);
    EXPECT_EQ(send("status two mode"), mci::MCIERR_INVALID_DEVICE_NAME);
    EXPECT_EQ(send("status \"" + cbr() + "\" mode"), mci::MCIERR_INVALID_DEVICE_NAME);
    EXPECT_EQ(send("close all"), 0u);
    EXPECT_EQ(send("close one"), mci::MCIERR_INVALID_DEVICE_NAME);
}

TEST_F(ClosedTest, OpensFileNamesWithBlanksQuotesAndNonAsciiLetters)
{
    TempDir dir;
    const std::string bytes = readFile(cbr());
    for (const std::string name : { "with blank.mp3", "quote\"inside.mp3", "tricky\" name.mp3",
             "\xC3\xBCn\xC3\xAF "
             "\xE9\x9F\xB3.mp3" }) {
        const auto file = dir / name;
        writeFile(file, bytes);
        EXPECT_EQ(openAsMovie(file), 0u) << name;
        EXPECT_EQ(length(), 10000) << name;
        EXPECT_EQ(send("close movie"), 0u);
    }
    // The program wraps a name in quotes once per open; twice is another name.
    EXPECT_EQ(
        send("open \"\"" + cbr() + "\"\" type mpegvideo alias movie"), mci::MCIERR_FILE_NOT_FOUND);
}
