#include "tests/editor/ClipSavingTest.h"
#include "editor/ClipSaveTarget.h"

#include <QFileInfo>
#include <algorithm>
#include <cmath>
#include <unistd.h>
#include <vector>

namespace {

// 4,800,000 bytes over 300,000 ms make 16 bytes per millisecond; marks at
// 10,000 and 20,000 ms cover bytes 160,000 to 320,000 (counting from 1),
// which 40 overlapping blocks of 4097 bytes reach and pass.
TEST_F(ClipSavingTest, WorkedExampleCopiesFortyBlocksByteForByte)
{
    prepare(4'800'000, 300'000, 10'000, 20'000);
    form.Command1.setText(QStringLiteral("Pause"));
    form.H.setValue(7);
    std::vector<float> progress;
    bool lockedWhileCopying = true;
    h.duringWait = [&] {
        // The window also runs its events while the clip is synced.
        if (progress.empty() || progress.back() != form.pb.Value())
            progress.push_back(form.pb.Value());
        lockedWhileCopying = lockedWhileCopying && !form.Command7.isEnabled()
            && !form.Command1.isEnabled() && !form.H.isEnabled() && form.Command3.isEnabled()
            && form.windowTitle() == QStringLiteral("Saving");
    };

    const QString clipName = path(QStringLiteral("clip.mp3"));
    QByteArray clipAtMessage;
    h.onMessage = [&](const QString&) { clipAtMessage = readFile(clipName); };
    saveAs(clipName);

    EXPECT_EQ(clipAtMessage, source.mid(159'999, 163'841)) << "Clip Saved before it was in place";
    EXPECT_EQ(readFile(clipName), source.mid(159'999, 163'841));
    EXPECT_EQ(form.pb.Max(), 164'097.0f);
    // The window shows the copy's progress as it finds it, block by block,
    // ending on the last.
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    for (const float shown : progress)
        EXPECT_EQ(std::fmod(shown, 4096.0f), 0.0f) << shown;
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.back(), 163'840.0f);
    EXPECT_TRUE(lockedWhileCopying);
    EXPECT_EQ(said(), "Clip Saved");
    expectIdle();

    ASSERT_EQ(h.dialogs.size(), 1u);
    EXPECT_EQ(h.dialogs[0].kind, CommonDialog::Kind::Save);
    EXPECT_EQ(h.dialogs[0].filter,
        QStringLiteral("MP3 Files (*.mp3)|*.mp3|All Files (*.*)|*.*|MP3 Files, exact to the marks "
                       "(*.mp3)|*.mp3"));
    EXPECT_EQ(h.dialogs[0].filterIndex, 1);
    EXPECT_EQ(h.dialogs[0].title, QStringLiteral("Save"));
    EXPECT_EQ(h.mci.count("stop movie"), 1u);
    EXPECT_EQ(form.Command1.text(), QStringLiteral("Play"));
    EXPECT_EQ(form.H.value(), 0);
    EXPECT_EQ(form.Cdlg.FileName, clipName);
    EXPECT_EQ(entries(), "clip.mp3 source.mp3");
}

// A second save offers the previous clip's name; taking it asks before the
// old clip is replaced: No leaves it alone, Yes replaces it whole. A name that
// is a link to another file writes that file and keeps the link.
TEST_F(ClipSavingTest, AnExistingFileIsReplacedOnlyOnYes)
{
    prepare(4'800'000, 300'000, 10'000, 20'000);
    const QString clipName = path(QStringLiteral("clip.mp3"));
    saveAs(clipName);
    const QByteArray old = readFile(clipName);

    form.selectionEndMs = 12'000;
    h.answers.push_back(rt::MsgBoxResult::No);
    saveAs(clipName);
    ASSERT_EQ(h.dialogs.size(), 2u);
    EXPECT_EQ(h.dialogs[1].fileName, clipName);
    EXPECT_EQ(said(), "Clip Saved|File already exist.Overwrite?");
    EXPECT_EQ(h.messages[1].buttons, rt::MsgBoxButtons::YesNo);
    EXPECT_EQ(readFile(clipName), old);
    EXPECT_EQ(form.Cdlg.FileName, QString());
    expectIdle();

    h.answers.push_back(rt::MsgBoxResult::Yes);
    saveAs(clipName);
    EXPECT_EQ(said(),
        "Clip Saved|File already exist.Overwrite?|File already exist.Overwrite?|Clip Saved");
    // Bytes 160,000 to 192,000: 8 blocks, so the old, longer clip is gone.
    EXPECT_EQ(readFile(clipName), source.mid(159'999, 8 * 4096 + 1));
    EXPECT_EQ(entries(), "clip.mp3 source.mp3");

    const QString symlink = path(QStringLiteral("link.mp3"));
    ASSERT_TRUE(QFile::link(QStringLiteral("clip.mp3"), symlink));
    h.messages.clear();
    h.answers.push_back(rt::MsgBoxResult::Yes);
    form.selectionEndMs = 20'000;
    saveAs(symlink);
    EXPECT_EQ(said(), "File already exist.Overwrite?|Clip Saved");
    EXPECT_TRUE(QFileInfo(symlink).isSymLink());
    EXPECT_EQ(readFile(clipName), old);
    EXPECT_EQ(form.Cdlg.FileName, symlink);
}

// The clip starts at the source's byte number "start mark × bytes per
// millisecond", counting from 1, and runs in blocks of 4097 bytes every 4096.
TEST_F(ClipSavingTest, ClipHoldsTheSourceBytesFromTheStartMarkOn)
{
    const struct {
        std::int64_t size;
        std::int32_t lengthMs, startMs, endMs;
        qsizetype from, count; // in the source, from 0; -1: to its end
    } cases[] = {
        // A start mark of 0 becomes 1 for good: byte positions count from 1.
        { 4'800'000, 300'000, 0, 1, 15, 4097 },
        // 16.5 bytes per millisecond round to 16, 17.5 to 18.
        { 165'000, 10'000, 1000, 1001, 15'999, 4097 },
        { 175'000, 10'000, 1000, 1001, 17'999, 4097 },
        // The last block reaches past the end: the clip ends with the source.
        { 100'000, 6'250, 5'000, 6'200, 79'999, -1 },
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        SCOPED_TRACE(i);
        h.messages.clear();
        prepare(c.size, c.lengthMs, c.startMs, c.endMs);
        const QString clipName = path(QStringLiteral("clip%1.mp3").arg(i));
        saveAs(clipName);
        EXPECT_EQ(said(), "Clip Saved");
        EXPECT_EQ(readFile(clipName), source.mid(c.from, c.count));
        EXPECT_EQ(form.selectionStartMs, std::max(c.startMs, 1));
    }
}

// A cancelled dialog ends quietly; a name that leads to the source, however
// spelt, is refused, so the source is never replaced by a piece of itself.
// Either way the offered name is forgotten and nothing is written.
TEST_F(ClipSavingTest, CancelOrTheSourceUnderAnyNameEndsWithoutWriting)
{
    prepare(4'800'000, 300'000, 10'000, 20'000);
    const QString symlink = path(QStringLiteral("link.mp3"));
    const QString hardLink = path(QStringLiteral("hard.mp3"));
    ASSERT_TRUE(QFile::link(sourcePath, symlink));
    ASSERT_EQ(
        ::link(QFile::encodeName(sourcePath).constData(), QFile::encodeName(hardLink).constData()),
        0);
    const std::optional<QString> names[] = { std::nullopt, sourcePath, symlink, hardLink,
        dir.path() + QStringLiteral("/./source.mp3"), dir.path() + QStringLiteral("//source.mp3") };
    for (const auto& name : names) {
        SCOPED_TRACE(name.value_or("cancel").toStdString());
        h.messages.clear();
        form.Cdlg.FileName = QStringLiteral("offered");
        saveAs(name);
        EXPECT_EQ(said(), name ? "Cannot overwrite file in use..." : "");
        EXPECT_EQ(form.Cdlg.FileName, QString());
        expectIdle();
    }
    EXPECT_EQ(readFile(sourcePath), source);
    EXPECT_TRUE(QFileInfo(symlink).isSymLink());
    EXPECT_EQ(entries(), "hard.mp3 link.mp3 source.mp3");
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
        // Rounded up to 17 bytes per millisecond, the start lies past the end.
        { 100'000, 5'900, 5'885, 5'890, "Input past end of file" },
        // Bytes per millisecond are a 32-bit number.
        { std::int64_t { 1 } << 32, 1, 0, 1, "Overflow" },
    };
    for (const auto& failure : cases) {
        SCOPED_TRACE(failure.size);
        h.messages.clear();
        prepare(failure.size, failure.lengthMs, failure.startMs, failure.endMs);
        form.Cdlg.FileName = QStringLiteral("offered");
        saveAs(path(QStringLiteral("clip.mp3")));
        EXPECT_EQ(said(), "Clip not saved.\n" + failure.reason);
        EXPECT_EQ(entries(), "source.mp3");
        EXPECT_EQ(form.Cdlg.FileName, QString());
        expectIdle();
    }
}

// Positions past 2 GiB: 3,000,000,000 bytes over 300,000 ms make 10,000 a
// millisecond, so a start mark at 250,000 ms is byte 2,500,000,000. The bar
// holds whole numbers exactly only up to 2^24: a longer copy counts pairs of
// bytes, and so on.
TEST_F(ClipSavingTest, PositionsPastTwoGiB)
{
    const struct {
        std::int32_t endMs;
        qsizetype bytes;
        float max, last;
    } cases[] = {
        // A span of 10,000 bytes: 3 blocks.
        { 250'001, 12'289, 14'097.0f, 12'288.0f },
        // 17,000,000 bytes: 4,151 blocks, against 17,004,097 counted in pairs.
        { 251'700, 17'002'497, 8'502'049.0f, 8'501'248.0f },
    };
    prepare(3'000'000'000, 300'000, 250'000, 0);
    constexpr qint64 kFrom = 2'499'999'999;
    const QByteArray marked = patternBytes(17'100'000, 3);
    {
        QFile file(sourcePath);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite) && file.seek(kFrom));
        ASSERT_EQ(file.write(marked), marked.size());
    }
    for (const auto& c : cases) {
        SCOPED_TRACE(c.endMs);
        h.messages.clear();
        float last = 0;
        h.duringWait = [&] { last = form.pb.Value(); };
        form.selectionEndMs = c.endMs;
        const QString clipName = path(QStringLiteral("clip%1.mp3").arg(c.endMs));
        saveAs(clipName);
        EXPECT_EQ(said(), "Clip Saved");
        EXPECT_EQ(readFile(clipName), marked.left(c.bytes));
        EXPECT_EQ(form.pb.Max(), c.max);
        EXPECT_EQ(last, c.last);
        QFile::remove(clipName);
    }

    // The clip's own offsets reach as far: a block lands past 4 GiB, where
    // its 1-based position puts it (the file is sparse up to there).
    constexpr qint64 kFourGiB = qint64 { 1 } << 32;
    const QString big = path(QStringLiteral("big.mp3"));
    {
        ClipSaveTarget clip(big);
        clip.write(1, std::span<const char>("head", 4));
        clip.write(kFourGiB + 1, std::span<const char>("tail", 4));
        clip.commit();
    }
    QFile written(big);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.size(), kFourGiB + 4);
    EXPECT_EQ(written.read(4), "head");
    ASSERT_TRUE(written.seek(kFourGiB));
    EXPECT_EQ(written.read(4), "tail");
}

} // namespace
