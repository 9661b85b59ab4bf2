#include "platform/mp3/ClipTags.h"

#include <algorithm>
#include <cstring>

namespace mp3 {

namespace {

    constexpr std::size_t kHeaderBytes = 10;

    std::uint32_t syncSafe(const std::uint8_t* p)
    {
        return (std::uint32_t(p[0] & 0x7F) << 21) | (std::uint32_t(p[1] & 0x7F) << 14)
            | (std::uint32_t(p[2] & 0x7F) << 7) | std::uint32_t(p[3] & 0x7F);
    }

    std::uint32_t bigEndian(const std::uint8_t* p, int bytes)
    {
        std::uint32_t value = 0;
        for (int i = 0; i < bytes; ++i)
            value = (value << 8) | p[i];
        return value;
    }

    void putSyncSafe(std::uint8_t* p, std::size_t value)
    {
        for (int i = 3; i >= 0; --i, value >>= 7)
            p[i] = std::uint8_t(value & 0x7F);
    }

    // The frames of one tag's body (after its header and any extended
    // header) without the length frames; false when a frame's size runs past
    // the body.
    bool keptFrames(int version, std::span<const std::uint8_t> body, std::vector<std::uint8_t>& out)
    {
        const std::size_t idBytes = version == 2 ? 3 : 4;
        const std::size_t frameHeader = version == 2 ? 6 : 10;
        std::size_t at = 0;
        while (at + frameHeader <= body.size() && body[at] != 0) {
            const std::uint8_t* frame = body.data() + at;
            const std::size_t size = version == 2 ? bigEndian(frame + 3, 3)
                : version == 3                    ? bigEndian(frame + 4, 4)
                                                  : syncSafe(frame + 4);
            if (size > body.size() - at - frameHeader)
                return false;
            const bool length = std::memcmp(frame, version == 2 ? "TLE" : "TLEN", idBytes) == 0;
            if (!length)
                out.insert(out.end(), frame, frame + frameHeader + size);
            at += frameHeader + size;
        }
        return true;
    }

} // namespace

std::vector<std::uint8_t> clipTagsOf(std::span<const std::uint8_t> tags)
{
    std::vector<std::uint8_t> out;
    std::size_t at = 0;
    while (at + kHeaderBytes <= tags.size()) {
        const std::uint8_t* tag = tags.data() + at;
        const int version = tag[3];
        if (std::memcmp(tag, "ID3", 3) != 0 || version < 2 || version > 4 || tag[4] == 0xFF
            || ((tag[6] | tag[7] | tag[8] | tag[9]) & 0x80))
            break;
        const std::uint8_t flags = tag[5];
        const bool footer = version == 4 && (flags & 0x10);
        const std::size_t bodyBytes = syncSafe(tag + 6);
        const std::size_t whole = kHeaderBytes + bodyBytes + (footer ? kHeaderBytes : 0);
        if (whole > tags.size() - at)
            break;
        std::vector<std::uint8_t> body(tag + kHeaderBytes, tag + kHeaderBytes + bodyBytes);
        // Versions 2.2 and 2.3 unsynchronise the tag as a whole: a 0xFF
        // byte is followed by a zero that is no part of the data.
        if (version < 4 && (flags & 0x80)) {
            std::size_t to = 0;
            for (std::size_t from = 0; from < body.size(); ++from) {
                body[to++] = body[from];
                if (body[from] == 0xFF && from + 1 < body.size() && body[from + 1] == 0)
                    ++from;
            }
            body.resize(to);
        }
        std::size_t skip = 0;
        if (version >= 3 && (flags & 0x40) && body.size() >= 4)
            skip = version == 3 ? bigEndian(body.data(), 4) + 4 : syncSafe(body.data());
        // Version 2.2's bit 0x40 means compression, which no reader takes.
        std::vector<std::uint8_t> frames;
        if (version == 2 && (flags & 0x40)) {
            at += whole;
            continue;
        }
        if (skip > body.size() || !keptFrames(version, std::span(body).subspan(skip), frames)) {
            out.insert(out.end(), tag, tag + whole);
            at += whole;
            continue;
        }
        // What the length frames took stays as padding, so the tag keeps its
        // size; a tag with a footer may have no padding.
        const std::size_t size = footer ? frames.size() : std::max(frames.size(), bodyBytes);
        const std::size_t head = out.size();
        out.insert(out.end(), tag, tag + kHeaderBytes);
        // Version 2.4 marks unsynchronisation frame by frame as well.
        out[head + 5] = std::uint8_t(flags & (version == 4 ? ~0x40 : ~0xC0));
        putSyncSafe(out.data() + head + 6, size);
        out.insert(out.end(), frames.begin(), frames.end());
        out.resize(out.size() + (size - frames.size()), 0);
        if (footer) {
            std::uint8_t closing[kHeaderBytes];
            std::copy_n(out.begin() + std::ptrdiff_t(head), kHeaderBytes, closing);
            std::memcpy(closing, "3DI", 3);
            out.insert(out.end(), closing, closing + kHeaderBytes);
        }
        at += whole;
    }
    return out;
}

} // namespace mp3
