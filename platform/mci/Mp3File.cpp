#include "platform/mci/Mp3File.h"

#include "platform/mp3/FileIdentity.h"
#include "platform/mp3/FileReader.h"
#include "platform/mp3/FrameWalker.h"
#include "platform/mp3/Mp3Decoder.h"

#include <algorithm>

namespace mci {

audio::PlaybackSource Mp3File::playbackSource() const
{
    return { path, file, audioStart, sampleRate, channels, walk ? walk->seekIndex() : nullptr };
}

namespace {

    // A tag counts the frames of the whole file when its byte count is the
    // file's: a file cut short holds fewer, and two files joined hold more.
    bool infoTagFitsFile(const mp3::Mp3Layout& layout)
    {
        if (!layout.infoTag || !layout.infoTag->frames)
            return false;
        const auto& bytes = layout.infoTag->bytes;
        return !bytes || layout.audioEnd - layout.firstFrame == std::int64_t(*bytes);
    }

    // Decoding drops the encoder's and the decoder's delay from the start of
    // the first frames; the padding at the end is gone with a cut-off part,
    // and lies mid-stream when more audio follows what the tag counted.
    std::int64_t samplesOfFrames(
        const mp3::Mp3Decoder& decoder, const mp3::Mp3Layout& layout, std::int64_t frames)
    {
        std::int64_t samples = frames * layout.header.samplesPerFrame;
        samples -= mp3::gaplessTrimOf(layout);
        if (layout.infoTag->frames && frames <= std::int64_t(*layout.infoTag->frames))
            samples = std::min(samples, decoder.length());
        return std::max<std::int64_t>(0, samples);
    }

    MciResult openFailureCode(mp3::OpenFailure failure)
    {
        switch (failure) {
        case mp3::OpenFailure::NotFound:
            return MCIERR_FILE_NOT_FOUND;
        case mp3::OpenFailure::AccessDenied:
            return MCIERR_ACCESS_DENIED;
        case mp3::OpenFailure::NotRegularFile:
            return MCIERR_NOT_A_FILE;
        case mp3::OpenFailure::None:
        case mp3::OpenFailure::Unreadable:
            break;
        }
        return MCIERR_FILE_READ;
    }

    std::variant<Mp3File, MciResult> examineMp3File(
        mp3::FileReader& file, const std::filesystem::path& path, std::stop_token stop)
    {
        if (!file.isOpen())
            return openFailureCode(file.failure());
        const auto layout = mp3::findMp3Layout(file);
        if (!layout)
            return MCIERR_CANNOT_LOAD_DRIVER;
        // The decoder reads the very file the walk reads: a name swapped for
        // another file meanwhile must not give one file's frames the other's
        // format and length.
        mp3::Mp3Decoder decoder;
        if (!decoder.open(file.fd(), layout->audioStart))
            return MCIERR_CANNOT_LOAD_DRIVER;

        Mp3File mp3;
        mp3.path = path;
        mp3.file = std::make_shared<const mp3::OpenDescriptor>(file.fd());
        if (mp3.file->fd() < 0)
            return MCIERR_FILE_READ;
        mp3.audioStart = layout->audioStart;
        mp3.sampleRate = decoder.sampleRate();
        mp3.channels = decoder.channels();
        // The identity of what is read, taken before the walk: a file changed
        // during it is not shared, and one replaced by another under its name
        // since the open never lends that one its frames.
        const mp3::FrameSharing sharing { mp3::identityOf(file.fd()), mp3::gaplessTrimOf(*layout) };
        if (infoTagFitsFile(*layout)) {
            mp3.samples = decoder.length();
            mp3.walk = std::make_unique<mp3::BackgroundWalk>(file.fd(), *layout, sharing);
        } else {
            // The user waits for this walk: a long one is walked in two halves at once.
            mp3::FrameWalk walk
                = mp3::walkFrames(file, *layout, stop, mp3::WalkSplit::inHalves(*layout));
            if (!walk.complete && stop.stop_requested())
                return MCIERR_CLOSED_WHILE_OPENING;
            mp3.samples = layout->infoTag ? samplesOfFrames(decoder, *layout, walk.audioFrames)
                                          : walk.audioFrames * layout->header.samplesPerFrame;
            mp3.walk = std::make_unique<mp3::BackgroundWalk>(std::move(walk), sharing);
        }
        if (mp3.samples <= 0)
            return MCIERR_CANNOT_LOAD_DRIVER;
        // Cut short meanwhile, the file no longer holds what was measured.
        const auto now = mp3::identityOf(file.fd());
        if (file.truncated() || !now || now->bytes < file.size())
            return MCIERR_FILE_READ;
        return mp3;
    }

} // namespace

std::variant<Mp3File, MciResult> openMp3File(
    const std::filesystem::path& path, std::stop_token stop)
{
    mp3::FileReader file(path);
    return examineMp3File(file, path, stop);
}

std::variant<Mp3File, MciResult> openMp3File(
    int fd, const std::filesystem::path& path, std::stop_token stop)
{
    mp3::FileReader file(fd);
    return examineMp3File(file, path, stop);
}

} // namespace mci
