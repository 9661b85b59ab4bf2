#include "tests/support/RealTime.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <unistd.h>

namespace realtime {

namespace {

    double msBetween(Clock::time_point from, Clock::time_point to)
    {
        return std::chrono::duration<double, std::milli>(to - from).count();
    }

    // The second field of /proc/<thread>/schedstat: nanoseconds spent
    // runnable but waiting for a processor.
    std::map<int, double> readThreadWaits()
    {
        std::map<int, double> waits;
        std::error_code error;
        for (const auto& task : std::filesystem::directory_iterator("/proc/self/task", error)) {
            std::ifstream stat(task.path() / "schedstat");
            double run = 0, wait = 0;
            if (stat >> run >> wait)
                waits[std::stoi(task.path().filename().string())] = wait / 1e6;
        }
        return waits;
    }

    // Steal time of all processors, from the "cpu" line of /proc/stat.
    double readStealMs()
    {
        std::ifstream stat("/proc/stat");
        std::string label;
        double ticks[8] = {};
        stat >> label;
        for (double& tick : ticks)
            stat >> tick;
        return ticks[7] * 1000.0 / double(::sysconf(_SC_CLK_TCK));
    }

} // namespace

Moment Moment::now()
{
    Moment moment;
    moment.threadWaitMs = readThreadWaits();
    moment.stealMs = readStealMs();
    moment.wall = Clock::now();
    return moment;
}

double waitedMs(const Moment& from, const Moment& to)
{
    double waited = to.stealMs - from.stealMs;
    for (const auto& [thread, wait] : to.threadWaitMs) {
        const auto before = from.threadWaitMs.find(thread);
        waited += wait - (before == from.threadWaitMs.end() ? 0 : before->second);
    }
    return waited;
}

Reading Reading::take(const std::function<std::int64_t()>& position)
{
    Reading reading;
    reading.before = Moment::now();
    reading.positionMs = position();
    reading.after = Moment::now();
    return reading;
}

Reading Reading::command(std::int64_t fromMs)
{
    const Moment now = Moment::now();
    return { now, fromMs, now };
}

// Whole milliseconds on both ends of a position's advance.
constexpr double kRoundingMs = 2;

::testing::AssertionResult startedInTime(const Reading& command, const Reading& started)
{
    const double heard = double(started.positionMs - command.positionMs);
    const double longest = msBetween(command.before.wall, started.after.wall);
    if (heard > 0 && heard <= longest + kRoundingMs)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
        << "started at " << started.positionMs << ", sent to play from " << command.positionMs
        << " " << longest << " ms before";
}

::testing::AssertionResult keptTime(const Reading& from, const Reading& to, double lagMs)
{
    const double heard = double(to.positionMs - from.positionMs);
    const double longest = msBetween(from.before.wall, to.after.wall);
    const double shortest = msBetween(from.after.wall, to.before.wall);
    const double waited = waitedMs(from.before, to.after);
    const double fewest = shortest - lagMs - waited;
    if (heard > longest + kRoundingMs)
        return ::testing::AssertionFailure()
            << "heard " << heard << " ms from " << from.positionMs << " within " << longest
            << " ms of wall time: ahead of the clock";
    if (heard < fewest)
        return ::testing::AssertionFailure()
            << "heard " << heard << " ms from " << from.positionMs << " in " << shortest
            << " ms of wall time, of which " << waited << " ms waiting for a processor: more than "
            << lagMs << " ms behind";
    std::printf("heard %.0f ms from %lld in %.0f to %.0f ms of wall time, %.0f ms waited\n", heard,
        static_cast<long long>(from.positionMs), shortest, longest, waited);
    return ::testing::AssertionSuccess() << "heard " << heard << " ms in " << shortest << " to "
                                         << longest << " ms, " << waited << " ms waited";
}

} // namespace realtime
