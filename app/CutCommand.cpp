#include "CutCommand.h"

#include "editor/ClipBytes.h"
#include "editor/ClipSaveNames.h"
#include "editor/ClipSaveSource.h"
#include "platform/mci/Mp3File.h"
#include "platform/mp3/SampleTime.h"
#include "platform/runtime/RuntimeError.h"

#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <variant>
#include <vector>

namespace {

constexpr int kRefused = 1;
constexpr int kUsage = 2;
constexpr const char* kUsageLine
    = "usage: trimora --cut START END SOURCE CLIP [--exact] [--overwrite]";

int refuse(const QString& why, int status = kRefused)
{
    std::fprintf(stderr, "trimora: %s\n", qPrintable(why));
    return status;
}

QString quoted(const QString& name)
{
    return QLatin1Char('\'') + name + QLatin1Char('\'');
}

// Milliseconds of a time in seconds ("12.5") or as [h:]m:s[.fff]
// ("1:02:03.250"); empty for anything else or more than 24 days.
std::optional<std::int32_t> millisecondsOf(const QString& text)
{
    static const QRegularExpression pattern(
        QStringLiteral(R"(^(?:(?:(\d+):)?(\d+):([0-5]?\d(?:\.\d*)?)|(\d+(?:\.\d*)?|\.\d+))$)"));
    const auto match = pattern.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    double seconds = match.captured(4).isEmpty() ? match.captured(1).toDouble() * 3600
            + match.captured(2).toDouble() * 60 + match.captured(3).toDouble()
                                                 : match.captured(4).toDouble();
    const double ms = std::round(seconds * 1000.0);
    if (!(ms <= std::numeric_limits<std::int32_t>::max()))
        return std::nullopt;
    return std::int32_t(ms);
}

QString secondsText(std::int64_t ms)
{
    return QString::number(double(ms) / 1000.0, 'f', 3) + QStringLiteral(" s");
}

struct CutRequest {
    QString start, end, source, clip;
    bool exact = false;
    bool overwrite = false;
};

// The cut's arguments after --cut: four words in order, the two flags
// anywhere; "--" ends the flags, so that names may start with a dash.
std::optional<CutRequest> readRequest(const std::vector<QString>& words)
{
    CutRequest request;
    std::vector<QString> positional;
    bool flagsEnded = false;
    for (const QString& word : words) {
        if (!flagsEnded && word == QLatin1String("--exact"))
            request.exact = true;
        else if (!flagsEnded && word == QLatin1String("--overwrite"))
            request.overwrite = true;
        else if (!flagsEnded && word == QLatin1String("--"))
            flagsEnded = true;
        else if (!flagsEnded && word.startsWith(QLatin1String("--")))
            return std::nullopt;
        else
            positional.push_back(word);
    }
    if (positional.size() != 4)
        return std::nullopt;
    request.start = positional[0];
    request.end = positional[1];
    request.source = positional[2];
    request.clip = positional[3];
    return request;
}

int cut(const CutRequest& request)
{
    const auto startMs = millisecondsOf(request.start);
    const auto endMs = millisecondsOf(request.end);
    if (!startMs || !endMs)
        return refuse(QStringLiteral("%1 is no time; give seconds (12.5) or [h:]m:s[.fff]")
                          .arg(quoted(startMs ? request.end : request.start)),
            kUsage);
    if (*startMs >= *endMs)
        return refuse(QStringLiteral("the start (%1) is not before the end (%2)")
                          .arg(secondsText(*startMs), secondsText(*endMs)));
    if (clipsave::sameFile(request.clip, request.source))
        return refuse(QStringLiteral("%1 is the source itself; choose another name for the clip")
                          .arg(quoted(request.clip)));
    if (!request.overwrite && clipsave::fileExists(request.clip))
        return refuse(
            QStringLiteral("%1 exists; add --overwrite to replace it").arg(quoted(request.clip)));
    try {
        ClipSaveSource source(request.source);
        const auto opened = mci::openMp3File(
            std::filesystem::path(QFile::encodeName(request.source).toStdString()));
        const auto* mp3 = std::get_if<mci::Mp3File>(&opened);
        if (!mp3)
            return refuse(QStringLiteral("%1 holds no MPEG audio").arg(quoted(request.source)));
        const std::int64_t lengthMs = mp3::msAtSamples(mp3->samples, mp3->sampleRate);
        if (*endMs > lengthMs)
            return refuse(
                QStringLiteral("the end (%1) is past the end of %2 (%3)")
                    .arg(secondsText(*endMs), quoted(request.source), secondsText(lengthMs)));
        // A start at 0 ms is taken as 1 ms, as the window takes it.
        const std::int32_t start = std::max(*startMs, 1);
        const ClipBytes bytes = clipBytesFor(source.descriptor(), source.size(),
            std::int32_t(lengthMs), start, *endMs, request.exact);
        writeClipBytes(source, request.clip, bytes);
    } catch (const rt::RuntimeError& error) {
        return refuse(QStringLiteral("cannot cut %1 into %2: %3")
                          .arg(quoted(request.source), quoted(request.clip), error.description()));
    }
    return 0;
}

} // namespace

std::optional<int> runCutCommand(int argc, char** argv)
{
    // After "--" every word is a file name, "--cut" too.
    char** const end = std::find_if(argv + std::min(argc, 1), argv + argc,
        [](const char* word) { return !std::strcmp(word, "--"); });
    const auto cutAt = std::find_if(argv + std::min(argc, 1), end,
        [](const char* word) { return !std::strcmp(word, "--cut"); });
    if (cutAt == end)
        return std::nullopt;
    // No window and no device: a plain application object for the file
    // operations.
    QCoreApplication application(argc, argv);
    std::vector<QString> words;
    for (char** word = argv + 1; word != argv + argc; ++word)
        if (word != cutAt)
            words.push_back(QFile::decodeName(*word));
    const auto request = readRequest(words);
    if (!request)
        return refuse(QLatin1String(kUsageLine), kUsage);
    return cut(*request);
}
