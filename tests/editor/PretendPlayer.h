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
        h.mci.fallback = [this](const std::string& command) { return answer(command); };
    }

    std::int32_t lengthMs = 10'000;
    std::uint32_t openResult = 0; // result of the next "open" commands

    bool isOpen() const { return open_; }
    bool isPlaying() const { return playing_ && positionMs() < lengthMs; }
    double positionMs() const
    {
        const double at = playing_ ? positionAt_ + (clockMs() - since_) : positionAt_;
        return std::min<double>(at, lengthMs);
    }
    // Moves the device as if it had played there.
    void moveTo(double ms) { freezeAt(ms); }

private:
    using Reply = harness::RecordingMci::Reply;

    double clockMs() const { return h_.now * 1000.0; }
    void freezeAt(double ms)
    {
        positionAt_ = ms;
        since_ = clockMs();
    }
    void setPlaying(bool playing)
    {
        freezeAt(positionMs());
        playing_ = playing;
    }
    static bool startsWith(const std::string& text, const std::string& prefix)
    {
        return text.rfind(prefix, 0) == 0;
    }

    Reply answer(const std::string& command)
    {
        if (command == "close all" || command == "close movie") {
            open_ = false;
            playing_ = false;
            return {};
        }
        if (startsWith(command, "open ")) {
            open_ = openResult == 0;
            playing_ = false;
            freezeAt(0);
            return { "", openResult };
        }
        if (!open_)
            return { "", kNotOpen };
        if (command == "play movie")
            setPlaying(true);
        else if (startsWith(command, "play movie from ")) {
            freezeAt(std::stod(command.substr(16)));
            playing_ = true;
        } else if (startsWith(command, "seek movie to ")) {
            freezeAt(std::stod(command.substr(14)));
            playing_ = false;
        } else if (command == "pause movie" || command == "stop movie")
            setPlaying(false);
        else if (command == "status movie length")
            return { std::to_string(lengthMs), 0 };
        else if (command == "status movie position wait")
            return { std::to_string(static_cast<std::int64_t>(positionMs())), 0 };
        else if (command == "status movie mode")
            return { isPlaying() ? "playing" : (playing_ ? "stopped" : "paused"), 0 };
        return {};
    }

    harness::FormHarness& h_;
    bool open_ = false;
    bool playing_ = false;
    double positionAt_ = 0; // position when playback last started or stopped
    double since_ = 0; // clock at that moment, ms
};
