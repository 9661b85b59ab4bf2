#pragma once

#include "tests/support/FormHarness.h"

#include <algorithm>
#include <cstdint>
#include <string>

// A pretend MP3 device behind the harness's recording command function. It
// keeps a mode and a position that runs on with the harness's fake clock while
// playing and stops at the end of the file, so that handlers which poll the
// position see playback move. Every command is still recorded in h.mci.
class PretendPlayer {
public:
    static constexpr std::uint32_t kNotOpen = 263; // what a device without a file answers

    explicit PretendPlayer(harness::FormHarness& h)
        : h_(h)
    {
        h.mci.answer = [this](const std::string& command) { return answer(command); };
    }

    std::int32_t lengthMs = 10'000;
    std::uint32_t openResult = 0; // result of the next "open" commands
    bool open = false; // a file is open; set it to skip opening one
    bool soundOff = false; // no sound device: it plays without sound

    bool isPlaying() const { return playing_ && positionMs() < endMs_; }
    double positionMs() const
    {
        const double at = playing_ ? positionAt_ + (h_.now * 1000.0 - since_) : positionAt_;
        return std::min<double>(at, playing_ ? endMs_ : lengthMs);
    }
    // Moves the device as if it had played there.
    void moveTo(double ms)
    {
        positionAt_ = ms;
        since_ = h_.now * 1000.0;
    }

private:
    harness::RecordingMci::Reply answer(const std::string& command)
    {
        const auto number = [&](std::size_t at) { return std::stod(command.substr(at)); };
        if (command == "close all" || command == "close movie") {
            open = playing_ = false;
        } else if (command.starts_with("open ")) {
            open = openResult == 0;
            playing_ = false;
            moveTo(0);
            return { "", openResult };
        } else if (!open) {
            return { "", kNotOpen };
        } else if (command == "play movie" || command == "pause movie" || command == "stop movie") {
            moveTo(positionMs());
            playing_ = command == "play movie";
            endMs_ = lengthMs;
        } else if (command.starts_with("play movie from ")) {
            moveTo(number(16));
            const auto to = command.find(" to ");
            endMs_ = to == std::string::npos ? lengthMs : number(to + 4);
            playing_ = true;
        } else if (command.starts_with("seek movie to ")) {
            moveTo(number(14));
            playing_ = false;
        } else if (command == "status movie length") {
            return { std::to_string(lengthMs) };
        } else if (command == "status movie position wait") {
            return { std::to_string(static_cast<std::int64_t>(positionMs())) };
        } else if (command == "status movie audio") {
            return { soundOff ? "off" : "on" };
        } else if (command == "status movie mode") {
            return { isPlaying() ? "playing" : (playing_ ? "stopped" : "paused") };
        }
        return {};
    }

    harness::FormHarness& h_;
    bool playing_ = false;
    double positionAt_ = 0; // position when playback last started or stopped, ms
    double since_ = 0; // clock at that moment, ms
    double endMs_ = 0; // where the current play stops by itself, ms
};
