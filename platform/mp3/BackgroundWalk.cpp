#include "platform/mp3/BackgroundWalk.h"

#include "platform/mp3/FileReader.h"
#include "platform/mp3/FrameWalker.h"

namespace mp3 {

namespace {

    std::shared_ptr<const FrameTable> shareFrames(FrameTable table, const FrameSharing& sharing)
    {
        table.trimmedSamples = sharing.trimmedSamples;
        auto frames = std::make_shared<const FrameTable>(std::move(table));
        if (sharing.identity)
            shareFrameTable(*sharing.identity, frames);
        return frames;
    }

    std::shared_ptr<const FrameLoudness> shareLoudness(
        FrameLoudness loudness, const FrameSharing& sharing)
    {
        auto shared = std::make_shared<const FrameLoudness>(std::move(loudness));
        if (sharing.identity)
            shareFrameLoudness(*sharing.identity, shared);
        return shared;
    }

} // namespace

BackgroundWalk::BackgroundWalk(FrameWalk walked, const FrameSharing& sharing)
    : index_(std::make_shared<const FrameIndex>(std::move(walked.index)))
{
    if (walked.complete) {
        frames_ = shareFrames(std::move(walked.table), sharing);
        loudness_ = shareLoudness(std::move(walked.loudness), sharing);
    }
}

BackgroundWalk::BackgroundWalk(int fd, const Mp3Layout& layout, FrameSharing sharing)
{
    auto file = std::make_unique<FileReader>(fd);
    auto pending = sharing.identity ? std::make_unique<PendingWalk>(*sharing.identity) : nullptr;
    walker_ = std::jthread([this, file = std::move(file), pending = std::move(pending), layout,
                               sharing](std::stop_token stop) mutable {
        FrameWalk walk = walkFrames(*file, layout, stop);
        if (walk.complete) {
            auto index = std::make_shared<const FrameIndex>(std::move(walk.index));
            auto frames = shareFrames(std::move(walk.table), sharing);
            auto loudness = shareLoudness(std::move(walk.loudness), sharing);
            std::lock_guard lock(mutex_);
            index_ = std::move(index);
            frames_ = std::move(frames);
            loudness_ = std::move(loudness);
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
