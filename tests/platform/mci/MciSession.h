#pragma once

#include "platform/mci/MciSendString.h"
#include "tests/support/Fixtures.h"
#include "tests/support/TempFiles.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <thread>
#include <unistd.h>

namespace mcitest {

using tempfiles::readFile;
using tempfiles::TempDir;
using tempfiles::writeFile;

// Sends commands the way the program does and closes every device afterwards.
class MciTest : public ::testing::Test {
protected:
    void TearDown() override { mci::mciSendString("close all", nullptr, 0, 0); }

    static mci::MciResult send(const std::string& command)
    {
        return mci::mciSendString(command.c_str(), nullptr, 0, 0);
    }

    // The reply of a query, or "error N" when it fails.
    static std::string query(const std::string& command)
    {
        char reply[128] = "junk";
        const mci::MciResult result = mci::mciSendString(command.c_str(), reply, sizeof reply, 0);
        return result == 0 ? std::string(reply) : "error " + std::to_string(result);
    }

    static std::int64_t number(const std::string& command)
    {
        const std::string reply = query(command);
        EXPECT_FALSE(reply.empty()) << command;
        return reply.empty() || reply[0] == 'e' ? -1 : std::stoll(reply);
    }

    static std::int64_t position() { return number("status movie position"); }
    static std::int64_t length() { return number("status movie length"); }
    static std::string mode() { return query("status movie mode"); }

    static mci::MciResult openAsMovie(const std::filesystem::path& file)
    {
        return send("open \"" + file.string() + "\" type mpegvideo alias movie");
    }

    static void sleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

    // The mode once it is no longer "playing", polled until `limitMs` have
    // passed: room for a busy machine, where sound lags the clock.
    static std::string modeOncePlayed(int limitMs = 20'000)
    {
        std::string now = mode();
        for (int waited = 0; now == "playing" && waited < limitMs; waited += 10) {
            sleepMs(10);
            now = mode();
        }
        return now;
    }
};

} // namespace mcitest
