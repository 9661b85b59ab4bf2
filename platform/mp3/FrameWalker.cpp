#include "platform/mp3/FrameWalker.h"

#include "platform/mp3/FileReader.h"
#include "platform/mp3/FrameLoudness.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <fstream>
#include <limits>
#include <optional>
#include <system_error>
#include <thread>

namespace mp3 {

namespace {

    // Frames in a row that confirm a resync after damage.
    constexpr int kFramesToResync = 3;
    constexpr std::int64_t kFramesBetweenStopChecks = 4096;
    // Frames a walk in two halves walks between looks at whether the second
    // half has ended.
    constexpr std::int64_t kFramesBetweenLooksAtTail = 256;
    // Bytes searched for a frame between two checks for a stop request; also
    // what a reader that cannot map the file must hold at once.
    constexpr std::int64_t kBytesBetweenStopChecks = 60 * 1024;

    // The bits of the second and third header bytes that every frame of a
    // stream shares (sync, version, layer; sample rate), as a mask and value.
    struct StreamBits {
        std::uint8_t second = 0;
        std::uint8_t rate = 0;
    };

    StreamBits streamBitsOf(const MpegFrameHeader& header)
    {
        const int versionBits = header.version == MpegFrameHeader::Version::Mpeg1 ? 3
            : header.version == MpegFrameHeader::Version::Mpeg2                   ? 2
                                                                                  : 0;
        const int scale = versionBits == 3 ? 1 : versionBits == 2 ? 2 : 4;
        const int base = header.sampleRate * scale;
        const int rateIndex = base == 44100 ? 0 : base == 48000 ? 1 : 2;
        return { std::uint8_t(0xE0 | (versionBits << 3) | ((4 - header.layer) << 1)),
            std::uint8_t(rateIndex << 2) };
    }

    // The test a resync makes at every 0xFF byte before it tries a chain: a
    // few bit tests, no call, so that a stretch of anything costs about what
    // reading it does.
    bool mayStartFrame(const std::uint8_t* bytes, StreamBits stream)
    {
        return (bytes[1] & 0xFE) == stream.second && (bytes[2] & 0xF0) != 0xF0
            && (bytes[2] & 0x0C) == stream.rate;
    }

    // Where the run of 0xFF bytes that goes on at `bytes` ends, at most `end`.
    const std::uint8_t* endOfFFRun(const std::uint8_t* bytes, const std::uint8_t* end)
    {
        constexpr std::uint64_t kAllOnes = ~std::uint64_t(0);
        while (end - bytes >= 8) {
            std::uint64_t word;
            std::memcpy(&word, bytes, 8);
            if (word != kAllOnes)
                break;
            bytes += 8;
        }
        while (bytes < end && *bytes == 0xFF)
            ++bytes;
        return bytes;
    }

    // The next offset at or after `from` where a run of frames of the stream
    // starts, or `end` when there is none before `end`, within kLongestGap of
    // `from`, or before a stop is requested. Linear in the bytes passed over,
    // whatever they are: a chain is tried only where a header of the stream
    // could start, and a run of 0xFF bytes (where none can) is passed at once.
    std::int64_t resync(FileReader& file, std::int64_t from, std::int64_t end,
        const Mp3Layout& layout, const std::stop_token& stop)
    {
        const StreamBits stream = streamBitsOf(layout.header);
        const std::int64_t limit = std::min(end, from + kLongestGap);
        std::int64_t offset = from;
        while (offset + 4 <= limit && !stop.stop_requested()) {
            // The stretch's candidates and the three bytes that finish the last.
            const std::int64_t stretchEnd = std::min(limit, offset + kBytesBetweenStopChecks);
            const std::int64_t readEnd = std::min(end, stretchEnd + 3);
            const std::uint8_t* bytes = file.bytesAt(offset, std::size_t(readEnd - offset));
            if (!bytes)
                return end;
            const std::uint8_t* const last = bytes + (readEnd - offset) - 4;
            const std::uint8_t* at = bytes;
            while (at <= last) {
                at = static_cast<const std::uint8_t*>(
                    std::memchr(at, 0xFF, std::size_t(last - at + 1)));
                if (!at)
                    break;
                if (mayStartFrame(at, stream)) {
                    const std::int64_t candidate = offset + (at - bytes);
                    if (frameChainStartsAt(file, candidate, end, &layout.header, kFramesToResync,
                            layout.freeFormatBytes))
                        return candidate;
                    // The chain looked elsewhere in the file.
                    bytes = file.bytesAt(offset, std::size_t(readEnd - offset));
                    at = bytes + (candidate - offset);
                } else if (at[1] == 0xFF && at[2] == 0xFF) {
                    // No header starts two bytes or more before the run's end.
                    at = std::max(at + 1, endOfFFRun(at + 3, bytes + (readEnd - offset)) - 2);
                    continue;
                }
                ++at;
            }
            offset = stretchEnd;
        }
        return end;
    }

} // namespace

namespace {

