#include "platform/mp3/Mp3Layout.h"

#include "platform/mp3/FileReader.h"
#include "platform/mp3/OtherAudioFormat.h"

#include <algorithm>
#include <cstring>

namespace mp3 {

namespace {

    // How far past the ID3v2 tags the first frame may lie; beyond that the file
    // is not taken for audio.
    constexpr std::int64_t kFirstFrameSearchBytes = 64 * 1024;
    // Frames in a row that make a run of audio rather than a chance match.
    constexpr int kFramesToTrust = 4;
    // The largest free-format frame a decoder takes, and the smallest that can
    // hold a header and side information.
    constexpr int kLargestFreeFormatFrame = 3456;
    constexpr int kSmallestFreeFormatFrame = 48;

    std::uint32_t bigEndian32(const std::uint8_t* p)
    {
        return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16)
            | (std::uint32_t(p[2]) << 8) | std::uint32_t(p[3]);
    }

    std::uint32_t littleEndian32(const std::uint8_t* p)
    {
        return (std::uint32_t(p[3]) << 24) | (std::uint32_t(p[2]) << 16)
            | (std::uint32_t(p[1]) << 8) | std::uint32_t(p[0]);
    }

    // Tags are looked at a stretch of the file at a time rather than one
    // header per read, so a file that opens with millions of chained empty
    // headers is passed in a few tens of milliseconds.
    constexpr std::int64_t kTagScanBytes = 64 * 1024;

    std::int64_t skipId3v2Tags(FileReader& file)
    {
        std::int64_t offset = 0;
        for (;;) {
            const std::int64_t span = std::min(kTagScanBytes, file.size() - offset);
            const std::uint8_t* bytes
                = span >= 10 ? file.bytesAt(offset, std::size_t(span)) : nullptr;
            if (!bytes)
                return offset;
            std::int64_t at = offset;
            while (at + 10 <= offset + span) {
                const std::uint8_t* tag = bytes + (at - offset);
                if (std::memcmp(tag, "ID3", 3) != 0 || tag[3] == 0xFF || tag[4] == 0xFF
                    || ((tag[6] | tag[7] | tag[8] | tag[9]) & 0x80))
                    return at;
                const std::int64_t body = (std::int64_t(tag[6]) << 21)
                    | (std::int64_t(tag[7]) << 14) | (std::int64_t(tag[8]) << 7)
                    | std::int64_t(tag[9]);
                const bool footer = tag[5] & 0x10;
                at += 10 + body + (footer ? 10 : 0);
            }
            offset = at;
        }
    }

    std::int64_t endBeforeTrailingTags(FileReader& file, std::int64_t start)
    {
        std::int64_t end = file.size();
        if (end - start >= 128) {
            if (const std::uint8_t* v1 = file.bytesAt(end - 128, 3);
                v1 && !std::memcmp(v1, "TAG", 3))
                end -= 128;
        }
        if (end - start >= 32) {
            const std::uint8_t* ape = file.bytesAt(end - 32, 32);
            if (ape && !std::memcmp(ape, "APETAGEX", 8)) {
                const std::int64_t size = littleEndian32(ape + 12);
                const bool hasHeader = littleEndian32(ape + 20) & 0x80000000u;
                const std::int64_t total = size + (hasHeader ? 32 : 0);
                if (total <= end - start)
                    end -= total;
            }
        }
        if (end - start >= 15) {
            const std::uint8_t* lyrics = file.bytesAt(end - 15, 15);
            if (lyrics && !std::memcmp(lyrics + 6, "LYRICS200", 9)) {
                std::int64_t size = 0;
                bool digits = true;
                for (int i = 0; i < 6; ++i) {
                    digits = digits && lyrics[i] >= '0' && lyrics[i] <= '9';
                    size = size * 10 + (lyrics[i] - '0');
                }
                if (digits && size + 15 <= end - start)
                    end -= size + 15;
            }
        }
        return end;
    }

    std::optional<InfoTag> readInfoTag(
        FileReader& file, std::int64_t offset, const MpegFrameHeader& header)
    {
        if (header.layer != 3)
            return std::nullopt;
        const std::uint8_t* frame = file.bytesAt(offset, std::size_t(header.frameBytes));
        if (!frame)
            return std::nullopt;
        // Decoders look for the tag right after the side information as if
        // no CRC came before it, and encoders that protect the frame put it
        // there; after the CRC is taken too.
        const auto isTag = [frame, &header](int at) {
            return at + 16 <= header.frameBytes
                && (std::memcmp(frame + at, "Xing", 4) == 0
                    || std::memcmp(frame + at, "Info", 4) == 0);
        };
        int at = MpegFrameHeader::kHeaderBytes + header.sideInfoBytes();
        if (!isTag(at) && !isTag(at += header.sideInfoOffset() - MpegFrameHeader::kHeaderBytes))
            return std::nullopt;
        const std::uint8_t* tag = frame + at;
        const std::uint32_t flags = bigEndian32(tag + 4);
        InfoTag info;
        int field = 8;
        if (flags & 0x1) {
            info.frames = bigEndian32(tag + field);
            field += 4;
        }
        if (flags & 0x2) {
            info.bytes = bigEndian32(tag + field);
            field += 4;
        }
        // Then the seek table and the quality, when present, and after them
        // an encoder's extension: the delay is the first 12 of the 24 bits at
        // its byte 21. Decoders take any extension that does not start with a
        // zero byte, whoever wrote it.
        field += (flags & 0x4 ? 100 : 0) + (flags & 0x8 ? 4 : 0);
        if (at + field + 24 <= header.frameBytes && tag[field] != 0)
            info.encoderDelay = (tag[field + 21] << 4) | (tag[field + 22] >> 4);
        return info;
    }

