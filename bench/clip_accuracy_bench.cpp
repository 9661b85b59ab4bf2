// How well a clip holds the marked sound, beside `ffmpeg -ss S -to E -c copy`
// on the same marks. Over a generated set of MP3s, several mark pairs each:
// the source and the clip are decoded with libmpg123, the clip is located in
// the source's sound by cross-correlation, and three figures are printed:
//
// - start error: where the clip's sound begins against the start mark, in
//   frames (negative: earlier);
// - end error: where it ends against the end mark, in frames and in
//   milliseconds (negative: short of it), and whether the clip's last frame
//   is whole (ends on a frame bound);
// - damage: milliseconds from the start mark to the last 10 ms window whose
//   error against the source exceeds 10 % (missing sound counts) before 50 ms
//   of clean sound.
//
// Goals, on every file but the bare ones: damage at most one frame; a start
// error within [-(reservoir frames + 1), +1] frames; an end error within
// [0, +1] frame and the clip ending on a frame bound; a median damage and a
// median end error (in size) no worse than ffmpeg's; no warning from
// `mpg123 -t` or `ffmpeg -v error` on a clip of the 320 kbps CBR or the VBR
// file (the others are counted for information).
//
// Then the exact clips (the save dialog's third entry, `trimora --cut
// --exact`) of every layer III source and of more that stress the lead-in,
// each decoded with libmpg123 (gapless) and with ffmpeg, against the same
// decoder's decode of the source. Sources the two decoders make different
// sound of (two files joined, a tag between frames) are shown but not
// counted: no clip can match both there. Goals: every clip decodes to
// exactly the marked number of samples in both; ffmpeg's samples equal the
// source's between the marks and libmpg123's are within 1; neither decoder
// prints a word about any clip;
// a player that ignores the info frame plays at most one frame before the
// mark's own (two at the half and quarter rates, whose frames hold one
// granule); and an exact clip saves in at most 1.2 times the time of the
// ordinary clip of the same section.

#include "MciBenchSupport.h"

#include "editor/ClipBytes.h"
#include "editor/ClipSaveRange.h"
#include "editor/ClipSaveSource.h"
#include "platform/mci/Mp3File.h"
#include "platform/mp3/AudioBytes.h"
#include "platform/mp3/ExactClip.h"
#include "platform/mp3/FileReader.h"
#include "platform/mp3/FrameTable.h"
#include "platform/mp3/FrameWalker.h"
#include "platform/mp3/SampleTime.h"
#include "tests/support/DecodedSound.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <numbers>
#include <optional>
#include <random>
#include <string>
#include <variant>
#include <vector>

