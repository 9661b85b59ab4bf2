#pragma once

#include <QString>
#include <cstdint>

// The source bytes a save copies for the two marks, as positions counting
// from 1. Blocks start at `startOffset` and run up to the one that holds
// `endOffset`; no byte past `lastByte` goes into the clip.
struct ClipSaveRange {
    std::int32_t startOffset = 0;
    std::int32_t endOffset = 0;
    std::int64_t lastByte = 0;
};

// Maps the marks to bytes where the audio of those moments lies. A file of one
// bit rate throughout maps linearly over its audio bytes, with one whole number
// of bytes per millisecond of `lengthMs`; a file whose bit rate varies maps each
// mark to the frame that holds it, the start mark to the earliest frame holding
// part of that frame's sound; a file without MPEG frames maps linearly over all
// of its bytes. Raises Overflow or DivisionByZero as the arithmetic demands.
ClipSaveRange clipSaveRange(const QString& sourcePath, std::int64_t sourceBytes,
    std::int32_t lengthMs, std::int32_t startMs, std::int32_t endMs);
