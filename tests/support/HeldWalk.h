#pragma once

#include "platform/mp3/SharedWalks.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

// A walk over the file with `identity` that seems under way until
// outlasted() asks, or for ten seconds at most: a waiter that misses the
// request to stop waiting fails its test then, rather than hang it.
class HeldWalk {
public:
    explicit HeldWalk(const mp3::FileIdentity& identity)
        : walk_(std::make_unique<mp3::PendingWalk>(identity))
        , ender_([this](std::stop_token asked) {
            std::mutex mutex;
            std::condition_variable_any never;
            std::unique_lock lock(mutex);
            never.wait_for(lock, asked, std::chrono::seconds(10), [] { return false; });
            endedByItself_ = !asked.stop_requested();
            walk_.reset();
        })
    {
    }

    // Ends the walk; true when it had already ended by itself, so that
    // whoever waited for it in the meantime was not stopped.
    bool outlasted()
    {
        if (ender_.joinable()) {
            ender_.request_stop();
            ender_.join();
        }
        return endedByItself_;
    }

private:
    std::unique_ptr<mp3::PendingWalk> walk_;
    bool endedByItself_ = false;
    std::jthread ender_;
};
