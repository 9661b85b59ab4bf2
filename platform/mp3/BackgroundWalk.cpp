#include "platform/mp3/BackgroundWalk.h"

#include "platform/mp3/BackgroundPriority.h"
#include "platform/mp3/FileReader.h"
#include "platform/mp3/FrameWalker.h"

namespace mp3 {

BackgroundWalk::Kept BackgroundWalk::share(FrameWalk& walk, const FrameSharing& sharing)
{
    walk.table.trimmedSamples = sharing.trimmedSamples;
    Kept kept { std::make_shared<const FrameTable>(std::move(walk.table)),
        std::make_shared<const FrameLoudness>(std::move(walk.loudness)) };
    if (sharing.identity) {
        shareFrameTable(*sharing.identity, kept.frames);
        shareFrameLoudness(*sharing.identity, kept.loudness);
    }
    return kept;
}

BackgroundWalk::BackgroundWalk(FrameWalk walked, const FrameSharing& sharing)
    : index_(std::make_shared<const FrameIndex>(std::move(walked.index)))
{
    if (walked.complete)
        kept_ = share(walked, sharing);
}

BackgroundWalk::BackgroundWalk(int fd, const Mp3Layout& layout, FrameSharing sharing)
{
    auto file = std::make_unique<FileReader>(fd);
    auto pending = sharing.identity ? std::make_unique<PendingWalk>(*sharing.identity) : nullptr;
    walker_ = std::jthread([this, file = std::move(file), pending = std::move(pending), layout,
                               sharing](std::stop_token stop) mutable {
        standBackForInteractiveThreads();
        FrameWalk walk = walkFrames(*file, layout, stop);
        if (walk.complete) {
            auto index = std::make_shared<const FrameIndex>(std::move(walk.index));
            Kept kept = share(walk, sharing);
            std::lock_guard lock(mutex_);
            index_ = std::move(index);
            kept_ = std::move(kept);
        }
        // Shared first, so that one who waited finds the table.
        pending.reset();
    });
}

BackgroundWalk::~BackgroundWalk()
{
    // The walk checks for the request every few thousand frames and while it
    // searches a damaged stretch, so the join that follows is short.
    walker_.request_stop();
}

std::shared_ptr<const FrameIndex> BackgroundWalk::seekIndex() const
{
    std::lock_guard lock(mutex_);
    return index_;
}

} // namespace mp3
