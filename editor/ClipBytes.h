#pragma once

#include "editor/ClipSaveRange.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

// What a clip holds for two marks: bytes made for it, then the source's
// bytes from `range`, block by block. The window's Save and the command
// line's cut both write this, so that the same marks give the same clip.
struct ClipBytes {
    std::vector<std::uint8_t> head;
    ClipSaveRange range;
};

// The ordinary clip (see clipSaveRange; no head), or with `exact` the clip
// that decodes to exactly the marked samples (see mp3::ExactClip). A file
// without MPEG frames has no exact clip and gets the ordinary one. Either is
// mapped on frames found and checked once (see ClipSaveSourceCheck, which
// also tells what `letEventsRun` is for).
ClipBytes clipBytesFor(int sourceFd, std::int64_t sourceBytes, std::int32_t lengthMs,
    std::int32_t startMs, std::int32_t endMs, bool exact,
    const std::function<void()>& letEventsRun = {});

class ClipSaveSource;

// Writes `bytes` of `source` into `clipName` with the window's block copy,
// without a window to show its progress: the head, then the range's source
// bytes up to the last block's end (never past `lastPosition` nor the
// source's end), into a temporary file that takes the clip's name once all is
// in. Raises as ClipBlockCopy and ClipSaveTarget do.
void writeClipBytes(ClipSaveSource& source, const QString& clipName, const ClipBytes& bytes);
