// Saves a 60-minute selection of a 128 kbps file (57.6 MB) through the real
// Save handler on the offscreen window, and copies the same byte range with
// `dd bs=4096` in the same run. Prints the times and the ratio (goal: at most
// 1.5). The save syncs the clip to disk before it takes its name, which plain
// dd never does, so the ratio against `dd conv=fsync` is printed as well.
//
// The source is made here: one minute of tone encoded by lame without its
// tag frame, so that copies of the frames can simply be appended, 62 times.

#include "editor/Form1.h"
#include "platform/runtime/Runtime.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <numbers>
#include <vector>

namespace {

constexpr int kMinutesOfSource = 62;
constexpr std::int32_t kStartMs = 60'000;
constexpr std::int32_t kEndMs = kStartMs + 60 * 60'000;
constexpr int kRounds = 5;

bool fail(const char* what)
{
    std::fprintf(stderr, "clip_save_bench: %s\n", what);
    return false;
}

// One minute of a 440 Hz tone as 16-bit stereo PCM at 44.1 kHz.
QByteArray toneMinute()
{
    constexpr int kRate = 44'100;
    QByteArray pcm(kRate * 60 * 4, Qt::Uninitialized);
    auto* out = reinterpret_cast<std::int16_t*>(pcm.data());
    for (int i = 0; i < kRate * 60; ++i) {
        const auto sample
            = static_cast<std::int16_t>(8000 * std::sin(2 * std::numbers::pi * 440.0 * i / kRate));
        out[2 * i] = sample;
        out[2 * i + 1] = sample;
    }
    return pcm;
}

bool makeSource(const QTemporaryDir& dir, const QString& sourcePath)
{
    const QString wavPath = dir.filePath(QStringLiteral("minute.wav"));
    const QString minutePath = dir.filePath(QStringLiteral("minute.mp3"));
    {
        QFile wav(wavPath);
        if (!wav.open(QIODevice::WriteOnly) || wav.write(toneMinute()) < 0)
            return fail("cannot write the tone");
    }
    const int encoded = QProcess::execute(QStringLiteral("lame"),
        { QStringLiteral("--quiet"), QStringLiteral("-b"), QStringLiteral("128"),
            QStringLiteral("--cbr"), QStringLiteral("-t"), wavPath, minutePath });
    if (encoded != 0)
        return fail("lame failed");
    QFile minute(minutePath);
    QFile source(sourcePath);
    if (!minute.open(QIODevice::ReadOnly) || !source.open(QIODevice::WriteOnly))
        return fail("cannot open the source");
    const QByteArray frames = minute.readAll();
    for (int copy = 0; copy < kMinutesOfSource; ++copy)
        if (source.write(frames) != frames.size())
            return fail("cannot write the source");
    return true;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QTemporaryDir dir;
    const QString sourcePath = dir.filePath(QStringLiteral("source.mp3"));
    const QString clipPath = dir.filePath(QStringLiteral("clip.mp3"));
    const QString ddPath = dir.filePath(QStringLiteral("dd.mp3"));
    if (!dir.isValid() || !makeSource(dir, sourcePath))
        return 1;
    const std::int64_t sourceBytes = QFile(sourcePath).size();
    // The device's length of a constant 128 kbps stream: 16 bytes per ms.
    const std::int64_t lengthMs = sourceBytes / 16;

    QStringList said;
    rt::Runtime::Seams seams;
    seams.msgBox = [&](const QString& prompt, rt::MsgBoxButtons) {
        said << prompt;
        return rt::MsgBoxResult::Yes;
    };
    seams.quitApplication = [] {};
    rt::Runtime runtime(seams);
    const MciCommandFunction device
        = [&](const char* command, char* reply, std::uint32_t replyLength, std::intptr_t) {
              if (reply && replyLength > 0) {
                  const QByteArray text = std::strcmp(command, "status movie length") == 0
                      ? QByteArray::number(static_cast<qlonglong>(lengthMs))
                      : QByteArray();
                  const auto length = std::min<qsizetype>(text.size(), replyLength - 1);
                  std::memcpy(reply, text.constData(), static_cast<std::size_t>(length));
                  reply[length] = '\0';
              }
              return std::uint32_t { 0 };
          };
    Form1 form({ runtime, device, [](const QUrl&, auto done) { done(std::nullopt); } });
    form.sourcePath = sourcePath;
    form.Cdlg.setChooser([&](CommonDialog::Kind, const CommonDialog&) { return clipPath; });
    form.show();
    QCoreApplication::processEvents();

    // The byte range the handler copies: from start × 16 (counting from 1)
    // through the 4097-byte block that reaches end × 16.
    const std::int64_t startOffset = std::int64_t { 16 } * kStartMs;
    const std::int64_t blocks = (std::int64_t { 16 } * (kEndMs - kStartMs)) / 4096 + 1;
    const std::int64_t clipBytes = blocks * 4096 + 1;
    const QStringList ddArguments { QStringLiteral("if=") + sourcePath,
        QStringLiteral("of=") + ddPath, QStringLiteral("bs=4096"),
        QStringLiteral("iflag=skip_bytes,count_bytes"),
        QStringLiteral("skip=%1").arg(startOffset - 1), QStringLiteral("count=%1").arg(clipBytes),
        QStringLiteral("status=none") };

    QStringList ddSyncedArguments = ddArguments;
    ddSyncedArguments << QStringLiteral("conv=fsync");

    std::vector<double> saveSeconds;
    std::vector<double> ddSeconds;
    std::vector<double> ddSyncedSeconds;
    for (int round = 0; round < kRounds; ++round) {
        QFile::remove(clipPath);
        QFile::remove(ddPath);
        said.clear();
        form.selectionStartMs = kStartMs;
        form.selectionEndMs = kEndMs;
        QElapsedTimer timer;
        timer.start();
        form.Command7_Click();
        saveSeconds.push_back(timer.nsecsElapsed() / 1e9);
        if (said != QStringList { QStringLiteral("Clip Saved") }
            || QFile(clipPath).size() != clipBytes)
            return fail("the save did not complete"), 1;

        timer.restart();
        if (QProcess::execute(QStringLiteral("dd"), ddArguments) != 0)
            return fail("dd failed"), 1;
        ddSeconds.push_back(timer.nsecsElapsed() / 1e9);

        QFile::remove(ddPath);
        timer.restart();
        if (QProcess::execute(QStringLiteral("dd"), ddSyncedArguments) != 0)
            return fail("dd failed"), 1;
        ddSyncedSeconds.push_back(timer.nsecsElapsed() / 1e9);
    }

    QFile clip(clipPath);
    QFile copy(ddPath);
    if (!clip.open(QIODevice::ReadOnly) || !copy.open(QIODevice::ReadOnly)
        || clip.readAll() != copy.readAll())
        return fail("the clip differs from dd's copy"), 1;

    const double save = median(saveSeconds);
    const double reference = median(ddSeconds);
    const double synced = median(ddSyncedSeconds);
    std::printf("source %.1f MB, selection 60 min, clip %lld bytes in %lld blocks\n",
        sourceBytes / 1e6, static_cast<long long>(clipBytes), static_cast<long long>(blocks));
    std::printf("save (median of %d): %.3f s\n", kRounds, save);
    std::printf("dd bs=4096 (median of %d): %.3f s\n", kRounds, reference);
    std::printf("dd bs=4096 conv=fsync (median of %d): %.3f s\n", kRounds, synced);
    std::printf("ratio save/dd: %.2f (goal <= 1.5)\n", save / reference);
    std::printf("ratio save/dd conv=fsync: %.2f (both make the copy durable)\n", save / synced);
    return 0;
}
