#pragma once

#include "platform/runtime/Runtime.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <deque>
#include <functional>
#include <gtest/gtest.h>
#include <stdexcept>
#include <vector>

namespace fakes {

// Stand-ins for everything a Runtime takes from the outside world: a clock
// that only moves when the program waits or sleeps, scripted message-box
// answers and a record of the boxes shown, the programs started and the
// requests to quit.
struct FakeSeams {
    struct Message {
        QString prompt;
        rt::MsgBoxButtons buttons;
    };
    struct ShellStart {
        QString program;
        QStringList arguments;
    };

    // Seconds since some midnight; the clock reads them modulo a day, so set
    // it near 86400 to cross midnight.
    double now = 12 * 3600.0;
    // Largest step one wait moves the clock; 0 lets a wait reach its deadline.
    double step = 0.0;
    int waits = 0; // waits so far
    std::vector<double> requestedWaits;
    // Runs at the start of every wait, before pending events and before the
    // clock moves: the place to act "while a handler waits".
    std::function<void()> duringWait;

    std::vector<Message> messages;
    // Runs as each message box comes up, before it is answered.
    std::function<void(const QString& prompt)> onMessage;
    // Answers for the next message boxes, in order. An OK box needs none. A
    // Yes/No box with no answer queued fails the test and gets No.
    std::deque<rt::MsgBoxResult> answers;

    std::vector<ShellStart> shellStarts;
    bool shellCanStart = true; // false: every program is "not found"
    int quitRequests = 0; // how often the program asked to leave its event loop

    rt::Runtime::Seams seams()
    {
        rt::Runtime::Seams seams;
        seams.clock = [this] { return std::fmod(now, 86400.0); };
        seams.sleep = [this](int milliseconds) { advance(milliseconds / 1000.0); };
        seams.waitForEvents = [this](double seconds) {
            // A waiter that never reaches its deadline fails its test instead
            // of hanging it.
            if (++waits > kMaxWaits)
                throw std::runtime_error("runaway wait");
            requestedWaits.push_back(seconds);
            if (duringWait)
                duringWait();
            QCoreApplication::processEvents();
            if (seconds > 0)
                advance(step > 0 ? std::min(seconds, step) : seconds);
        };
        seams.msgBox = [this](const QString& prompt, rt::MsgBoxButtons buttons) {
            if (onMessage)
                onMessage(prompt);
            messages.push_back({ prompt, buttons });
            if (answers.empty()) {
                if (buttons != rt::MsgBoxButtons::OkOnly)
                    ADD_FAILURE() << "unexpected question: " << prompt.toStdString();
                return buttons == rt::MsgBoxButtons::OkOnly ? rt::MsgBoxResult::Ok
                                                            : rt::MsgBoxResult::No;
            }
            const rt::MsgBoxResult answer = answers.front();
            answers.pop_front();
            return answer;
        };
        seams.startDetached = [this](const QString& program, const QStringList& arguments) {
            shellStarts.push_back({ program, arguments });
            return shellCanStart;
        };
        seams.quitApplication = [this] { ++quitRequests; };
        return seams;
    }

private:
    static constexpr int kMaxWaits = 10'000;

    // Whole microseconds, so that a remainder of one rounding error still
    // moves the clock and a waiter never asks for it forever.
    void advance(double seconds) { now += std::ceil(seconds * 1e6) / 1e6; }
};

} // namespace fakes
