#pragma once

#include "platform/mci/MciSendString.h"
#include "tests/support/Fixtures.h"

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

// A folder of its own under the system's temporary folder, removed afterwards.
class TempDir {
public:
    TempDir()
    {
        static int counter = 0;
        path_ = std::filesystem::temp_directory_path()
            / ("trimora-mci-" + std::to_string(::getpid()) + "-" + std::to_string(++counter));
        std::filesystem::create_directories(path_);
    }
    ~TempDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// Writes `bytes` to a new file.
inline void writeFile(const std::filesystem::path& file, const std::string& bytes)
{
    std::ofstream(file, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
}

inline std::string readFile(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return { std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>() };
}

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
};

} // namespace mcitest
