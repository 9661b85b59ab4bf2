// Opening a long MP3 and knowing its exact length at once, against libmpg123's
// own full scan of the same file:
//   - a 2-hour CBR file without an info tag (the frames must be counted),
//   - a 2-hour VBR file with an info tag (the tag tells the length).
// Both are made here with lame; the ratio is the median time of opening the
// file on the media command interface and asking its length, over the median
// time of mpg123_open + mpg123_scan + mpg123_length.
//
// Then what an open costs against merely reading the file, in the same run:
// the open over a read() of the whole file from the page cache for damaged
// files (0xFF runs between frames, random bytes), Save's own walk over the
// damaged one likewise, and, for long files whose frames must be counted
// (2-hour CBR and VBR without an info tag, 24 hours of 32 kbps mono), the
// open over a bare count of their frames (the least any exact walk costs)
// and over a read() of the file. Those three are timed in turn, round after
// round, and compared by their medians, so that a machine whose load changes
// during the run weighs on all of them alike.

#include "bench/MciBenchSupport.h"
#include "platform/mci/MciSendString.h"
#include "platform/mp3/AudioBytes.h"
#include "platform/mp3/MpegFrameHeader.h"
#include "platform/mp3/SampleTime.h"

#include <algorithm>
#include <fcntl.h>
#include <functional>
#include <mpg123.h>
#include <random>
#include <sys/mman.h>
#include <thread>

namespace {

constexpr double kTwoHours = 7200.0;
constexpr int kRuns = 7;

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct ScanResult {
    double ms = 0;
    std::int64_t lengthMs = -1;
    std::int64_t estimateMs = -1;
};

ScanResult scanWithLibmpg123(const std::filesystem::path& file)
{
    ScanResult result;
    const auto start = bench::Clock::now();
    mpg123_handle* mh = mpg123_new(nullptr, nullptr);
    mpg123_param(mh, MPG123_FLAGS, MPG123_GAPLESS | MPG123_QUIET, 0);
    long rate = 0;
    int channels = 0, encoding = 0;
    if (mpg123_open(mh, file.c_str()) == MPG123_OK
        && mpg123_getformat(mh, &rate, &channels, &encoding) == MPG123_OK) {
        const off_t estimate = mpg123_length(mh);
        if (mpg123_scan(mh) == MPG123_OK) {
            result.lengthMs = mp3::msAtSamples(mpg123_length(mh), rate);
            result.ms = bench::msSince(start);
        }
        result.estimateMs = mp3::msAtSamples(estimate, rate);
    }
    mpg123_delete(mh);
    return result;
}

struct OpenResult {
    double ms = 0;
    std::int64_t lengthMs = -1;
};

OpenResult openWithDevice(const std::filesystem::path& file)
{
    OpenResult result;
    char reply[64] = "";
    const std::string open = "open \"" + file.string() + "\" type mpegvideo alias bench";
    const auto start = bench::Clock::now();
    if (mci::mciSendString(open.c_str(), nullptr, 0, 0) == 0
        && mci::mciSendString("status bench length", reply, sizeof reply, 0) == 0) {
        result.ms = bench::msSince(start);
        result.lengthMs = std::atoll(reply);
    }
    mci::mciSendString("close bench", nullptr, 0, 0);
    return result;
}

void measure(const char* what, const std::filesystem::path& file, double goal)
{
    std::vector<double> ours, theirs;
    OpenResult open;
    ScanResult scan;
    openWithDevice(file); // the same warm start for both
    scanWithLibmpg123(file);
    for (int run = 0; run < kRuns; ++run) {
        open = openWithDevice(file);
        scan = scanWithLibmpg123(file);
        ours.push_back(open.ms);
        theirs.push_back(scan.ms);
    }
    const double frameMs = 1152.0 * 1000.0 / 44100.0;
    const bool exact = open.lengthMs >= 0 && scan.lengthMs >= 0
        && std::abs(double(open.lengthMs - scan.lengthMs)) <= frameMs;
    std::printf("%s (%.1f MB)\n", what, double(std::filesystem::file_size(file)) / 1e6);
    std::printf("  open + length: %.2f ms (median of %d)\n", median(ours), kRuns);
    std::printf("  mpg123_scan:   %.2f ms (median of %d)\n", median(theirs), kRuns);
    std::printf("  length: %lld ms; after a full scan %lld ms; libmpg123's estimate without "
                "a scan %lld ms; exact to a frame: %s\n",
        (long long)open.lengthMs, (long long)scan.lengthMs, (long long)scan.estimateMs,
        exact ? "yes" : "NO");
    const double ratio = median(ours) / median(theirs);
    bench::printRatio("  open + length / full scan", ratio, goal);
}

// Median milliseconds of `runs` runs of each of `works`, after one of each to
// warm up; the works take turns, one run of each a round.
std::vector<double> interleavedMediansMs(
    const std::vector<std::function<void()>>& works, int runs = kRuns)
{
    std::vector<std::vector<double>> times(works.size());
    for (const auto& work : works)
        work();
    for (int run = 0; run < runs; ++run)
        for (std::size_t i = 0; i < works.size(); ++i) {
            const auto start = bench::Clock::now();
            works[i]();
            times[i].push_back(bench::msSince(start));
        }
    std::vector<double> medians;
    for (auto& one : times)
        medians.push_back(median(std::move(one)));
    return medians;
}

// Median milliseconds of `runs` runs of `work`, after one to warm up.
double medianMs(const std::function<void()>& work, int runs = kRuns)
{
    work();
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        const auto start = bench::Clock::now();
        work();
        times.push_back(bench::msSince(start));
    }
    return median(times);
}

