#include "platform/mp3/FirstFramesRebuild.h"

#include "platform/mp3/FrameBuilding.h"
#include "platform/mp3/MpegFrameHeader.h"

#include <algorithm>
#include <array>

namespace mp3 {

namespace {

    // The bytes after a layer III frame's side information, where coded
    // sound lies; empty for anything else.
    std::span<const std::uint8_t> mainDataArea(std::span<const std::uint8_t> frame)
    {
        if (frame.size() < 4)
            return {};
        // Any size will do for a free-format header: the span tells it.
        const auto header = parseFrameHeader(frame.data(), int(frame.size()));
        if (!header || header->layer != 3)
            return {};
        const auto start = std::size_t(header->sideInfoOffset() + header->sideInfoBytes());
        return start < frame.size() ? frame.subspan(start) : std::span<const std::uint8_t> {};
    }

} // namespace

std::optional<std::vector<std::uint8_t>> reservoirCarrier(
    std::span<const std::span<const std::uint8_t>> earlierFrames,
    std::span<const std::uint8_t> firstFrame, bool silenceWanted)
{
    if (firstFrame.size() < 4)
        return std::nullopt;
    // A free-format frame's size is the span's.
    const auto first = parseFrameHeader(firstFrame.data(), int(firstFrame.size()));
    if (!first || first->layer != 3
        || firstFrame.size() < std::size_t(first->sideInfoOffset() + first->sideInfoBytes()))
        return std::nullopt;
    const int freeFormatBytes
        = first->freeFormat ? int(firstFrame.size()) - first->paddingBytes() : 0;
    const int reach = reservoirBytes(firstFrame.data(), *first);
    if (reach == 0 && !silenceWanted)
        return std::vector<std::uint8_t> {};

    // The carrier keeps the stream's CRC protection, so that every frame of
    // the clip is alike in that.
    std::array<std::uint8_t, 4> headerBytes {};
    const auto header = headerWithRoom(
        firstFrame.first(4), reach, first->crcProtected, headerBytes, freeFormatBytes);
    if (!header)
        return std::nullopt;
    std::vector<std::uint8_t> carrier = silentFrame(*header, headerBytes);
    // The reservoir's bytes, last first, from the end of the frames before.
    auto to = carrier.end();
    int missing = reach;
    for (auto frame = earlierFrames.rbegin(); frame != earlierFrames.rend() && missing > 0;
         ++frame) {
        const auto area = mainDataArea(*frame);
        const auto take = std::min<std::size_t>(area.size(), std::size_t(missing));
        to = std::copy_backward(area.end() - std::ptrdiff_t(take), area.end(), to);
        missing -= int(take);
    }
    return carrier;
}

std::optional<std::vector<std::uint8_t>> reservoirCarrierAtEndOf(
    std::span<const std::uint8_t> frames, bool silenceWanted)
{
    std::vector<std::span<const std::uint8_t>> whole;
    std::size_t at = 0;
    while (at + 4 <= frames.size()) {
        const auto header = parseFrameHeader(frames.data() + at);
        if (!header || header->frameBytes <= 0
            || std::size_t(header->frameBytes) > frames.size() - at)
            break;
        whole.push_back(frames.subspan(at, std::size_t(header->frameBytes)));
        at += std::size_t(header->frameBytes);
    }
    if (whole.empty())
        return std::nullopt;
    const auto first = whole.back();
    whole.pop_back();
    return reservoirCarrier(whole, first, silenceWanted);
}

} // namespace mp3
