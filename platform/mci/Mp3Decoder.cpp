#include "platform/mci/Mp3Decoder.h"

#include <mpg123.h>

#include <cerrno>
#include <fcntl.h>
#include <mutex>
#include <unistd.h>
#include <vector>

namespace mci {

namespace {

    // A damaged stretch makes libmpg123 report errors while it looks for the
    // next good frame; this many in a row mean there is nothing more to play.
    constexpr int kFailuresToGiveUp = 64;

    void initialiseLibrary()
    {
        static std::once_flag once;
        std::call_once(once, [] { mpg123_init(); });
    }

} // namespace

// The file as libmpg123 reads it: a descriptor plus the request to stop.
struct Mp3Decoder::Source {
    int fd = -1;
    std::stop_token stop;

    ~Source()
    {
        if (fd >= 0)
            ::close(fd);
    }

    static mpg123_ssize_t read(void* self, void* buffer, size_t bytes)
    {
        auto* source = static_cast<Source*>(self);
        if (source->stop.stop_requested())
            return -1;
        for (;;) {
            const ssize_t got = ::read(source->fd, buffer, bytes);
            if (got < 0 && errno == EINTR)
                continue;
            return got;
        }
    }

    static off_t seek(void* self, off_t offset, int whence)
    {
        auto* source = static_cast<Source*>(self);
        if (source->stop.stop_requested())
            return -1;
        return ::lseek(source->fd, offset, whence);
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

bool Mp3Decoder::open(const std::filesystem::path& path, std::stop_token stop)
{
    return openWithFormats(path, 0, 0, std::move(stop));
}

bool Mp3Decoder::open(
    const std::filesystem::path& path, long sampleRate, int channels, std::stop_token stop)
{
    return openWithFormats(path, sampleRate, channels, std::move(stop));
}

bool Mp3Decoder::openWithFormats(
    const std::filesystem::path& path, long sampleRate, int channels, std::stop_token stop)
{
    initialiseLibrary();
    handle_.reset();
    source_ = std::make_unique<Source>();
    source_->stop = std::move(stop);
    source_->fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (source_->fd < 0)
        return false;

    int error = MPG123_OK;
    handle_.reset(mpg123_new(nullptr, &error));
    if (!handle_)
        return false;
    mpg123_handle* mh = handle_.get();
    mpg123_param(mh, MPG123_FLAGS, MPG123_GAPLESS | MPG123_QUIET, 0.0);
    // Look as far as it takes for the next good frame after damage, rather
    // than ending the track at the first bad stretch.
    mpg123_param(mh, MPG123_RESYNC_LIMIT, -1, 0.0);
    mpg123_format_none(mh);
    if (sampleRate > 0) {
        mpg123_format(
            mh, sampleRate, channels == 1 ? MPG123_MONO : MPG123_STEREO, MPG123_ENC_SIGNED_16);
    } else {
        const long* rates = nullptr;
        size_t count = 0;
        mpg123_rates(&rates, &count);
        for (size_t i = 0; i < count; ++i)
            mpg123_format(mh, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
    }
    if (mpg123_replace_reader_handle(mh, &Source::read, &Source::seek, nullptr) != MPG123_OK
        || mpg123_open_handle(mh, source_.get()) != MPG123_OK)
        return false;
    int encoding = 0;
    if (mpg123_getformat(mh, &sampleRate_, &channels_, &encoding) != MPG123_OK
        || encoding != MPG123_ENC_SIGNED_16 || sampleRate_ <= 0 || channels_ < 1 || channels_ > 2)
        return false;
    // Hold the format for the whole track, even if a damaged frame claims another.
    mpg123_format_none(mh);
    mpg123_format(
        mh, sampleRate_, channels_ == 1 ? MPG123_MONO : MPG123_STEREO, MPG123_ENC_SIGNED_16);
    return true;
}

std::int64_t Mp3Decoder::length() const
{
    const off_t samples = mpg123_length(handle_.get());
    return samples < 0 ? 0 : std::int64_t(samples);
}

long Mp3Decoder::encoderDelay() const
{
    long value = -1;
    double unused = 0;
    if (mpg123_getstate(handle_.get(), MPG123_ENC_DELAY, &value, &unused) != MPG123_OK)
        return -1;
    return value;
}

long Mp3Decoder::decoderDelay() const
{
    long value = -1;
    double unused = 0;
    if (mpg123_getstate(handle_.get(), MPG123_DEC_DELAY, &value, &unused) != MPG123_OK)
        return -1;
    return value;
}

void Mp3Decoder::useIndex(const FrameIndex& index)
{
    if (index.offsets.empty())
        return;
    std::vector<off_t> offsets(index.offsets.begin(), index.offsets.end());
    mpg123_set_index(handle_.get(), offsets.data(), off_t(index.step), offsets.size());
}

bool Mp3Decoder::seek(std::int64_t sample)
{
    return mpg123_seek(handle_.get(), off_t(sample), SEEK_SET) >= 0;
}

Mp3Decoder::Read Mp3Decoder::read(std::uint8_t* out, std::size_t capacity, std::size_t& got)
{
    got = 0;
    const int result = mpg123_read(handle_.get(), out, capacity, &got);
    if (result == MPG123_DONE)
        return got > 0 ? Read::Data : Read::End;
    if (result == MPG123_OK || result == MPG123_NEW_FORMAT) {
        failuresInARow_ = 0;
        return Read::Data;
    }
    if (source_->stop.stop_requested() || ++failuresInARow_ >= kFailuresToGiveUp)
        return Read::Failed;
    return Read::Data; // skip the bad stretch: the next read resyncs
}

} // namespace mci
