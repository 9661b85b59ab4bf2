#include "platform/mci/MpegVideoDevice.h"

#include "platform/mp3/SampleTime.h"

#include <algorithm>

namespace mci {

MpegVideoDevice::MpegVideoDevice(Mp3File file, audio::AudioOutput& output)
    : file_(std::move(file))
    , output_(output)
    , playEnd_(file_.samples)
{
}

MpegVideoDevice::~MpegVideoDevice() = default;

std::int64_t MpegVideoDevice::samplesAt(std::int64_t ms) const
{
    const std::int64_t sample = mp3::samplesAtMs(ms, file_.sampleRate);
    return std::clamp<std::int64_t>(sample, 0, file_.samples);
}

std::int64_t MpegVideoDevice::msAt(std::int64_t sample) const
{
    return mp3::msAtSamples(sample, file_.sampleRate);
}

std::int64_t MpegVideoDevice::lengthMs() const
{
    return msAt(file_.samples);
}

void MpegVideoDevice::update()
{
    if (session_ && session_->finished()) {
        position_ = session_->endPosition();
        session_.reset();
        mode_ = Mode::Stopped;
    }
}

void MpegVideoDevice::endSession()
{
    if (session_) {
        position_ = session_->position();
        session_.reset();
    }
}

std::int64_t MpegVideoDevice::positionMs()
{
    update();
    return msAt(session_ ? session_->position() : position_);
}

MpegVideoDevice::Mode MpegVideoDevice::mode()
{
    update();
    return mode_;
}

MciResult MpegVideoDevice::startSession(std::int64_t from, std::int64_t to)
{
    endSession();
    position_ = from;
    playEnd_ = to;
    if (from >= to) {
        mode_ = Mode::Stopped;
        position_ = to;
        return MCIERR_NONE;
    }
    session_ = std::make_unique<audio::PlaybackSession>(file_.playbackSource(), output_, from, to);
    if (!session_->attached()) {
        session_.reset();
        mode_ = Mode::Stopped;
        return MCIERR_CANNOT_LOAD_DRIVER;
    }
    mode_ = Mode::Playing;
    return MCIERR_NONE;
}

MciResult MpegVideoDevice::play(
    std::optional<std::int64_t> fromMs, std::optional<std::int64_t> toMs)
{
    update();
    const std::int64_t length = lengthMs();
    if ((fromMs && (*fromMs < 0 || *fromMs > length)) || (toMs && (*toMs < 0 || *toMs > length)))
        return MCIERR_OUTOFRANGE;
    const std::int64_t from
        = fromMs ? samplesAt(*fromMs) : (session_ ? session_->position() : position_);
    const std::int64_t to = toMs ? samplesAt(*toMs) : file_.samples;
    if (from > to)
        return MCIERR_OUTOFRANGE;
    return startSession(from, to);
}

MciResult MpegVideoDevice::pause()
{
    update();
    endSession();
    mode_ = Mode::Paused;
    return MCIERR_NONE;
}

MciResult MpegVideoDevice::resume()
{
    update();
    if (mode_ != Mode::Paused)
        return MCIERR_NONE;
    return startSession(position_, playEnd_);
}

MciResult MpegVideoDevice::stop()
{
    update();
    endSession();
    mode_ = Mode::Stopped;
    return MCIERR_NONE;
}

MciResult MpegVideoDevice::seek(std::int64_t ms)
{
    update();
    if (ms < 0 || ms > lengthMs())
        return MCIERR_OUTOFRANGE;
    endSession();
    position_ = samplesAt(ms);
    mode_ = Mode::Stopped;
    return MCIERR_NONE;
}

} // namespace mci
