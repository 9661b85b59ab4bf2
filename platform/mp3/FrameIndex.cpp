#include "platform/mp3/FrameIndex.h"

namespace mp3 {

void FrameIndex::addPoint(std::int64_t frame, std::int64_t offset)
{
    if (frame != step * std::int64_t(offsets.size()))
        return;
    if (offsets.size() == kMaxEntries) {
        for (std::size_t i = 0; i < offsets.size() / 2; ++i)
            offsets[i] = offsets[2 * i];
        offsets.resize(offsets.size() / 2);
        step *= 2;
        if ((frame & (step - 1)) != 0)
            return;
    }
    offsets.push_back(offset);
}

} // namespace mp3
