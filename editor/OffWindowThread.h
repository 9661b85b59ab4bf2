#pragma once

#include <chrono>
#include <functional>
#include <future>
#include <stop_token>
#include <utility>

// Runs `work` on a thread of its own and gives back its result, or throws
// what it threw, once it is done. Meanwhile the calling window thread lets its
// events run every few milliseconds, so that work which may wait long on the
// disk (a sync, a rename) never keeps the window from answering. If
// `letEventsRun` throws (the window closed), the work is still waited for
// before the throw goes on: it may use what the caller is about to free.
template <typename Work>
auto runOffWindowThread(Work&& work, const std::function<void()>& letEventsRun)
{
    // Short enough that the window's answers are not held up, long enough
    // that the waiting thread costs nothing.
    constexpr auto kSlice = std::chrono::milliseconds(2);
    auto result = std::async(std::launch::async, std::forward<Work>(work));
    while (result.wait_for(kSlice) != std::future_status::ready)
        letEventsRun(); // on a throw, `result`'s destructor waits for the work
    return result.get();
}

// As runOffWindowThread, for long work that can end early: `work` takes a
// std::stop_token, and a window closed during the wait requests the stop
// before the work is waited for, so that the program ends promptly.
template <typename Work>
auto runStoppableOffWindowThread(Work&& work, const std::function<void()>& letEventsRun)
{
    std::stop_source stop;
    return runOffWindowThread(
        [&stop, work = std::forward<Work>(work)]() mutable { return work(stop.get_token()); },
        [&] {
            try {
                letEventsRun();
            } catch (...) {
                stop.request_stop();
                throw;
            }
        });
}
