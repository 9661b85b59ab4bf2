#include "MciSession.h"

#include <cmath>
#include <mpg123.h>
#include <vector>

using namespace mcitest;

namespace {

struct Case {
    const char* fixture;
    // Whole milliseconds of the tone that went in, or -1 where the encoder's
    // padding stays in (no tag to trim it by).
    std::int64_t nominalMs;
    // Samples of one frame, the tolerance of a length.
    int frameSamples;
};

// Samples per channel and rate of the whole file, decoded by libmpg123 with
// gapless trimming: what playing the file actually gives.
std::pair<std::int64_t, long> decodedLength(const std::filesystem::path& file)
{
    mpg123_init();
    int error = 0;
    mpg123_handle* mh = mpg123_new(nullptr, &error);
    mpg123_param(mh, MPG123_FLAGS, MPG123_GAPLESS | MPG123_QUIET, 0);
    long rate = 0;
    int channels = 0, encoding = 0;
    std::int64_t bytes = 0;
    if (mpg123_open(mh, file.c_str()) == MPG123_OK
        && mpg123_getformat(mh, &rate, &channels, &encoding) == MPG123_OK) {
        std::vector<unsigned char> buffer(1 << 16);
        size_t got = 0;
        int result = MPG123_OK;
        while ((result = mpg123_read(mh, buffer.data(), buffer.size(), &got)) == MPG123_OK
            || result == MPG123_NEW_FORMAT)
            bytes += std::int64_t(got);
        bytes += std::int64_t(got);
    }
    mpg123_delete(mh);
    const int sampleBytes = channels * mpg123_encsize(encoding);
    return { sampleBytes ? bytes / sampleBytes : 0, rate };
}

class LengthTest : public MciTest, public ::testing::WithParamInterface<Case> { };

} // namespace

TEST_P(LengthTest, IsTheDecodedLengthAsSoonAsOpenReturns)
{
    const Case& c = GetParam();
    const auto file = fixtures::path(c.fixture);
    ASSERT_EQ(openAsMovie(file), 0u);
    const std::int64_t lengthMs = length();
    EXPECT_EQ(mode(), "stopped");
    EXPECT_EQ(position(), 0);

    const auto [samples, rate] = decodedLength(file);
    ASSERT_GT(rate, 0);
    const double frameMs = 1000.0 * c.frameSamples / double(rate);
    EXPECT_NEAR(double(lengthMs), 1000.0 * double(samples) / double(rate), frameMs);
    if (c.nominalMs >= 0) {
        EXPECT_NEAR(double(lengthMs), double(c.nominalMs), frameMs);
    }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, LengthTest,
    ::testing::Values(Case { "cbr128_10s.mp3", 10000, 1152 },
        Case { "cbr128_noinfo_10s.mp3", -1, 1152 }, Case { "vbr_info_10s.mp3", 10000, 1152 },
        Case { "vbr_noinfo_10s.mp3", -1, 1152 }, Case { "mono22k_10s.mp3", -1, 576 },
        Case { "mpeg25_8k_10s.mp3", -1, 576 }, Case { "id3v2_big_10s.mp3", 10000, 1152 },
        Case { "short_0_5s.mp3", 500, 1152 }, Case { "cbr128_60s.mp3", 60000, 1152 },
        Case { "stepped_free.mp3", 20000, 1152 }, Case { "free_noinfo_10s.mp3", -1, 1152 },
        Case { "stepped_joined.mp3", -1, 1152 }),
    [](const auto& info) {
        std::string name = info.param.fixture;
        return name.substr(0, name.find('.'));
    });

TEST_F(MciTest, LengthOfACutOffFileIsWhatIsLeftNotWhatItsTagClaims)
{
    TempDir dir;
    for (const char* fixture : { "cbr128_10s.mp3", "vbr_info_10s.mp3", "cbr128_noinfo_10s.mp3" }) {
        const std::string whole = readFile(fixtures::path(fixture));
        const auto cut = dir / (std::string("cut-") + fixture);
        writeFile(cut, whole.substr(0, whole.size() * 4 / 10 + 123));
        ASSERT_EQ(openAsMovie(cut), 0u) << fixture;
        const auto [samples, rate] = decodedLength(cut);
        EXPECT_NEAR(double(length()), 1000.0 * double(samples) / double(rate), 27.0) << fixture;
        EXPECT_EQ(send("close movie"), 0u);
    }
}

TEST_F(MciTest, ADamagedStretchInTheMiddleCountsOnlyTheGoodFrames)
{
    TempDir dir;
    std::string bytes = readFile(fixtures::path("cbr128_noinfo_10s.mp3"));
    // Two kilobytes of noise over the frames around the middle.
    for (std::size_t i = 0; i < 2048; ++i)
        bytes[bytes.size() / 2 + i] = char((i * 7919u + 13u) % 251u);
    const auto damaged = dir / "damaged.mp3";
    writeFile(damaged, bytes);
    ASSERT_EQ(openAsMovie(fixtures::path("cbr128_noinfo_10s.mp3")), 0u);
    const std::int64_t whole = length();
    ASSERT_EQ(send("close movie"), 0u);

    ASSERT_EQ(openAsMovie(damaged), 0u);
    // About five frames of 26 ms are lost; the rest is still counted.
    const std::int64_t lost = whole - length();
    EXPECT_GE(lost, 4 * 26);
    EXPECT_LE(lost, 8 * 27);
}

TEST_F(MciTest, TagsAtTheEndAreNotAudio)
{
    const auto le32 = [](std::uint32_t value) {
        std::string bytes(4, '\0');
        for (int i = 0; i < 4; ++i)
            bytes[std::size_t(i)] = char(value >> (8 * i));
        return bytes;
    };
    // Tag text that happens to hold a run of whole frames.
    const std::string fakeFrames
        = readFile(fixtures::path("cbr128_noinfo_10s.mp3")).substr(0, 2000);
    const std::string item = le32(std::uint32_t(fakeFrames.size())) + le32(0) + "Title"
        + std::string(1, '\0') + fakeFrames;
    const std::uint32_t apeSize = std::uint32_t(item.size()) + 32;
    const std::string apeHeader = "APETAGEX" + le32(2000) + le32(apeSize) + le32(1)
        + le32(0xA0000000u) + std::string(8, '\0');
    const std::string apeFooter = "APETAGEX" + le32(2000) + le32(apeSize) + le32(1)
        + le32(0x80000000u) + std::string(8, '\0');
    std::string id3v1 = "TAG" + fakeFrames;
    id3v1.resize(128, '\0');

    TempDir dir;
    for (const char* fixture : { "cbr128_noinfo_10s.mp3", "vbr_info_10s.mp3" }) {
        ASSERT_EQ(openAsMovie(fixtures::path(fixture)), 0u);
        const std::int64_t plain = length();
        ASSERT_EQ(send("close movie"), 0u);

        const auto tagged = dir / fixture;
        writeFile(tagged, readFile(fixtures::path(fixture)) + apeHeader + item + apeFooter + id3v1);
        ASSERT_EQ(openAsMovie(tagged), 0u) << fixture;
        EXPECT_EQ(length(), plain) << fixture;
        ASSERT_EQ(send("close movie"), 0u);
    }
}
