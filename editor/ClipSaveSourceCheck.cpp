#include "editor/ClipSaveSourceCheck.h"

#include "platform/mp3/Mp3Decoder.h"
#include "platform/runtime/RuntimeError.h"

#include <algorithm>
#include <climits>

namespace {

[[noreturn]] void refuse(const char* reason)
{
    throw rt::RuntimeError(rt::err::PathFileAccessError, QString::fromUtf8(reason));
}

} // namespace

ClipSaveSourceCheck::ClipSaveSourceCheck(int fd, std::int64_t sourceBytes,
    std::int32_t deviceLengthMs, std::int32_t endMs, const mp3::WhileWalkPending& whileWaiting)
    : fd_(fd)
    , frames_(mp3::sharedFrameTableOf(fd, whileWaiting))
    , lengthMs_(deviceLengthMs)
{
    if (sourceBytes == 0)
        refuse("The file has been emptied since it was opened.");
    const bool changed = !frames_;
    if (changed)
        frames_ = mp3::walkFrameTable(fd, whileWaiting);
    if (!frames_)
        return;
    const std::int64_t audioMs = mp3::audioMsOf(*frames_);
    if (endMs > audioMs)
        refuse("The file has changed since it was opened: its sound now ends before the end "
               "mark.");
    // What the device measured belongs to the file as it was: a file touched
    // or rewritten since is measured anew.
    if (changed)
        lengthMs_ = std::int32_t(std::min<std::int64_t>(audioMs, INT32_MAX));
}

void ClipSaveSourceCheck::requireSound(std::int64_t begin, std::int64_t end) const
{
    if (frames_ && !mp3::decodesToSound(fd_, begin, end))
        refuse("The section is too short: a player would decode no sound from it.");
}
