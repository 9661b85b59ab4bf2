#include "tests/editor/ClipSavingTest.h"
#include "tests/support/FifoRelease.h"
#include "tests/support/FormHarness.h"
#include "tests/support/WaveFiles.h"

#include <QElapsedTimer>
#include <chrono>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Save titles the dialog "Save"; the open dialog after it is titled "Open"
// and offers the clip just saved.
TEST_F(ClipSavingTest, TheOpenDialogAfterASaveIsTitledOpen)
{
    prepare(4'800'000, 300'000, 10'000, 20'000);
    const QString clipName = path(QStringLiteral("clip.mp3"));
    saveAs(clipName);
    open(sourcePath);
    ASSERT_EQ(h.dialogs.size(), 2u);
    EXPECT_EQ(h.dialogs[0].title, QStringLiteral("Save"));
    EXPECT_EQ(h.dialogs[1].kind, CommonDialog::Kind::Open);
    EXPECT_EQ(h.dialogs[1].title, QStringLiteral("Open"));
    EXPECT_EQ(h.dialogs[1].fileName, clipName);
}

// What the real device refuses is reported with its reason, and a FIFO is
// refused at once rather than freezing the window until someone writes to it.
TEST(OpenFailureTest, TheMessageSaysWhyTheFileCannotBePlayed)
{
    setenv("SDL_AUDIODRIVER", "dummy", 0); // no sound card
    harness::FormHarness h(harness::FormHarness::World::Real);
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("x.mp3"));
    ASSERT_EQ(::mkfifo(fifo.toLocal8Bit().constData(), 0644), 0);
    const QString text = dir.filePath(QStringLiteral("notes.mp3"));
    {
        QFile file(text);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("Not music, just a few words.\n");
    }
    const QString wave = dir.filePath(QStringLiteral("quiet.wav"));
    {
        QFile file(wave);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        const std::string bytes = wavefiles::waveFile(wavefiles::ditheredSilence(20));
        file.write(bytes.data(), qint64(bytes.size()));
    }
    // Lets a reader stuck on the FIFO go, so that the fault fails the test
    // instead of hanging it.
    const fifos::FifoReleaser unstick(fifo.toLocal8Bit().toStdString(), std::chrono::seconds(3));

    const struct {
        QString path;
        const char* reason;
        bool asNobody; // the superuser may read anything
    } cases[] = {
        { fifo, "Not a regular file", false },
        { dir.filePath(QStringLiteral("missing.mp3")), "File not found", false },
        { text, "No MPEG audio found", false },
        { wave, "No MPEG audio found", false },
        { text, "Permission denied", true },
    };
    for (const auto& c : cases) {
        h.messages.clear();
        h.dialogAnswers.push_back(c.path);
        const bool switchUser = c.asNobody && ::geteuid() == 0;
        if (c.asNobody && !switchUser) {
            ASSERT_EQ(::chmod(text.toLocal8Bit().constData(), 0), 0);
        }
        if (switchUser && ::seteuid(65534) != 0)
            continue;
        QElapsedTimer clock;
        clock.start();
        h.form().Command4.click();
        const qint64 ms = clock.elapsed();
        if (switchUser) {
            ASSERT_EQ(::seteuid(0), 0);
        }
        ASSERT_EQ(h.messages.size(), 1u) << c.reason;
        EXPECT_EQ(
            h.messages[0].prompt.toStdString(), std::string("Cannot play this file.\n") + c.reason);
        EXPECT_EQ(h.messages[0].buttons, rt::MsgBoxButtons::OkOnly);
        EXPECT_LT(ms, 500) << c.reason;
    }
}

} // namespace