    // What a walk needs of one kind of frame of the stream, worked out once.
    struct FrameShape {
        MpegFrameHeader header;
        int mainDataBytes = 0;
        // Where main_data_begin lies: the two bytes at this offset read
        // big-endian, shifted right and masked (a mask of 0 for the layers
        // without a reservoir).
        int reservoirAt = 0;
        int reservoirShift = 0;
        int reservoirMask = 0;
        // Bytes of the frame that its loudness byte is read from; its reader
        // is null when the frame is not layer III or too short to hold them.
        int loudnessBytes = 0;
        FrameLoudnessReader loudness = nullptr;
    };

    // Bytes from a frame's start that a walk reads at once: its header, CRC,
    // side information and what its loudness reader reads past them.
    constexpr std::size_t kFrameStartBytes
        = MpegFrameHeader::kHeaderBytes + MpegFrameHeader::kCrcBytes + 32 + 2;

    // Reads the headers of one stream. Once the bits every frame of the
    // stream shares are checked, the rest of a header that matters (bit rate,
    // padding, CRC, mono) takes one of 128 values, each parsed the first time
    // it is met: most headers then cost a few bit tests and a table look-up.
    class HeaderReader {
    public:
        HeaderReader(const MpegFrameHeader& stream, int freeFormatBytes)
            : freeFormatBytes_(freeFormatBytes)
        {
            // The shared bits as a mask and value over the header's first
            // three bytes read as one word, in the machine's byte order.
            const StreamBits bits = streamBitsOf(stream);
            const std::uint8_t mask[4] = { 0xFF, 0xFE, 0x0C, 0 };
            const std::uint8_t value[4] = { 0xFF, bits.second, bits.rate, 0 };
            std::memcpy(&streamMask_, mask, 4);
            std::memcpy(&streamValue_, value, 4);
        }

        // The shape of the frame whose header is at `bytes`, or null when
        // there is no header of the stream there.
        const FrameShape* read(const std::uint8_t* bytes)
        {
            std::uint32_t word;
            std::memcpy(&word, bytes, 4);
            if ((word & streamMask_) != streamValue_)
                return nullptr;
            // Bit rate index and padding, CRC, mono.
            const unsigned kind = (unsigned(bytes[2] & 0xF0) >> 1)
                | (unsigned(bytes[2] & 0x02) << 1) | (unsigned(bytes[1] & 0x01) << 1)
                | unsigned((bytes[3] & 0xC0) == 0xC0);
            Slot& slot = slots_[kind];
            if (slot.state == Slot::Unknown)
                fill(slot, bytes);
            return slot.state == Slot::Usable ? &slot.shape : nullptr;
        }

    private:
        struct Slot {
            enum State : std::uint8_t { Unknown, Usable, Unusable } state = Unknown;
            FrameShape shape;
        };

        void fill(Slot& slot, const std::uint8_t* bytes) const
        {
            // A bad bit rate index, or free format in a stream of fixed rate.
            const auto header = parseFrameHeader(bytes, freeFormatBytes_);
            if (!header) {
                slot.state = Slot::Unusable;
                return;
            }
            slot.shape.header = *header;
            slot.shape.mainDataBytes = header->mainDataBytes();
            if (header->layer == 3) {
                const bool mpeg1 = header->version == MpegFrameHeader::Version::Mpeg1;
                slot.shape.reservoirAt = header->sideInfoOffset();
                slot.shape.reservoirShift = mpeg1 ? 7 : 8;
                slot.shape.reservoirMask = mpeg1 ? 0x1FF : 0xFF;
                slot.shape.loudnessBytes = loudnessBytesRead(*header);
                if (header->frameBytes >= slot.shape.loudnessBytes)
                    slot.shape.loudness = frameLoudnessReaderFor(*header);
            }
            slot.state = Slot::Usable;
        }

