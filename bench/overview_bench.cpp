// The loudness overview: how true its finished picture is to the decoded
// sound, how fast its sketch and its finished picture come, and what the
// decoding costs the window and playback meanwhile.
//
// Truth: a song-like piece (chords and a beat, a breakdown 15 dB down, a
// fade) made with sox and encoded by lame as CBR, VBR, MPEG-2, MPEG-2.5 and
// mono; per column of a 400-pixel groove, the finished overview's level
// against the RMS level of the same stretch as `mpg123` decodes it, both in
// dB, silence left out.
// Speed: the sketch of a 1-hour file against opening it on the device; the
// finished overview of a 10-minute file against `mpg123 -q -s` decoding it.
// No cost: playback's clock keeps pace with the wall clock as well while the
// second pass runs as without it, and the window thread is never late.
// Share: the decoding's thread takes at most a quarter of a processor while
// something plays and half of one otherwise (its run time over the wall
// time, whatever else the machine does), and it is gone within 100 ms of
// the window closing.
#include "MciBenchSupport.h"
#include "editor/LoudnessOverview.h"
#include "platform/mci/MciSendString.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <optional>
#include <thread>

namespace {

constexpr double kTruthGoal = 0.95;
constexpr double kSketchGoalMs = 1000.0;
constexpr double kDecodeGoalRatio = 1.3;
constexpr double kStallGoalMs = 16.0;
// One buffer of the sound output is about 23 ms.
constexpr double kLagGoalMs = 25.0;
constexpr double kStopGoalMs = 100.0;
constexpr double kShareSlack = 1.05; // the clock's and the scheduler's grain
constexpr int kColumns = 400;
constexpr double kSilenceDb = -60.0;

bool run(const std::string& command)
{
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

const char* verdict(bool good)
{
    return good ? "MET" : "NOT MET";
}

// Two minutes of something like a song: a loud verse, a breakdown of chords
// alone 15 dB down, the loud verse again, and a long fade, at 44.1 kHz stereo.
bool makeSong(const bench::TempDir& dir)
{
    const std::string d = dir.path().string() + "/";
    const std::string synth = "sox -n -r 44100 -c 2 ";
    return run(synth + d + "chords.wav synth 25 pluck C3 pluck E3 pluck G3 pluck C4 tremolo 2 60")
        && run(synth + d + "beat.wav synth 25 brownnoise tremolo 4 100 gain -6")
        && run(synth + d + "bass.wav synth 25 square 65 tremolo 1 80 gain -14")
        && run("sox -m " + d + "chords.wav " + d + "beat.wav " + d + "bass.wav " + d
            + "verse.wav gain -n -3")
        && run("sox " + d + "chords.wav " + d + "breakdown.wav trim 0 20 gain -n -18")
        && run("sox " + d + "verse.wav " + d + "outro.wav fade t 0 25 20")
        && run("sox " + d + "verse.wav " + d + "breakdown.wav " + d + "verse.wav " + d
            + "outro.wav " + d + "song.wav pad 1 3");
}

// The overview's pictures of one file, run on this thread's event loop as the
// window runs it.
struct Run {
    LoudnessPicture sketch;
    LoudnessPicture finished;
    double sketchMs = -1;
    double finishedMs = -1;
    // The window thread's longest lateness while the sketch was under way,
    // and after it, while the second pass ran.
    double sketchStallMs = 0;
    double longestStallMs = 0;
};

Run overviewOf(const std::filesystem::path& file, double wholeSeconds)
{
    Run result;
    QElapsedTimer clock;
    QEventLoop loop;
    LoudnessOverview overview([&](LoudnessPicture picture) {
        const double ms = double(clock.nsecsElapsed()) / 1e6;
        if (picture.peaks.empty()) {
            if (result.sketchMs < 0
                && picture.levels.size() * picture.secondsPerLevel >= wholeSeconds)
                result.sketchMs = ms;
            result.sketch = picture;
        }
        if (picture.decoded) {
            result.finishedMs = ms;
            result.finished = std::move(picture);
            loop.quit();
        }
    });
    constexpr int kTickMs = 2;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    QElapsedTimer sinceTick;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        double& longest = result.sketch.levels.empty()
                || result.sketch.levels.size() * result.sketch.secondsPerLevel < wholeSeconds
            ? result.sketchStallMs
            : result.longestStallMs;
        longest = std::max(longest, double(sinceTick.nsecsElapsed()) / 1e6 - kTickMs);
        sinceTick.restart();
    });
    QTimer::singleShot(600'000, &loop, &QEventLoop::quit);
    ticker.start(kTickMs);
    sinceTick.start();
    clock.start();
    overview.start(QString::fromStdString(file.string()));
    loop.exec();
    return result;
}

// The window thread's longest lateness over two seconds with nothing to do:
// what the machine's other load costs it.
double idleStallMs()
{
    constexpr int kTickMs = 2;
    double longest = 0;
    QEventLoop loop;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    QElapsedTimer sinceTick;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        longest = std::max(longest, double(sinceTick.nsecsElapsed()) / 1e6 - kTickMs);
        sinceTick.restart();
    });
    QTimer::singleShot(2000, &loop, &QEventLoop::quit);
    ticker.start(kTickMs);
    sinceTick.start();
    loop.exec();
    return longest;
}

