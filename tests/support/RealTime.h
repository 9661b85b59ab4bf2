#pragma once

// Judging playback against the wall clock on a machine that may be busy.
// Sound can never be heard ahead of the wall clock, so that bound is tight.
// It can fall behind by a little more than a buffer, and by as long as the
// threads that decode, mix and ask were kept from running: the processors
// were busy elsewhere (each thread's run-queue wait, which the kernel counts)
// or the hypervisor took them away (steal time). That bound grows with
// exactly the delay the load caused, so a test keeps catching playback at the
// wrong rate or from the wrong place on an idle machine and stays true on a
// loaded one.

#include <chrono>
#include <cstdint>
#include <functional>
#include <gtest/gtest.h>
#include <map>

namespace realtime {

using Clock = std::chrono::steady_clock;

struct Moment {
    Clock::time_point wall;
    // Run-queue wait so far of each thread of this process, by thread id,
    // and the machine's steal time so far.
    std::map<int, double> threadWaitMs;
    double stealMs = 0;

    static Moment now();
};

// The waiting between two moments: of the threads that ran at `to`, the
// wait each added since `from` (all of it, for a thread started since), and
// the steal time. A thread that ended in between takes its wait along.
double waitedMs(const Moment& from, const Moment& to);

// A position, read at some moment between `before` and `after`.
struct Reading {
    Moment before;
    std::int64_t positionMs = 0;
    Moment after;

    static Reading take(const std::function<std::int64_t()>& position);
    // The position a play command starts from, as at the moment it is sent.
    static Reading command(std::int64_t fromMs);
};

// Playing from `from` to `to`, the position advanced no faster than the wall
// clock (give or take the rounding to milliseconds) and fell behind it by at
// most `lagMs` plus the waiting in between.
::testing::AssertionResult keptTime(const Reading& from, const Reading& to, double lagMs);
// After a play command sent at `command`, `started` is the first position
// that differs from where it was sent to play from: past that place, and not
// further than the time since the command. It puts no bound on how soon
// sound starts: on a loaded machine that depends on threads that come and
// go, whose waiting cannot all be counted.
::testing::AssertionResult startedInTime(const Reading& command, const Reading& started);

// How many times slower a build that checks every memory access for races
// runs the decoding, mixing and searching. It is run for its race reports;
// its timing bounds leave it that room.
#if defined(__SANITIZE_THREAD__)
inline constexpr double kCheckedBuildSlowdown = 10;
#else
inline constexpr double kCheckedBuildSlowdown = 1;
#endif

// The clock's steps: what a position may lag between two readings while
// sound plays on, on top of the measured waiting.
inline constexpr double kPlayingLagMs = 10 * kCheckedBuildSlowdown;

} // namespace realtime