        std::uint32_t streamMask_ = 0;
        std::uint32_t streamValue_ = 0;
        int freeFormatBytes_;
        std::array<Slot, 128> slots_ {};
    };

    // reservoirBytes, from what was worked out for the frame's kind; `bytes`
    // holds the frame's first eight bytes.
    int reservoirOf(const std::uint8_t* bytes, const FrameShape& shape)
    {
        const std::uint8_t* at = bytes + shape.reservoirAt;
        return ((at[0] << 8 | at[1]) >> shape.reservoirShift) & shape.reservoirMask;
    }

    // Whether the frame after the one at `offset` has another channel count. A
    // decoder passes over a first frame like that unheard, taking the change
    // for a false sync, and tries the next as its first; further on it plays
    // such a frame.
    bool channelsChangeAfter(FileReader& file, HeaderReader& headers, const FrameShape& shape,
        std::int64_t offset, std::int64_t end)
    {
        const std::int64_t next = offset + shape.header.frameBytes;
        const std::uint8_t* bytes = next + 4 <= end ? file.bytesAt(next, 4) : nullptr;
        const FrameShape* nextShape = bytes ? headers.read(bytes) : nullptr;
        return nextShape && nextShape->header.mono != shape.header.mono;
    }

    // The first bytes of a frame, as many as could be read at once.
    struct FrameStart {
        const std::uint8_t* bytes = nullptr;
        std::size_t available = 0;
    };

    // Where a walk starts: at the file's first audio frame, where a first
    // frame that decoders pass over unheard is passed over too, or at a frame
    // further on, which is simply the first the walk sees.
    struct WalkStart {
        std::int64_t offset = 0;
        bool fileStart = true;
    };

    // Calls visit(frame, shape, start) for each frame; see visitFrames.
    template <class Visit>
    FrameRun walkWith(FileReader& file, const Mp3Layout& layout, WalkStart from, const Visit& visit,
        const std::stop_token& stop)
    {
        FrameRun run;
        const std::int64_t end = layout.audioEnd;
        std::int64_t offset = from.offset;
        run.audioEnd = offset;
        bool startsRun = true;
        HeaderReader headers(layout.header, layout.freeFormatBytes);
        while (offset + 4 <= end) {
            if (run.audioFrames % kFramesBetweenStopChecks == 0 && stop.stop_requested())
                return run;
            file.readingAt(offset);
            // The header and what follows it up to the reservoir's size, and
            // mostly on to the end of the loudness a walk reads.
            std::size_t available = kFrameStartBytes;
            const std::uint8_t* bytes = file.bytesAt(offset, available);
            for (const std::size_t fewer : { std::size_t(8), std::size_t(4) }) {
                if (bytes)
                    break;
                available = fewer;
                bytes = file.bytesAt(offset, available);
            }
            if (!bytes)
                break;
            const bool eightBytes = available >= 8;
            const FrameShape* shape = headers.read(bytes);
            if (!shape) {
                offset = resync(file, offset + 1, end, layout, stop);
                startsRun = true;
                if (stop.stop_requested())
                    return run;
                continue;
            }
            const int frameBytes = shape->header.frameBytes;
            if (offset + frameBytes > end)
                break; // a frame cut off at the end holds no audio that can be decoded
            const int reservoir = eightBytes ? reservoirOf(bytes, *shape) : 0;
            if (from.fileStart && run.audioFrames == 0) {
                if (channelsChangeAfter(file, headers, *shape, offset, end)) {
                    offset += frameBytes;
                    continue;
                }
                // The look at the next frame may have moved a reader's window.
                bytes = file.bytesAt(offset, available);
            }
            const bool more
                = visit(FrameSeen { run.audioFrames, offset, shape->header, startsRun, reservoir },
                    *shape, FrameStart { bytes, available });
            startsRun = false;
            ++run.audioFrames;
            offset += frameBytes;
            run.audioEnd = offset;
            if (!more)
                return run;
        }
        run.complete = true;
        return run;
    }