namespace {

constexpr int kRate = 44100;
constexpr double kSeconds = 20.0;

using decodedsound::decode;
using decodedsound::Sound;

// Twenty seconds of stereo: two gliding tones over soft noise, so that no
// stretch of it looks like another and cross-correlation has one peak.
bool writeSignal(const std::filesystem::path& wav, double fromSeconds, double seconds)
{
    const auto first = std::int64_t(std::llround(fromSeconds * kRate));
    const auto count = std::int64_t(std::llround(seconds * kRate));
    std::FILE* out = std::fopen(wav.c_str(), "wb");
    if (!out)
        return false;
    const auto put = [&](std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            std::fputc(int((value >> (8 * i)) & 0xFF), out);
    };
    const auto dataBytes = std::uint32_t(count * 4);
    std::fwrite("RIFF", 1, 4, out);
    put(36 + dataBytes, 4);
    std::fwrite("WAVEfmt ", 1, 8, out);
    put(16, 4), put(1, 2), put(2, 2), put(kRate, 4), put(kRate * 4, 4), put(4, 2), put(16, 2);
    std::fwrite("data", 1, 4, out);
    put(dataBytes, 4);
    std::mt19937 noise(7);
    std::normal_distribution<double> gauss(0.0, 600.0);
    double phase1 = 0, phase2 = 0;
    for (std::int64_t n = 0; n < first + count; ++n) {
        const double t = double(n) / kRate;
        phase1 += 2 * std::numbers::pi * (300.0 + 200.0 * std::sin(t * 0.9)) / kRate;
        phase2 += 2 * std::numbers::pi * (1100.0 + 500.0 * std::sin(t * 2.3)) / kRate;
        const double common = 7000 * std::sin(phase1) + 3000 * std::sin(phase2);
        const double left = common + gauss(noise), right = common + gauss(noise);
        if (n < first)
            continue;
        put(std::uint32_t(std::uint16_t(std::int16_t(left))), 2);
        put(std::uint32_t(std::uint16_t(std::int16_t(right))), 2);
    }
    return std::fclose(out) == 0;
}

bool run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start(program, arguments);
    return process.waitForFinished(120'000) && process.exitStatus() == QProcess::NormalExit
        && process.exitCode() == 0;
}

// Lines of warnings and errors that `mpg123 -t` and `ffmpeg -v error`, two
// decoders of their own, print for `clip`; with `audioOnly`, ffmpeg leaves
// other streams (a picture in the tags) alone.
int decoderComplaints(const std::filesystem::path& clip, bool audioOnly = false)
{
    int lines = 0;
    const auto count = [&](const QString& program, const QStringList& arguments, bool all) {
        QProcess process;
        process.setStandardOutputFile(QProcess::nullDevice());
        process.start(program, arguments);
        process.waitForFinished(120'000);
        for (const QByteArray& line : process.readAllStandardError().split('\n'))
            if (all ? !line.trimmed().isEmpty()
                    : line.contains("arning") || line.contains("rror") || line.contains("nvalid")
                        || line.startsWith("Note"))
                ++lines;
    };
    const QString path = QString::fromStdString(clip.string());
    count(QStringLiteral("mpg123"), { "-t", path }, false);
    QStringList ffmpeg { "-v", "error", "-i", path };
    if (audioOnly)
        ffmpeg << QStringLiteral("-map") << QStringLiteral("0:a");
    ffmpeg << QStringLiteral("-f") << QStringLiteral("null") << QStringLiteral("-");
    count(QStringLiteral("ffmpeg"), ffmpeg, true);
    return lines;
}

std::string readAll(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return { std::istreambuf_iterator<char>(in), {} };
}

void writeAll(const std::filesystem::path& file, const std::string& bytes)
{
    std::ofstream(file, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
}

// Puts an ID3v2 tag between two frames near the middle of `mp3`.
bool insertTagMidway(const std::filesystem::path& mp3, const std::filesystem::path& out)
{
    std::int64_t middle = 0;
    {
        mp3::FileReader file(mp3);
        const auto layout = mp3::findMp3Layout(file);
        if (!layout)
            return false;
        const std::int64_t half = file.size() / 2;
        mp3::visitFrames(file, *layout, [&](const mp3::FrameSeen& frame) {
            middle = frame.offset;
            return frame.offset < half;
        });
    }
    std::string bytes = readAll(mp3);
    std::string tag { 'I', 'D', '3', 3, 0, 0, 0, 0, 15, 0x50 }; // 2,000-byte body
    tag += std::string(2000, '\0');
    bytes.insert(std::size_t(middle), tag);
    writeAll(out, bytes);
    return true;
}

struct Cut {
    bool ok = false;
    double startFrames = 0, endFrames = 0, endMs = 0, damageMs = 0;
    bool onFrameBound = false;
};

// True when the frames of `clip` run whole to the end of its audio: a last
// frame cut short is damaged data.
bool endsOnFrameBound(const std::filesystem::path& clip)
{
    mp3::FileReader file(clip);
    const auto layout = mp3::findMp3Layout(file);
    return layout
        && mp3::visitFrames(file, *layout, [](const mp3::FrameSeen&) { return true; }).audioEnd
        == layout->audioEnd;
}

// The lag at which `clip` from sample `at` on best matches `source`, searched
// over [from, to]; the normalised correlation goes to `score`.
std::int64_t bestLag(const Sound& source, const Sound& clip, std::size_t at, std::int64_t from,
    std::int64_t to, double& score)
{
    constexpr std::size_t kLength = 2048;
    score = -1;
    std::int64_t lag = 0;
    if (at + kLength > clip.samples.size())
        return lag;
    from = std::max<std::int64_t>(from, -std::int64_t(at));
    to = std::min<std::int64_t>(to, std::int64_t(source.samples.size() - kLength - at));
    double clipEnergy = 0;
    for (std::size_t i = 0; i < kLength; ++i)
        clipEnergy += clip.samples[at + i] * clip.samples[at + i];
    for (std::int64_t l = from; l <= to; ++l) {
        double dot = 0, energy = 0;
        const double* s = source.samples.data() + l + std::int64_t(at);
        const double* c = clip.samples.data() + at;
        for (std::size_t i = 0; i < kLength; ++i) {
            dot += s[i] * c[i];
            energy += s[i] * s[i];
        }
        const double value = dot / std::sqrt(energy * clipEnergy + 1e-9);
        if (value > score) {
            score = value;
            lag = l;
        }
    }
    return lag;
}

// Locates `clip` in `source` and measures it against the marks. The clip is
// found by its middle, then placed exactly by its sound just after the start
// mark and just before its end: a joint of two files may add or drop samples
// between the two.
Cut measure(const Sound& source, const Sound& clip, std::int64_t startSample,
    std::int64_t endSample, int samplesPerFrame)
{
    Cut cut;
    if (clip.rate != source.rate || clip.samples.size() < std::size_t(clip.rate))
        return cut;
    const std::int64_t rate = source.rate;
    double score = 0;
    const std::int64_t rough = bestLag(
        source, clip, clip.samples.size() / 2, startSample - 3 * rate, startSample + rate, score);
    if (score < 0.9)
        return cut;
    const std::int64_t nearStart = std::max<std::int64_t>(0, startSample + rate / 5 - rough);
    const std::int64_t lag = bestLag(
        source, clip, std::size_t(nearStart), rough - rate / 10, rough + rate / 10, score);
    if (score < 0.9)
        return cut;
    const auto clipLength = std::int64_t(clip.samples.size());
    const std::int64_t endLag = bestLag(source, clip, std::size_t(clipLength - rate / 5 - 2048),
        rough - rate / 10, rough + rate / 10, score);
    cut.ok = true;
    cut.startFrames = double(lag - startSample) / samplesPerFrame;
    cut.endMs = double(endLag + clipLength - endSample) * 1000.0 / double(rate);
    cut.endFrames = double(endLag + clipLength - endSample) / samplesPerFrame;
    // From the start mark to the first 50 ms of clean sound: what the cut
    // itself harms (a joint of two files further on is no part of it).
    const std::int64_t window = rate / 100;
    const std::int64_t until = std::min(lag + clipLength, endSample);
    int damaged = 0;
    int cleanInARow = 0;
    for (std::int64_t p = startSample; p + window <= until && cleanInARow < 5; p += window) {
        bool bad = p < lag;
        if (!bad) {
            double error = 0, energy = 0;
            for (std::int64_t i = p; i < p + window; ++i) {
                const double s = source.samples[std::size_t(i)];
                const double d = clip.samples[std::size_t(i - lag)] - s;
                error += d * d;
                energy += s * s;
            }
            // Error above 10 % of the signal's amplitude: 1 % of its energy.
            bad = error > 0.01 * energy + double(window);
        }
        damaged += bad ? 1 + cleanInARow : 0;
        cleanInARow = bad ? 0 : cleanInARow + 1;
    }
    cut.damageMs = damaged * 10.0;
    return cut;
}

// True when the audio of `file` is layer II.
bool layerII(const std::filesystem::path& file)
{
    mp3::FileReader reader(file);
    const auto layout = mp3::findMp3Layout(reader);
    return layout && layout->header.layer == 2;
}

struct Source {
    const char* what;
    std::string file;
    // Its clips must decode without a warning (see decoderComplaints).
    bool warningFree = false;
};

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

using decodedsound::Pcm;

Pcm decodeWithLibmpg123(const std::filesystem::path& file)
{
    return decodedsound::decodePcm(file);
}

Pcm decodeWithFfmpeg(const std::filesystem::path& file, int channels)
{
    QProcess process;
    process.start(QStringLiteral("ffmpeg"),
        { "-v", "quiet", "-i", QString::fromStdString(file.string()), "-map", "0:a:0", "-f",
            "s16le", "-" });
    process.waitForFinished(120'000);
    const QByteArray bytes = process.readAllStandardOutput();
    Pcm out;
    out.channels = channels;
    out.samples.resize(std::size_t(bytes.size()) / 2);
    std::memcpy(out.samples.data(), bytes.data(), out.samples.size() * 2);
    return out;
}

// The largest difference between `clip` and the source's samples
// [first, first + clip's length); -1 when the lengths differ.
int largestDifference(const Pcm& source, std::int64_t first, std::int64_t count, const Pcm& clip)
{
    if (clip.frames() != count || first + count > source.frames()
        || clip.channels != source.channels)
        return -1;
    int largest = 0;
    const auto from = std::size_t(first * source.channels);
    for (std::size_t i = 0; i < clip.samples.size(); ++i)
        largest = std::max(largest, std::abs(int(clip.samples[i]) - int(source.samples[from + i])));
    return largest;
}

// Saves the clip of `bytes` as the command line does, and the seconds it took.
double saveSeconds(const std::filesystem::path& source, const std::filesystem::path& clip,
    std::int32_t startMs, std::int32_t endMs, std::int32_t lengthMs, bool exact)
{
    const auto began = bench::Clock::now();
    ClipSaveSource input(QString::fromStdString(source.string()));
    const ClipBytes bytes
        = clipBytesFor(input.descriptor(), input.size(), lengthMs, startMs, endMs, exact);
    writeClipBytes(input, QString::fromStdString(clip.string()), bytes);
    return bench::msSince(began) / 1000.0;
}

struct ExactSource {
    const char* what;
    std::string file;
};

// Makes and measures the exact clips; true when every goal is met.
void exactClips(const bench::TempDir& dir, const std::vector<ExactSource>& sources)
{
    const std::pair<std::int32_t, std::int32_t> marks[] = { { 0, 2'345 }, { 1'234, 4'321 },
        { 5'003, 8'888 }, { 10'017, 14'999 }, { 15'555, 19'001 } };
    std::printf("\nexact clips: samples wanted, and per decoder the samples given and the largest "
                "difference from the source's own decode\n");
    std::printf("%-34s %-13s | %8s | %8s %4s | %8s %4s | %5s %7s\n", "file", "marks (ms)", "wanted",
        "libmpg123", "diff", "ffmpeg", "diff", "words", "lead-in");
    int clips = 0, wrongLength = 0, notIdentical = 0, noisy = 0, compared = 0;
    bool leadInMet = true;
    std::vector<double> leadInMs;
    double leadInMost = 0;
    for (const ExactSource& s : sources) {
        const auto path = dir / s.file;
        const auto opened = mci::openMp3File(path);
        if (!std::holds_alternative<mci::Mp3File>(opened)) {
            std::printf("%-34s cannot be opened\n", s.what);
            ++wrongLength;
            continue;
        }
        const auto& mp3 = std::get<mci::Mp3File>(opened);
        const Pcm ours = decodeWithLibmpg123(path);
        const Pcm theirs = decodeWithFfmpeg(path, ours.channels);
        // Two files joined, or a tag between frames: the two decoders make
        // different sound of the source itself there (libmpg123 drops the
        // first file's padding from the middle, ffmpeg takes a second info
        // frame for the stream's), and no clip can match both.
        const bool decodersAgree = ours.frames() == theirs.frames();
        const ClipSaveSource source(QString::fromStdString(path.string()));
        for (const auto& [startMs, endMs] : marks) {
            const auto clip = mp3::findExactClip(source.descriptor(), startMs, endMs);
            if (!clip || !clip->exact) {
                std::printf("%-34s %5d-%-7d | no exact clip\n", s.what, startMs, endMs);
                ++wrongLength;
                continue;
            }
            std::string bytes(clip->head.begin(), clip->head.end());
            bytes += readAll(path).substr(
                std::size_t(clip->rawStart), std::size_t(clip->rawEnd - clip->rawStart));
            writeAll(dir / "exact.mp3", bytes);
            const std::int64_t first = mp3::samplesAtMs(startMs, mp3.sampleRate);
            const std::int64_t count = mp3::samplesAtMs(endMs, mp3.sampleRate) - first;
            const Pcm clipOurs = decodeWithLibmpg123(dir / "exact.mp3");
            const Pcm clipTheirs = decodeWithFfmpeg(dir / "exact.mp3", ours.channels);
            const int ourDifference = largestDifference(ours, first, count, clipOurs);
            const int theirDifference = largestDifference(theirs, first, count, clipTheirs);
            // The generated pictures are no images: only the audio counts.
            const int words = decoderComplaints(dir / "exact.mp3", true);
            const long rate = mp3.sampleRate;
            const int perFrame = rate >= 32000 ? 1152 : 576;
            const double leadMs = double(clip->leadInSamples) * 1000.0 / double(rate);
            // Whole frames before the one that holds the mark.
            const std::int64_t framesBefore = clip->leadInSamples / perFrame;
            ++clips;
            if (decodersAgree) {
                ++compared;
                wrongLength += clipOurs.frames() != count || clipTheirs.frames() != count;
                notIdentical += ourDifference < 0 || ourDifference > 1 || theirDifference != 0;
                noisy += words > 0;
            }
            leadInMs.push_back(leadMs);
            leadInMost = std::max(leadInMost, leadMs);
            leadInMet = leadInMet && framesBefore <= (perFrame == 576 ? 2 : 1);
            std::printf("%-34s %5d-%-7d | %8lld | %8lld %4d | %8lld %4d | %5d %5.1f ms%s\n", s.what,
                startMs, endMs, static_cast<long long>(count),
                static_cast<long long>(clipOurs.frames()), ourDifference,
                static_cast<long long>(clipTheirs.frames()), theirDifference, words, leadMs,
                decodersAgree ? "" : " (decoders differ on the source)");
        }
    }
    std::printf("%d clips, %d of sources both decoders agree on (the others are shown, not "
                "counted)\n",
        clips, compared);
    std::printf("exact length: %d of %d clips give other than the marked samples in libmpg123 or "
                "ffmpeg (goal: none) %s\n",
        wrongLength, compared, wrongLength == 0 && compared > 0 ? "MET" : "NOT MET");
    std::printf("identical: %d of %d clips differ from the source's decode between the marks "
                "(ffmpeg by any, libmpg123 by more than 1) (goal: none) %s\n",
        notIdentical, compared, notIdentical == 0 && compared > 0 ? "MET" : "NOT MET");
    std::printf("clean: %d of %d clips draw words from mpg123 -t or ffmpeg -v error (goal: none) "
                "%s\n",
        noisy, compared, noisy == 0 ? "MET" : "NOT MET");
    std::printf("lead-in for a player that ignores the info frame: median %.1f ms, most %.1f ms; "
                "at most one frame before the mark's own, two of one granule (goal) %s\n",
        median(leadInMs), leadInMost, leadInMet ? "MET" : "NOT MET");
}

// Times saving the ordinary and the exact clip of one long section, in turn,
// and compares the medians.
void exactSaveTime(const bench::TempDir& dir, const std::string& file)
{
    const auto path = dir / file;
    const auto opened = mci::openMp3File(path);
    if (!std::holds_alternative<mci::Mp3File>(opened))
        return;
    const auto& mp3 = std::get<mci::Mp3File>(opened);
    const auto lengthMs = std::int32_t(mp3::msAtSamples(mp3.samples, mp3.sampleRate));
    std::vector<double> plain, exact;
    for (int round = 0; round < 15; ++round) {
        plain.push_back(
            saveSeconds(path, dir / "timed.mp3", 1'000, lengthMs - 1'000, lengthMs, false));
        exact.push_back(
            saveSeconds(path, dir / "timed.mp3", 1'000, lengthMs - 1'000, lengthMs, true));
    }
    const double ratio = median(exact) / median(plain);
    std::printf(
        "saving %s from 1 s to 1 s before its end: ordinary clip %.2f ms, exact clip %.2f ms, "
        "%.2f times (goal: at most 1.2) %s\n",
        file.c_str(), median(plain) * 1000, median(exact) * 1000, ratio,
        ratio <= 1.2 ? "MET" : "NOT MET");
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    for (const char* tool : { "lame", "twolame" })
        if (!bench::haveProgram(tool)) {
            std::fprintf(stderr, "clip_accuracy_bench: %s is missing\n", tool);
            return 0;
        }
    const bool haveFfmpeg = bench::haveProgram("ffmpeg");
    const bool haveDecoders = haveFfmpeg && bench::haveProgram("mpg123");
    bench::TempDir dir;
    const auto at
        = [&](const std::string& name) { return QString::fromStdString((dir / name).string()); };
    std::printf("making the sources...\n");
    std::fflush(stdout);
    if (!writeSignal(dir / "all.wav", 0, kSeconds) || !writeSignal(dir / "first.wav", 0, 10.5)
        || !writeSignal(dir / "last.wav", 10.5, kSeconds - 10.5))
        return 1;
    writeAll(dir / "cover.png", std::string("\x89PNG\r\n\x1a\n", 8) + std::string(150'000, '\0'));
    const QString wav = at("all.wav");
    const QString lame = QStringLiteral("lame");
    const bool made = run(lame,
                          QStringList { "--quiet", "-b", "128", "--ti", at("cover.png"), wav,
                              at("picture.mp3") })
        && run(lame, QStringList { "--quiet", "-b", "128", wav, at("info.mp3") })
        && run(lame,
            QStringList {
                "--quiet", "-b", "320", "--add-id3v2", "--tt", "Loud", wav, at("cbr320.mp3") })
        && run(lame, QStringList { "--quiet", "-V", "2", wav, at("vbr.mp3") })
        && run(lame, QStringList { "--quiet", "-m", "m", "-b", "64", wav, at("mono64.mp3") })
        && run(lame,
            QStringList { "--quiet", "-m", "m", "--resample", "8", "-b", "24", wav, at("8k.mp3") })
        && run(QStringLiteral("twolame"),
            QStringList { "--quiet", "-b", "192", wav, at("layer2.mp3") })
        && run(lame, QStringList { "--quiet", "--freeformat", "-b", "200", wav, at("free.mp3") })
        && run(lame,
            QStringList { "--quiet", "-b", "128", "--add-id3v2", "--tt", "One", at("first.wav"),
                at("first.mp3") })
        && run(lame,
            QStringList { "--quiet", "-b", "128", "--add-id3v2", "--tt", "Two", at("last.wav"),
                at("last.mp3") })
        && run(lame, QStringList { "--quiet", "-b", "128", "-t", wav, at("bare.mp3") })
        && run(lame,
            QStringList { "--quiet", "-m", "m", "-b", "64", "--ti", at("cover.png"), wav,
                at("mono64deep.mp3") })
        && run(lame,
            QStringList { "--quiet", "--resample", "22.05", "-b", "32", wav, at("mpeg2.mp3") })
        && run(lame,
            QStringList {
                "--quiet", "--resample", "16", "-m", "m", "-b", "8", wav, at("mpeg2low.mp3") })
        && run(lame,
            QStringList { "--quiet", "--resample", "11.025", "-b", "16", wav, at("mpeg25.mp3") })
        && run(lame, QStringList { "--quiet", "-p", "-b", "128", wav, at("crc.mp3") })
        && run(lame,
            QStringList { "--quiet", "-p", "--resample", "22.05", "-m", "m", "-b", "24", wav,
                at("crc2.mp3") })
        && run(lame, QStringList { "--quiet", "-m", "m", "-V", "6", wav, at("monovbr.mp3") })
        && run(lame, QStringList { "--quiet", "-t", "-m", "m", "-b", "64", wav, at("bare64.mp3") });
    if (!made)
        return 1;
    writeAll(dir / "joined.mp3", readAll(dir / "first.mp3") + readAll(dir / "last.mp3"));
    if (!insertTagMidway(dir / "bare.mp3", dir / "midtag.mp3"))
        return 1;
    std::string tag { 'I', 'D', '3', 3, 0, 0, 0, 0, 8, 0 }; // 1,024-byte body
    writeAll(dir / "layer2tag.mp3", tag + std::string(1024, '\0') + readAll(dir / "layer2.mp3"));

    const Source sources[] = {
        { "CBR 128, ID3v2 picture", "picture.mp3" },
        { "CBR 128, info frame", "info.mp3" },
        { "CBR 320, ID3v2, info frame", "cbr320.mp3", true },
        { "VBR -V 2", "vbr.mp3", true },
        { "CBR 64 mono 44.1 kHz", "mono64.mp3" },
        { "8 kHz MPEG-2.5", "8k.mp3" },
        { "layer II 192 (twolame), ID3v2", "layer2tag.mp3" },
        { "free format 200", "free.mp3" },
        { "two files joined", "joined.mp3" },
        { "free format 200", "free.mp3" },
        { "ID3v2 tag in mid-file", "midtag.mp3" },
        { "bare CBR 128 (whole-file rule)", "bare.mp3" },
        { "bare layer II 192 (whole-file)", "layer2.mp3" },
    };
    const std::pair<std::int32_t, std::int32_t> marks[]
        = { { 1'234, 4'321 }, { 5'003, 8'888 }, { 10'017, 14'999 }, { 15'555, 19'001 } };

    std::printf("%-32s %-13s | %8s %7s %7s %5s %6s | %8s %7s %7s %5s %6s\n", "file", "marks (ms)",
        "start fr", "end fr", "end ms", "bound", "damage", "ffmpeg", "end fr", "end ms", "bound",
        "damage");
    bool damageMet = true, startMet = true, endMet = true;
    // Clips a decoder warns about, of sources that decode without one.
    int complained = 0, clips = 0, quietFrames = 0;
    bool warningsMet = true;
    std::string warnedOn;
    std::vector<double> ourDamage, theirDamage, ourEnd, theirEnd;
    double worstDamage = 0, worstFrameMs = 0;
    for (const Source& s : sources) {
        const auto path = dir / s.file;
        const auto opened = mci::openMp3File(path);
        const auto table = mp3::frameTableOf(path);
        if (!std::holds_alternative<mci::Mp3File>(opened) || !table) {
            std::printf("%-32s cannot be opened\n", s.what);
            damageMet = startMet = false;
            continue;
        }
        const auto& mp3 = std::get<mci::Mp3File>(opened);
        const auto lengthMs = std::int32_t(mp3::msAtSamples(mp3.samples, mp3.sampleRate));
        const Sound played = decode(path);
        const std::string bytes = readAll(path);
        const bool checkWarnings = haveDecoders && !table->bare() && decoderComplaints(path) == 0;
        const int perFrame = table->samplesPerFrame();
        const double frameMs = perFrame * 1000.0 / double(table->sampleRate());
        for (const auto& [startMs, endMs] : marks) {
            const std::int64_t startSample = mp3::samplesAtMs(startMs, played.rate);
            const std::int64_t endSample = mp3::samplesAtMs(endMs, played.rate);
            const ClipSaveSource source(QString::fromStdString(path.string()));
            const ClipSaveRange range
                = clipSaveRange(source.descriptor(), source.size(), lengthMs, startMs, endMs);
            const std::int64_t blocks
                = (std::int64_t(range.endPosition) - range.startPosition) / 4096 + 1;
            const std::int64_t clipBytes
                = std::min(blocks * 4096 + 1, range.lastPosition - range.startPosition + 1);
            writeAll(dir / "clip.mp3",
                bytes.substr(std::size_t(range.startPosition - 1), std::size_t(clipBytes)));
            Cut ours = measure(played, decode(dir / "clip.mp3"), startSample, endSample, perFrame);
            ours.onFrameBound = endsOnFrameBound(dir / "clip.mp3");
            if (checkWarnings) {
                ++clips;
                if (decoderComplaints(dir / "clip.mp3") > 0) {
                    ++complained;
                    warnedOn += std::string(" ") + s.file + "@" + std::to_string(startMs);
                    warningsMet = warningsMet && !s.warningFree;
                }
            }
            const std::size_t frame = std::size_t((startSample + table->trimmedSamples) / perFrame);
            const int stepBack = frame < table->size() ? (*table)[frame].stepBack : 0;

            Cut theirs;
            if (haveFfmpeg) {
                // The mp3 muxer takes no layer II and no picture stream.
                const std::string out = layerII(path) ? "ffmpeg.mp2" : "ffmpeg.mp3";
                QFile::remove(at(out));
                if (run(QStringLiteral("ffmpeg"),
                        { "-v", "quiet", "-y", "-ss", QString::number(startMs / 1000.0, 'f', 3),
                            "-to", QString::number(endMs / 1000.0, 'f', 3), "-i",
                            QString::fromStdString(path.string()), "-map", "0:a:0", "-c", "copy",
                            at(out) })) {
                    theirs = measure(played, decode(dir / out), startSample, endSample, perFrame);
                    theirs.onFrameBound = endsOnFrameBound(dir / out);
                }
            }
            const auto print = [](const Cut& cut, const char* missing) {
                if (cut.ok)
                    std::printf(" %+8.2f %+7.2f %+7.0f %5s %6.0f", cut.startFrames, cut.endFrames,
                        cut.endMs, cut.onFrameBound ? "yes" : "NO", cut.damageMs);
                else
                    std::printf(" %38s", missing);
            };
            std::printf("%-32s %5d-%-7d |", s.what, startMs, endMs);
            print(ours, "not found");
            std::printf(" |");
            print(theirs, haveFfmpeg ? "failed" : "-");
            std::printf("\n");
            if (table->bare())
                continue;
            if (!ours.ok) {
                damageMet = startMet = false;
                continue;
            }
            ourDamage.push_back(ours.damageMs);
            ourEnd.push_back(std::abs(ours.endMs));
            if (theirs.ok) {
                theirDamage.push_back(theirs.damageMs);
                theirEnd.push_back(std::abs(theirs.endMs));
            }
            // Within a sample's rounding of the frame's bounds.
            endMet = endMet && ours.onFrameBound && ours.endFrames >= -0.001
                && ours.endFrames <= 1.001;
            if (worstFrameMs == 0 || ours.damageMs / frameMs > worstDamage / worstFrameMs) {
                worstDamage = ours.damageMs;
                worstFrameMs = frameMs;
            }
            damageMet = damageMet && ours.damageMs <= frameMs;
            // At the half and quarter rates a first frame that would make the
            // decoder warn adds a frame of lead-in, up to four.
            const int beyondFloor = int(std::floor(-ours.startFrames)) - stepBack;
            if (perFrame == 576 && beyondFloor > 0)
                quietFrames += beyondFloor;
            startMet
                = startMet && beyondFloor <= (perFrame == 576 ? 4 : 0) && ours.startFrames <= 1;
        }
    }
    std::printf("damage after the start mark, files but the bare one: worst %.0f ms against a "
                "frame of %.1f ms (goal <= one frame) %s\n",
        worstDamage, worstFrameMs, damageMet ? "MET" : "NOT MET");
    std::printf("start error within [-(reservoir frames + 1), +1] frames on every cut, but for "
                "%d frames of lead-in more at the half and quarter rates: %s\n",
        quietFrames, startMet ? "MET" : "NOT MET");
    std::printf("end error within [0, +1] frame and a clip of whole frames on every cut: %s\n",
        endMet ? "MET" : "NOT MET");
    if (haveDecoders)
        std::printf("clips that mpg123 -t or ffmpeg -v error warn about, of sources they do not: "
                    "%d of %d%s; none of the 320 kbps CBR and the VBR file (goal) %s\n",
            complained, clips, warnedOn.c_str(), warningsMet ? "MET" : "NOT MET");
    if (haveFfmpeg) {
        std::printf("median damage: ours %.0f ms, ffmpeg %.0f ms (goal: no worse) %s\n",
            median(ourDamage), median(theirDamage),
            median(ourDamage) <= median(theirDamage) ? "MET" : "NOT MET");
        std::printf("median end error, in size: ours %.0f ms, ffmpeg %.0f ms (goal: no worse) %s\n",
            median(ourEnd), median(theirEnd),
            median(ourEnd) <= median(theirEnd) ? "MET" : "NOT MET");
    } else {
        std::printf("median damage: ours %.0f ms, median end error %.0f ms; ffmpeg is not "
                    "installed\n",
            median(ourDamage), median(ourEnd));
    }
    if (!haveDecoders) {
        std::printf("exact clips: mpg123 and ffmpeg are needed to measure them\n");
        return 0;
    }
    exactClips(dir,
        { { "CBR 128, ID3v2 picture", "picture.mp3" },
            { "CBR 320, ID3v2, info frame", "cbr320.mp3" }, { "VBR -V 2", "vbr.mp3" },
            { "CBR 64 mono, picture (deep reservoir)", "mono64deep.mp3" },
            { "MPEG-2 22.05 kHz 32 kbps", "mpeg2.mp3" },
            { "MPEG-2 16 kHz 8 kbps mono", "mpeg2low.mp3" },
            { "MPEG-2.5 11 kHz 16 kbps", "mpeg25.mp3" }, { "8 kHz MPEG-2.5 mono 24", "8k.mp3" },
            { "CBR 128 with CRC", "crc.mp3" }, { "MPEG-2 mono 24 with CRC", "crc2.mp3" },
            { "mono VBR -V 6", "monovbr.mp3" }, { "bare CBR 128 (no info frame)", "bare.mp3" },
            { "bare CBR 64 mono (no info frame)", "bare64.mp3" },
            { "two files joined", "joined.mp3" }, { "free format 200", "free.mp3" },
            { "ID3v2 tag in mid-file", "midtag.mp3" } });
    // Three minutes with a picture in the tags: the section is most of it.
    if (bench::encodeTone(
            dir / "long.mp3", 180, "-b 128 --ti '" + (dir / "cover.png").string() + "'"))
        exactSaveTime(dir, "long.mp3");
    return 0;
}
