#include "editor/Form1.h"
#include "platform/runtime/FileNameBytes.h"
#include "tests/support/Fixtures.h"
#include "tests/support/FormHarness.h"
#include "tests/support/TempFiles.h"

#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

QString fixture(const char* name)
{
    return QString::fromStdString(fixtures::path(name).string());
}

// Files from outside the window, on the real MP3 device: a file named on the
// command line and a file dropped from a file manager.
class OpenFromOutsideTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { setenv("SDL_AUDIODRIVER", "dummy", 0); }

    harness::FormHarness h { harness::FormHarness::World::Real };
    Form1& form = h.form();

    // Drops `paths` on the window and lets the queued Open run.
    bool drop(const QStringList& paths)
    {
        QList<QUrl> urls;
        for (const QString& path : paths)
            urls << QUrl::fromLocalFile(path);
        return dropUrls(urls);
    }
    bool dropUrls(const QList<QUrl>& urls)
    {
        QMimeData data;
        data.setUrls(urls);
        QDragEnterEvent enter(
            QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&form, &enter);
        if (!enter.isAccepted())
            return false;
        QDropEvent dropped(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&form, &dropped);
        h.runtime().WaitFor(0.05);
        return true;
    }

    // Waits up to two seconds for a whole overview of `levels` levels or more.
    std::vector<float> overviewOf(std::size_t atLeast)
    {
        for (int i = 0; i < 200 && form.H.overview().size() < atLeast; ++i)
            h.runtime().WaitFor(0.01);
        return form.H.overview();
    }
};

TEST_F(OpenFromOutsideTest, CommandLineAndDropRunOpenWithoutTheDialog)
{
    const QString cbr = fixture("cbr128_10s.mp3");
    const QString previous = QDir::currentPath();
    QDir::setCurrent(QFileInfo(cbr).absolutePath());
    struct Case {
        const char* how;
        std::function<void()> open;
    };
    const Case cases[] = {
        // A relative name, as typed in a shell, becomes the full path.
        { "command line", [&] { form.openGivenFile(QStringLiteral("cbr128_10s.mp3")); } },
        // Of several dropped files the first is opened.
        { "drop",
            [&] {
                ASSERT_TRUE(drop({ cbr, fixture("vbr_info_10s.mp3") }));
            } },
    };
    for (const auto& c : cases) {
        form.Label7.setText(QStringLiteral("start"));
        form.Label9.setText(QStringLiteral("end"));
        form.Label3.setText(QStringLiteral("length"));
        form.selectionStartMs = 1000;
        form.selectionEndMs = 2000;
        c.open();
        EXPECT_TRUE(h.messages.empty()) << c.how;
        EXPECT_TRUE(h.dialogs.empty()) << c.how;
        EXPECT_EQ(form.sourcePath, cbr) << c.how;
        EXPECT_EQ(form.Label7.text(), QStringLiteral("0 : 0 : 0")) << c.how;
        EXPECT_EQ(form.Label9.text(), QStringLiteral("0 : 0 : 0")) << c.how;
        EXPECT_EQ(form.Label3.text(), QStringLiteral("0 : 0 : 0")) << c.how;
        EXPECT_EQ(form.selectionEndMs, 0) << c.how;
        EXPECT_EQ(form.H.maximum(), 10) << c.how;
        EXPECT_EQ(form.Command1.text(), QStringLiteral("Pause")) << c.how;
        EXPECT_TRUE(form.T.Enabled()) << c.how;
        EXPECT_EQ(form.movie->isMoviePlaying(), -1) << c.how;
    }
    QDir::setCurrent(previous);

    form.openGivenFile(QStringLiteral("/no/such/file.mp3"));
    ASSERT_EQ(h.messages.size(), 1u);
    EXPECT_EQ(h.messages[0].prompt, QStringLiteral("Cannot play this file.\nFile not found"));
    EXPECT_TRUE(form.sourcePath.isEmpty());
}

// Names that are not UTF-8 open with their own bytes, from the command line
// and by a drop, as a file manager hands them over: percent-encoded bytes.
TEST_F(OpenFromOutsideTest, NamesThatAreNotUtf8OpenByTheirBytes)
{
    // Removed by bytes: the toolkit's temporary folder leaves such names behind.
    const tempfiles::TempDir dir;
    const QByteArray folder = QByteArray::fromStdString(dir.path().string());
    for (const QByteArray& name : { QByteArray("caf\xe9.mp3"), QByteArray("\xff\xfe.mp3") }) {
        const QByteArray bytes = folder + '/' + name;
        ASSERT_TRUE(std::filesystem::copy_file(
            fixtures::path("cbr128_10s.mp3"), std::filesystem::path(bytes.toStdString())));
        const QString expected = rt::decodeFileName(bytes);
        const std::function<void()> ways[] = {
            [&] { form.openGivenFile(rt::decodeFileName(bytes)); },
            [&] {
                dropUrls(QList { QUrl::fromEncoded("file://" + bytes.toPercentEncoding("/")) });
            },
        };
        for (const auto& open : ways) {
            form.sourcePath.clear();
            open();
            EXPECT_TRUE(h.messages.empty()) << h.messages.front().prompt.toStdString();
            EXPECT_EQ(form.sourcePath, expected);
            EXPECT_EQ(form.H.maximum(), 10);
        }
    }
}

// While a save runs Open is disabled; a drop must not slip past that.
TEST_F(OpenFromOutsideTest, DropIsRefusedWhileOpenIsDisabled)
{
    form.Command4.setEnabled(false);
    EXPECT_FALSE(drop({ fixture("cbr128_10s.mp3") }));
    form.openGivenFile(fixture("cbr128_10s.mp3"));
    EXPECT_TRUE(form.sourcePath.isEmpty());
    EXPECT_EQ(form.H.maximum(), 10);
    EXPECT_NE(form.Command1.text(), QStringLiteral("Pause"));
}

// A file's picture goes with it: a file that cannot be played takes the old
// picture with it at once, and nothing of the old work, still decoding when
// the next file is chosen, arrives later.
TEST_F(OpenFromOutsideTest, OverviewGoesWithTheFile)
{
    form.openGivenFile(fixture("cbr128_60s.mp3"));
    const std::vector<float> first = overviewOf(150);
    ASSERT_GE(first.size(), 150u);

    form.openGivenFile(fixture("../CMakeCache.txt"));
    EXPECT_TRUE(form.H.overview().empty());
    // Work on the first file left running would have ended by the time the
    // same work, started only now, has: then it has nothing more to bring.
    bool sameWorkDone = false;
    LoudnessOverview sameWork([&](LoudnessPicture picture) { sameWorkDone |= picture.decoded; });
    sameWork.start(fixture("cbr128_60s.mp3"));
    for (int i = 0; i < 6000 && !sameWorkDone; ++i)
        h.runtime().WaitFor(0.01);
    ASSERT_TRUE(sameWorkDone);
    h.runtime().WaitFor(0.5);
    EXPECT_TRUE(form.H.overview().empty());

    form.openGivenFile(fixture("cbr128_10s.mp3"));
    const std::vector<float> second = overviewOf(1);
    EXPECT_LT(second.size(), first.size() * 6 / 10);
}

} // namespace