    // Keeps what a walk meets of each frame: the table and the loudness, in
    // room made ahead of the walk for as many frames as the audio from where
    // the walk starts holds at the first frame's size. When the frames turn
    // out smaller (a variable bit rate that starts high), it makes room for
    // the rest at their average size so far: the lists are copied once at
    // most, not at every doubling of their room. Never more at once than a
    // long file has: a file of mostly holes or damage would ask for more
    // memory than the machine has, and its frames are far fewer.
    class FrameRecorder {
    public:
        FrameRecorder(const Mp3Layout& layout, std::int64_t from)
            : layout_(layout)
            , from_(from)
            , layer3_(layout.header.layer == 3)
        {
            const std::int64_t audioBytes = std::max<std::int64_t>(0, layout.audioEnd - from);
            const int unpaddedBytes
                = std::max(1, layout.header.frameBytes - layout.header.paddingBytes());
            makeRoom(std::size_t(audioBytes / unpaddedBytes + 1));
        }

        void record(
            FileReader& file, const FrameSeen& frame, const FrameShape& shape, FrameStart start)
        {
            if (std::size_t(frame.number) == room_) [[unlikely]]
                makeMoreRoom(frame);
            table.add(frame.offset, frame.header, shape.mainDataBytes, frame.startsRun,
                frame.reservoirBytes);
            if (!layer3_)
                return;
            std::uint8_t frameLoudness = 0;
            if (shape.loudness) {
                // Read with the header but for a frame at the very end of the file.
                const std::uint8_t* bytes = start.available >= std::size_t(shape.loudnessBytes)
                    ? start.bytes
                    : file.bytesAt(frame.offset, std::size_t(shape.loudnessBytes));
                frameLoudness = bytes ? shape.loudness(bytes) : 0;
            }
            loudness.push_back(frameLoudness);
        }

        FrameTable table;
        // Empty but for layer III.
        std::vector<std::uint8_t> loudness;

    private:
        static constexpr std::size_t kMostFramesReservedAtOnce = std::size_t(1) << 22;

        void makeRoom(std::size_t frames)
        {
            room_ = std::min(frames, room_ + kMostFramesReservedAtOnce);
            table.reserve(room_);
            if (layer3_)
                loudness.reserve(room_);
        }

        void makeMoreRoom(const FrameSeen& frame)
        {
            if (frame.offset <= from_)
                return;
            const std::int64_t averageBytes
                = std::max<std::int64_t>(1, (frame.offset - from_) / frame.number);
            const auto rest = std::size_t((layout_.audioEnd - frame.offset) / averageBytes);
            makeRoom(room_ + rest + rest / 8 + 16);
        }

        const Mp3Layout& layout_;
        std::int64_t from_;
        bool layer3_;
        std::size_t room_ = 0;
    };

    // While two threads walk a file at once, each lets go of the pages it
    // passed this far behind it, in steps as long: every release stops the
    // other thread, and at 256 KiB a step the two spent a third of their time
    // on that. Twice that halves it for half a MiB more resident; further
    // steps gain less for more.
    constexpr std::int64_t kResidentBehindTwoWalks = 512 << 10;

    // Keeps a reader's pages resident further behind it while it lasts.
    class ResidentFurtherBehind {
    public:
        explicit ResidentFurtherBehind(FileReader& file)
            : file_(file)
            , before_(file.residentBehind())
        {
            file.keepResidentBehind(std::max(before_, kResidentBehindTwoWalks));
        }
        ~ResidentFurtherBehind() { file_.keepResidentBehind(before_); }
        ResidentFurtherBehind(const ResidentFurtherBehind&) = delete;
        ResidentFurtherBehind& operator=(const ResidentFurtherBehind&) = delete;

    private:
        FileReader& file_;
        std::int64_t before_;
    };

    // The audio from a split on, walked on a thread of its own from the first
    // run of frames there, as though the file began with it: its frame 0 is
    // that run's first, and the rule for a file's very first frame does not
    // apply. The thread inherits the priority of the one that starts it, so
    // it stands back for the window exactly when that one does.
    class TailWalk {
    public:
        struct Walked {
            FrameTable table;
            std::vector<std::uint8_t> loudness;
            FrameRun run;
            bool truncated = false;
        };

