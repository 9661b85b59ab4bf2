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

namespace realtime {

using Clock = std::chrono::steady_clock;

struct Moment {
    Clock::time_point wall;
    // Run-queue wait of every thread of this process, plus the machine's
    // steal time, so far.
    double waitedMs = 0;

    static Moment now();
};

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

// Lags allowed on top of the measured waiting: from a play command, the
// decoder's start and up to one buffer of the device; between two readings
// while sound plays on, the clock's steps.
inline constexpr double kStartLagMs = 25;
inline constexpr double kPlayingLagMs = 10;

} // namespace realtime
