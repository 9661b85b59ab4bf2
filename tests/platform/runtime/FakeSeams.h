#pragma once

#include "platform/runtime/Runtime.h"

#include <QString>
#include <QStringList>
#include <cmath>
#include <deque>
#include <functional>
#include <vector>

namespace fakes {

// Stand-ins for everything a Runtime takes from the outside world: a clock
// that only moves when the program waits, scripted message-box answers and a
// record of the programs started and of the requests to quit.
struct FakeSeams {
    static constexpr double kSecondsPerDay = 86400.0;

    double now = 0.0;
    // Largest step one wait moves the clock; 0 lets a wait reach its deadline.
    double step = 0.0;
    int waits = 0;
    std::vector<double> requestedWaits;
    // Runs as the "event" of each wait, before the clock moves.
    std::function<void()> onWait;

    std::vector<QString> prompts;
    std::deque<rt::MsgBoxResult> answers;

    struct Started {
        QString program;
        QStringList arguments;
    };
    std::vector<Started> started;
    bool canStart = true;
    int quits = 0;

    std::vector<int> sleeps;

    void advance(double seconds)
    {
        // Whole microseconds, so that a remainder of one rounding error
        // still moves the clock.
        now += std::ceil(seconds * 1e6) / 1e6;
        if (now >= kSecondsPerDay)
            now -= kSecondsPerDay;
    }

    rt::Runtime::Seams seams()
    {
        rt::Runtime::Seams seams;
        seams.clock = [this] { return now; };
        seams.waitForEvents = [this](double seconds) {
            ++waits;
            requestedWaits.push_back(seconds);
            if (onWait)
                onWait();
            if (seconds > 0)
                advance(step > 0 ? std::min(seconds, step) : seconds);
        };
        seams.msgBox = [this](const QString& prompt, rt::MsgBoxButtons) {
            prompts.push_back(prompt);
            if (answers.empty())
                return rt::MsgBoxResult::Ok;
            const rt::MsgBoxResult answer = answers.front();
            answers.pop_front();
            return answer;
        };
        seams.startDetached = [this](const QString& program, const QStringList& arguments) {
            started.push_back({ program, arguments });
            return canStart;
        };
        seams.quitApplication = [this] { ++quits; };
        seams.sleep = [this](int milliseconds) { sleeps.push_back(milliseconds); };
        return seams;
    }
};

} // namespace fakes
