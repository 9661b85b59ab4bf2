// Saves clips of real MP3s through the Save handler and decodes them: a clip
// must hold the section between the marks on the device's own timeline, as
// one run of the source's audio bytes. The fixtures play a tone of its own in
// every second (400 + 200 K Hz in second K), so where a tone changes in the
// decoded clip says where the clip lies in the source.

#include "tests/editor/ClipSavingTest.h"

#include "platform/mci/Mp3File.h"
#include "platform/mp3/AudioBytes.h"
#include "platform/mp3/FileReader.h"
#include "platform/mp3/Mp3Layout.h"
#include "platform/mp3/SampleTime.h"
#include "platform/runtime/CheckedMath.h"
#include "tests/support/DecodedSound.h"
#include "tests/support/Fixtures.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <numbers>

namespace {

constexpr int kSeconds = 20;

using decodedsound::Sound;

// A clip holds less than the source; a decoder that runs on past that is stopped.
Sound decode(const std::filesystem::path& file)
{
    return decodedsound::decode(file, 2 * kSeconds);
}

// Where each second's tone takes over from the one before, as a sample
// number, keyed by the second. Windows of 10 ms, a quarter window apart, are
// each given the tone loudest in them (Goertzel); a change counts only
// between two steady runs, so the damaged first frame of a clip and the
// noise of the fixture that has some are no trouble.
std::map<int, std::int64_t> toneStarts(const Sound& sound)
{
    const auto window = static_cast<std::size_t>(sound.rate / 100);
    const std::size_t hop = window / 4;
    std::vector<int> tone;
    for (std::size_t at = 0; at + window <= sound.samples.size(); at += hop) {
        double loudest = 0;
        int which = -1;
        for (int second = 0; second < kSeconds; ++second) {
            const double w = 2 * std::numbers::pi * (400.0 + 200.0 * second) / double(sound.rate);
            double s1 = 0, s2 = 0;
            for (std::size_t i = 0; i < window; ++i) {
                const double s0 = sound.samples[at + i] + 2 * std::cos(w) * s1 - s2;
                s2 = s1;
                s1 = s0;
            }
            const double power = s1 * s1 + s2 * s2 - 2 * std::cos(w) * s1 * s2;
            if (power > loudest) {
                loudest = power;
                which = second;
            }
        }
        tone.push_back(which);
    }
    constexpr std::size_t kSteady = 4;
    const auto steady = [&](std::size_t from, int second) {
        for (std::size_t i = from; i < from + kSteady; ++i)
            if (tone[i] != second)
                return false;
        return true;
    };
    std::map<int, std::int64_t> starts;
    for (std::size_t i = kSteady; i + kSteady <= tone.size(); ++i)
        if (tone[i - 1] >= 0 && tone[i] == tone[i - 1] + 1 && steady(i - kSteady, tone[i - 1])
            && steady(i, tone[i]))
            starts.emplace(tone[i], std::int64_t(i * hop));
    return starts;
}

// Frames a layer III frame's sound may reach back over: at most 511 bytes
// (255 in MPEG-2) of it lie in earlier frames, fewest per frame at the lowest
// bit rate.
std::int64_t reservoirReach(const mp3::MpegFrameHeader& stream)
{
    const bool mpeg1 = stream.version == mp3::MpegFrameHeader::Version::Mpeg1;
    const int smallest = (mpeg1 ? 144 * 32'000 : 72 * 8'000) / stream.sampleRate;
    const int sound = smallest - 4 - stream.sideInfoBytes();
    return ((mpeg1 ? 511 : 255) + sound - 1) / sound + 1;
}

struct Fixture {
    const char* name;
    bool bare; // the whole-file linear mapping, else frame by frame
};

void PrintTo(const Fixture& fixture, std::ostream* out)
{
    *out << fixture.name;
}

class ClipMappingTest : public ClipSavingTest, public testing::WithParamInterface<Fixture> { };

TEST_P(ClipMappingTest, ClipHoldsTheMarkedSectionOfTheAudio)
{
    const std::filesystem::path file = fixtures::path(GetParam().name);
    const auto opened = mci::openMp3File(file);
    ASSERT_TRUE(std::holds_alternative<mci::Mp3File>(opened));
    const auto& mp3 = std::get<mci::Mp3File>(opened);
    const auto lengthMs = static_cast<std::int32_t>(mp3::msAtSamples(mp3.samples, mp3.sampleRate));
    mp3::FileReader reader(file);
    const auto layout = mp3::findMp3Layout(reader);
    ASSERT_TRUE(layout);
    const std::int64_t frame = layout->header.samplesPerFrame;

    QFile sourceFile(QString::fromStdString(file.string()));
    ASSERT_TRUE(sourceFile.open(QIODevice::ReadOnly));
    const QByteArray sourceBytes = sourceFile.readAll();
    const Sound played = decode(file);
    ASSERT_GT(played.rate, 0);
    const auto playedStarts = toneStarts(played);
    ASSERT_EQ(playedStarts.size(), std::size_t(kSeconds - 1));

    const std::pair<std::int32_t, std::int32_t> marks[]
        = { { 300, 2'600 }, { 9'400, 11'700 }, { 17'200, 19'900 } };
    for (const auto& [startMs, endMs] : marks) {
        SCOPED_TRACE(testing::Message() << startMs << " to " << endMs << " ms");
        const auto mapped = mp3::findAudioBytes(file, startMs, endMs);
        ASSERT_TRUE(mapped);
        EXPECT_EQ(mapped->bare, GetParam().bare);

        form.sourcePath = QString::fromStdString(file.string());
        form.selectionStartMs = startMs;
        form.selectionEndMs = endMs;
        device.lengthMs = lengthMs;
        device.open = true;
        h.messages.clear();
        const QString clipName = path(QStringLiteral("clip%1.mp3").arg(startMs));
        float progress = 0;
        h.duringWait = [&] { progress = form.pb.Value(); };
        saveAs(clipName);
        ASSERT_EQ(said(), "Clip Saved");

        // One run of the source's audio bytes: no tag, no info frame.
        const QByteArray clip = readFile(clipName);
        const auto at = sourceBytes.indexOf(clip);
        ASSERT_GE(at, 0);
        EXPECT_GE(at, layout->firstAudioFrame());
        EXPECT_LE(at + clip.size(), layout->audioEnd);

        // Where the clip's sound lies on the device's timeline: each change of
        // tone it holds says so; the median outvotes a change misheard in a
        // frame of very few bits.
        const Sound heard = decode(clipName.toStdString());
        ASSERT_EQ(heard.rate, played.rate);
        std::vector<std::int64_t> starts;
        for (const auto& [second, heardAt] : toneStarts(heard))
            if (playedStarts.contains(second))
                starts.push_back(playedStarts.at(second) - heardAt);
        ASSERT_FALSE(starts.empty());
        std::nth_element(starts.begin(), starts.begin() + starts.size() / 2, starts.end());
        const std::int64_t clipStart = starts[starts.size() / 2];
        const std::int64_t clipEnd = clipStart + std::int64_t(heard.samples.size());
        const auto sampleAt = [&](std::int32_t ms) { return mp3::samplesAtMs(ms, played.rate); };
        // The marked sound is heard from the start mark on, but for at most the
        // frame that holds it. The clip may begin earlier, by as far back as
        // the start frame keeps part of its sound. The bare file's linear rule
        // lands inside a frame, which loses it and the reservoir of the next.
        const auto heardFrom = std::find_if(heard.samples.begin(), heard.samples.end(),
            [](double sample) { return std::abs(sample) >= 1000; });
        const std::int64_t late = GetParam().bare ? 3 * frame : frame;
        EXPECT_LE(clipStart + (heardFrom - heard.samples.begin()), sampleAt(startMs) + late);
        EXPECT_GE(clipStart, sampleAt(startMs) - (2 + reservoirReach(layout->header)) * frame);
        if (GetParam().bare) {
            // Without its last block the clip must end by the end mark: the
            // copy stops at the block that holds it.
            EXPECT_GE(clipEnd, sampleAt(endMs) - frame);
            const QString shortened = path(QStringLiteral("shortened.mp3"));
            writeFile(shortened, clip.left(clip.size() - 4096));
            const auto shortSamples = std::int64_t(decode(shortened.toStdString()).samples.size());
            EXPECT_LE(clipStart + shortSamples, sampleAt(endMs) + frame);
            // The whole file's bytes per millisecond.
            const auto bytesPerMs = rt::roundToInt32(double(sourceBytes.size()) / lengthMs);
            EXPECT_EQ(at, std::int64_t(bytesPerMs) * startMs - 1);
        } else {
            // Whole frames: the clip ends where the next frame, a tag or the
            // audio begins, with the frame that completes the end mark (give or
            // take the tone finder's step of a quarter window).
            const qsizetype after = at + clip.size();
            const auto* next
                = reinterpret_cast<const std::uint8_t*>(sourceBytes.constData()) + after;
            EXPECT_TRUE(after == layout->audioEnd || sourceBytes.mid(after, 3) == "ID3"
                || (after + 4 <= sourceBytes.size()
                    && mp3::parseFrameHeader(next, layout->freeFormatBytes)));
            // The bar counts the bytes copied, to the last.
            EXPECT_EQ(form.pb.Max(), float(clip.size()));
            EXPECT_EQ(progress, float(clip.size()));
            const std::int64_t step = played.rate / 400;
            EXPECT_GE(clipEnd, sampleAt(endMs) - step);
            EXPECT_LT(clipEnd, sampleAt(endMs) + frame + step);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(SteppedTones, ClipMappingTest,
    testing::Values(Fixture { "stepped_cbr_bare.mp3", true },
        Fixture { "stepped_cbr_tags.mp3", false }, Fixture { "stepped_vbr_info.mp3", false },
        Fixture { "stepped_vbr_noinfo.mp3", false }, Fixture { "stepped_vbr_mono22k.mp3", false },
        Fixture { "stepped_vbr_swing.mp3", false }, Fixture { "stepped_free.mp3", false },
        Fixture { "stepped_joined.mp3", false }),
    [](const testing::TestParamInfo<Fixture>& info) {
        std::string name = info.param.name;
        return name.substr(0, name.find('.'));
    });

} // namespace