void readWhole(const std::filesystem::path& file)
{
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    std::vector<char> buffer(1 << 20);
    while (::read(fd, buffer.data(), buffer.size()) > 0) { }
    ::close(fd);
}

// A bare exact count of the frames: from the first header on, follow each
// frame's size to the next through a map of the file, nothing kept, no damage
// looked for, nothing read ahead. Sizes come from a table by bit rate and
// padding.
std::int64_t chaseHeaders(const std::filesystem::path& file)
{
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    const auto bytes = std::int64_t(std::filesystem::file_size(file));
    void* map = ::mmap(nullptr, std::size_t(bytes), PROT_READ, MAP_SHARED, fd, 0);
    ::close(fd);
    if (map == MAP_FAILED)
        return 0;
    const auto* at = static_cast<const std::uint8_t*>(map);
    std::int64_t frames = 0;
    if (bytes >= 4) {
        int sizes[32] = {};
        for (int kind = 0; kind < 32; ++kind) {
            const std::uint8_t header[4] = { at[0], at[1],
                std::uint8_t(((kind >> 1) << 4) | (at[2] & 0x0C) | ((kind & 1) << 1)), at[3] };
            if (const auto parsed = mp3::parseFrameHeader(header))
                sizes[kind] = parsed->frameBytes;
        }
        for (std::int64_t offset = 0; offset + 4 <= bytes; ++frames) {
            const std::uint8_t* header = at + offset;
            const int size
                = header[0] == 0xFF ? sizes[((header[2] >> 4) << 1) | ((header[2] >> 1) & 1)] : 0;
            if (size == 0)
                break;
            offset += size;
        }
    }
    ::munmap(map, std::size_t(bytes));
    return frames;
}

void openOnly(const std::filesystem::path& file)
{
    const std::string open = "open \"" + file.string() + "\" type mpegvideo alias bench";
    mci::mciSendString(open.c_str(), nullptr, 0, 0);
    mci::mciSendString("close bench", nullptr, 0, 0);
}

void saveWalk(const std::filesystem::path& file)
{
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    mp3::frameTableOf(fd);
    ::close(fd);
}

void compare(const char* what, const std::filesystem::path& file, const char* reference,
    const std::function<void(const std::filesystem::path&)>& ours,
    const std::function<void(const std::filesystem::path&)>& theirs, double goal)
{
    const double oursMs = medianMs([&] { ours(file); });
    const double theirsMs = medianMs([&] { theirs(file); });
    std::printf("%s (%.1f MB): %.1f ms, %s %.1f ms\n", what,
        double(std::filesystem::file_size(file)) / 1e6, oursMs, reference, theirsMs);
    bench::printRatio("  ratio", oursMs / theirsMs, goal);
}

// Groups of 40 good frames of `clean` between runs of `gapBytes` 0xFF bytes.
bool writeWithFFRuns(const std::filesystem::path& clean, const std::filesystem::path& out,
    int groups, std::size_t gapBytes)
{
    std::ifstream source(clean, std::ios::binary);
    const std::string bytes { std::istreambuf_iterator<char>(source), {} };
    const std::string frames = bytes.substr(0, std::min<std::size_t>(bytes.size(), 40 * 418));
    const std::string gap(gapBytes, '\xFF');
    std::ofstream target(out, std::ios::binary);
    for (int group = 0; group < groups; ++group)
        target << frames << gap;
    target << frames;
    return bool(target);
}