        TailWalk(int fd, const Mp3Layout& layout, std::int64_t from, const std::stop_token& stop)
            : end_(layout.audioEnd)
            , thread_([this, fd, &layout, from](
                          std::stop_token ownStop) { walk(fd, layout, from, ownStop); })
            , forwardStop_(stop, RequestStop { &thread_ })
        {
        }

        // Where the tail's first frame lies, once the tail has found it; the
        // end of the audio when it found none.
        std::int64_t firstFrameOffset() const
        {
            first_.wait(kNotYet);
            return first_.load();
        }

        bool hasEnded() const { return ended_.load(std::memory_order_acquire); }

        // What the tail found, once it has ended; null when it could not
        // walk at all.
        const Walked* finished()
        {
            if (thread_.joinable())
                thread_.join();
            return walked_ ? &*walked_ : nullptr;
        }

    private:
        static constexpr std::int64_t kNotYet = -1;

        struct RequestStop {
            std::jthread* thread;
            void operator()() const { thread->request_stop(); }
        };

        void walk(int fd, const Mp3Layout& layout, std::int64_t from, const std::stop_token& stop)
        {
            try {
                FileReader file(fd);
                const ResidentFurtherBehind twoWalks(file);
                if (file.isOpen()) {
                    const std::int64_t first = resync(file, from, end_, layout, stop);
                    FrameRecorder recorder(layout, first);
                    Walked walked;
                    walked.run = walkWith(
                        file, layout, WalkStart { first, false },
                        [&](const FrameSeen& frame, const FrameShape& shape, FrameStart start) {
                            if (frame.number == 0)
                                tell(frame.offset);
                            recorder.record(file, frame, shape, start);
                            return true;
                        },
                        stop);
                    walked.table = std::move(recorder.table);
                    walked.loudness = std::move(recorder.loudness);
                    walked.truncated = file.truncated();
                    walked_ = std::move(walked);
                }
            } catch (...) {
                // Out of memory, say: the walk from the start goes on alone.
                walked_.reset();
            }
            tell(end_);
            ended_.store(true, std::memory_order_release);
        }

        // Tells the walk from the start where the tail's first frame lies,
        // unless it was told already.
        void tell(std::int64_t offset)
        {
            std::int64_t unknown = kNotYet;
            if (first_.compare_exchange_strong(unknown, offset))
                first_.notify_all();
        }

        const std::int64_t end_;
        std::atomic<std::int64_t> first_ { kNotYet };
        std::atomic<bool> ended_ { false };
        std::optional<Walked> walked_;
        std::jthread thread_;
        // A stop of the whole walk stops the tail's too.
        std::stop_callback<RequestStop> forwardStop_;
    };

    // Notes the seek points of frames [from, to) of the table, stepping from
    // one to the next rather than visiting every frame.
    void addSeekPoints(
        FrameIndex& index, const FrameTable& table, std::int64_t from, std::int64_t to)
    {
        for (std::int64_t frame = from; frame < to; ++frame) {
            // The step may grow as points are added.
            frame = (frame + index.step - 1) & ~(index.step - 1);
            if (frame >= to)
                break;
            index.add(frame, table[std::size_t(frame)].offset);
        }
    }

