// The whole program playing one minute: the offscreen window with its timer
// running, the file opened through the real Open handler (the dialog's answer
// scripted) and played on the real MP3 device through SDL's dummy driver.
// Against the paced player (bench/PacedPlayer.h, libmpg123 decoding inside
// SDL's audio callback) playing the same minute at the same time, each in a
// process of its own: the processor time the system counted for each. Peak
// memory is held against ffplay's, measured afterwards on its own.

#include "bench/MciBenchSupport.h"
#include "bench/PacedPlayer.h"
#include "editor/Form1.h"
#include "platform/runtime/Runtime.h"

#include <QApplication>
#include <QTimer>
#include <cstring>
#include <future>

namespace {

// The child's part: the window opens and plays the file to its end.
int play(int argc, char** argv, const char* file)
{
    QApplication application(argc, argv);
    rt::Runtime::Seams seams;
    QStringList said;
    seams.msgBox = [&](const QString& prompt, rt::MsgBoxButtons) {
        said << prompt;
        return rt::MsgBoxResult::Ok;
    };
    rt::Runtime runtime(seams);
    // The information page is never fetched.
    Form1 form({ runtime, {}, [](const QUrl&, auto) {} });
    form.Cdlg.setChooser([&](CommonDialog::Kind, const CommonDialog&) { return QString(file); });
    form.show();

    const auto start = bench::Clock::now();
    bool started = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        // Played out, or rewound by the window's timer at the end of the file.
        const std::int32_t position = form.movie->getPositionInMS();
        if ((started && position < 30'000) || form.movie->isMoviePlaying() != -1
            || bench::msSince(start) > 90'000)
            QCoreApplication::quit();
        started = started || position > 30'000;
    });
    QTimer::singleShot(0, [&] {
        form.Command4_Click();
        watch.start(1000);
    });
    application.exec();
    std::printf("played %.1f s%s\n", bench::msSince(start) / 1000.0,
        said.isEmpty() ? "" : qPrintable(QStringLiteral(", said: ") + said.join(u'|')));
    return said.isEmpty() && started ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    ::setenv("SDL_AUDIODRIVER", "dummy", 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    if (argc == 3 && std::strcmp(argv[1], "--play") == 0)
        return play(argc, argv, argv[2]);
    if (argc == 3 && std::strcmp(argv[1], "--reference") == 0)
        return bench::playPaced(argv[2]);

    bench::TempDir dir;
    const auto minute = bench::makeMinute(dir);
    if (!minute)
        return 0;
    const auto [ours, reference] = bench::playBesideReference(*minute, "the program");

    std::printf("%s", ours.output.c_str());
    if (!ours.ok || !reference.ok) {
        std::printf("the %s did not play the file\n", ours.ok ? "paced player" : "program");
        return 0;
    }
    std::printf("program: %.3f s of processor time, peak %ld KiB\n", ours.cpuSeconds, ours.peakKiB);
    std::printf("paced player: %.3f s, peak %ld KiB\n", reference.cpuSeconds, reference.peakKiB);
    bench::printRatio(
        "processor time, program / paced player", ours.cpuSeconds / reference.cpuSeconds, 1.2);

    if (!bench::haveProgram("ffplay")) {
        std::printf("ffplay unavailable (install ffmpeg), no memory ratio\n");
        return 0;
    }
    const bench::ChildCost ffplay = bench::runChild(
        { "ffplay", "-nodisp", "-autoexit", "-loglevel", "quiet", minute->string() });
    if (!ffplay.ok)
        return 0;
    std::printf("ffplay -nodisp: peak %ld KiB\n", ffplay.peakKiB);
    bench::printRatio(
        "peak memory, program / ffplay", double(ours.peakKiB) / double(ffplay.peakKiB), 0.7);
    return 0;
}
