#pragma once

#include "platform/mp3/FrameIndex.h"
#include "platform/mp3/FrameWalker.h"
#include "platform/mp3/Mp3Layout.h"
#include "platform/mp3/SharedWalks.h"

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

// The walk over an open file's frames: one made while opening, or one run on
// a thread of its own, so that opening a long file with an info tag need not
// wait for it. It gives the file's seek points, once known (seeks work
// without until then), and keeps the frames and their loudness of a whole
// walk shared for cutting and sketching the file while it is open.
class BackgroundWalk {
public:
    // A walk already made: nothing is left to do in the background.
    BackgroundWalk(FrameWalk walked, const FrameSharing& sharing);
    // Walks the file open on `fd`, through a duplicate of it taken now, so
    // that the walk reads the very file that was opened whatever its name
    // comes to name. While it runs, the walk is pending under the sharing
    // identity (see PendingWalk).
    BackgroundWalk(int fd, const Mp3Layout& layout, FrameSharing sharing = {});
    ~BackgroundWalk();
    BackgroundWalk(const BackgroundWalk&) = delete;
    BackgroundWalk& operator=(const BackgroundWalk&) = delete;

    // The seek index, or null while the walk is still under way.
    std::shared_ptr<const FrameIndex> seekIndex() const;

private:
    // Written once by the walking thread, read by the command thread.
    mutable std::mutex mutex_;
    std::shared_ptr<const FrameIndex> index_;
    // Shared only weakly: kept alive here for as long as the file is open.
    struct Kept {
        std::shared_ptr<const FrameTable> frames;
        std::shared_ptr<const FrameLoudness> loudness;
    };
    Kept kept_;

    static Kept share(FrameWalk& walk, const FrameSharing& sharing);
    std::jthread walker_;
};

} // namespace mp3
