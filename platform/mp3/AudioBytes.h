#pragma once

#include "platform/mp3/FileIdentity.h"
#include "platform/mp3/Mp3Layout.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <stop_token>

namespace mp3 {

class FileReader;
class FrameTable;

// Where the sound between two moments lies among the bytes of an MP3 file.
// Moments are milliseconds on the timeline the device plays and reports: the
// samples a gapless decoder trims from the start do not count. Offsets count
// from 0; every end is one past the last byte.
struct AudioBytes {
    // The file is bare (see FrameTable::bare): its bytes grow in step with
    // time from its first byte to its last, and the other fields are unset.
    bool bare = false;
    // The first byte of the frame holding the start moment, stepped back over
    // the frames a decoder needs to give that frame's sound whole (see
    // FrameTable::Frame::stepBack): a copy that began later would decode it,
    // and often several after it, to silence or noise. Stepped back further,
    // or else forward, off a frame that a decoder would pass over unheard as
    // the first of a stream.
    std::int64_t start = 0;
    // The end of the frame whose sound completes the end moment.
    std::int64_t end = 0;
    // The end of the last frame of the run that frame belongs to: bytes past
    // it are a tag, damage or another stream, which a clip leaves out.
    std::int64_t runEnd = 0;
};

// Maps two moments to the frames of `table`. A start past the last frame
// maps every field to the end of the audio; an end past it to the last frame.
// With the `file` the table lists, the clip also begins on a frame that a
// decoder takes as a first frame without a warning.
AudioBytes audioBytesOf(
    const FrameTable& table, std::int64_t startMs, std::int64_t endMs, FileReader* file = nullptr);

// The frames of a file, as FrameTableLookup found them.
struct FoundFrameTable {
    // Null when the file holds no MPEG audio frames, or the lookup was
    // stopped before it found them.
    std::shared_ptr<const FrameTable> table;
    // Listed by a walk of the lookup's own: the device had none for this very
    // file (it never opened it, or the file has changed since).
    bool walked = false;
};

// Finds the frames of the file `file` reads, once for every mapping of
// moments on it: those the device listed when it opened this very file
// (same identity), or else a walk of its own over what `file` reads. A walk
// of the device's over the same file still under way is waited for, not
// repeated. `file` must outlive the lookup.
class FrameTableLookup {
public:
    // Looks at the file at once: its identity, and where its frames lie.
    explicit FrameTableLookup(FileReader& file);

    // Where the frames lie; nothing when the file holds no MPEG audio.
    const std::optional<Mp3Layout>& layout() const { return layout_; }
    // Whether find() would wait, for the device's walk of this file or for a
    // walk of its own; a caller that must keep answering runs it on another
    // thread then.
    bool waits() const;
    // The frames. Blocks while it waits; a stop request ends the wait, and a
    // walk of its own, at once, and gives no table.
    FoundFrameTable find(std::stop_token stop = {});

private:
    FileReader& file_;
    std::optional<FileIdentity> identity_;
    std::optional<Mp3Layout> layout_;
};

// The frames of `path` or of the file open on `fd`, found as above. Null
// when it holds no MPEG audio frames.
std::shared_ptr<const FrameTable> frameTableOf(const std::filesystem::path& path);
std::shared_ptr<const FrameTable> frameTableOf(int fd);

// How long the audio listed in `table` plays, in whole milliseconds: every
// frame's samples less those a gapless decoder trims from the start.
std::int64_t audioMsOf(const FrameTable& table);

// The moments mapped on `table`, the frames `file` reads (see audioBytesOf);
// only `bare` is set for a bare file.
AudioBytes audioBytesIn(
    const FrameTable& table, FileReader& file, std::int64_t startMs, std::int64_t endMs);
// The moments mapped on the frames of `path`, found as above. Nothing when
// the file holds no MPEG audio frames.
std::optional<AudioBytes> findAudioBytes(
    const std::filesystem::path& path, std::int64_t startMs, std::int64_t endMs);

} // namespace mp3
