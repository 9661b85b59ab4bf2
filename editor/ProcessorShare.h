#pragma once

#include <chrono>
#include <stop_token>

// Keeps the calling thread's use of a processor to a share of the time that
// passes, by sleeping after each piece of work as long as the piece needs to
// come down to that share. Lowering a thread's priority does not do that: it
// yields only to threads of the same session, while the machine's other
// sessions are scheduled as groups of their own. One object serves one thread.
class ProcessorShare {
public:
    ProcessorShare(); // counts from now, for the calling thread

    // Sleeps until the processor time used since the last call is at most
    // `share` (of one processor) of the time passed since then. False when
    // `stop` was requested, at once, even in the middle of the sleep.
    bool keepTo(double share, std::stop_token stop);

private:
    using Clock = std::chrono::steady_clock;
    static std::chrono::nanoseconds threadTime();

    Clock::time_point lastWall_;
    std::chrono::nanoseconds lastUsed_;
};
