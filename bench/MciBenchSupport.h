#pragma once

// Helpers shared by the media command benchmarks: making long MP3s with lame
// from generated tones, running a measurement in a child process, and timing.

#include "tests/support/TempFiles.h"

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <numbers>
#include <optional>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace bench {

using Clock = std::chrono::steady_clock;

inline double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

using tempfiles::TempDir;

// Encodes `seconds` of a 44.1 kHz stereo tone whose pitch glides slowly, so
// that VBR frames vary, with lame and `lameOptions`.
inline bool encodeTone(
    const std::filesystem::path& out, double seconds, const std::string& lameOptions)
{
    const std::string command = "lame --quiet --nohist -r -s 44.1 --bitwidth 16 --signed "
                                "--little-endian "
        + lameOptions + " - '" + out.string() + "' 2>/dev/null";
    FILE* lame = ::popen(command.c_str(), "w");
    if (!lame)
        return false;
    constexpr int rate = 44100;
    const auto frames = std::int64_t(std::llround(seconds * rate));
    std::vector<std::int16_t> block(2 * 4096);
    double phase = 0;
    for (std::int64_t done = 0; done < frames;) {
        std::size_t count = 0;
        for (; count < 4096 && done < frames; ++count, ++done) {
            const double t = double(done) / rate;
            const double pitch = 330.0 + 220.0 * std::sin(2 * std::numbers::pi * t / 7.0);
            phase += 2 * std::numbers::pi * pitch / rate;
            const auto sample = std::int16_t(8000 * std::sin(phase) + 2000 * std::sin(3.1 * phase));
            block[2 * count] = sample;
            block[2 * count + 1] = sample;
        }
        if (std::fwrite(block.data(), 4, count, lame) != count)
            break;
    }
    return ::pclose(lame) == 0 && std::filesystem::file_size(out) > 0;
}

// Joins `copies` copies of an MP3 without tags into one longer stream.
inline bool repeatFile(
    const std::filesystem::path& in, const std::filesystem::path& out, int copies)
{
    std::ifstream source(in, std::ios::binary);
    const std::string bytes { std::istreambuf_iterator<char>(source), {} };
    std::ofstream target(out, std::ios::binary);
    for (int i = 0; i < copies; ++i)
        target.write(bytes.data(), std::streamsize(bytes.size()));
    return bool(target);
}

inline bool haveProgram(const std::string& name)
{
    return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

// What a child process cost.
struct ChildCost {
    bool ok = false;
    double cpuSeconds = 0;
    long peakKiB = 0;
    std::string output;
};

// Runs `argv` in a child with its standard output captured, and waits for it.
inline ChildCost runChild(const std::vector<std::string>& argv)
{
    ChildCost cost;
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0)
        return cost;
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(pipeEnds[1], 1);
        ::close(pipeEnds[0]);
        ::close(pipeEnds[1]);
        std::vector<char*> args;
        for (const auto& arg : argv)
            args.push_back(const_cast<char*>(arg.c_str()));
        args.push_back(nullptr);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    ::close(pipeEnds[1]);
    char buffer[4096];
    for (ssize_t got; (got = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0;)
        cost.output.append(buffer, std::size_t(got));
    ::close(pipeEnds[0]);
    int status = 0;
    struct rusage usage { };
    if (child < 0 || ::wait4(child, &status, 0, &usage) != child)
        return cost;
    cost.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    cost.cpuSeconds = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    cost.peakKiB = usage.ru_maxrss;
    return cost;
}

inline std::string selfPath()
{
    return std::filesystem::read_symlink("/proc/self/exe").string();
}

inline void printRatio(const char* what, double ratio, double goal)
{
    std::printf(
        "%s: ratio %.3f (goal <= %.2f) %s\n", what, ratio, goal, ratio <= goal ? "MET" : "NOT MET");
}

// A minute of tone played by this benchmark's own `--play` mode and by its
// `--reference` mode (bench/PacedPlayer.h) at the same time, so both see the
// same load.
struct MinuteBesideReference {
    ChildCost ours;
    ChildCost reference;
};

// Makes the minute of tone in `dir`; says why and gives nothing when it cannot.
inline std::optional<std::filesystem::path> makeMinute(const TempDir& dir)
{
    if (!haveProgram("lame")) {
        std::printf("lame is missing: install it (scripts/install-deps.sh --test)\n");
        return std::nullopt;
    }
    const auto minute = dir / "minute.mp3";
    if (!encodeTone(minute, 60.0, "-b 128")) {
        std::printf("could not make the test file\n");
        return std::nullopt;
    }
    return minute;
}

inline MinuteBesideReference playBesideReference(
    const std::filesystem::path& minute, const char* player)
{
    std::printf(
        "playing one minute through %s and through the paced player, side by side...\n", player);
    std::fflush(stdout);
    auto reference = std::async(std::launch::async, [&] {
        return runChild({ selfPath(), "--reference", minute.string() });
    });
    MinuteBesideReference run;
    run.ours = runChild({ selfPath(), "--play", minute.string() });
    run.reference = reference.get();
    return run;
}

} // namespace bench
