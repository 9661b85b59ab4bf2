#pragma once

#include "platform/mp3/FileIdentity.h"
#include "platform/mp3/FrameLoudness.h"
#include "platform/mp3/FrameTable.h"

#include <chrono>
#include <filesystem>
#include <memory>

namespace mp3 {

// The frame tables of the files open on a device, so that cutting a file the
// device has walked needs no second walk. Whoever walked a file shares its
// table under the identity the file had before the walk, and keeps it alive
// for as long as it should be found: only a weak reference is kept here. The
// identity names the file whatever path reaches it. Safe to use from any
// thread.
void shareFrameTable(const FileIdentity& walked, const std::shared_ptr<const FrameTable>& table);

// The table shared for the file at `path`, or null when none is, when its
// owner let it go or when the file is no longer the one that was walked.
std::shared_ptr<const FrameTable> sharedFrameTable(const std::filesystem::path& path);
// The table shared under `identity`, or null.
std::shared_ptr<const FrameTable> sharedFrameTable(const FileIdentity& identity);

// The loudness of each frame of a file, kept beside its frame table by the
// same walk and shared the same way, so that a sketch of the file's sound
// needs no walk of its own.
void shareFrameLoudness(
    const FileIdentity& walked, const std::shared_ptr<const FrameLoudness>& loudness);
std::shared_ptr<const FrameLoudness> sharedFrameLoudness(const FileIdentity& identity);

// A walk over the file with `identity` under way, from construction to
// destruction: one who wants that file's table meanwhile can wait for it
// (waitForPendingWalk) rather than walk the file a second time.
class PendingWalk {
public:
    explicit PendingWalk(const FileIdentity& identity);
    ~PendingWalk();
    PendingWalk(const PendingWalk&) = delete;
    PendingWalk& operator=(const PendingWalk&) = delete;

private:
    FileIdentity identity_;
};

// Waits up to `most` for the walks pending for `identity` to end; true when
// none is pending any more, false when one still is.
bool waitForPendingWalk(const FileIdentity& identity, std::chrono::milliseconds most);

} // namespace mp3
