#include "editor/ClipSaveSourceCheck.h"

#include "editor/OffWindowThread.h"
#include "platform/mp3/AudioBytes.h"
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
    std::int32_t deviceLengthMs, std::int32_t endMs, const std::function<void()>& letEventsRun)
    : reader_(fd)
    , lengthMs_(deviceLengthMs)
{
    if (sourceBytes == 0)
        refuse("The file has been emptied since it was opened.");
    // Without a reader of its own the save could find no frames, and would
    // cut an MP3 as if it had none.
    if (!reader_.isOpen())
        rt::raise(rt::err::PathFileAccessError);
    mp3::FrameTableLookup lookup(reader_);
    layout_ = lookup.layout();
    const mp3::FoundFrameTable found = letEventsRun && lookup.waits()
        ? runOffWindowThread(
            [&lookup](std::stop_token stop) { return lookup.find(stop); }, letEventsRun)
        : lookup.find();
    frames_ = found.table;
    if (!frames_)
        return;
    const std::int64_t audioMs = mp3::audioMsOf(*frames_);
    if (endMs > audioMs)
        refuse("The file has changed since it was opened: its sound now ends before the end "
               "mark.");
    // What the device measured belongs to the file as it was: a file touched
    // or rewritten since is measured anew.
    if (found.walked)
        lengthMs_ = std::int32_t(std::min<std::int64_t>(audioMs, INT32_MAX));
}

void ClipSaveSourceCheck::requireSound(std::int64_t begin, std::int64_t end) const
{
    if (frames_ && !mp3::decodesToSound(reader_.fd(), begin, end))
        refuse("The section is too short: a player would decode no sound from it.");
}
