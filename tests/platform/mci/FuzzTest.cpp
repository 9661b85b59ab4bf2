#include "MciSession.h"

#include <array>
#include <random>

using namespace mcitest;

namespace {

// Words commands are made of, right and wrong, plus noise.
std::string randomCommand(std::mt19937& random, const std::vector<std::string>& files)
{
    static const std::array<const char*, 44> words { "open", "close", "play", "pause", "resume",
        "stop", "seek", "set", "status", "record", "movie", "all", "MOVIE", "other", "from", "to",
        "start", "end", "type", "mpegvideo", "alias", "parent", "style", "child", "time", "format",
        "ms", "milliseconds", "length", "position", "mode", "ready", "wait", "notify", "0", "1",
        "-1", "500", "5000", "99999999999", "\"", "\"\"", "  ", "\t" };
    std::string command;
    const int count = int(random() % 9);
    for (int i = 0; i < count; ++i) {
        const unsigned pick = random() % 20;
        if (pick == 0 && !files.empty())
            command += "\"" + files[random() % files.size()] + "\"";
        else if (pick == 1)
            command += char(random() % 256);
        else
            command += words[random() % words.size()];
        command += ' ';
    }
    return command;
}

} // namespace

TEST_F(MciTest, RandomCommandsAndRandomFilesDoNoHarm)
{
    TempDir dir;
    std::mt19937 random(20240607);
    std::vector<std::string> files { fixtures::path("short_0_5s.mp3").string(),
        fixtures::path("cbr128_10s.mp3").string() };
    const std::string good = readFile(fixtures::path("vbr_noinfo_10s.mp3"));
    for (int i = 0; i < 12; ++i) {
        // Damaged copies of a real file, and plain noise.
        std::string bytes = i % 3 == 0 ? std::string(size_t(random() % 20000), '\0') : good;
        for (char& byte : bytes) {
            if (i % 3 == 0 || random() % 200 == 0)
                byte = char(random());
        }
        if (i % 4 == 1)
            bytes.resize(random() % bytes.size());
        const auto file = dir / ("fuzz" + std::to_string(i) + ".mp3");
        writeFile(file, bytes);
        files.push_back(file.string());
    }

    char reply[64];
    for (int i = 0; i < 4000; ++i) {
        std::string command = randomCommand(random, files);
        const std::uint32_t replyLength = random() % 4 == 0 ? std::uint32_t(random() % 8) : 64;
        mci::mciSendString(command.c_str(), reply, replyLength, 0);
        if (i % 500 == 0)
            sleepMs(20); // let some sound play
    }
    // Everything opened on random files plays and closes cleanly.
    for (const auto& file : files) {
        if (send("open \"" + file + "\" alias fuzzed") != 0)
            continue;
        EXPECT_EQ(send("play fuzzed"), 0u) << file;
        sleepMs(30);
        EXPECT_EQ(send("seek fuzzed to start"), 0u) << file;
        EXPECT_EQ(send("play fuzzed from 0"), 0u) << file;
        EXPECT_EQ(send("close fuzzed"), 0u) << file;
    }
    EXPECT_EQ(send("close all"), 0u);
}