bool writeRandom(const std::filesystem::path& out, std::size_t bytes)
{
    std::mt19937_64 random(20);
    std::vector<std::uint64_t> block(1 << 17);
    std::ofstream target(out, std::ios::binary);
    for (std::size_t done = 0; done < bytes; done += block.size() * 8) {
        for (auto& word : block)
            word = random();
        target.write(
            reinterpret_cast<const char*>(block.data()), std::streamsize(block.size() * 8));
    }
    return bool(target);
}

} // namespace

int main()
{
    mpg123_init();
    if (!bench::haveProgram("lame")) {
        std::printf("lame is missing: install it (scripts/install-deps.sh --test)\n");
        return 0;
    }
    bench::TempDir dir;
    const auto tenMinutes = dir / "cbr-10min.mp3";
    const auto cbr = dir / "cbr-2h-noinfo.mp3";
    const auto vbr = dir / "vbr-2h-info.mp3";
    std::printf("making 2-hour MP3s with lame...\n");
    std::fflush(stdout);
    const auto start = bench::Clock::now();
    // The VBR file is encoded whole, for its tag; the CBR one is ten minutes
    // without a tag, repeated, which makes the same stream as encoding it whole.
    bool vbrMade = false;
    std::thread vbrEncoder([&] { vbrMade = bench::encodeTone(vbr, kTwoHours, "-V 4"); });
    const bool cbrMade = bench::encodeTone(tenMinutes, 600.0, "-b 128 -t")
        && bench::repeatFile(tenMinutes, cbr, 12);
    vbrEncoder.join();
    if (!cbrMade || !vbrMade) {
        std::printf("could not make the test files\n");
        return 0;
    }
    std::printf("made in %.0f s\n\n", bench::msSince(start) / 1000.0);

    measure("2-hour CBR 128 kbps, no info tag", cbr, 0.3);
    measure("2-hour VBR -V 4, with info tag", vbr, 0.05);

    std::printf("\nmaking damaged and long files...\n");
    std::fflush(stdout);
    const auto gaps = dir / "ff-runs.mp3", random = dir / "random.bin";
    const auto vbrTen = dir / "vbr-10min-noinfo.mp3", vbrNoInfo = dir / "vbr-2h-noinfo.mp3";
    const auto monoTen = dir / "mono32-10min.mp3", monoDay = dir / "mono32-24h.mp3";
    if (!writeWithFFRuns(tenMinutes, gaps, 35, std::size_t(15) << 20)
        || !writeRandom(random, std::size_t(512) << 20)
        || !bench::encodeTone(vbrTen, 600.0, "-V 4 -t") || !bench::repeatFile(vbrTen, vbrNoInfo, 12)
        || !bench::encodeTone(monoTen, 600.0, "-a -b 32 -t")
        || !bench::repeatFile(monoTen, monoDay, 144)) {
        std::printf("could not make the test files\n");
        return 0;
    }
    std::printf("\nopen over reading the file from the page cache (goal <= 3):\n");
    compare("open, 0xFF runs of 15 MiB between frames", gaps, "read", openOnly, readWhole, 3.0);
    compare("Save's walk, the same file", gaps, "read", saveWalk, readWhole, 3.0);
    compare("open, random bytes", random, "read", openOnly, readWhole, 3.0);
    std::filesystem::remove(gaps);
    std::filesystem::remove(random);
    std::printf("\nopen over a bare count of the frames (headers followed, nothing kept; goal "
                "<= 1.3)\nand over a read() of the file from the page cache (goal <= 1.5), "
                "medians of %d interleaved runs:\n",
        3 * kRuns);
    for (const auto& [what, file] : { std::pair { "2-hour CBR 128 kbps, no info tag", cbr },
             std::pair { "2-hour VBR -V 4, no info tag", vbrNoInfo },
             std::pair { "24-hour 32 kbps mono, no info tag", monoDay } }) {
        // The count is kept and printed, so that no compiler drops the walk that
        // gives it.
        std::int64_t frames = 0;
        const std::vector<double> ms
            = interleavedMediansMs({ [&] { openOnly(file); }, [&] { frames = chaseHeaders(file); },
                                       [&] { readWhole(file); } },
                3 * kRuns);
        std::printf("%s (%.1f MB, %lld frames): open %.1f ms, bare count %.1f ms, read() %.1f ms\n",
            what, double(std::filesystem::file_size(file)) / 1e6, (long long)frames, ms[0], ms[1],
            ms[2]);
        bench::printRatio("  open / bare count", ms[0] / ms[1], 1.3);
        bench::printRatio("  open / read()", ms[0] / ms[2], 1.5);
    }
    return 0;
}
