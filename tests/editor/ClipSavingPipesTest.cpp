#include "tests/editor/ClipSavingTest.h"
#include "tests/support/FifoRelease.h"

#include <QElapsedTimer>
#include <chrono>
#include <sys/stat.h>

// A named pipe under the clip's or the source's name: opening it to read
// would wait for a writer that never comes.
namespace {

// Should the save wait on the pipe after all, a writer comes after a few
// seconds and lets it go on, so that the test fails instead of hanging.
class LateWriter : public fifos::FifoReleaser {
public:
    explicit LateWriter(const QString& pipe)
        : FifoReleaser(QFile::encodeName(pipe).toStdString(), std::chrono::seconds(5))
    {
    }
};

class ClipSavingPipes : public ClipSavingTest {
protected:
    QString pipe = path(QStringLiteral("pipe.mp3"));

    void SetUp() override { prepare(4'800'000, 300'000, 10'000, 20'000); }

    void makePipe(const QString& name)
    {
        ASSERT_EQ(::mkfifo(QFile::encodeName(name).constData(), 0600), 0);
    }
    bool isPipe(const QString& name) const
    {
        struct stat info { };
        return ::stat(QFile::encodeName(name).constData(), &info) == 0 && S_ISFIFO(info.st_mode);
    }
};

TEST_F(ClipSavingPipes, PipeChosenAsTheClipIsRefusedAndKept)
{
    makePipe(pipe);
    const LateWriter writer(pipe);
    h.answers.push_back(rt::MsgBoxResult::Yes);
    QElapsedTimer timer;
    timer.start();
    saveAs(pipe);
    EXPECT_LT(timer.elapsed(), 2000);
    EXPECT_EQ(said(), "File already exist.Overwrite?|Clip not saved.\nNot a regular file");
    EXPECT_TRUE(isPipe(pipe));
    EXPECT_EQ(entries(), "pipe.mp3 source.mp3");
    expectIdle();
}

TEST_F(ClipSavingPipes, PipeInTheSourcesPlaceIsRefusedWithoutWaiting)
{
    ASSERT_TRUE(QFile::remove(sourcePath));
    makePipe(sourcePath);
    const LateWriter writer(sourcePath);
    QElapsedTimer timer;
    timer.start();
    saveAs(path(QStringLiteral("clip.mp3")));
    EXPECT_LT(timer.elapsed(), 2000);
    EXPECT_EQ(said(), "Clip not saved.\nNot a regular file");
    EXPECT_EQ(entries(), "source.mp3");
    expectIdle();
}

} // namespace
