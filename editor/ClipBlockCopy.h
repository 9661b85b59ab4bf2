#pragma once

#include "editor/ClipSaveRange.h"

#include <cstdint>
#include <functional>
#include <stop_token>

class ClipSaveSource;
class ClipSaveTarget;

// The source's bytes of a clip, copied into the clip one block at a time:
// blocks start 4096 bytes apart and are one byte longer, so neighbours
// overlap by one byte. It waits on the disk, so the window runs it on a
// worker thread and shows its progress from there.
class ClipBlockCopy {
public:
    static constexpr std::int64_t kBlockStep = 4096;
    static constexpr std::int64_t kBlockSize = kBlockStep + 1;

    // The blocks of `range`, read from a source that held `sourceBytes` when
    // the save began and written into the clip after its first `headBytes`.
    ClipBlockCopy(ClipSaveSource& source, ClipSaveTarget& clip, const ClipSaveRange& range,
        std::int64_t sourceBytes, std::int64_t headBytes);

    // The count the progress reaches with the last block. A whole-file clip
    // counts 4096 a block against one block more than its span, so that the
    // count never quite reaches it before the last block; a clip of whole
    // frames counts the bytes it holds, its last block being shorter.
    std::int64_t fullCount() const;

    // Copies the blocks in order and hands the progress count to `copied`
    // after each. Returns early once `stop` is requested. Raises "Input past
    // end of file" when a read gives fewer bytes than the source held when
    // the save began (or none at the first block), and as ClipSaveSource and
    // ClipSaveTarget raise.
    void run(std::stop_token stop, const std::function<void(std::int64_t count)>& copied) const;

private:
    ClipSaveSource& source_;
    ClipSaveTarget& clip_;
    ClipSaveRange range_;
    // The last byte the source held of the clip when the save began. Only a
    // whole-file clip's last block may reach past the source.
    std::int64_t lastHeld_;
    std::int64_t headBytes_;
};
