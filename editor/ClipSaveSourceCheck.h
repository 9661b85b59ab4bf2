#pragma once

#include "platform/mp3/FileReader.h"
#include "platform/mp3/FrameTable.h"
#include "platform/mp3/Mp3Layout.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

// The frames of a save's source as it is now, found once for everything the
// save maps on them, and checked against the audio the marks were taken on.
// While the file is the one the device walked, the device's table serves.
// Once it has been touched, written to or replaced, it is walked again, and
// the marks must still lie within its audio: a mark past the end of what is
// there now would give a clip shorter than the selection.
class ClipSaveSourceCheck {
public:
    // Looks up or walks the frames of the file open on `fd`; `deviceLengthMs`
    // is how long the device found it. With `letEventsRun` a lookup that has
    // to wait runs on a thread of its own while the window keeps answering
    // (see runOffWindowThread); whatever `letEventsRun` throws ends the wait.
    // Raises PathFileAccessError with the reason when the file is empty now,
    // or when its audio ends before `endMs`.
    ClipSaveSourceCheck(int fd, std::int64_t sourceBytes, std::int32_t deviceLengthMs,
        std::int32_t endMs, const std::function<void()>& letEventsRun = {});

    // The source's frames; null when it holds no MPEG audio.
    const std::shared_ptr<const mp3::FrameTable>& frames() const { return frames_; }
    // Where they lie; nothing when it holds no MPEG audio.
    const std::optional<mp3::Mp3Layout>& layout() const { return layout_; }
    // The one reader of the source that the frames are read through.
    mp3::FileReader& reader() { return reader_; }
    // The length to spread the file's bytes over when they map linearly: the
    // device's, or what the frames of a changed file last now.
    std::int32_t lengthMs() const { return lengthMs_; }

    // Raises PathFileAccessError when the bytes from offset `begin` up to
    // `end` give a decoder no sound at all (a lone frame, say): such a clip
    // would play as nothing.
    void requireSound(std::int64_t begin, std::int64_t end) const;

private:
    mp3::FileReader reader_;
    std::shared_ptr<const mp3::FrameTable> frames_;
    std::optional<mp3::Mp3Layout> layout_;
    std::int32_t lengthMs_;
};
