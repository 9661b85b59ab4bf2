#include "media/MovieModule.h"

#include "platform/mci/MciSendString.h"
#include "platform/mp3/BackgroundPriority.h"
#include "platform/runtime/CheckedMath.h"
#include "platform/runtime/FileNameBytes.h"
#include "platform/runtime/NumberReading.h"
#include "platform/runtime/Runtime.h"

#include <QByteArray>
#include <chrono>
#include <future>

namespace {

const QString kPlaying = QStringLiteral("playing");

// A day of the run-time's clock, which starts again at 0 at midnight.
constexpr double kSecondsPerDay = 86400.0;

// What the device answers for the alias while it is being opened: it is not
// open yet. Handlers that run during an open get this without reaching the
// device, so only the open's own thread talks to it meanwhile.
constexpr std::uint32_t kNotOpenYet = mci::MCIERR_INVALID_DEVICE_NAME;

// How long the window may go without its events running while an open waits.
constexpr auto kEventsEvery = std::chrono::milliseconds(5);

} // namespace

MovieModule::MovieModule(rt::Runtime& runtime)
    : MovieModule(runtime, mci::mciSendString)
{
}

MovieModule::MovieModule(rt::Runtime& runtime, MciCommandFunction send)
    : runtime_(runtime)
    , send_(std::move(send))
{
}

std::uint32_t MovieModule::sendCommand(const QString& command)
{
    if (opening_)
        return kNotOpenYet;
    const QByteArray text = commandBytes(command);
    return send_(text.constData(), nullptr, 0, 0);
}

void MovieModule::sendAndStore(const QString& command)
{
    Error = static_cast<std::int32_t>(sendCommand(command));
}

void MovieModule::query(const QString& command)
{
    // One byte per character both ways keeps the buffer at exactly its 128
    // characters, so whatever lies past the reply's NUL survives unchanged.
    QByteArray buffer = replyBuffer.toLatin1();
    buffer.append('\0');
    const QByteArray text = commandBytes(command);
    const std::uint32_t result = opening_
        ? kNotOpenYet
        : send_(text.constData(), buffer.data(), static_cast<std::uint32_t>(kReplyLength), 0);
    // Copied back whatever the result: a failed query leaves the earlier reply readable.
    replyBuffer = QString::fromLatin1(buffer.constData(), kReplyLength);
    Error = static_cast<std::int32_t>(result);
}

std::int32_t MovieModule::queryMilliseconds(const QString& command)
{
    sendAndStore(QStringLiteral("set movie time format ms"));
    query(command);
    return rt::roundToInt32(rt::readNumber(replyBuffer));
}

QByteArray MovieModule::commandBytes(const QString& command)
{
    // A file name in the command keeps its own bytes, which need not be UTF-8.
    return rt::encodeFileName(command);
}

void MovieModule::open(const QString& openCommandTail)
{
    Filename = u'"' + Filename + u'"';
    sendAndStore(QStringLiteral("close movie"));
    Error = static_cast<std::int32_t>(
        sendWhileEventsRun(QStringLiteral("open ") + Filename + openCommandTail));
}

std::uint32_t MovieModule::sendWhileEventsRun(const QString& command)
{
    const QByteArray text = commandBytes(command);
    opening_ = true;
    // The open walks a file without an info frame whole on this thread, one
    // of its own for each command: it gives way to the window's thread, which
    // must go on answering while the open runs, rather than share a processor
    // with it on a busy machine.
    std::future<std::uint32_t> answer = std::async(std::launch::async, [this, text] {
        mp3::standBackForInteractiveThreads();
        return send_(text.constData(), nullptr, 0, 0);
    });
    try {
        while (answer.wait_for(kEventsEvery) != std::future_status::ready)
            runtime_.DoEvents();
    } catch (...) {
        // The program is ending inside the wait: the open stops reading the
        // file, and what it leaves open is closed again rather than outlive
        // the window. A close that reaches the device before the open's own
        // thread has sent it stops nothing, so it is sent until the open ends.
        do
            send_("close movie", nullptr, 0, 0);
        while (answer.wait_for(kEventsEvery) != std::future_status::ready);
        if (answer.get() == 0)
            send_("close movie", nullptr, 0, 0);
        opening_ = false;
        throw;
    }
    opening_ = false;
    return answer.get();
}

void MovieModule::openMovieWindow(std::int32_t hWnd, const QString& WindowStyle)
{
    open(QStringLiteral(" type mpegvideo alias movie parent ") + QString::number(hWnd)
        + QStringLiteral(" style ") + WindowStyle + u' ');
}

void MovieModule::openMovie()
{
    open(QStringLiteral(" type mpegvideo alias movie"));
}

void MovieModule::playMovie()
{
    sendAndStore(QStringLiteral("play movie"));
}

void MovieModule::stopMovie()
{
    sendAndStore(QStringLiteral("stop movie"));
}

bool MovieModule::isSoundOff()
{
    query(QStringLiteral("status movie audio"));
    return Error == 0 && replyBuffer.startsWith(QLatin1String("off"));
}

std::int32_t MovieModule::getLengthInMS()
{
    return queryMilliseconds(QStringLiteral("status movie length"));
}

std::int32_t MovieModule::getLengthInSec()
{
    return getLengthInMS() / 1000;
}

void MovieModule::pauseMovie()
{
    sendAndStore(QStringLiteral("pause movie"));
}

void MovieModule::resumeMovie()
{
    sendAndStore(QStringLiteral("resume movie"));
}

std::int32_t MovieModule::getPositionInMS()
{
    return queryMilliseconds(QStringLiteral("status movie position wait"));
}

void MovieModule::closeMovie()
{
    sendAndStore(QStringLiteral("close all"));
}

std::int32_t MovieModule::getPositionInSec()
{
    return getPositionInMS() / 1000;
}

std::int16_t MovieModule::isMoviePlaying()
{
    query(QStringLiteral("status movie mode"));
    return QStringView(replyBuffer).first(kPlaying.size()) == kPlaying ? -1 : 0;
}

void MovieModule::setPositionTo(std::int32_t Second)
{
    moveTo(Second, QString());
}

void MovieModule::playSection(std::int32_t fromMs, std::int32_t toMs)
{
    moveTo(fromMs, QStringLiteral(" to ") + QString::number(toMs));
}

void MovieModule::moveTo(std::int32_t ms, const QString& playFlags)
{
    // The move's own result is dropped: Error keeps the last mode query's code.
    if (isMoviePlaying()) {
        const QString play = QStringLiteral("play movie from ") + QString::number(ms);
        // An end the device refuses still leaves the section playing.
        if (playFlags.isEmpty() || sendCommand(play + playFlags) != 0)
            sendCommand(play);
        return;
    }
    if (!isMoviePlaying())
        sendCommand(QStringLiteral("seek movie to ") + QString::number(ms));
}

void MovieModule::timeOut(double duration)
{
    const double startReading = runtime_.Timer();
    const std::int32_t start = rt::roundToInt32(startReading);
    for (;;) {
        double now = runtime_.Timer();
        // Past midnight the clock starts again at 0; counting on from the
        // day's end keeps such a wait within the bounds of any other.
        if (now < startReading)
            now += kSecondsPerDay;
        const double elapsed = now - start;
        if (!(elapsed < duration))
            return;
        // Sleeps until an event arrives or the wait is over, instead of
        // keeping a core busy reading the clock.
        runtime_.WaitFor(duration - elapsed);
    }
}
