#include "tests/editor/ClipSavingTest.h"

#include <QFileInfo>
#include <unistd.h>
#include <vector>

namespace {

// 4,800,000 bytes over 300,000 ms make 16 bytes per millisecond; marks at
// 10,000 and 20,000 ms cover bytes 160,000 to 320,000 (counting from 1),
// which 40 overlapping blocks of 4097 bytes reach and pass.
TEST_F(ClipSavingTest, WorkedExampleCopiesFortyBlocksByteForByte)
{
    prepare(4'800'000, 300'000, 10'000, 20'000);
    form().Command1.setText(QStringLiteral("Pause"));
    form().H.setValue(7);
    std::vector<float> progress;
    bool lockedWhileCopying = true;
    h.duringWait = [&](double) {
        progress.push_back(form().pb.Value());
        lockedWhileCopying = lockedWhileCopying && !form().Command7.isEnabled()
            && !form().Command1.isEnabled() && !form().H.isEnabled() && form().Command3.isEnabled()
            && form().windowTitle() == QStringLiteral("Saving");
    };

    const QString clipName = path(QStringLiteral("clip.mp3"));
    saveAs(clipName);

    EXPECT_EQ(readFile(clipName), source.mid(159'999, 163'841));
    EXPECT_EQ(form().pb.Max(), 164'097.0f);
    ASSERT_EQ(progress.size(), 40u);
    EXPECT_EQ(progress.front(), 4096.0f);
    EXPECT_EQ(progress.back(), 163'840.0f);
    EXPECT_TRUE(lockedWhileCopying);
    EXPECT_EQ(said(), "Clip Saved");
    expectIdle();

    ASSERT_EQ(h.dialogs.size(), 1u);
    EXPECT_EQ(h.dialogs[0].kind, CommonDialog::Kind::Save);
    EXPECT_EQ(h.dialogs[0].filter, QStringLiteral("MP3 Files (*.mp3)|*.mp3|All Files (*.*)|*.*"));
    EXPECT_EQ(h.dialogs[0].filterIndex, 1);
    EXPECT_EQ(h.dialogs[0].title, QStringLiteral("Save"));
    EXPECT_EQ(h.mci.count("stop movie"), 1u);
    EXPECT_EQ(form().Command1.text(), QStringLiteral("Play"));
    EXPECT_EQ(form().H.value(), 0);
    EXPECT_EQ(form().Cdlg.FileName, clipName);
    EXPECT_EQ(entries(), "clip.mp3 source.mp3");
}

// A second save offers the previous clip's name; taking it asks before the
// old clip is replaced.
TEST_F(ClipSavingTest, SecondSaveOffersThePreviousClipAndAsksBeforeReplacingIt)
{
    prepare(4'800'000, 300'000, 10'000, 20'000);
    const QString clipName = path(QStringLiteral("clip.mp3"));
    saveAs(clipName);
    form().selectionEndMs = 12'000;
    h.answers.push_back(rt::MsgBoxResult::Yes);
    saveAs(clipName);

    ASSERT_EQ(h.dialogs.size(), 2u);
    EXPECT_EQ(h.dialogs[1].fileName, clipName);
    EXPECT_EQ(said(), "Clip Saved|File already exist.Overwrite?|Clip Saved");
    EXPECT_EQ(h.messages[1].buttons, rt::MsgBoxButtons::YesNo);
    // Bytes 160,000 to 192,000: 8 blocks, so the old, longer clip is gone.
    EXPECT_EQ(readFile(clipName), source.mid(159'999, 8 * 4096 + 1));
}

TEST_F(ClipSavingTest, ExistingFileIsLeftAloneOnNoAndReplacedOnYes)
{
    prepare(4'800'000, 300'000, 10'000, 20'000);
    const QString existing = path(QStringLiteral("existing.mp3"));
    const QByteArray old = patternBytes(500'000, 7);
    writeFile(existing, old);
    form().Cdlg.FileName = QStringLiteral("offered");

    h.answers.push_back(rt::MsgBoxResult::No);
    saveAs(existing);
    EXPECT_EQ(said(), "File already exist.Overwrite?");
    EXPECT_EQ(readFile(existing), old);
    EXPECT_EQ(form().Cdlg.FileName, QString());
    expectIdle();

    h.answers.push_back(rt::MsgBoxResult::Yes);
    saveAs(existing);
    EXPECT_EQ(said(), "File already exist.Overwrite?|File already exist.Overwrite?|Clip Saved");
    EXPECT_EQ(readFile(existing), source.mid(159'999, 163'841));
    EXPECT_EQ(entries(), "existing.mp3 source.mp3");
}

TEST_F(ClipSavingTest, WrongSelectionsChangeNothing)
{
    prepare(4'800'000, 300'000, 0, 0);
    const struct {
        std::int32_t start, end;
    } selections[] = { { 0, 0 }, { 5000, 5000 }, { 6000, 5000 }, { -5, 0 } };
    for (const auto& selection : selections) {
        h.messages.clear();
        form().selectionStartMs = selection.start;
        form().selectionEndMs = selection.end;
        form().Command7.click();
        EXPECT_EQ(said(), "Wrong Selection") << selection.start;
        EXPECT_EQ(form().selectionStartMs, selection.start);
        EXPECT_TRUE(form().Command7.isEnabled());
    }
    EXPECT_TRUE(h.dialogs.empty());
    EXPECT_TRUE(h.mci.commands.empty());
    EXPECT_EQ(form().windowTitle(), QStringLiteral("Trimora"));
}

// A start mark of 0 becomes 1 for good: byte positions count from 1, so the
// clip begins at the source's byte number "bytes per millisecond".
TEST_F(ClipSavingTest, StartMarkAtZeroIsRaisedToOne)
{
    prepare(4'800'000, 300'000, 0, 1);
    saveAs(path(QStringLiteral("clip.mp3")));
    EXPECT_EQ(form().selectionStartMs, 1);
    EXPECT_EQ(readFile(path(QStringLiteral("clip.mp3"))), source.mid(15, 4097));
    EXPECT_EQ(said(), "Clip Saved");
}

// 16.5 bytes per millisecond round to 16, 17.5 to 18.
TEST_F(ClipSavingTest, BytesPerMillisecondRoundHalfToEven)
{
    const struct {
        std::int64_t size;
        std::int32_t firstByte;
    } cases[] = { { 165'000, 16'000 }, { 175'000, 18'000 } };
    for (const auto& example : cases) {
        prepare(example.size, 10'000, 1000, 1001);
        const QString clipName = path(QStringLiteral("clip%1.mp3").arg(example.size));
        saveAs(clipName);
        EXPECT_EQ(readFile(clipName), source.mid(example.firstByte - 1, 4097)) << example.size;
    }
}

TEST_F(ClipSavingTest, CancelledDialogEndsQuietlyAndForgetsTheName)
{
    prepare(4'800'000, 300'000, 10'000, 20'000);
    form().Cdlg.FileName = QStringLiteral("offered");
    saveAs(std::nullopt);
    EXPECT_TRUE(h.messages.empty());
    EXPECT_EQ(form().Cdlg.FileName, QString());
    EXPECT_EQ(entries(), "source.mp3");
    expectIdle();
}

// Whatever the spelling, a name that leads to the source is refused, so the
// source is never replaced by a piece of itself.
TEST_F(ClipSavingTest, SourceIsRefusedUnderEveryName)
{
    prepare(4'800'000, 300'000, 10'000, 20'000);
    const QString symlink = path(QStringLiteral("link.mp3"));
    const QString hardLink = path(QStringLiteral("hard.mp3"));
    ASSERT_TRUE(QFile::link(sourcePath, symlink));
    ASSERT_EQ(
        ::link(QFile::encodeName(sourcePath).constData(), QFile::encodeName(hardLink).constData()),
        0);
    const QString names[] = { sourcePath, symlink, hardLink,
        dir.path() + QStringLiteral("/./source.mp3"), dir.path() + QStringLiteral("//source.mp3") };
    for (const QString& name : names) {
        h.messages.clear();
        form().Cdlg.FileName = QStringLiteral("offered");
        saveAs(name);
        EXPECT_EQ(said(), "Cannot overwrite file in use...") << name.toStdString();
        EXPECT_EQ(form().Cdlg.FileName, QString());
        expectIdle();
    }
    EXPECT_EQ(readFile(sourcePath), source);
    EXPECT_TRUE(QFileInfo(symlink).isSymLink());
}

// A chosen name that is a link to another file writes that file and keeps
// the link.
TEST_F(ClipSavingTest, ClipIsWrittenThroughALink)
{
    prepare(4'800'000, 300'000, 10'000, 20'000);
    const QString target = path(QStringLiteral("target.mp3"));
    const QString symlink = path(QStringLiteral("link.mp3"));
    writeFile(target, "old");
    ASSERT_TRUE(QFile::link(QStringLiteral("target.mp3"), symlink));
    h.answers.push_back(rt::MsgBoxResult::Yes);
    saveAs(symlink);
    EXPECT_EQ(said(), "File already exist.Overwrite?|Clip Saved");
    EXPECT_TRUE(QFileInfo(symlink).isSymLink());
    EXPECT_EQ(readFile(target), source.mid(159'999, 163'841));
    EXPECT_EQ(form().Cdlg.FileName, symlink);
}

// A selection that ends near the end of the source: the last block reaches
// past it, and the clip ends with the source's last byte.
TEST_F(ClipSavingTest, LastBlockStopsAtTheEndOfTheSource)
{
    prepare(100'000, 6'250, 5'000, 6'200);
    saveAs(path(QStringLiteral("clip.mp3")));
    EXPECT_EQ(readFile(path(QStringLiteral("clip.mp3"))), source.mid(79'999));
    EXPECT_EQ(said(), "Clip Saved");
}

// Every failure once the dialog is done says so, with its reason, and leaves
// neither a clip nor a temporary file behind.
TEST_F(ClipSavingTest, FailuresBeforeTheFirstBlockAreReported)
{
    const struct {
        std::int64_t size;
        std::int32_t lengthMs, startMs, endMs;
        std::string reason;
    } cases[] = {
        { 4'800'000, 0, 10'000, 20'000, "Division by zero" },
        // Under half a byte per millisecond: nothing to read at position 0.
        { 1'000, 300'000, 10'000, 20'000, "Bad record number" },
        { 4'800'000, 300'000, 10'000, 200'000'000, "Overflow" },
        // Rounded up to 17 bytes per millisecond, the start lies past the end.
        { 100'000, 5'900, 5'885, 5'890, "Input past end of file" },
    };
    for (const auto& failure : cases) {
        h.messages.clear();
        prepare(failure.size, failure.lengthMs, failure.startMs, failure.endMs);
        form().Cdlg.FileName = QStringLiteral("offered");
        saveAs(path(QStringLiteral("clip.mp3")));
        EXPECT_EQ(said(), "Clip not saved.\n" + failure.reason);
        EXPECT_EQ(entries(), "source.mp3");
        EXPECT_EQ(form().Cdlg.FileName, QString());
        expectIdle();
    }
}

// Offsets are 32-bit: a source of 2 GiB or more cannot be measured.
TEST_F(ClipSavingTest, SourceBeyondTwoGibibytesIsReported)
{
    prepare(0, 300'000, 10'000, 20'000);
    {
        QFile file(sourcePath);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.resize(std::int64_t { 1 } << 31)); // sparse: costs no disk
    }
    saveAs(path(QStringLiteral("clip.mp3")));
    EXPECT_EQ(said(), "Clip not saved.\nOverflow");
    EXPECT_EQ(entries(), "source.mp3");
}

} // namespace