// Per column, the loudest level the column covers, as the groove draws it.
std::vector<double> columnsOf(const LoudnessPicture& picture, double seconds)
{
    std::vector<double> columns(kColumns, 0.0);
    for (std::size_t i = 0; i < picture.levels.size(); ++i) {
        const auto column = std::size_t(i * picture.secondsPerLevel / seconds * kColumns);
        if (column < columns.size())
            columns[column] = std::max(columns[column], double(picture.levels[i]));
    }
    return columns;
}

// The RMS level in dB of full scale of each column's stretch, from mpg123's
// own decoding mixed to mono; the length of the sound in seconds.
std::vector<double> decodedColumns(const std::filesystem::path& file, long rate, double& seconds)
{
    const std::string command = "mpg123 -q -s -m '" + file.string() + "'";
    FILE* pipe = ::popen(command.c_str(), "r");
    std::vector<std::int16_t> samples;
    std::int16_t block[8192];
    for (std::size_t got; pipe && (got = std::fread(block, 2, 8192, pipe)) > 0;)
        samples.insert(samples.end(), block, block + got);
    if (pipe)
        ::pclose(pipe);
    seconds = double(samples.size()) / double(rate);
    std::vector<double> sums(kColumns, 0.0), counts(kColumns, 0.0);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const auto column = std::min<std::size_t>(kColumns - 1, i * kColumns / samples.size());
        sums[column] += double(samples[i]) * samples[i];
        counts[column] += 1;
    }
    std::vector<double> db(kColumns, -300.0);
    for (int c = 0; c < kColumns; ++c)
        if (sums[c] > 0)
            db[c] = 10 * std::log10(sums[c] / counts[c] / (32768.0 * 32768.0));
    return db;
}

// Pearson's correlation over the columns where both see sound.
double correlation(const std::vector<double>& shown, const std::vector<double>& truthDb)
{
    std::vector<std::pair<double, double>> pairs;
    for (std::size_t c = 0; c < shown.size(); ++c)
        if (shown[c] > 0 && truthDb[c] > kSilenceDb)
            pairs.emplace_back(shown[c], truthDb[c]);
    const double n = double(pairs.size());
    double sx = 0, sy = 0, sxx = 0, syy = 0, sxy = 0;
    for (const auto& [x, y] : pairs) {
        sx += x;
        sy += y;
        sxx += x * x;
        syy += y * y;
        sxy += x * y;
    }
    const double spread = std::sqrt((n * sxx - sx * sx) * (n * syy - sy * sy));
    return spread > 0 ? (n * sxy - sx * sy) / spread : 0.0;
}

double bestOfThreeMs(const std::string& command)
{
    double best = 1e300;
    for (int i = 0; i < 3; ++i) {
        const auto start = bench::Clock::now();
        run(command);
        best = std::min(best, bench::msSince(start));
    }
    return best;
}

