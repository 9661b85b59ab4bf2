#pragma once

#include "platform/mp3/FrameIndex.h"
#include "platform/mp3/FrameWalker.h"
#include "platform/mp3/Mp3Layout.h"
#include "platform/mp3/SharedFrameTables.h"

#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace mp3 {

// How to share the frames a walk lists (see shareFrameTable): the file's
// identity before the walk and the samples a gapless decoder trims.
struct FrameSharing {
    std::optional<FileIdentity> identity;
    std::int64_t trimmedSamples = 0;
};

// The seek points of an open file. Either known from a walk made while
// opening, or found by a walk over the file's frames on a thread of its own,
// so that opening a long file with an info tag need not wait for it; until
// then seeks work without. Either way the frames of a whole walk are kept and
// shared for cutting the file while it is open.
class SeekIndex {
public:
    SeekIndex(FrameWalk walked, const FrameSharing& sharing);
    // Walks the file open on `fd`, through a duplicate of it taken now, so
    // that the walk reads the very file that was opened whatever its name
    // comes to name. While it runs, the walk is pending under the sharing
    // identity (see PendingWalk).
    SeekIndex(int fd, const Mp3Layout& layout, FrameSharing sharing = {});
    ~SeekIndex();
    SeekIndex(const SeekIndex&) = delete;
    SeekIndex& operator=(const SeekIndex&) = delete;

    // The index, or null while it is still being found.
    std::shared_ptr<const FrameIndex> current() const;

private:
    // Written once by the walking thread, read by the command thread.
    mutable std::mutex mutex_;
    std::shared_ptr<const FrameIndex> index_;
    std::shared_ptr<const FrameTable> frames_;
    std::shared_ptr<const FrameLoudness> loudness_;
    std::jthread walker_;
};

} // namespace mp3
