#pragma once

#include <chrono>
#include <functional>
#include <future>
#include <stop_token>
#include <type_traits>
#include <utility>

// Runs `work` on a thread of its own and gives back its result, or throws
// what it threw, once it is done. Meanwhile the calling window thread lets its
// events run every few milliseconds, so that work which may wait long on the
// disk (a sync, a rename, a walk over a long file) never keeps the window from
// answering. If `letEventsRun` throws (the window closed), the work is still
// waited for before the throw goes on: it may use what the caller is about to
// free. Work that takes a std::stop_token is asked to stop first, so that
// this wait is short however long the work would have run.
template <typename Work>
auto runOffWindowThread(Work&& work, const std::function<void()>& letEventsRun)
{
    // Short enough that the window's answers are not held up, long enough
    // that the waiting thread costs nothing.
    constexpr auto kSlice = std::chrono::milliseconds(2);
    std::stop_source stop;
    auto result = std::async(
        std::launch::async, [work = std::forward<Work>(work), token = stop.get_token()]() mutable {
            if constexpr (std::is_invocable_v<std::decay_t<Work>&, std::stop_token>)
                return work(token);
            else
                return work();
        });
    try {
        while (result.wait_for(kSlice) != std::future_status::ready)
            letEventsRun();
    } catch (...) {
        stop.request_stop();
        throw; // `result`'s destructor waits for the work
    }
    return result.get();
}
