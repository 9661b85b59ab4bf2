#include "platform/mp3/Mp3Decoder.h"

#include "platform/mp3/FileReader.h"

#include <mpg123.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <mutex>
#include <vector>

namespace mp3 {

namespace {

    // A damaged stretch makes libmpg123 report errors while it looks for the
    // next good frame; this many in a row mean there is nothing more to play.
    constexpr int kFailuresToGiveUp = 64;

    constexpr std::size_t kWindowBytes = 64 * 1024;

    void initialiseLibrary()
    {
        static std::once_flag once;
        std::call_once(once, [] { mpg123_init(); });
    }

} // namespace

// The file as libmpg123 reads it: from the start of the audio up to `end`, a
// window of 64 KiB at a time rather than a system call per frame, and failing
// as soon as stopping is requested. Positions count from `origin`.
struct Mp3Decoder::Source {
    FileReader file;
    std::int64_t origin = 0;
    std::int64_t end = 0;
    std::int64_t position = 0;
    std::stop_token stop;

    Source(const std::filesystem::path& path, std::int64_t audioStart, std::stop_token stopToken)
        : file(path, kWindowBytes)
        , stop(std::move(stopToken))
    {
        setRange(audioStart, file.size());
    }

    Source(int fd, std::int64_t audioStart, std::int64_t audioEnd, std::stop_token stopToken)
        : file(fd, kWindowBytes)
        , stop(std::move(stopToken))
    {
        setRange(audioStart, std::min(audioEnd, file.size()));
    }

    void setRange(std::int64_t from, std::int64_t to)
    {
        end = std::max<std::int64_t>(to, 0);
        origin = std::clamp<std::int64_t>(from, 0, end);
    }

    static mpg123_ssize_t read(void* self, void* buffer, size_t bytes)
    {
        auto* source = static_cast<Source*>(self);
        if (source->stop.stop_requested())
            return -1;
        const std::int64_t at = source->origin + source->position;
        bytes = std::size_t(std::clamp<std::int64_t>(source->end - at, 0, std::int64_t(bytes)));
        const std::size_t got = source->file.read(at, static_cast<std::uint8_t*>(buffer), bytes);
        source->position += std::int64_t(got);
        return mpg123_ssize_t(got);
    }

