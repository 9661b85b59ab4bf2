// Saves 60-minute selections through the real Save handler on the offscreen
// window and copies the same byte ranges with `dd bs=4096 conv=fsync` (the
// fair reference: the save syncs its clip too), interleaved in one run:
//
// - a 2-hour 128 kbps file, one bit rate throughout (goal: at most 1.2 x dd);
// - a 2-hour VBR file without an info frame (goal: at most 1.5 x dd).
//
// Finding the byte positions is timed on its own as well, with the file open
// on the media device as it is when the user saves, against opening the same
// file on the device (which walks its frames): the goal is under 10 ms. Plain `dd bs=4096` is
// printed for information.
//
// Long recordings: one minute from the 15th hour of a 2.3 GB file of 320
// kbps (byte positions past 2 GiB) against the same minute of a 1-hour file
// of the same stream; the save must succeed and take at most 1.5 x as long.
// A short save must carry no fixed cost of its own: each of those minutes
// takes at most 1.5 x dd conv=fsync.
//
// The sources are made here: ten minutes encoded by lame without a tag frame,
// so that copies of the frames can simply be appended (12 times; 6 and 96 at
// 320 kbps). The folder and the 2.3 GB file in it go when the run ends.

#include "MciBenchSupport.h"

#include "editor/ClipSaveRange.h"
#include "editor/ClipSaveSource.h"
#include "editor/Form1.h"
#include "platform/mci/Mp3File.h"
#include "platform/mp3/SampleTime.h"
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
#include <functional>
#include <thread>
#include <variant>
#include <vector>

