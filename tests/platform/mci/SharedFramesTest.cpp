// Save finds its byte positions in the frames the device listed when it
// opened the file, and only while that is still the file: the answer is the
// one a walk of its own would give, gapless trim and all.

#include "MciSession.h"

#include "platform/mci/Mp3File.h"
#include "platform/mp3/AudioBytes.h"
#include "platform/mp3/SharedFrameTables.h"

#include <thread>

namespace {

// Waits for the table of `file` to be shared, as the seek index's walk may
// still be going on.
std::shared_ptr<const mp3::FrameTable> sharedSoon(const std::filesystem::path& file)
{
    for (int wait = 0; wait < 200; ++wait) {
        if (auto shared = mp3::sharedFrameTable(file))
            return shared;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return nullptr;
}

TEST(SharedFramesTest, MappingUsesTheOpenDevicesFramesWhileTheFileIsUnchanged)
{
    mcitest::TempDir dir;
    // Without an info frame the open walks the frames itself; with one a
    // thread of the seek index does, after the open.
    for (const char* fixture : { "vbr_noinfo_10s.mp3", "vbr_info_10s.mp3" }) {
        SCOPED_TRACE(fixture);
        const auto file = dir / fixture;
        std::filesystem::copy_file(fixtures::path(fixture), file);
        const auto ownWalk = mp3::findAudioBytes(file, 2'345, 6'789);
        ASSERT_TRUE(ownWalk);
        EXPECT_EQ(mp3::sharedFrameTable(file), nullptr);

        auto opened = mci::openMp3File(file);
        ASSERT_TRUE(std::holds_alternative<mci::Mp3File>(opened));
        const auto shared = sharedSoon(dir / "." / fixture);
        ASSERT_NE(shared, nullptr);
        const auto fromDevice = mp3::audioBytesOf(*shared, 2'345, 6'789);
        EXPECT_EQ(fromDevice.start, ownWalk->start);
        EXPECT_EQ(fromDevice.end, ownWalk->end);
        EXPECT_EQ(fromDevice.runEnd, ownWalk->runEnd);

        // Written to since the open: the table is no longer this file's.
        std::ofstream(file, std::ios::binary | std::ios::app).write("TAG", 3);
        EXPECT_EQ(mp3::sharedFrameTable(file), nullptr);

        // Closed: nothing holds the table any more.
        opened = mci::openMp3File(file);
        EXPECT_NE(sharedSoon(file), nullptr);
        opened = mci::MciResult {};
        EXPECT_EQ(mp3::sharedFrameTable(file), nullptr);
    }
}

} // namespace