    static off_t seek(void* self, off_t offset, int whence)
    {
        auto* source = static_cast<Source*>(self);
        if (source->stop.stop_requested())
            return -1;
        const std::int64_t base = whence == SEEK_SET ? 0
            : whence == SEEK_CUR                     ? source->position
                                                     : source->end - source->origin;
        if (base + offset < 0)
            return -1;
        source->position = base + offset;
        return off_t(source->position);
    }
};

void Mp3Decoder::Deleter::operator()(mpg123_handle_struct* handle) const
{
    mpg123_delete(handle);
}

Mp3Decoder::Mp3Decoder() = default;
Mp3Decoder::~Mp3Decoder()
{
    // The decoder reads through the source: close it first.
    handle_.reset();
}

bool Mp3Decoder::open(
    const std::filesystem::path& path, std::int64_t audioStart, std::stop_token stop)
{
    return openWithFormats(std::make_unique<Source>(path, audioStart, std::move(stop)), 0, 0);
}

bool Mp3Decoder::open(const std::filesystem::path& path, std::int64_t audioStart, long sampleRate,
    int channels, std::stop_token stop)
{
    return openWithFormats(
        std::make_unique<Source>(path, audioStart, std::move(stop)), sampleRate, channels);
}

bool Mp3Decoder::open(int fd, std::int64_t audioStart, std::stop_token stop)
{
    return openWithFormats(
        std::make_unique<Source>(fd, audioStart, kToTheEnd, std::move(stop)), 0, 0);
}

bool Mp3Decoder::open(
    int fd, std::int64_t audioStart, long sampleRate, int channels, std::stop_token stop)
{
    return openWithFormats(
        std::make_unique<Source>(fd, audioStart, kToTheEnd, std::move(stop)), sampleRate, channels);
}

bool Mp3Decoder::openBytes(int fd, std::int64_t begin, std::int64_t end)
{
    return openWithFormats(std::make_unique<Source>(fd, begin, end, std::stop_token {}), 0, 0);
}

bool Mp3Decoder::openWithFormats(std::unique_ptr<Source> source, long sampleRate, int channels)
{
    initialiseLibrary();
    handle_.reset();
    source_ = std::move(source);
    if (!source_->file.isOpen())
        return false;

    int error = MPG123_OK;
    handle_.reset(mpg123_new(nullptr, &error));
    if (!handle_)
        return false;
    mpg123_handle* mh = handle_.get();
    mpg123_param(
        mh, MPG123_FLAGS, MPG123_GAPLESS | MPG123_QUIET | (mixToMono_ ? MPG123_MONO_MIX : 0), 0.0);
    // Look as far as it takes for the next good frame after damage, rather
    // than ending the track at the first bad stretch.
    mpg123_param(mh, MPG123_RESYNC_LIMIT, -1, 0.0);
    // Every rate and channel count is let through, so that a damaged frame
    // claiming another format cannot stall the decoder; read() drops its sound.
    mpg123_format_none(mh);
    const long* rates = nullptr;
    size_t count = 0;
    mpg123_rates(&rates, &count);
    for (size_t i = 0; i < count; ++i)
        mpg123_format(mh, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
    if (mpg123_replace_reader_handle(mh, &Source::read, &Source::seek, nullptr) != MPG123_OK
        || mpg123_open_handle(mh, source_.get()) != MPG123_OK)
        return false;
    int encoding = 0;
    if (mpg123_getformat(mh, &sampleRate_, &channels_, &encoding) != MPG123_OK
        || encoding != MPG123_ENC_SIGNED_16 || sampleRate_ <= 0 || channels_ < 1 || channels_ > 2)
        return false;
    formatMatches_ = true;
    return sampleRate <= 0 || (sampleRate_ == sampleRate && channels_ == channels);
}

bool Mp3Decoder::formatIsTheTracks() const
{
    long rate = 0;
    int channels = 0;
    int encoding = 0;
    return mpg123_getformat(handle_.get(), &rate, &channels, &encoding) == MPG123_OK
        && rate == sampleRate_ && channels == channels_ && encoding == MPG123_ENC_SIGNED_16;
}

std::int64_t Mp3Decoder::length() const
{
    const off_t samples = mpg123_length(handle_.get());
    return samples < 0 ? 0 : std::int64_t(samples);
}

std::int64_t Mp3Decoder::gaplessTrim() const
{
    long encoder = -1;
    long decoder = -1;
    double unused = 0;
    if (mpg123_getstate(handle_.get(), MPG123_ENC_DELAY, &encoder, &unused) != MPG123_OK
        || encoder < 0)
        return 0;
    if (mpg123_getstate(handle_.get(), MPG123_DEC_DELAY, &decoder, &unused) != MPG123_OK)
        decoder = 0;
    return encoder + std::max(0L, decoder);
}

void Mp3Decoder::useIndex(const FrameIndex& index)
{
    if (index.offsets.empty())
        return;
    std::vector<off_t> offsets;
    offsets.reserve(index.offsets.size());
    for (const std::int64_t offset : index.offsets)
        offsets.push_back(off_t(offset - source_->origin));
    mpg123_set_index(handle_.get(), offsets.data(), off_t(index.step), offsets.size());
}

bool Mp3Decoder::seek(std::int64_t sample)
{
    return mpg123_seek(handle_.get(), off_t(sample), SEEK_SET) >= 0;
}

Mp3Decoder::Read Mp3Decoder::read(std::uint8_t* out, std::size_t capacity, std::size_t& got)
{
    for (;;) {
        got = 0;
        const int result = mpg123_read(handle_.get(), out, capacity, &got);
        if (result == MPG123_NEW_FORMAT)
            formatMatches_ = formatIsTheTracks();
        if (!formatMatches_)
            got = 0; // sound of a stray frame in another format: left out
        if (result == MPG123_DONE)
            return got > 0 ? Read::Data : Read::End;
        if (source_->stop.stop_requested())
            return Read::Failed;
        if (result == MPG123_OK || result == MPG123_NEW_FORMAT) {
            failuresInARow_ = 0;
            if (got > 0 || formatMatches_)
                return Read::Data;
            continue;
        }
        if (++failuresInARow_ >= kFailuresToGiveUp)
            return Read::Failed;
        return Read::Data; // skip the bad stretch: the next read resyncs
    }
}

bool decodesToSound(int fd, std::int64_t begin, std::int64_t end)
{
    Mp3Decoder decoder;
    if (!decoder.openBytes(fd, begin, end))
        return false;
    std::array<std::uint8_t, 4608> samples {};
    for (;;) {
        std::size_t got = 0;
        const Mp3Decoder::Read read = decoder.read(samples.data(), samples.size(), got);
        if (got > 0)
            return true;
        if (read != Mp3Decoder::Read::Data)
            return false;
    }
}

} // namespace mp3
