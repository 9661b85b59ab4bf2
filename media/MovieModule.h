#pragma once

#include <QString>
#include <cstdint>
#include <functional>

namespace rt {
class Runtime;
}

// The command function the controller talks to: command text (UTF-8), reply
// buffer, reply length in bytes counting the NUL, callback window; returns 0 or
// an error code. Production passes mci::mciSendString; tests record and script.
using MciCommandFunction = std::function<std::uint32_t(
    const char* command, char* reply, std::uint32_t replyLength, std::intptr_t callbackWindow)>;

// The program's only contact with the media device: builds command strings for
// the device under the alias "movie", sends them and reads the replies.
class MovieModule {
public:
    explicit MovieModule(rt::Runtime& runtime);
    MovieModule(rt::Runtime& runtime, MciCommandFunction send);

    // Result code of the device command stored last; 0 for success.
    std::int32_t Error = 0;
    // Path of the media file; the open operations wrap it in double quotes.
    QString Filename;

    void openMovieWindow(std::int32_t hWnd, const QString& WindowStyle);
    void openMovie();
    void playMovie();
    void stopMovie();
    std::int32_t getLengthInMS();
    std::int32_t getLengthInSec();
    void pauseMovie();
    void resumeMovie();
    std::int32_t getPositionInMS();
    void closeMovie();
    std::int32_t getPositionInSec();
    // -1 while the device is playing, else 0.
    std::int16_t isMoviePlaying();
    void setPositionTo(std::int32_t Second);
    // Moves the device to `fromMs` as setPositionTo does; a playing device
    // then stops by itself at `toMs`, on the very sample, instead of playing
    // on until someone next asks where it is.
    void playSection(std::int32_t fromMs, std::int32_t toMs);
    // Waits about `duration` seconds, letting window events run meanwhile.
    void timeOut(double duration);

    // True when the device plays without sound: no sound device could be
    // opened, and it keeps time all the same.
    bool isSoundOff();

    // An open is under way: the window's events run while the device reads a
    // long file, and no handler must start another open inside it.
    bool isOpening() const { return opening_; }

private:
    static constexpr int kReplyLength = 128;

    static QByteArray commandBytes(const QString& command);
    // Sends a command whose reply is not read; returns its result code.
    std::uint32_t sendCommand(const QString& command);
    // Sends a command whose reply is not read and stores its result in Error.
    void sendAndStore(const QString& command);
    // Sends a query that answers into replyBuffer and stores its result in Error.
    void query(const QString& command);
    // Sets the time format to milliseconds, then reads the number a query answers.
    std::int32_t queryMilliseconds(const QString& command);
    // Quotes Filename, closes the alias and opens the file with the given options.
    void open(const QString& openCommandTail);
    // Plays on from `ms` when the device plays, with `playFlags` after the
    // position, and seeks there otherwise.
    void moveTo(std::int32_t ms, const QString& playFlags);
    // Sends a command on a thread of its own and lets window events run until
    // it is answered; returns its result code.
    std::uint32_t sendWhileEventsRun(const QString& command);

    rt::Runtime& runtime_;
    MciCommandFunction send_;
    bool opening_ = false;
    // Receives every reply; 128 characters for the object's lifetime, never cleared.
    QString replyBuffer = QString(kReplyLength, QChar(u'\0'));
};
