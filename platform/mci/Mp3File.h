#pragma once

#include "platform/audio/PlaybackSession.h"
#include "platform/mci/MciSendString.h"
#include "platform/mp3/BackgroundWalk.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <stop_token>
#include <variant>

namespace mci {

// An MP3 file found playable, with what playing it needs: its format, its
// exact length and its seek points.
struct Mp3File {
    std::filesystem::path path;
    // The file that was examined, which playing it reads.
    std::shared_ptr<const mp3::OpenDescriptor> file;
    // Where the audio begins, past the tags at the start.
    std::int64_t audioStart = 0;
    long sampleRate = 0;
    int channels = 0;
    // Samples per channel that decoding the whole file gives.
    std::int64_t samples = 0;
    // Gives the seek points, and keeps the file's frames shared for cutting
    // it while it is open.
    std::unique_ptr<mp3::BackgroundWalk> walk;

    audio::PlaybackSource playbackSource() const;
};

// Examines the file: MCIERR_FILE_NOT_FOUND when there is none,
// MCIERR_ACCESS_DENIED when it may not be read, MCIERR_NOT_A_FILE when it is
// a folder, a FIFO, a device or anything else but a regular file (refused
// without waiting on it), MCIERR_FILE_READ when it cannot be opened otherwise,
// MCIERR_CANNOT_LOAD_DRIVER when it holds no MPEG audio libmpg123 decodes.
// The length comes from the info tag when the encoder wrote one and the file
// is whole, otherwise from counting the frames. A stop request ends the count
// promptly, with MCIERR_CLOSED_WHILE_OPENING; a file found shorter at the end
// than at the start gives MCIERR_FILE_READ.
std::variant<Mp3File, MciResult> openMp3File(
    const std::filesystem::path& path, std::stop_token stop = {});
// The same for the file already open on `fd`, known to the user as `path`:
// what is examined, played and shared is that very file, whatever `path`
// names by then.
std::variant<Mp3File, MciResult> openMp3File(
    int fd, const std::filesystem::path& path, std::stop_token stop = {});

} // namespace mci
