#include "platform/mp3/SeekIndex.h"

#include "platform/mp3/FileReader.h"
#include "platform/mp3/FrameWalker.h"

namespace mp3 {

SeekIndex::SeekIndex(FrameIndex known)
    : index_(std::make_shared<const FrameIndex>(std::move(known)))
{
}

SeekIndex::SeekIndex(
    const std::filesystem::path& path, const Mp3Layout& layout, FrameSharing sharing)
{
    walker_ = std::jthread([this, path, layout, sharing](std::stop_token stop) {
        FileReader file(path);
        FrameWalk walk = walkFrames(file, layout, stop);
        if (!walk.complete)
            return;
        auto index = std::make_shared<const FrameIndex>(std::move(walk.index));
        walk.table.trimmedSamples = sharing.trimmedSamples;
        auto frames = std::make_shared<const FrameTable>(std::move(walk.table));
        std::lock_guard lock(mutex_);
        index_ = std::move(index);
        frames_ = frames;
        if (sharing.identity)
            shareFrameTable(path, *sharing.identity, frames);
    });
}

SeekIndex::~SeekIndex()
{
    // The walk checks for the request every few thousand frames and while it
    // searches a damaged stretch, so the join that follows is short.
    walker_.request_stop();
}

std::shared_ptr<const FrameIndex> SeekIndex::current() const
{
    std::lock_guard lock(mutex_);
    return index_;
}

} // namespace mp3
