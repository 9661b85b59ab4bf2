#include "editor/ClipBlockCopy.h"
#include "editor/ClipSaveSource.h"
#include "editor/ClipSaveTarget.h"
#include "tests/editor/ClipSavingTest.h"
#include "tests/support/RaisedError.h"

#include "platform/mp3/SharedWalks.h"

#include <QFileDevice>
#include <atomic>
#include <condition_variable>
#include <csignal>
#include <stop_token>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

// Failures injected for real while an older file of the chosen name exists:
// each must leave that file as it was, leave no temporary file and say why.
namespace {

class ClipSavingFailures : public ClipSavingTest {
protected:
    QString clipName;
    QByteArray old = patternBytes(300'000, 7);

    void SetUp() override
    {
        prepare(4'800'000, 300'000, 10'000, 20'000);
        clipName = path(QStringLiteral("clip.mp3"));
        writeFile(clipName, old);
        h.answers.push_back(rt::MsgBoxResult::Yes);
    }

    // The old clip as it was and, beside it, only what was there before.
    void expectOldClipKept(
        const std::string& folderHolds = "clip.mp3 source.mp3", const QString& folder = {})
    {
        EXPECT_EQ(readFile(clipName), old);
        EXPECT_EQ(entries(folder), folderHolds);
    }

    // The window closes at its first chance during Save: the program ends
    // with nothing said after the question and the old clip kept.
    void expectClosingEndsTheSave()
    {
        h.duringWait = [&] { form.close(); };
        saveAs(clipName);
        EXPECT_EQ(h.quitRequests, 1);
        EXPECT_EQ(said(), "File already exist.Overwrite?");
        expectOldClipKept();
    }
};

// Lowers the largest file size this process may write, for one scope.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &saved_);
        // Past the limit a write fails with EFBIG instead of killing the process.
        savedHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lowered = saved_;
        lowered.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, savedHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit saved_ {};
    void (*savedHandler_)(int) = nullptr;
};

// The disk takes a dozen blocks and then no more: the copy's worker fails,
// and the window says so.
TEST_F(ClipSavingFailures, FullDiskMidCopy)
{
    {
        FileSizeLimit limit(50'000);
        saveAs(clipName);
    }
    EXPECT_EQ(said(), "File already exist.Overwrite?|Clip not saved.\nDisk full");
    expectOldClipKept();
    expectIdle();
}

// The source is cut short under the copy: after two of its 40 blocks, the
// third gets only part of its bytes; after 39, the last gets ten. A short
// clip is no clip. A stop asked for after a block ends the copy there.
TEST_F(ClipSavingFailures, CopyEndsAtTheBlockTheSourceShrankUnderOrAStop)
{
    const struct {
        int blocksBefore;
        off_t cutTo; // 0: asks for a stop instead
        int error;
    } cases[] = { { 2, 170'000, 62 }, { 39, 160'000 + 39 * 4096 + 10, 62 }, { 3, 0, 0 } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.blocksBefore);
        writeFile(sourcePath, source);
        ClipSaveSource from(sourcePath);
        ClipSaveTarget clip(path(QStringLiteral("copy.mp3")));
        const ClipBlockCopy blocks(
            from, clip, { 160'000, 320'000, 4'800'000, true }, from.size(), 0);
        std::stop_source stop;
        int copied = 0;
        EXPECT_EQ(expect::raisedError([&] {
            blocks.run(stop.get_token(), [&](std::int64_t) {
                if (++copied != c.blocksBefore)
                    return;
                if (c.cutTo == 0)
                    stop.request_stop();
                else
                    ASSERT_EQ(::truncate(QFile::encodeName(sourcePath).constData(), c.cutTo), 0);
            });
        }),
            c.error);
        EXPECT_EQ(copied, c.blocksBefore);
    }
}

TEST_F(ClipSavingFailures, SourceRemovedBeforeTheSave)
{
    ASSERT_TRUE(QFile::remove(sourcePath));
    saveAs(clipName);
    EXPECT_EQ(said(), "File already exist.Overwrite?|Clip not saved.\nFile not found");
    expectOldClipKept("clip.mp3");
}

// Closing the window while the clip is copied ends the program; the worker's
// stop at its next block is tested with the copy above.
TEST_F(ClipSavingFailures, WindowClosedMidCopy)
{
    expectClosingEndsTheSave();
}

// Closing the window while Save waits for the device's walk of the source
// ends the program then, not once the walk is done (here, in ten seconds).
TEST_F(ClipSavingFailures, WindowClosedWhileTheDeviceWalksTheSource)
{
    const auto identity = mp3::identityOf(std::filesystem::path(sourcePath.toStdString()));
    ASSERT_TRUE(identity);
    auto walk = std::make_unique<mp3::PendingWalk>(*identity);
    std::atomic<bool> walkEnded = false;
    std::jthread walker([&](std::stop_token saveEnded) {
        std::mutex mutex;
        std::unique_lock lock(mutex);
        std::condition_variable_any never;
        never.wait_for(lock, saveEnded, std::chrono::seconds(10), [] { return false; });
        walkEnded = !saveEnded.stop_requested();
        walk.reset();
    });
    expectClosingEndsTheSave();
    EXPECT_FALSE(walkEnded);
}

// The folder of the clip is not writable, though the old clip in it is. The
// save runs in a child process, which as root first becomes "nobody": root may
// write anywhere.
TEST_F(ClipSavingFailures, FolderWithoutWritePermission)
{
    constexpr uid_t kNobody = 65534;
    const bool root = ::geteuid() == 0;
    const QString folder = path(QStringLiteral("locked"));
    ASSERT_TRUE(QDir().mkdir(folder));
    clipName = folder + QStringLiteral("/clip.mp3");
    writeFile(clipName, old);
    using P = QFileDevice;
    const auto readable = P::ReadOwner | P::ExeOwner | P::ReadOther | P::ExeOther;
    ASSERT_TRUE(QFile::setPermissions(dir.path(), readable | P::WriteOwner));
    ASSERT_TRUE(QFile::setPermissions(
        clipName, P::ReadOwner | P::WriteOwner | P::ReadOther | P::WriteOther));
    ASSERT_TRUE(!root || ::chown(QFile::encodeName(folder).constData(), kNobody, kNobody) == 0);
    ASSERT_TRUE(QFile::setPermissions(folder, readable));

    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (root && (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0))
            ::_exit(2);
        saveAs(clipName);
        const std::string text = said();
        ::_exit(::write(pipeEnds[1], text.data(), text.size()) == ssize_t(text.size()) ? 0 : 3);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    char text[256];
    const ssize_t length = ::read(pipeEnds[0], text, sizeof text);
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
    EXPECT_EQ(std::string(text, static_cast<std::size_t>(std::max<ssize_t>(length, 0))),
        "File already exist.Overwrite?|Clip not saved.\nPermission denied");
    expectOldClipKept("clip.mp3", folder);
}

} // namespace
