// Opening a long MP3 and knowing its exact length at once, against libmpg123's
// own full scan of the same file:
//   - a 2-hour CBR file without an info tag (the frames must be counted),
//   - a 2-hour VBR file with an info tag (the tag tells the length).
// Both are made here with lame; the ratio is the median time of opening the
// file on the media command interface and asking its length, over the median
// time of mpg123_open + mpg123_scan + mpg123_length.

#include "bench/MciBenchSupport.h"
#include "platform/mci/MciSendString.h"
#include "platform/mp3/SampleTime.h"

#include <algorithm>
#include <mpg123.h>
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
    return 0;
}
