// The whole program playing one minute: the offscreen window with its timer
// running, the file opened through the real Open handler (the dialog's answer
// scripted) and played on the real MP3 device through SDL's dummy driver.
// Against ffplay playing the same minute at the same time, each in a process
// of its own: the processor time and the peak memory the system counted for
// each. Decoding alone (mpg123 to its dummy output) is shown as the floor.

#include "bench/MciBenchSupport.h"
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

    bench::TempDir dir;
    const auto minute = bench::makeMinute(dir);
    if (!minute)
        return 0;
    const auto [ours, theirs] = bench::playBesideFfplay(*minute, "the program");
    const bench::ChildCost floor = bench::haveProgram("mpg123")
        ? bench::runChild({ "mpg123", "-q", "-o", "dummy", minute->string() })
        : bench::ChildCost {};

    std::printf("%s", ours.output.c_str());
    if (!ours.ok) {
        std::printf("the program did not play the file\n");
        return 0;
    }
    std::printf("program: %.3f s of processor time, peak %ld KiB\n", ours.cpuSeconds, ours.peakKiB);
    if (floor.ok)
        std::printf("decoding alone (mpg123 -o dummy): %.3f s, peak %ld KiB (the floor)\n",
            floor.cpuSeconds, floor.peakKiB);
    if (!theirs.ok) {
        std::printf("ffplay unavailable (install ffmpeg), no ratio\n");
        return 0;
    }
    std::printf("ffplay -nodisp: %.3f s, peak %ld KiB\n", theirs.cpuSeconds, theirs.peakKiB);
    bench::printRatio("processor time, program / ffplay", ours.cpuSeconds / theirs.cpuSeconds, 0.2);
    bench::printRatio(
        "peak memory, program / ffplay", double(ours.peakKiB) / double(theirs.peakKiB), 0.7);
    return 0;
}
