// A bare MP3 (frames of one bit rate end to end from its first byte to its
// last, nothing else) keeps the whole-file rule byte for byte: bytes per
// millisecond from the file's size and the device length, a start inside a
// frame and all.

#include "tests/editor/ClipSavingTest.h"

#include "platform/mp3/AudioBytes.h"
#include "platform/mp3/FileReader.h"
#include "platform/mp3/Mp3Layout.h"
#include "tests/support/MpegFrames.h"

namespace {

TEST_F(ClipSavingTest, BareFileKeepsTheWholeFileRule)
{
    // 12,500 frames of 384 bytes (128 kbit/s at 48 kHz, 24 ms each): 4,800,000
    // bytes that last 300,000 ms, 16 bytes per millisecond.
    const std::string frames
        = mpegframes::times(12'500, [](int) { return mpegframes::frame(0xFB, 0x94, 0x00, 384); });
    prepare(0, 300'000, 10'000, 20'000);
    source = QByteArray::fromStdString(frames);
    writeFile(sourcePath, source);

    const std::filesystem::path file = sourcePath.toStdString();
    mp3::FileReader reader(file);
    const auto layout = mp3::findMp3Layout(reader);
    ASSERT_TRUE(layout);
    ASSERT_EQ(layout->firstFrame, 0);
    ASSERT_FALSE(layout->infoTag);
    ASSERT_EQ(layout->audioEnd, 4'800'000);
    const auto mapped = mp3::findAudioBytes(file, 10'000, 20'000);
    ASSERT_TRUE(mapped);
    ASSERT_TRUE(mapped->bare);

    const QString clipName = path(QStringLiteral("clip.mp3"));
    saveAs(clipName);
    // Start 16 x 10,000 (from 1), 40 blocks: 163,841 bytes from offset 159,999.
    EXPECT_EQ(said(), "Clip Saved");
    EXPECT_EQ(readFile(clipName), source.mid(159'999, 163'841));
    EXPECT_EQ(form.pb.Max(), 164'097.0f);
}

} // namespace
