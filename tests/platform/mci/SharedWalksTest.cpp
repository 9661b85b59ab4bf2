// Save finds its byte positions in the frames the device listed when it
// opened the file, and only while that is still the file: the answer is the
// one a walk of its own would give, gapless trim and all.

#include "MciSession.h"

#include "platform/mci/Mp3File.h"
#include "platform/mp3/AudioBytes.h"
#include "platform/mp3/FileIdentity.h"
#include "platform/mp3/FileReader.h"
#include "platform/mp3/LoudnessScan.h"
#include "platform/mp3/SharedWalks.h"

#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <thread>

namespace {

// Waits for the table of `file` (a path or an identity) to be shared, as the
// device's background walk may still be going on.
std::shared_ptr<const mp3::FrameTable> sharedSoon(const auto& file)
{
    for (int wait = 0; wait < 200; ++wait) {
        if (auto shared = mp3::sharedFrameTable(file))
            return shared;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return nullptr;
}

TEST(SharedWalksTest, MappingUsesTheOpenDevicesFramesWhileTheFileIsUnchanged)
{
    mcitest::TempDir dir;
    // Without an info frame the open walks the frames itself; with one a
    // background walk does, after the open.
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

// What Save opens later is lent the device's table only when it is the very
// file the device walked, whatever reaches it under the same name.
TEST(SharedWalksTest, OnlyTheVeryFileTheDeviceWalkedIsLentItsFrames)
{
    const std::string other = mcitest::readFile(fixtures::path("cbr128_noinfo_10s.mp3"));
    const auto renameOtherOverIt = [&](const std::filesystem::path& file) {
        mcitest::writeFile(file.string() + ".new", other);
        std::filesystem::rename(file.string() + ".new", file);
    };
    const struct {
        const char* change;
        std::function<void(const std::filesystem::path&)> make;
        bool lent;
        // Made after the file was opened but before the device examined it:
        // its identity must come from what was opened, not from the name.
        bool whileOpening = false;
    } cases[] = {
        { "none", [](const std::filesystem::path&) {}, true },
        // Swapped in by a rename after the open, as an editor saves.
        { "another file renamed over it", renameOtherOverIt, false },
        { "another file renamed over it while it opens", renameOtherOverIt, false, true },
        // Same size and modification time: only the change time tells.
        { "rewritten in place, its time put back",
            [](const std::filesystem::path& file) {
                struct stat before { };
                ::stat(file.c_str(), &before);
                std::string bytes = mcitest::readFile(file);
                bytes[bytes.size() / 2] ^= 0x55;
                std::fstream(file, std::ios::binary | std::ios::in | std::ios::out)
                    .write(bytes.data(), std::streamsize(bytes.size()));
                const timespec times[2] = { before.st_atim, before.st_mtim };
                ::utimensat(AT_FDCWD, file.c_str(), times, 0);
            },
            false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.change);
        mcitest::TempDir dir;
        const auto file = dir / "a.mp3";
        std::filesystem::copy_file(fixtures::path("vbr_noinfo_10s.mp3"), file);
        const int openedFd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
        if (c.whileOpening)
            c.make(file);
        // Taken after the rename, which changes the opened file's change time.
        const auto opensIdentity = mp3::identityOf(openedFd);
        ASSERT_TRUE(opensIdentity);
        auto opened = mci::openMp3File(openedFd, file);
        ::close(openedFd);
        ASSERT_TRUE(std::holds_alternative<mci::Mp3File>(opened));
        const auto devices = sharedSoon(*opensIdentity);
        ASSERT_NE(devices, nullptr);
        if (!c.whileOpening)
            c.make(file);
        const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
        const auto saves = mp3::frameTableOf(fd);
        ::close(fd);
        ASSERT_NE(saves, nullptr);
        EXPECT_EQ(saves == devices, c.lent);
    }
}

// Save's mapping takes the frames the device shared, not a walk of its own:
// a table planted under the file's identity is the one its answer comes
// from. And the identity holds the modification time to the nanosecond.
TEST(SharedWalksTest, SaveMapsWithTheSharedTableOfAFileWhoseIdentityHoldsItsTimes)
{
    mcitest::TempDir dir;
    const auto file = dir / "a.mp3";
    std::filesystem::copy_file(fixtures::path("vbr_noinfo_10s.mp3"), file);
    const timespec times[2] = { { 1'000'000'000, 500 }, { 1'000'000'000, 500 } };
    ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
    const auto identity = mp3::identityOf(file);
    ASSERT_TRUE(identity);
    EXPECT_EQ(identity->modifiedNs, 1'000'000'000'000'000'500);

    // The frames of another file, at offsets this one's own walk never gives.
    const auto ownWalk = mp3::findAudioBytes(file, 2'345, 6'789);
    const auto planted = mp3::frameTableOf(fixtures::path("vbr_info_10s.mp3"));
    ASSERT_TRUE(ownWalk && planted);
    mp3::shareFrameTable(*identity, planted);
    const auto saved = mp3::findAudioBytes(file, 2'345, 6'789);
    ASSERT_TRUE(saved);
    const auto fromPlanted = mp3::audioBytesOf(*planted, 2'345, 6'789);
    EXPECT_NE(fromPlanted.start, ownWalk->start);
    EXPECT_EQ(saved->start, fromPlanted.start);
    EXPECT_EQ(saved->end, fromPlanted.end);
}

// The sketch of a file's sound comes from the loudness the device's walk
// kept for each frame, without a walk of its own: planted gains of 230 (30 dB
// over a step of 1) and 0 (silence) are what it shows, four frames a level.
TEST(SharedWalksTest, TheSketchTakesTheLoudnessTheDevicesWalkKept)
{
    mcitest::TempDir dir;
    const auto file = dir / "a.mp3";
    std::filesystem::copy_file(fixtures::path("loud_quieter_silent_30s.mp3"), file);
    const auto identity = mp3::identityOf(file);
    ASSERT_TRUE(identity);
    const auto planted = std::make_shared<const mp3::FrameLoudness>(
        mp3::FrameLoudness { 230, 230, 230, 230, 0, 0, 0, 0, 230, 0 });
    mp3::shareFrameLoudness(*identity, planted);
    const auto profile = mp3::scanLoudness(file, 100'000, {});
    ASSERT_TRUE(profile);
    EXPECT_EQ(profile->levelsDb, (std::vector<float> { 30.0f, -300.0f, -135.0f }));
    EXPECT_TRUE(profile->complete);
}

// Save right after an open waits for the device's walk under way and takes
// its table rather than walk the file a second time.
TEST(SharedWalksTest, SaveWaitsForTheDevicesWalkUnderWayInsteadOfWalkingAgain)
{
    mcitest::TempDir dir;
    const auto file = dir / "a.mp3";
    std::filesystem::copy_file(fixtures::path("vbr_noinfo_10s.mp3"), file);
    mp3::FileReader reader(file);
    const auto identity = mp3::identityOf(reader.fd());
    ASSERT_TRUE(identity);
    const auto planted = mp3::frameTableOf(fixtures::path("vbr_info_10s.mp3"));
    auto walking = std::make_unique<mp3::PendingWalk>(*identity);
    std::thread walker([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        mp3::shareFrameTable(*identity, planted);
        walking.reset();
    });
    mp3::FrameTableLookup lookup(reader);
    const auto found = lookup.find();
    walker.join();
    EXPECT_EQ(found.table, planted);
    EXPECT_FALSE(found.walked);
}

} // namespace
