#include "tests/support/Fixtures.h"
#include "tests/support/FormHarness.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cstdlib>
#include <gtest/gtest.h>

namespace {

// How long an independent decoder finds an MP3 to play, in seconds, or a
// negative number when it cannot decode it.
double decodedSeconds(const QString& file)
{
    QProcess decoder;
    decoder.start(QStringLiteral("mpg123"), { QStringLiteral("-t"), QStringLiteral("-v"), file });
    if (!decoder.waitForFinished(30'000) || decoder.exitCode() != 0)
        return -1;
    // The progress line of the last frame: "> 381+000  00:09.95+00:00.00 ...".
    static const QRegularExpression progress(QStringLiteral("(\\d+):(\\d+\\.\\d+)\\+\\d+:"));
    double seconds = -1;
    for (const auto& match :
        progress.globalMatch(QString::fromUtf8(decoder.readAllStandardError())))
        seconds = match.captured(1).toInt() * 60 + match.captured(2).toDouble();
    return seconds;
}

// A clip cut from a real file opened on the real device plays for about the
// marked time. The marks lie 9,983 ms apart: at 16 bytes per millisecond that
// is one byte short of a whole number of blocks, so the copy runs only a
// millisecond past the end mark.
TEST(ClipSavingFixture, ClipOfARealFileDecodesToTheMarkedLength)
{
    setenv("SDL_AUDIODRIVER", "dummy", 0); // no sound card under test
    harness::FormHarness h({ harness::FormHarness::Device::Real });
    QTemporaryDir dir;
    const QString source = QString::fromStdString(fixtures::path("cbr128_60s.mp3").string());
    const QString clip = dir.filePath(QStringLiteral("clip.mp3"));

    h.dialogAnswers.push_back(source);
    h.form().Command4.click();
    ASSERT_EQ(h.form().sourcePath, source);
    h.form().selectionStartMs = 10'000;
    h.form().selectionEndMs = 19'983;
    h.dialogAnswers.push_back(clip);
    h.form().Command7.click();

    ASSERT_EQ(h.messages.size(), 1u);
    EXPECT_EQ(h.messages[0].prompt, QStringLiteral("Clip Saved"));
    constexpr double kFrameSeconds = 1152.0 / 44'100;
    EXPECT_NEAR(decodedSeconds(clip), 9.983, 0.1 + kFrameSeconds);
}

} // namespace
