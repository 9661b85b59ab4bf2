#include "platform/mp3/FileReader.h"
#include "platform/mp3/Mp3Decoder.h"
#include "platform/mp3/Mp3Layout.h"
#include "tests/support/Fixtures.h"
#include "tests/support/TempFiles.h"

#include <gtest/gtest.h>
#include <vector>

using namespace tempfiles;

namespace {

struct Decoded {
    long sampleRate = 0;
    int channels = 0;
    std::int64_t length = 0;
    std::int64_t gaplessTrim = 0;
    std::vector<std::uint8_t> pcm;
};

Decoded decodeAll(const std::filesystem::path& path, std::int64_t audioStart)
{
    Decoded decoded;
    mp3::Mp3Decoder decoder;
    if (!decoder.open(path, audioStart))
        return decoded;
    decoded.sampleRate = decoder.sampleRate();
    decoded.channels = decoder.channels();
    decoded.length = decoder.length();
    decoded.gaplessTrim = decoder.gaplessTrim();
    std::vector<std::uint8_t> block(1 << 16);
    std::size_t got = 0;
    while (decoder.read(block.data(), block.size(), got) == mp3::Mp3Decoder::Read::Data)
        decoded.pcm.insert(decoded.pcm.end(), block.begin(), block.begin() + std::ptrdiff_t(got));
    return decoded;
}

// A decoder told where the audio starts reads nothing before it: not a long
// chain of tags, and not even frames of another stream. It then plays exactly
// what the file alone would, encoder delay, length and the seek base included.
TEST(DecoderStart, ReadsFromTheAudioStartAsIfTheFileBeganThere)
{
    std::string emptyTags;
    for (int i = 0; i < 3000; ++i)
        emptyTags += std::string("ID3\x03\x00\x00\x00\x00\x00\x00", 10);
    struct Case {
        const char* name;
        std::string before;
        const char* fixture;
        bool startFromLayout;
        long sampleRate;
        int channels;
    };
    const Case cases[] = {
        { "chained empty tags", emptyTags, "id3v2_big_10s.mp3", true, 44100, 2 },
        { "another stream's frames", readFile(fixtures::path("mono22k_10s.mp3")), "cbr128_10s.mp3",
            false, 44100, 2 },
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto joined = dir / "joined.mp3";
        writeFile(joined, c.before + readFile(fixtures::path(c.fixture)));
        mp3::FileReader file(joined);
        const auto layout = mp3::findMp3Layout(file);
        ASSERT_TRUE(layout);
        const std::int64_t audioStart
            = c.startFromLayout ? layout->audioStart : std::int64_t(c.before.size());

        const Decoded alone = decodeAll(fixtures::path(c.fixture), 0);
        const Decoded fromStart = decodeAll(joined, audioStart);
        EXPECT_EQ(fromStart.sampleRate, c.sampleRate);
        EXPECT_EQ(fromStart.channels, c.channels);
        EXPECT_EQ(fromStart.length, alone.length);
        EXPECT_EQ(fromStart.gaplessTrim, alone.gaplessTrim);
        EXPECT_GT(fromStart.pcm.size(), 400000u);
        EXPECT_TRUE(fromStart.pcm == alone.pcm);
    }
}

} // namespace
