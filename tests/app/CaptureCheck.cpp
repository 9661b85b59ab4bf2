// Checks that sound captured from the program's audio output is the start of
// an MP3 file: decodes the file with libmpg123, finds where the sound begins
// in the capture, and compares the two in 20 ms windows.
//   trimora_capture_check FILE.mp3 CAPTURE.raw SECONDS
// The capture is raw 16-bit little-endian stereo at 44100 Hz, which is what the
// program asks of its audio device; the file must be of the same format.
#include <mpg123.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <vector>

namespace {

constexpr long kRate = 44100;
constexpr long kWindow = kRate / 50;
// Loud enough to be the tone rather than noise or dither.
constexpr double kOnsetLevel = 0.05 * 32768;
// The same decoder on both sides: anything but a gap, a jump or noise
// correlates almost perfectly.
constexpr double kMinCorrelation = 0.9;

using Signal = std::vector<double>;

struct DeleteHandle {
    void operator()(mpg123_handle* handle) const
    {
        mpg123_close(handle);
        mpg123_delete(handle);
    }
};

// Mono mix of 16-bit stereo frames.
void appendFrames(Signal& out, const std::int16_t* samples, std::size_t frames)
{
    for (std::size_t i = 0; i < frames; ++i)
        out.push_back((double(samples[2 * i]) + double(samples[2 * i + 1])) / 2);
}

std::optional<Signal> decode(const char* path, long frames)
{
    int error = MPG123_OK;
    const std::unique_ptr<mpg123_handle, DeleteHandle> handle(mpg123_new(nullptr, &error));
    if (!handle || mpg123_open(handle.get(), path) != MPG123_OK)
        return std::nullopt;
    long rate = 0;
    int channels = 0;
    int encoding = 0;
    if (mpg123_getformat(handle.get(), &rate, &channels, &encoding) != MPG123_OK || rate != kRate
        || channels != 2 || encoding != MPG123_ENC_SIGNED_16) {
        std::fprintf(stderr, "%s is not 44100 Hz 16-bit stereo\n", path);
        return std::nullopt;
    }
    Signal out;
    std::vector<std::int16_t> buffer(8192);
    while (long(out.size()) < frames) {
        std::size_t done = 0;
        const int result
            = mpg123_read(handle.get(), buffer.data(), buffer.size() * sizeof(std::int16_t), &done);
        appendFrames(out, buffer.data(), done / 4);
        if (result != MPG123_OK)
            break;
    }
    return out;
}

std::optional<Signal> readCapture(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    const std::vector<char> bytes { std::istreambuf_iterator<char>(in), {} };
    std::vector<std::int16_t> samples(bytes.size() / 2);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i]
            = std::int16_t(std::uint8_t(bytes[2 * i]) | (std::uint8_t(bytes[2 * i + 1]) << 8));
    Signal out;
    appendFrames(out, samples.data(), samples.size() / 2);
    return out;
}

long onset(const Signal& signal)
{
    const auto found = std::find_if(
        signal.begin(), signal.end(), [](double x) { return std::abs(x) > kOnsetLevel; });
    return found == signal.end() ? -1 : long(found - signal.begin());
}

// Normalised correlation of a[from, from+length) with b[from+lag, ...).
double correlation(const Signal& a, const Signal& b, long from, long length, long lag)
{
    double ab = 0, aa = 0, bb = 0;
    for (long i = from; i < from + length; ++i) {
        const double x = a[std::size_t(i)];
        const double y = b[std::size_t(i + lag)];
        ab += x * y;
        aa += x * x;
        bb += y * y;
    }
    return aa > 0 && bb > 0 ? ab / std::sqrt(aa * bb) : 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s FILE.mp3 CAPTURE.raw SECONDS\n", argv[0]);
        return 2;
    }
    const long compared = std::lround(std::atof(argv[3]) * kRate);
    const auto file = decode(argv[1], compared + kRate);
    const auto capture = readCapture(argv[2]);
    if (!file || !capture) {
        std::fprintf(stderr, "cannot read %s or %s\n", argv[1], argv[2]);
        return 1;
    }
    const long fileStart = onset(*file);
    const long captureStart = onset(*capture);
    if (fileStart < 0 || captureStart < 0) {
        std::fprintf(stderr, "no sound in the %s\n", captureStart < 0 ? "capture" : "file");
        return 1;
    }

    // The first loud sample gives the delay to within a few samples; a short
    // search around it finds the exact one.
    const long search = kRate / 20;
    long lag = captureStart - fileStart;
    double best = -1;
    for (long candidate = std::max(-fileStart, lag - search); candidate <= lag + search;
         ++candidate) {
        if (fileStart + candidate + kRate / 2 > long(capture->size()))
            break;
        const double c = correlation(*file, *capture, fileStart, kRate / 2, candidate);
        if (c > best) {
            best = c;
            lag = candidate;
        }
    }
    std::printf(
        "sound starts %.0f ms into the capture\n", 1000.0 * double(fileStart + lag) / kRate);

    const long end = std::min(fileStart + compared, long(file->size()));
    if (end + lag > long(capture->size())) {
        std::fprintf(stderr, "the capture holds %.2f s of the file, %.2f s wanted\n",
            double(long(capture->size()) - lag - fileStart) / kRate, double(compared) / kRate);
        return 1;
    }
    double worst = 1;
    long worstAt = fileStart;
    for (long at = fileStart; at + kWindow <= end; at += kWindow) {
        const double c = correlation(*file, *capture, at, kWindow, lag);
        if (c < worst) {
            worst = c;
            worstAt = at;
        }
    }
    std::printf("lowest correlation over %.2f s: %.3f at %.2f s of the file\n",
        double(end - fileStart) / kRate, worst, double(worstAt) / kRate);
    return worst >= kMinCorrelation ? 0 : 1;
}