namespace {

constexpr std::int32_t kMinuteMs = 60'000;
constexpr std::int32_t kStartMs = 30 * kMinuteMs;
constexpr std::int32_t kEndMs = kStartMs + 60 * kMinuteMs;
// 14 h 55 min at 40 bytes a millisecond lies past 2^31 bytes; 35 min lies at
// the same place of the ten-minute piece both long sources repeat.
constexpr std::int32_t kLateStartMs = (14 * 60 + 55) * kMinuteMs;
constexpr std::int32_t kHourStartMs = 35 * kMinuteMs;
constexpr int kRounds = 5;

bool fail(const char* what)
{
    std::fprintf(stderr, "clip_save_bench: %s\n", what);
    return false;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double secondsOf(const std::function<void()>& work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e9;
}

// The length the media device reports for `path`, in milliseconds.
std::int32_t deviceLengthMs(const QString& path)
{
    const auto file = mci::openMp3File(path.toStdString());
    if (!std::holds_alternative<mci::Mp3File>(file))
        return 0;
    const auto& mp3 = std::get<mci::Mp3File>(file);
    return std::int32_t(mp3::msAtSamples(mp3.samples, mp3.sampleRate));
}

// One source with its selection, and what the rounds measured.
struct Case {
    Case(const char* name, QString path, double ratioGoal, std::int32_t fromMs = kStartMs,
        std::int32_t toMs = kEndMs)
        : what(name)
        , source(std::move(path))
        , goal(ratioGoal)
        , startMs(fromMs)
        , endMs(toMs)
    {
    }

    const char* what;
    QString source;
    double goal; // against dd conv=fsync; 0: printed for information
    std::int32_t startMs, endMs;
    std::int32_t lengthMs = 0;
    ClipSaveRange range;
    std::int64_t clipBytes = 0;
    std::vector<double> save, ddSynced, dd, find, open;
};

// The range Save finds, reading the source through its own descriptor.
ClipSaveRange saveRangeOf(const Case& c)
{
    const ClipSaveSource source(c.source);
    return clipSaveRange(source.descriptor(), source.size(), c.lengthMs, c.startMs, c.endMs);
}

bool prepare(Case& c)
{
    c.lengthMs = deviceLengthMs(c.source);
    if (c.lengthMs < c.endMs)
        return fail("the source is too short");
    c.range = saveRangeOf(c);
    const std::int64_t blocks
        = (std::int64_t(c.range.endPosition) - c.range.startPosition) / 4096 + 1;
    c.clipBytes = std::min(blocks * 4096 + 1, c.range.lastPosition - c.range.startPosition + 1);
    return true;
}

QStringList ddArguments(const Case& c, const QString& target, bool synced)
{
    QStringList arguments { QStringLiteral("if=") + c.source, QStringLiteral("of=") + target,
        QStringLiteral("bs=4096"), QStringLiteral("iflag=skip_bytes,count_bytes"),
        QStringLiteral("skip=%1").arg(c.range.startPosition - 1),
        QStringLiteral("count=%1").arg(c.clipBytes), QStringLiteral("status=none") };
    if (synced)
        arguments << QStringLiteral("conv=fsync");
    return arguments;
}

void report(const Case& c)
{
    const double save = median(c.save);
    const double synced = median(c.ddSynced);
    std::printf("%s (%.1f MB): selection %d min, clip %lld bytes from byte %lld\n", c.what,
        double(QFile(c.source).size()) / 1e6, (c.endMs - c.startMs) / kMinuteMs,
        static_cast<long long>(c.clipBytes), static_cast<long long>(c.range.startPosition));
    std::printf("  save (median of %d): %.3f s\n", kRounds, save);
    std::printf("  dd bs=4096 conv=fsync (median of %d): %.3f s\n", kRounds, synced);
    std::printf("  dd bs=4096 (median of %d): %.3f s\n", kRounds, median(c.dd));
    std::printf("  finding the byte positions: %.2f ms; opening the file on the device: %.2f ms\n",
        median(c.find) * 1e3, median(c.open) * 1e3);
    if (c.goal > 0)
        bench::printRatio("  save / dd conv=fsync", save / synced, c.goal);
    const double findMs = median(c.find) * 1e3;
    std::printf("  finding positions: %.2f ms (goal < 10 ms) %s\n", findMs,
        findMs < 10.0 ? "MET" : "NOT MET");
}

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    if (!bench::haveProgram("lame"))
        return fail("lame is missing: install it (scripts/install-deps.sh --test)"), 0;
    QTemporaryDir dir;
    const QString clipPath = dir.filePath(QStringLiteral("clip.mp3"));
    const QString ddPath = dir.filePath(QStringLiteral("dd.mp3"));
    Case cases[] = {
        { "2-hour CBR 128 kbps", dir.filePath(QStringLiteral("cbr.mp3")), 1.2 },
        { "2-hour VBR -V 4, no info frame", dir.filePath(QStringLiteral("vbr.mp3")), 1.5 },
        { "1-hour CBR 320 kbps", dir.filePath(QStringLiteral("hour.mp3")), 1.5, kHourStartMs,
            kHourStartMs + kMinuteMs },
        { "16-hour CBR 320 kbps", dir.filePath(QStringLiteral("long.mp3")), 1.5, kLateStartMs,
            kLateStartMs + kMinuteMs },
    };
    {
        std::printf("making 2-hour, 1-hour and 16-hour MP3s with lame...\n");
        std::fflush(stdout);
        const auto piece = [&](const char* name) { return (dir.filePath(name)).toStdString(); };
        bool vbrMade = false;
        std::thread vbrEncoder([&] {
            vbrMade = bench::encodeTone(piece("vbr10.mp3"), 600.0, "-V 4 -t")
                && bench::repeatFile(piece("vbr10.mp3"), cases[1].source.toStdString(), 12);
        });
        const bool cbrMade = bench::encodeTone(piece("cbr10.mp3"), 600.0, "-b 128 -t")
            && bench::repeatFile(piece("cbr10.mp3"), cases[0].source.toStdString(), 12);
        const bool longMade = bench::encodeTone(piece("long10.mp3"), 600.0, "-b 320 -t")
            && bench::repeatFile(piece("long10.mp3"), cases[2].source.toStdString(), 6)
            && bench::repeatFile(piece("long10.mp3"), cases[3].source.toStdString(), 96);
        vbrEncoder.join();
        if (!dir.isValid() || !cbrMade || !vbrMade || !longMade)
            return fail("could not make the sources"), 1;
    }
    for (Case& c : cases)
        if (!prepare(c))
            return 1;
    // The files stay open on the device, as they are when the user saves:
    // finding positions may use the frames it listed.
    std::vector<std::variant<mci::Mp3File, mci::MciResult>> openOnDevice;
    for (const Case& c : cases)
        openOnDevice.push_back(mci::openMp3File(c.source.toStdString()));

    QStringList said;
    rt::Runtime::Seams seams;
    seams.msgBox = [&](const QString& prompt, rt::MsgBoxButtons) {
        said << prompt;
        return rt::MsgBoxResult::Yes;
    };
    seams.quitApplication = [] {};
    rt::Runtime runtime(seams);
    std::int32_t lengthMs = 0;
    const MciCommandFunction device
        = [&](const char* command, char* reply, std::uint32_t replyLength, std::intptr_t) {
              if (reply && replyLength > 0) {
                  const QByteArray text = std::strcmp(command, "status movie length") == 0
                      ? QByteArray::number(lengthMs)
                      : QByteArray();
                  const auto length = std::min<qsizetype>(text.size(), replyLength - 1);
                  std::memcpy(reply, text.constData(), static_cast<std::size_t>(length));
                  reply[length] = '\0';
              }
              return std::uint32_t { 0 };
          };
    Form1 form({ runtime, device, [](const QUrl&, auto done) { done(std::nullopt); } });
    form.Cdlg.setChooser([&](CommonDialog::Kind, const CommonDialog&) { return clipPath; });
    form.show();
    QCoreApplication::processEvents();

    for (int round = 0; round < kRounds; ++round) {
        for (Case& c : cases) {
            QFile::remove(clipPath);
            said.clear();
            form.sourcePath = c.source;
            form.selectionStartMs = c.startMs;
            form.selectionEndMs = c.endMs;
            lengthMs = c.lengthMs;
            c.save.push_back(secondsOf([&] { form.Command7_Click(); }));
            if (said != QStringList { QStringLiteral("Clip Saved") }
                || QFile(clipPath).size() != c.clipBytes)
                return fail("the save did not complete"), 1;

            QFile::remove(ddPath);
            bool copied = true;
            c.ddSynced.push_back(secondsOf([&] {
                copied = QProcess::execute(QStringLiteral("dd"), ddArguments(c, ddPath, true)) == 0;
            }));
            QFile clip(clipPath);
            QFile copy(ddPath);
            if (!copied || !clip.open(QIODevice::ReadOnly) || !copy.open(QIODevice::ReadOnly)
                || clip.readAll() != copy.readAll())
                return fail("the clip differs from dd's copy"), 1;
            QFile::remove(ddPath);
            c.dd.push_back(secondsOf(
                [&] { QProcess::execute(QStringLiteral("dd"), ddArguments(c, ddPath, false)); }));

            c.find.push_back(secondsOf([&] { saveRangeOf(c); }));
            c.open.push_back(secondsOf([&] { deviceLengthMs(c.source); }));
        }
    }
    for (const Case& c : cases)
        report(c);
    // Every save above completed with the whole clip, the late one included.
    bench::printRatio("1 minute from the 15th hour of 2.3 GB / the same minute of 1 hour: saved, "
                      "time",
        median(cases[3].save) / median(cases[2].save), 1.5);
    return 0;
}