    // The unpadded size of the free-format frames of a stream whose first
    // frame starts at `offset`: the distance to the next header with the same
    // fixed bits that starts a run of such frames, less the first frame's
    // padding. 0 when there is none within the largest frame.
    int freeFormatSize(FileReader& file, std::int64_t offset, std::int64_t end)
    {
        const std::uint8_t* first = file.bytesAt(offset, 4);
        const auto parsed
            = first ? parseFrameHeader(first, kSmallestFreeFormatFrame) : std::nullopt;
        if (!parsed)
            return 0;
        std::uint8_t header[4];
        std::copy_n(first, 4, header);
        const int padding = parsed->paddingBytes();
        // The next header starts at most one largest frame (and the first
        // one's padding) on, and must be whole within the search.
        const std::int64_t searchEnd = std::min(
            end, offset + kLargestFreeFormatFrame + padding + MpegFrameHeader::kHeaderBytes);
        for (std::int64_t next = file.find(0xFF, offset + kSmallestFreeFormatFrame, searchEnd);
             next + 4 <= searchEnd; next = file.find(0xFF, next + 1, searchEnd)) {
            const std::uint8_t* bytes = file.bytesAt(next, 4);
            if (!bytes || !sameFixedBits(bytes, header))
                continue;
            const int size = int(next - offset) - padding;
            if (frameChainStartsAt(file, offset, end, nullptr, kFramesToTrust, size))
                return size;
        }
        return 0;
    }

} // namespace

std::int64_t gaplessTrimOf(const Mp3Layout& layout)
{
    // Layer III's synthesis and overlapping transforms put 529 samples of
    // their own before the first one that carries sound. Only layer III
    // frames carry an info tag.
    constexpr std::int64_t kDecoderDelay = 529;
    if (!layout.infoTag || !layout.infoTag->encoderDelay)
        return 0;
    return *layout.infoTag->encoderDelay + kDecoderDelay;
}

bool frameChainStartsAt(FileReader& file, std::int64_t offset, std::int64_t end,
    const MpegFrameHeader* sameStreamAs, int framesWanted, int freeFormatBytes)
{
    std::optional<MpegFrameHeader> stream;
    if (sameStreamAs)
        stream = *sameStreamAs;
    for (int found = 0; found < framesWanted; ++found) {
        if (offset == end && found > 0)
            return true;
        const std::uint8_t* bytes = file.bytesAt(offset, 4);
        if (!bytes || offset + 4 > end)
            return false;
        const auto header = parseFrameHeader(bytes, freeFormatBytes);
        if (!header || (stream && !header->sameStreamAs(*stream))
            || offset + header->frameBytes > end)
            return false;
        stream = header;
        offset += header->frameBytes;
    }
    return true;
}

std::optional<Mp3Layout> findMp3Layout(FileReader& file)
{
    Mp3Layout layout;
    layout.audioStart = skipId3v2Tags(file);
    if (layout.audioStart >= file.size() || startsOtherAudioFormat(file, layout.audioStart))
        return std::nullopt;
    layout.audioEnd = endBeforeTrailingTags(file, layout.audioStart);

    const std::int64_t searchEnd
        = std::min(layout.audioEnd, layout.audioStart + kFirstFrameSearchBytes);
    for (std::int64_t offset = file.find(0xFF, layout.audioStart, searchEnd);
         offset + 4 <= searchEnd; offset = file.find(0xFF, offset + 1, searchEnd)) {
        const std::uint8_t* bytes = file.bytesAt(offset, 4);
        if (!bytes)
            break;
        // A free-format header (bit rate index 0) tells no size of its own.
        const bool freeFormat = (bytes[2] & 0xF0) == 0;
        if (freeFormat && !parseFrameHeader(bytes, kSmallestFreeFormatFrame))
            continue;
        const int freeBytes = freeFormat ? freeFormatSize(file, offset, layout.audioEnd) : 0;
        if (freeFormat && freeBytes == 0)
            continue;
        bytes = file.bytesAt(offset, 4);
        const auto header = bytes ? parseFrameHeader(bytes, freeBytes) : std::nullopt;
        if (!header
            || !frameChainStartsAt(
                file, offset, layout.audioEnd, nullptr, kFramesToTrust, freeBytes))
            continue;
        layout.firstFrame = offset;
        layout.header = *header;
        layout.freeFormatBytes = freeBytes;
        layout.infoTag = readInfoTag(file, offset, *header);
        return layout;
    }
    return std::nullopt;
}

} // namespace mp3