double deviceOpenMs(const std::filesystem::path& file)
{
    const auto start = bench::Clock::now();
    const std::string open = "open \"" + file.string() + "\" type mpegvideo alias bench";
    char reply[64] = "";
    mci::mciSendString(open.c_str(), nullptr, 0, 0);
    mci::mciSendString("status bench length", reply, sizeof reply, 0);
    const double ms = bench::msSince(start);
    mci::mciSendString("close bench", nullptr, 0, 0);
    return ms;
}

// Plays `file` for `seconds` and gives how far playback's clock fell behind
// the wall clock meanwhile, in ms: a sound output that runs dry hands over
// silence, which the clock does not count.
double playbackLagMs(const std::filesystem::path& file, double seconds)
{
    const std::string open = "open \"" + file.string() + "\" type mpegvideo alias lag";
    char reply[64] = "";
    mci::mciSendString(open.c_str(), nullptr, 0, 0);
    mci::mciSendString("set lag time format ms", nullptr, 0, 0);
    mci::mciSendString("play lag", nullptr, 0, 0);
    const auto position = [&] {
        mci::mciSendString("status lag position", reply, sizeof reply, 0);
        return std::atof(reply);
    };
    // Past the start, once the sound flows.
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 500)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    const double from = position();
    const auto start = bench::Clock::now();
    while (bench::msSince(start) < seconds * 1000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    const double lag = bench::msSince(start) - (position() - from);
    mci::mciSendString("close lag", nullptr, 0, 0);
    return lag;
}

// The decoding thread's run time so far in ns, from the scheduler's own
// count; empty when no such thread runs.
std::optional<double> decodeRunNs()
{
    for (const QString& task : QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs)) {
        QFile name(QStringLiteral("/proc/self/task/%1/comm").arg(task));
        if (!name.open(QIODevice::ReadOnly) || name.readAll().trimmed() != "overview")
            continue;
        QFile stat(QStringLiteral("/proc/self/task/%1/schedstat").arg(task));
        if (stat.open(QIODevice::ReadOnly))
            return stat.readAll().split(' ').value(0).toDouble();
    }
    return std::nullopt;
}