    // Whether a processor has nothing to run at this moment, by the kernel's
    // count of threads ready to run (this one among them). A second thread
    // walks in less time only on a processor of its own: sharing one, it
    // leaves the walk as slow as one thread's, plus what the split costs.
    bool aProcessorIsIdle()
    {
        const unsigned processors = std::thread::hardware_concurrency();
        if (processors < 2)
            return false;
        std::ifstream loadFigures("/proc/loadavg");
        double lastMinute = 0, lastFive = 0, lastFifteen = 0;
        unsigned readyToRun = 0;
        if (!(loadFigures >> lastMinute >> lastFive >> lastFifteen >> readyToRun))
            return true;
        return readyToRun < processors;
    }

} // namespace

WalkSplit WalkSplit::inHalves(const Mp3Layout& layout, std::int64_t leastAudioBytes)
{
    const std::int64_t audioBytes = layout.audioEnd - layout.firstAudioFrame();
    if (audioBytes < leastAudioBytes || !aProcessorIsIdle())
        return {};
    return { layout.firstAudioFrame() + audioBytes / 2 };
}

FrameRun visitFrames(
    FileReader& file, const Mp3Layout& layout, const FrameVisitor& visit, std::stop_token stop)
{
    return walkWith(
        file, layout, WalkStart { layout.firstAudioFrame() },
        [&](const FrameSeen& frame, const FrameShape&, FrameStart) { return visit(frame); }, stop);
}

FrameWalk walkFrames(
    FileReader& file, const Mp3Layout& layout, std::stop_token stop, WalkSplit split)
{
    constexpr std::int64_t kNever = std::numeric_limits<std::int64_t>::max();
    // Started first, so that its thread starts while this one makes room.
    std::optional<TailWalk> tail;
    try {
        if (split.at && *split.at < layout.audioEnd)
            tail.emplace(file.fd(), layout, *split.at, stop);
    } catch (const std::system_error&) {
        // No thread to be had: one walks it all.
    }
    std::optional<ResidentFurtherBehind> twoWalks;
    if (tail)
        twoWalks.emplace(file);
    FrameWalk walk;
    FrameRecorder head(layout, layout.firstAudioFrame());
    // Until this walk meets the tail's first frame, it looks out for it from
    // the split on. Once on it, it walks on beside the tail until their
    // tables agree, and from there on takes over the tail's frames as soon as
    // the tail has ended: a tail held up on a busy machine is overtaken
    // rather than waited for.
    const auto walkOnAlone = [&] {
        tail.reset();
        twoWalks.reset();
    };
    std::int64_t lookOutFrom = tail ? *split.at : kNever;
    std::int64_t tailStartFrame = kNever;
    std::int64_t lookAtTailFrom = kNever;
    const TailWalk::Walked* takenOver = nullptr;
    std::size_t takenFrom = 0;
    FrameRun run = walkWith(
        file, layout, WalkStart { layout.firstAudioFrame() },
        [&](const FrameSeen& frame, const FrameShape& shape, FrameStart start) {
            if (frame.offset >= lookOutFrom || frame.number == lookAtTailFrom) [[unlikely]] {
                if (tailStartFrame == kNever) {
                    const std::int64_t tailStart = tail->firstFrameOffset();
                    lookOutFrom = frame.offset < tailStart ? tailStart : kNever;
                    if (frame.offset == tailStart) {
                        tailStartFrame = frame.number;
                        lookAtTailFrom = frame.number + std::int64_t(FrameTable::kFramesToAgree);
                    } else if (frame.offset > tailStart) {
                        walkOnAlone(); // not one of the tail's frames
                    }
                } else if (split.waitForTail || tail->hasEnded()) {
                    lookAtTailFrom = kNever;
                    const TailWalk::Walked* walked = tail->finished();
                    const auto frameOfTail = std::size_t(frame.number - tailStartFrame);
                    if (walked && walked->run.complete && walked->table.size() > frameOfTail
                        && walked->table[frameOfTail].offset == frame.offset) {
                        takenOver = walked;
                        takenFrom = frameOfTail;
                        return false;
                    }
                    walkOnAlone();
                } else {
                    lookAtTailFrom += kFramesBetweenLooksAtTail;
                }
            }
            walk.index.add(frame.number, frame.offset);
            head.record(file, frame, shape, start);
            return true;
        },
        stop);
    walk.table = std::move(head.table);
    walk.loudness = std::move(head.loudness);
    bool truncated = file.truncated();
    if (takenOver) {
        const auto headFrames = std::int64_t(walk.table.size());
        walk.table.append(takenOver->table, takenFrom);
        if (!takenOver->loudness.empty())
            walk.loudness.insert(walk.loudness.end(),
                takenOver->loudness.begin() + std::ptrdiff_t(takenFrom), takenOver->loudness.end());
        run.audioFrames = std::int64_t(walk.table.size());
        run.audioEnd = takenOver->run.audioEnd;
        run.complete = takenOver->run.complete;
        walk.tailFrames = run.audioFrames - headFrames;
        addSeekPoints(walk.index, walk.table, headFrames, run.audioFrames);
        truncated = truncated || takenOver->truncated;
    }
    walk.table.finish(run.complete, run.audioEnd, layout, file.size());
    if (walk.loudness.size() < walk.loudness.capacity() / 2)
        walk.loudness.shrink_to_fit();
    walk.audioFrames = run.audioFrames;
    // A file cut short under the walk read as zeros past its new end.
    walk.complete = run.complete && !truncated;
    return walk;
}

} // namespace mp3