// The decoding's share of one processor over `seconds` while the event loop runs.
double decodeShare(double seconds)
{
    const auto before = decodeRunNs();
    const auto start = bench::Clock::now();
    while (bench::msSince(start) < seconds * 1000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    const auto after = decodeRunNs();
    const double wallNs = bench::msSince(start) * 1e6;
    return before && after ? (*after - *before) / wallNs : -1;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    QCoreApplication application(argc, argv);
    for (const char* program : { "lame", "sox", "mpg123" })
        if (!bench::haveProgram(program)) {
            std::printf("%s is not installed\n", program);
            return 1;
        }
    bench::TempDir dir;
    if (!makeSong(dir)) {
        std::puts("could not make the song");
        return 1;
    }
    bool allMet = true;

    std::printf("Truth: correlation of the finished overview with the decoded RMS level per "
                "column, in dB (goal >= %.2f on every file; the sketch for comparison)\n",
        kTruthGoal);
    const struct {
        const char* name;
        const char* lame;
        long rate;
    } kinds[] = { { "CBR 128 kbit/s", "-b 128", 44100 }, { "VBR -V 2", "-V 2", 44100 },
        { "MPEG-2 22.05 kHz", "--resample 22.05 -b 64", 22050 },
        { "MPEG-2.5 11.025 kHz", "--resample 11.025 -b 32", 11025 },
        { "mono VBR 22.05 kHz", "-m m --resample 22.05 -V 5", 22050 } };
    const auto song = dir / "song.wav";
    for (const auto& kind : kinds) {
        const auto mp3 = dir / "song.mp3";
        if (!run(std::string("lame --quiet ") + kind.lame + " '" + song.string() + "' '"
                + mp3.string() + "'")) {
            std::printf("  %s: could not encode\n", kind.name);
            return 1;
        }
        double seconds = 0;
        const std::vector<double> truth = decodedColumns(mp3, kind.rate, seconds);
        const Run figures = overviewOf(mp3, seconds - 1);
        const double r = correlation(columnsOf(figures.finished, seconds), truth);
        const double sketchR = correlation(columnsOf(figures.sketch, seconds), truth);
        std::printf("  %-20s r = %.3f (sketch %.3f): %s\n", kind.name, r, sketchR,
            verdict(r >= kTruthGoal));
        allMet = allMet && r >= kTruthGoal;
    }

    std::printf("Speed and cost\n");
    // Ten minutes for the finished overview, an hour for the sketch.
    const auto piece = dir / "piece.mp3";
    const auto tenMinutes = dir / "ten.mp3";
    const auto hour = dir / "hour.mp3";
    if (!run("lame --quiet -t -b 128 '" + song.string() + "' '" + piece.string() + "'")
        || !bench::repeatFile(piece, tenMinutes, 6) || !bench::repeatFile(tenMinutes, hour, 6)) {
        std::puts("could not make the long files");
        return 1;
    }
    const double openMs = deviceOpenMs(hour);
    const Run hourRun = overviewOf(hour, 3500);
    const bool sketchFast = hourRun.sketchMs >= 0 && hourRun.sketchMs <= kSketchGoalMs;
    std::printf("  sketch of 1 hour: %.1f ms (device open %.1f ms; goal <= %.0f ms): %s\n",
        hourRun.sketchMs, openMs, kSketchGoalMs, verdict(sketchFast));

    // The overview decodes in the batch class: mpg123 is timed in the usual
    // one and in that same one.
    const double mpg123Ms = bestOfThreeMs("mpg123 -q -s '" + tenMinutes.string() + "'");
    const double idleMpg123Ms
        = bestOfThreeMs("chrt --batch 0 mpg123 -q -s '" + tenMinutes.string() + "'");
    double finishedMs = 1e300;
    double longestStallMs = hourRun.longestStallMs;
    double sketchStallMs = hourRun.sketchStallMs;
    for (int i = 0; i < 3; ++i) {
        const Run tenRun = overviewOf(tenMinutes, 580);
        finishedMs = std::min(finishedMs, tenRun.finishedMs);
        longestStallMs = std::max(longestStallMs, tenRun.longestStallMs);
        sketchStallMs = std::max(sketchStallMs, tenRun.sketchStallMs);
    }
    // The decoding keeps to half a processor when nothing plays: mpg123's
    // time is taken at that share.
    const double ratio
        = finishedMs * LoudnessOverview::kShareOtherwise / std::max(mpg123Ms, idleMpg123Ms);
    std::printf("  finished overview of 10 minutes: %.0f ms at half a processor; mpg123 -q -s: "
                "%.0f ms, in the batch class %.0f ms; ratio %.2f to the slower at half a "
                "processor (goal <= %.1f): %s\n",
        finishedMs, mpg123Ms, idleMpg123Ms, ratio, kDecodeGoalRatio,
        verdict(ratio <= kDecodeGoalRatio));
    const double idleMs = idleStallMs();
    std::printf("  longest window-thread stall while the sketch ran: %.2f ms, while the second "
                "pass ran: %.2f ms, with nothing running %.2f ms (goal <= %.0f): %s\n",
        sketchStallMs, longestStallMs, idleMs, kStallGoalMs,
        verdict(std::max(sketchStallMs, longestStallMs) <= kStallGoalMs));
    allMet = allMet && sketchFast && ratio <= kDecodeGoalRatio
        && std::max(sketchStallMs, longestStallMs) <= kStallGoalMs;

    // Playback of one file while the second pass decodes three hours, from the
    // sketch's arrival on, against the same playback alone; each five times,
    // taking turns, and the least of each, so other load weighs on both alike.
    constexpr double kPlaySeconds = 2;
    const auto threeHours = dir / "three-hours.mp3";
    if (!bench::repeatFile(hour, threeHours, 3)) {
        std::puts("could not make the long file");
        return 1;
    }
    constexpr int kTurns = 5;
    double lagAlone = 1e300;
    double lagBeside = 1e300;
    for (int i = 0; i < kTurns; ++i) {
        lagAlone = std::min(lagAlone, playbackLagMs(tenMinutes, kPlaySeconds));
        bool sketched = false;
        bool decoded = false;
        LoudnessOverview overview([&](LoudnessPicture picture) {
            sketched = true;
            decoded = decoded || picture.decoded;
        });
        overview.start(QString::fromStdString(threeHours.string()));
        while (!sketched)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        const double lag = playbackLagMs(tenMinutes, kPlaySeconds);
        QCoreApplication::processEvents();
        if (decoded)
            std::printf("  (the second pass ended before the playback did)\n");
        lagBeside = std::min(lagBeside, lag);
    }
    const bool keptPace = lagBeside - lagAlone <= kLagGoalMs;
    std::printf("  playback behind the wall clock over %.0f s: %.0f ms alone, %.0f ms while the "
                "second pass decodes (goal: at most %.0f ms more): %s\n",
        kPlaySeconds, lagAlone, lagBeside, kLagGoalMs, verdict(keptPace));
    allMet = allMet && keptPace;

    // The decoding's share of a processor, while the device plays a file
    // and while nothing plays, taking turns, three seconds each.
    std::vector<double> sharePlaying, shareIdle;
    {
        bool playing = false;
        bool sketched = false;
        LoudnessOverview overview(
            [&](LoudnessPicture) { sketched = true; }, [&] { return playing; });
        overview.start(QString::fromStdString(threeHours.string()));
        while (!sketched)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        const std::string open = "open \"" + tenMinutes.string() + "\" type mpegvideo alias share";
        mci::mciSendString(open.c_str(), nullptr, 0, 0);
        for (int i = 0; i < 3; ++i) {
            shareIdle.push_back(decodeShare(3));
            playing = mci::mciSendString("play share", nullptr, 0, 0) == 0;
            decodeShare(0.2); // until the overview has seen it
            sharePlaying.push_back(decodeShare(3));
            mci::mciSendString("stop share", nullptr, 0, 0);
            playing = false;
            decodeShare(0.2);
        }
        mci::mciSendString("close share", nullptr, 0, 0);
    }
    const double playingShare = median(sharePlaying);
    const double idleShare = median(shareIdle);
    const bool keptShare = playingShare >= 0 && idleShare >= 0
        && playingShare <= LoudnessOverview::kShareWhilePlaying * kShareSlack
        && idleShare <= LoudnessOverview::kShareOtherwise * kShareSlack;
    std::printf("  the second pass's share of a processor (median of 3 turns of 3 s): %.2f while "
                "playing (goal <= %.2f), %.2f otherwise (goal <= %.2f): %s\n",
        playingShare, LoudnessOverview::kShareWhilePlaying, idleShare,
        LoudnessOverview::kShareOtherwise, verdict(keptShare));
    allMet = allMet && keptShare;

    // Closing the window lets the decoding go at once; its thread, which
    // runs in the batch class and may be asleep to keep its share, must
    // be gone soon after.
    double longestStopMs = 0;
    double longestEndMs = 0;
    for (int i = 0; i < 5; ++i) {
        bool sketched = false;
        auto overview
            = std::make_unique<LoudnessOverview>([&](LoudnessPicture) { sketched = true; });
        overview->start(QString::fromStdString(hour.string()));
        while (!sketched)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        decodeShare(0.3 + 0.1 * i);
        const auto start = bench::Clock::now();
        overview.reset();
        longestStopMs = std::max(longestStopMs, bench::msSince(start));
        while (decodeRunNs() && bench::msSince(start) < 5000)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        longestEndMs = std::max(longestEndMs, bench::msSince(start));
    }
    const bool stoppedAtOnce = longestStopMs <= kStopGoalMs && longestEndMs <= kStopGoalMs;
    std::printf("  closing while the second pass decodes: longest wait %.1f ms, its thread gone "
                "after at most %.1f ms (goal <= %.0f): %s\n",
        longestStopMs, longestEndMs, kStopGoalMs, verdict(stoppedAtOnce));
    allMet = allMet && stoppedAtOnce;
    return allMet ? 0 : 1;
}
